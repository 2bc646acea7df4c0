#include "layout/layout_commands.h"

#include "design/design_file.h"
#include "design/paths.h"
#include "design/text_io.h"
#include "layout/layout_edit.h"
#include "layout/parts.h"
#include "layout/parts_list.h"

#include <cctype>
#include <cmath>

namespace tanvex::layout {

namespace {

constexpr int kText = 7;  // white on black
constexpr int kRed = 12;  // bright red
constexpr int kBlue = 11; // light cyan

std::string materialKey(const std::string& description) {
    return description.size() > 27 ? description.substr(27, 5) : std::string();
}

char upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

} // namespace

void Layout::start(ui::Toolkit& tk) {
    job = readJobFile(jobPath);
    blocks = job.existed;
    bool ok = false;
    for (const std::string& p : {std::string(kDefaultMenu) + ".kdx", std::string(kDefaultMenu),
                                 joinPath(homeDirectory(), std::string(kDefaultMenu) + ".kdx")}) {
        if (fileExists(resolveForReading(p)) && readMaterialMenu(resolveForReading(p), menu)) {
            ok = true;
            break;
        }
    }
    if (!ok) {
        tk.notice("Menu file not found");
        return;
    }
    int k = menu.defaultIndex();
    if (k >= 0) defaults.material = menu.materials[k];
}

bool Layout::loadMenu(const std::string& path, ui::Toolkit& tk) {
    if (!readMaterialMenu(resolveForReading(path), menu)) {
        tk.notice("Menu file not found");
        return false;
    }
    int k = menu.defaultIndex();
    if (k >= 0) defaults.material = menu.materials[k];
    return true;
}

int Layout::open(const std::string& path, ui::Toolkit& tk) {
    std::string p = path;
    for (const char* ext : {".dzn", ".DZN"})
        if (p.size() > 4 && p.compare(p.size() - 4, 4, ext) == 0) p.erase(p.size() - 4);
    LayoutDesign d;
    int r = readLayoutFile(p + ".dzn", d, tk);
    if (r) return r;
    std::size_t slash = p.find_last_of('/');
    d.directory = slash == std::string::npos ? std::string() : p.substr(0, slash);
    d.name = slash == std::string::npos ? p : p.substr(slash + 1);
    design = std::move(d);
    current = 1;
    return 0;
}

int Layout::save(ui::Toolkit& tk) {
    return writeLayoutFile(design.path(".dzn"), design, tk);
}

int Layout::saveAs(const std::string& path, ui::Toolkit& tk) {
    std::string p = path;
    if (p.size() > 4 && (p.compare(p.size() - 4, 4, ".dzn") == 0)) p.erase(p.size() - 4);
    int r = writeLayoutFile(p + ".dzn", design, tk);
    if (r == 0) {
        std::size_t slash = p.find_last_of('/');
        design.directory = slash == std::string::npos ? std::string() : p.substr(0, slash);
        design.name = slash == std::string::npos ? p : p.substr(slash + 1);
    }
    return r;
}

void Layout::setCurrent(int branch) {
    int last = std::max(1, design.count - 1);
    current = std::clamp(branch, 1, last);
}

// ---- Working out parts -------------------------------------------------------

bool Layout::coilSetup(coil::CoilBranchSetup& s, ui::Toolkit& tk) const {
    if (defaults.gauge <= 0) {
        tk.notice("Wire gauge not set");
        return false;
    }
    const BranchRecord& b = design.branches[current];
    double f = pairResonance(design, current);
    if (!(f > 0.0)) f = design.referenceFrequency();
    s.inductance = b.value * 1e6;
    s.frequency = f * 1e-6;
    s.gauge = defaults.gauge;
    s.formDia = defaults.formDia / 1000.0;
    s.lowFraction = defaults.lowPitch;
    s.highFraction = defaults.highPitch;
    return true;
}

void Layout::storeCoil(const std::string& description) {
    BranchRecord& b = design.branches[current];
    b.description = description.substr(0, kDescriptionMax);
    b.changed = true;
    design.modified = true;
    afterPart(current);
}

void Layout::afterPart(int i) {
    duplicatePart(design, i, defaults.duplicate);
}

ChipOutcome Layout::chipCapacitor(ui::Toolkit& tk, const std::function<bool()>& defaultsDialog) {
    const int i = current;
    BranchRecord& b = design.branches[i];
    const double pf = b.value * 1e12;
    Material mat = defaults.material;
    double width = defaults.chipSide / 1000.0;
    const int same = menu.find(materialKey(b.description));
    enum { Default, Same, Menu, Special } state = Default;
    if (same >= 0) {
        state = Same;
        mat = menu.materials[same];
    }
    const char* stateWord[] = {"(Default)", "(Same)", "(Menu)", "(Special)"};
    bool stored = false;
    for (;;) {
        bool valid = mat.k > 0.0 && mat.thickness > 0.0 && pf > 0.0;
        ChipSize cs = valid ? chipSize(pf, mat.k, mat.thickness, width) : ChipSize{};
        tk.clearPrompt();
        if (cs.square)
            tk.setPrompt(
                0, formatText("   Cap=%.2f pF  Size=%.1f Mills square", pf, cs.width * 1000.0),
                kText);
        else
            tk.setPrompt(0,
                         formatText("   Cap=%.2f pF  Size=%.1f wide X %.1f Mills", pf,
                                    cs.width * 1000.0, cs.length * 1000.0),
                         kText);
        tk.setPrompt(1,
                     formatText(same >= 0 ? "Material selected %s: D-Default M-Menu S-Same"
                                          : "Material selected %s: D-Default M-Menu",
                                stateWord[state]),
                     kBlue);
        tk.setPrompt(
            2,
            formatText("  Thickness=%.2f  K=%.2f  Material=", mat.thickness * 1000.0, mat.k) +
                (state == Special ? std::string("(Special)") : mat.name.substr(0, 5)),
            kText);
        tk.setPrompt(3, "Chip: X-eXit  Q-Quit  W-Width  T-Thick  K-diel", kRed);
        tk.setPrompt(4, "Multilayer: A-50 B-100", kRed);
        char key = upper(tk.keyBox(same >= 0 ? "XQWTKDMSAB" : "XQWTKDMAB"));
        if (key == 'Q') break;
        if (key == 'D') {
            state = Default;
            mat = defaults.material;
        } else if (key == 'S' && same >= 0) {
            state = Same;
            mat = menu.materials[same];
        } else if (key == 'M') {
            if (defaultsDialog && defaultsDialog()) return ChipOutcome::ChangeMenu;
            mat = defaults.material;
            width = defaults.chipSide / 1000.0;
            state = Menu;
        } else if (key == 'K') {
            tk.setPrompt(0, "  > Chip material <", kRed);
            tk.setPrompt(1, formatText("  Dielectric constant K = %.1f", mat.k), kText);
            tk.setPrompt(2, "  Specify new K ?", kText);
            tk.inputBox();
            if (tk.numberResult > 0.0) {
                mat.k = tk.numberResult;
                state = Special;
            }
        } else if (key == 'T') {
            tk.setPrompt(0, "  > Chip material <", kRed);
            tk.setPrompt(1, formatText("  Thickness = %.1f (Mills)", mat.thickness * 1000.0),
                         kText);
            tk.setPrompt(2, "  Specify new thickness (Mills) ?", kText);
            tk.inputBox();
            if (tk.numberResult > 0.0) {
                mat.thickness = tk.numberResult / 1000.0;
                state = Special;
            }
        } else if (key == 'W') {
            tk.setPrompt(0, " > Chip dimensions <", kRed);
            tk.setPrompt(1, formatText(" Width = %.1f (Mills)", cs.width * 1000.0), kText);
            tk.setPrompt(2, width > 0.0 ? " <Enter> for square chip." : " Chip is SQUARE", kText);
            tk.setPrompt(3, " Specify new width (Mills) ?", kText);
            tk.inputBox();
            // A negative width keeps the chip as it was.
            if (tk.numberResult > 0.0)
                width = tk.numberResult / 1000.0;
            else if (tk.numberResult == 0.0)
                width = 0.0;
        } else if (key == 'A' || key == 'B') {
            b.description = key == 'A' ? multilayerDescription(kMultilayer50, "50 cube")
                                       : multilayerDescription(kMultilayer100, "100 cube");
            stored = true;
            break;
        } else if (key == 'X') {
            if (!valid) {
                tk.beep(); // nothing to size the chip from
                continue;
            }
            b.description = state == Special
                                ? specialChipDescription(cs.width, cs.length, mat.thickness, mat.k)
                                : chipDescription(cs.width, cs.length, mat.thickness, mat.name);
            stored = true;
            break;
        }
    }
    tk.clearPrompt();
    if (stored) {
        b.changed = true;
        design.modified = true;
    }
    afterPart(i);
    return stored ? ChipOutcome::Stored : ChipOutcome::Quit;
}

bool Layout::hairpin(ui::Toolkit& tk) {
    const int i = current;
    if (!design.isPartBranch(i) || design.branches[i].letter != 'D' ||
        design.branches[i - 1].letter != 'Z') {
        tk.notice(" Invalid branch ");
        return false;
    }
    if (hairpinGauge <= 0) hairpinGauge = defaults.gauge;
    if (hairpinGauge <= 0) {
        tk.notice("Wire gauge not set");
        return false;
    }
    const double z0 = design.branches[i - 1].value;
    const double theta = design.branches[i].value;
    const double omega = 2.0 * M_PI * lineFrequency(design, i);
    const double lead = defaults.leadLength / 1000.0;
    for (;;) {
        Hairpin h = layout::hairpin(z0, theta, omega, hairpinGauge, lead);
        tk.clearPrompt();
        tk.setPrompt(0, " Shorted stub Hairpin inductor", kRed);
        tk.setPrompt(
            1,
            formatText(" %.0f mills of wire Looped %.0f long", h.wire * 1000.0, h.length * 1000.0),
            kText);
        tk.setPrompt(2, formatText(" X-eXit  Q-Quit  G-wire Gauge (#%d)", hairpinGauge), kBlue);
        char key = upper(tk.keyBox("XQG"));
        if (key == 'Q') return false;
        if (key == 'G') {
            tk.defaultAnswer = std::to_string(hairpinGauge);
            tk.setPrompt(0, "New wire gauge (AWG) - <Enter> to abort", kText);
            tk.inputBox();
            if (tk.numberResult >= 1.0 && tk.numberResult < 100.0)
                hairpinGauge = static_cast<int>(tk.numberResult);
            continue;
        }
        if (key == 'X') {
            BranchRecord& b = design.branches[i];
            b.description = hairpinDescription(h, hairpinGauge);
            b.changed = true;
            design.modified = true;
            afterPart(i);
            return true;
        }
    }
}

// ---- Split, undo, sits on ------------------------------------------------------

bool Layout::undoPath(std::string& path) const {
    path = designFilePath(kUndoName, ".dzn");
    return true;
}

void Layout::split(ui::Toolkit& tk) {
    const int i = current;
    const BranchRecord& b = design.branches[i];
    if (!design.isPartBranch(i) || (b.letter != 'C' && b.letter != 'L')) {
        tk.notice(" Invalid branch ");
        return;
    }
    if (b.code != 2 && b.code != 3 && b.code != 4 && b.code != 5) {
        tk.notice("Can't split that type");
        return;
    }
    tk.clearPrompt();
    tk.setPrompt(0, "NOTE: The combination will be in parallel", kRed);
    tk.setPrompt(1, "<Enter> to abort", kText);
    tk.setPrompt(2, formatText("Value of one part (%s)?", b.letter == 'C' ? "pFd." : "nHy."),
                 kText);
    tk.inputBox();
    double v = tk.numberResult;
    if (v == 0.0) return;
    double part = v * (b.letter == 'C' ? 1e-12 : 1e-9);
    LayoutDesign trial = design;
    switch (splitBranch(trial, i, part)) {
    case SplitResult::Done:
        break;
    case SplitResult::NotPositive:
    case SplitResult::Negative:
        tk.notice("Ngative value");
        return;
    case SplitResult::WholeValue:
        tk.notice("A part must be smaller than the whole");
        return;
    case SplitResult::TooBig:
        tk.notice("Network too big!");
        return;
    case SplitResult::WrongType:
        tk.notice("Can't split that type");
        return;
    case SplitResult::NotPart:
        tk.notice(" Invalid branch ");
        return;
    }
    if (!design.splitMade) {
        std::string p;
        undoPath(p);
        // The undo copy does not make the design saved.
        if (writeLayoutFile(p, design, tk, false) != 0) return;
        trial.splitMade = true;
    }
    design = std::move(trial);
}

void Layout::undoSplit(ui::Toolkit& tk) {
    if (!design.splitMade) {
        tk.notice("Can't undo");
        return;
    }
    std::string p;
    undoPath(p);
    LayoutDesign d;
    if (readLayoutFile(p, d, tk) != 0) return;
    d.directory = design.directory;
    d.name = design.name;
    d.modified = true;
    d.splitMade = false;
    design = std::move(d);
    setCurrent(current);
}

void Layout::sitsOn(ui::Toolkit& tk) {
    const int i = current;
    const BranchRecord& b = design.branches[i];
    if (!design.isPartBranch(i) || b.letter != 'C' || !isSeries(b)) {
        tk.notice("Series caps only");
        return;
    }
    tk.clearPrompt();
    tk.setPrompt(0, "What shunt chip will it sit on?", kText);
    tk.setPrompt(1, " -1 to clear * <Enter> abort", kRed);
    tk.setPrompt(2, "         Branch number ", kText);
    tk.inputBox();
    double v = tk.numberResult;
    if (v == 0.0 || !std::isfinite(v) || std::fabs(v) > 1e6) return;
    switch (setSitsOn(design, i, static_cast<int>(v))) {
    case SitsOnResult::Set:
    case SitsOnResult::Cleared:
        break;
    case SitsOnResult::NotSeries:
        tk.notice("Series caps only");
        break;
    case SitsOnResult::OnInductor:
        tk.notice("It can't sit on and inductor!");
        break;
    case SitsOnResult::NotShuntChip:
        tk.notice("Not a shunt chip");
        break;
    }
}

MaterialOptions Layout::materialOptions(int branch) const {
    MaterialOptions o;
    o.branch = branch;
    if (branch < 1 || branch >= design.count || design.branches[branch].letter != 'C') return o;
    const BranchRecord& b = design.branches[branch];
    const double pf = b.value * 1e12;
    const double width = defaults.chipSide / 1000.0;
    int used = menu.find(materialKey(b.description));
    for (std::size_t k = 0; k < menu.materials.size(); ++k) {
        const Material& m = menu.materials[k];
        if (m.separator()) continue;
        ChipSize cs = chipSize(pf, m.k, m.thickness, width);
        MaterialOptionLine line;
        line.width = cs.width * 1000.0;
        line.length = cs.length * 1000.0;
        line.text = formatText(" %c  %.6s %7.1f  %7.1f  ", m.key(), m.name.c_str(), line.width,
                               line.length);
        line.current =
            static_cast<int>(k) == used || (used < 0 && m.name == defaults.material.name);
        line.isDefault = m.name == defaults.material.name;
        o.lines.push_back(line);
    }
    double w, l;
    if (descriptionSize(b.description, w, l)) {
        o.capWidth = w * 1000.0;
        o.capLength = l * 1000.0;
    } else if (defaults.material.k > 0.0 && defaults.material.thickness > 0.0 && pf > 0.0) {
        ChipSize cs = chipSize(pf, defaults.material.k, defaults.material.thickness, width);
        o.capWidth = cs.width * 1000.0;
        o.capLength = cs.length * 1000.0;
    }
    int on = b.sitsOn;
    if (on >= 1 && on < design.count && descriptionSize(design.branches[on].description, w, l)) {
        o.onChip = on;
        o.chipWidth = w * 1000.0;
        o.chipLength = l * 1000.0;
    }
    double larger = std::max(o.capWidth, o.chipWidth) / 1000.0;
    if (larger > 0.0) {
        for (int k = 0; k < 100 && larger * o.scale > 1.0 && larger * o.scale < 20.0; ++k)
            o.scale *= 1.2;
        for (int k = 0; k < 200 && larger * o.scale > 235.0; ++k) o.scale *= 0.9;
    }
    return o;
}

// ---- Parts list, drawing script, closing -------------------------------------

void Layout::partsListCommand(ui::Toolkit& tk,
                              const std::function<bool(const std::vector<std::string>&)>& print) {
    tk.clearPrompt();
    tk.setPrompt(0, "Script to include:", kText);
    tk.setPrompt(1, " [A] - All items  [Q] - Quit", kText);
    tk.setPrompt(2, " [C] - Changed items only", kText);
    char key = upper(tk.keyBox("QAC"));
    if (key == 'Q') return;
    bool changed = key == 'C';
    tk.setPrompt(0, "Send parts list to:", kText);
    tk.setPrompt(1, " [P] - Printer", kText);
    tk.setPrompt(2, formatText(" [F] - File %s.6hc", design.name.c_str()), kText);
    key = upper(tk.keyBox("PF"));
    if (key == 'P') {
        if (!print || !print(partsList(design, changed))) tk.notice("Printer error");
        return;
    }
    writePartsList(design.path(".6HC"), design, changed, tk);
}

void Layout::scriptCommand(ui::Toolkit& tk) {
    ScriptOptions opt;
    char key = 0;
    for (;;) {
        tk.clearPrompt();
        tk.setPrompt(0, "Script to include:", kText);
        tk.setPrompt(1, " [A] - All items  [Q] - Quit", kText);
        tk.setPrompt(2, " [C] - Changed items only", kText);
        tk.setPrompt(3, "Output:", kRed);
        tk.setPrompt(4, " [P] - edit Path to scripts", kText);
        tk.setPrompt(5, std::string(" [B] - draw with Blocks: ") + (blocks ? "Yes" : "No"), kText);
        key = upper(tk.keyBox("QAC PB"));
        if (key == 'Q') return;
        if (key == ' ') continue;
        if (key == 'B') {
            blocks = !blocks;
            continue;
        }
        if (key == 'P') {
            tk.defaultAnswer = job.cadPath;
            tk.setPrompt(0, "Path to CAD drawing program:", kText);
            tk.inputBox();
            std::string p = tk.textResult;
            while (!p.empty() && p.back() == ' ') p.pop_back();
            if (!p.empty()) {
                if (p.back() != '/' && p.back() != '\\') p += '/';
                job.cadPath = p;
            }
            continue;
        }
        break;
    }
    opt.changedOnly = key != 'A';
    opt.blocks = blocks;
    opt.leadLength = defaults.leadLength;
    tk.setPrompt(0, "Write script file for:", kText);
    tk.setPrompt(1, " [A] - AutoCAD", kText);
    tk.setPrompt(2, " [G] - General CADD Pro.", kText);
    opt.cad = upper(tk.keyBox("AG")) == 'G' ? CadProgram::GeneralCadd : CadProgram::AutoCad;
    writeScript(scriptPath(job.cadPath, design.name, opt), design, opt, tk);
}

bool Layout::close(ui::Toolkit& tk) {
    if (design.modified) {
        tk.clearPrompt();
        tk.setPrompt(0, "Design was modified and not saved", kRed);
        tk.setPrompt(1, " [S] - Save changes and exit", kText);
        tk.setPrompt(2, " [Q] - Quit without saving", kText);
        tk.setPrompt(3, " [X] - Abort", kText);
        char key = upper(tk.keyBox("SQX"));
        if (key == 'X') return false;
        // A save that fails keeps the program open: nothing is lost.
        if (key == 'S' && save(tk) != 0) return false;
    }
    if (!design.name.empty() && design.name != "default" && design.name != "DEFAULT") {
        job.directory = design.directory;
        job.name = design.name;
    }
    writeJobFile(jobPath, job);
    return true;
}

// ---- The message area ----------------------------------------------------------

std::string Layout::currentLine() const {
    const BranchRecord& b = design.branches[current];
    const char* unit = "";
    double v = displayValue(b, &unit);
    return formatText("%c%d %.3f %s ", b.letter, current, v, unit);
}

std::string Layout::materialLine() const {
    return formatText("Cap material selected=%6.5s K=%g %g Mills thick",
                      defaults.material.name.c_str(), defaults.material.k,
                      defaults.material.thickness * 1000.0);
}

std::vector<std::string> Layout::messageLines() const {
    if (!design.isPartBranch(current)) return {" Invalid branch "};
    return {currentLine() + materialLine() + formatText("Avg Ql=%d", averageQ(design)),
            design.branches[current].description};
}

} // namespace tanvex::layout
