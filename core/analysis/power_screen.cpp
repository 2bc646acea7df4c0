#include "analysis/power_screen.h"

#include "design/operations.h"
#include "schematic/renderer.h"
#include "ui/gen_win.h"
#include "ui/number_list.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace tanvex::analysis {

namespace {

constexpr int kPanelWidth = 54; // the left part; the schematic starts here
constexpr int kResultsRow = 7;  // first row of results under the panel
constexpr int kLastRow = 23;    // last row the results may use
constexpr int kEscape = 27;

std::string format(const char* tmpl, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* tmpl, ...) {
    char text[160];
    va_list args;
    va_start(args, tmpl);
    std::vsnprintf(text, sizeof text, tmpl, args);
    va_end(args);
    return text;
}

const char* const kParameterNames[] = {
    "",           "Forward Loss",  "Forward Volts", "Forward Current",
    "Shunt Loss", "Shunt Current", "Shunt Volts"};

} // namespace

char unitLetter(SingleParameter p) {
    switch (p) {
    case SingleParameter::kForwardLoss:
    case SingleParameter::kShuntLoss:
        return 'W';
    case SingleParameter::kForwardVolts:
    case SingleParameter::kShuntVolts:
        return 'V';
    default:
        return 'A';
    }
}

double levelOf(const BranchLevels& b, SingleParameter p) {
    switch (p) {
    case SingleParameter::kForwardLoss:
        return b.forwardLoss;
    case SingleParameter::kForwardVolts:
        return b.forwardVolts;
    case SingleParameter::kForwardCurrent:
        return b.forwardCurrent;
    case SingleParameter::kShuntLoss:
        return b.shuntLoss;
    case SingleParameter::kShuntCurrent:
        return b.shuntCurrent;
    case SingleParameter::kShuntVolts:
        return b.junctionVolts;
    }
    return 0.0;
}

PowerScreen::PowerScreen(Design& design, ResultsTable& results, ui::Toolkit& toolkit,
                         DataServices& data)
    : design_(design), results_(results), tk_(toolkit), data_(data),
      power_(std::make_unique<PowerAnalysis>(design, toolkit, data)) {
    begin();
}

void PowerScreen::begin() {
    // A fresh visit: the range starts at the reference frequency, the Q
    // values are the design's; the drive is remembered by the owner.
    const int n = entryCount(design_.entries);
    const double ref = n + 1 < kEntrySlots ? design_.entries[n + 1].value : 0.0;
    settings.start = ref == 0.0 ? 1.0 : ref * design_.notation.frequency.multiplier;
    settings.stop = 0.0;
    settings.step = 0.0;
    for (int i = 0; i < 3; ++i) settings.q[i] = normalisedQ(design_.analysis[3 + i]);
    entryCount_ = n;
}

PowerScreen::~PowerScreen() {
    if (report_) report_->end();
}

std::string PowerScreen::frequencyText() const {
    const UnitBlock& u = design_.notation.frequency;
    if (settings.stop == 0.0) return format("Freq. %g %s", settings.start, u.name.c_str());
    const int n = PowerAnalysis::pointCount(settings);
    return format("Freq. %g to %g %s (%d pts)", settings.start, settings.stop, u.name.c_str(), n);
}

void PowerScreen::draw() {
    ui::GenWin& g = tk_.genWin();
    g.clear();
    g.gotoCell(0, 0);
    g.write("> Power Distribution Analysis <", 14);
    g.gotoCell(0, 1);
    if (settings.drive.voltage())
        g.write(format("Input level = %g V.", settings.drive.volts), 11);
    else
        g.write(format("Power level = %g W.", settings.drive.watts), 11);
    g.gotoCell(0, 2);
    g.write(format("Load VSWR = %g:1", settings.vswr) +
                loadSeenText(design_.entries[0].value, settings, '\xEA'),
            11);
    g.gotoCell(0, 3);
    g.write(frequencyText(), 11);
    g.gotoCell(0, 4);
    g.write(format("Inductor Q=%g Cap. Q=%g Trans. Q=%g    ", settings.q[0], settings.q[1],
                   settings.q[2]),
            11);
    g.gotoCell(0, 5);
    std::string sel;
    if (selection.parameter == -1)
        sel = "Maximum survey";
    else if (selection.parameter == -2)
        sel = "Frequency response only";
    else if (selection.branch <= 0)
        sel = "All branches, whole network";
    else if (selection.parameter == 0)
        sel = format("Branch %d%c", selection.branch, selection.dual);
    else
        sel = format("Branch %d%c, %s", selection.branch, selection.dual,
                     kParameterNames[selection.parameter]);
    g.write(sel, 10);
    if (report_) {
        g.gotoCell(36, 5);
        g.write(report_->destination() == ui::ReportChannel::kFile ? "(to file)" : "(to printer)",
                12);
    }
    // The schematic listing beside the panel.
    schematic::Renderer r;
    r.textView = {&g.screen, 0, kPanelWidth + 1};
    r.toolkit = &tk_;
    // The column beside the panel is 25 cells wide: the design's name after
    // the reference frequency would run off the screen (the title holds it).
    r.config.nameOnClosingLine = false;
    r.draw(design_, schematic::SinkKind::TextScreen, 0, 0);
    g.changed();
}

void PowerScreen::reportLine(const std::string& text) {
    if (!report_) return;
    report_->report(text);
    report_->newline();
}

void PowerScreen::checkEntryCount() {
    const int n = entryCount(design_.entries);
    if (entryCount_ != 0 && n != entryCount_) {
        selection = PowerSelection{};
        survey_.clear();
        points_.clear();
        validBranches_.clear();
        analysed_ = false;
        tk_.notice(format("%s Cleared, %s", "Selection", "Use: Maximum survey"));
    }
    entryCount_ = n;
}

int PowerScreen::run() {
    begin();
    draw();
    for (;;) {
        const int item = tk_.select(0, 0, 0, false, 0, kPowerMenu);
        if (item == 140) {
            tk_.showHelp("POW_MNU.HLW");
            continue;
        }
        if (item == kEscape || item == 130) continue;
        if (!command(item)) break;
    }
    if (report_) {
        report_->end();
        report_.reset();
    }
    return 0;
}

bool PowerScreen::command(int item) {
    checkEntryCount();
    switch (item) {
    case kPowAnalyse:
        // The results stay on the screen under the menu.
        analyse();
        return true;
    case kPowCompleteNet:
        selection = PowerSelection{};
        break;
    case kPowSingleBranch:
        pickBranch();
        break;
    case kPowSingleParameter:
        pickParameter();
        break;
    case kPowResponseOnly:
        selection.parameter = -2;
        break;
    case kPowSurvey:
        selection.parameter = -1;
        break;
    case kPowFrequency:
        askFrequency();
        break;
    case kPowQ:
        askQ();
        break;
    case kPowLevel:
        askLevel();
        break;
    case kPowVswr:
        askVswr();
        break;
    case kPowPlot:
        if (!analysed_) {
            tk_.notice("Analyse first");
            break;
        }
        if (results_.pointCount() > 1 && openPlot)
            openPlot();
        else if (openListing)
            openListing();
        break;
    case kPowReview:
        if (!analysed_) {
            tk_.notice("Analyse first");
            break;
        }
        if (openListing) openListing();
        break;
    case kPowHardCopy:
        toggleHardCopy();
        break;
    case kPowEdit:
        if (edit) edit();
        checkEntryCount();
        break;
    case kPowExit:
        return false;
    case kPowTotal:
        total();
        return true;
    default:
        break;
    }
    draw();
    return true;
}

void PowerScreen::pickBranch() {
    if (validBranches_.empty()) {
        tk_.notice(format("(Shunt list clear) Analyse first - %s", "Use: Maximum survey"));
        return;
    }
    std::string list = "Valid branches: ";
    for (int b : validBranches_) list += std::to_string(b) + " ";
    for (;;) {
        tk_.setPrompt(1, list.substr(0, 59), 11);
        tk_.setPrompt(2, "What shunt branch number ? ");
        tk_.defaultAnswer.clear();
        tk_.inputBox();
        if (tk_.textResult.find_first_not_of(' ') == std::string::npos) return;
        const int b = static_cast<int>(tk_.numberResult);
        if (std::find(validBranches_.begin(), validBranches_.end(), b) != validBranches_.end() &&
            b == tk_.numberResult) {
            selection.branch = b;
            selection.dual = ' ';
            if (selection.parameter < 0) selection.parameter = 0;
            return;
        }
        tk_.beep();
    }
}

void PowerScreen::pickParameter() {
    if (selection.branch <= 0) {
        tk_.notice(format("Specify a single branch first - %s", "Use: sing Br"));
        return;
    }
    // A dual branch: which half.
    bool dual = false;
    for (const PowerPoint& p : points_)
        for (const BranchLevels& b : p.branches)
            if (b.branch == selection.branch && b.dual != ' ') dual = true;
    if (dual) {
        tk_.setPrompt(1,
                      format("Branch %d is a dual shunt branch, Pick A or B ? ", selection.branch));
        const char c = tk_.keyBox("AB");
        selection.dual = (c == 'B' || c == 'b') ? 'b' : 'a';
    }
    ui::GenWin& g = tk_.genWin();
    g.gotoCell(0, kResultsRow);
    g.write("> Single parameter select <", 14);
    const int k = tk_.select(0, 0, 0, false, 0,
                             "&A=Forward Loss,&B=Forward Volts,-,-,&C=Forward Current,-,&D=Shunt "
                             "Loss,-,&E-Shunt Current,&F=Shunt Volts");
    static const int kMap[] = {0, 1, 2, 0, 0, 3, 0, 4, 0, 5, 6};
    if (k >= 1 && k <= 10 && kMap[k] != 0) selection.parameter = kMap[k];
}

void PowerScreen::askFrequency() {
    const UnitBlock& u = design_.notation.frequency;
    for (;;) {
        tk_.setPrompt(1, format("Analyse From, to, +-step (%s) ? ", u.name.c_str()), 11);
        tk_.defaultAnswer.clear();
        tk_.inputBox();
        std::vector<double> v(4, 0.0);
        const int n = ui::parseNumberList(tk_.textResult, v);
        if (n <= 0) return;
        PowerSettings s = settings;
        if (n == 1) {
            if (v[1] > 0.0) s.start = v[1];
            s.stop = 0.0;
            s.step = 0.0;
        } else {
            if (!(v[1] > 0.0) || !(v[2] > v[1])) {
                tk_.notice("Bad frequency range!");
                continue;
            }
            s.start = v[1];
            s.stop = v[2];
            if (n == 2) {
                // As many points as the plot is wide, within the sweep's limit.
                const int w = plotWidth ? plotWidth() : 225;
                s.step = -std::clamp(w, 2, kMaxPowerPoints);
            } else {
                s.step = v[3];
                if (v[3] <= 0.0) s.step = v[3] <= -2.0 ? std::floor(v[3]) : -2.0;
            }
        }
        const int points = PowerAnalysis::pointCount(s);
        if (points > kMaxPowerPoints) {
            tk_.notice(format("Too many points (%d Max)", kMaxPowerPoints));
            continue;
        }
        if (s.stop > 20.0 * s.start) {
            // A wide range may be spaced logarithmically.
            tk_.setPrompt(1, "Sweep spacing:", 11);
            tk_.setPrompt(2, "(L)-Linear only (A)-Automatic log");
            const char c = tk_.keyBox("LA");
            s.logarithmic = c == 'A' || c == 'a';
        } else {
            s.logarithmic = false;
        }
        settings = s;
        return;
    }
}

void PowerScreen::askQ() {
    // The three-Q prompt works on the design's values; the screen keeps its
    // own and gives the design its values back.
    const std::array<double, 3> saved{design_.analysis[3], design_.analysis[4],
                                      design_.analysis[5]};
    for (int i = 0; i < 3; ++i) design_.analysis[3 + i] = settings.q[i];
    promptAllQ(design_, tk_);
    for (int i = 0; i < 3; ++i) {
        settings.q[i] = normalisedQ(design_.analysis[3 + i]);
        design_.analysis[3 + i] = saved[i];
    }
}

void PowerScreen::askLevel() {
    tk_.setPrompt(1, "    Input constant:", 11);
    tk_.setPrompt(2, "(V)-Voltage (W)-Watts");
    const char c = tk_.keyBox("VW");
    const bool volts = c == 'V' || c == 'v';
    if (!volts && c != 'W' && c != 'w') return;
    double& value = volts ? settings.drive.volts : settings.drive.watts;
    const double old =
        volts ? settings.drive.volts : (settings.drive.watts == 0.0 ? 10.0 : settings.drive.watts);
    tk_.setPrompt(1, volts ? "Input RMS voltage V. ?" : "Input power level W. ?", 11);
    tk_.defaultAnswer = format("%g", old);
    tk_.inputBox();
    const double x = tk_.numberResult;
    if (!(x > 0.0) || !std::isfinite(x)) {
        tk_.notice(volts ? "The voltage must be above zero!" : "The power must be above zero!");
        return;
    }
    value = x;
    if (volts) settings.drive.watts = 0.0;
    survey_.clear();
}

void PowerScreen::askVswr() {
    tk_.setPrompt(1, "  What VSWR level (N:1) ? ", 11);
    tk_.defaultAnswer = format("%g", settings.vswr);
    tk_.inputBox();
    const double x = tk_.numberResult;
    if (!(x >= 1.0) || !std::isfinite(x)) {
        if (!tk_.textResult.empty()) tk_.notice("The VSWR must be 1 or more!");
        return;
    }
    settings.setVswr(x);
    if (!settings.mismatch()) settings.theta = 0.0;
    survey_.clear();
}

void PowerScreen::toggleHardCopy() {
    if (report_) {
        report_->end();
        report_.reset();
        return;
    }
    tk_.setPrompt(1, "    Send data to:", 11);
    tk_.setPrompt(2, "(P)-Printer (F)-File");
    const char c = tk_.keyBox("PF");
    auto rep = std::make_unique<ui::ReportChannel>(tk_.genWin(), printer);
    if (c == 'F' || c == 'f') {
        std::string name = format("%s.%cHC", designName(design_).c_str(), nextFileLetter_);
        if (!directory.empty()) name = directory + "/" + name;
        if (rep->start(name, ui::ReportChannel::kFile) != ui::ReportChannel::kFile) {
            tk_.notice("Cannot write " + name);
            return;
        }
        if (nextFileLetter_ < 'Z') ++nextFileLetter_;
    } else if (c == 'P' || c == 'p') {
        if (!printer || rep->start(designName(design_), ui::ReportChannel::kPrinter) !=
                            ui::ReportChannel::kPrinter)
            return;
    } else {
        return;
    }
    report_ = std::move(rep);
}

void PowerScreen::fillTable() {
    const ResultsTable& t = power_->table();
    results_.records = t.records;
    results_.flags.fill(0);
    if (selection.parameter > 0 && selection.branch > 0) {
        const auto p = static_cast<SingleParameter>(selection.parameter);
        for (std::size_t k = 0; k < points_.size() && k + 1 < results_.records.size(); ++k) {
            double v = 0.0;
            for (const BranchLevels& b : points_[k].branches)
                if (b.branch == selection.branch && (b.dual == ' ' || b.dual == selection.dual))
                    v = levelOf(b, p);
            results_.records[k + 1][kFieldR] = static_cast<float>(v);
        }
        results_.flags[0] = unitLetter(p);
        results_.flags[1] = selection.branch;
        results_.flags[2] = selection.parameter;
        results_.flags[3] = selection.dual;
    }
}

void PowerScreen::analyse() {
    if (closeViews) closeViews();
    if (selection.parameter == -1) {
        if (settings.mismatch() && selection.branch > 0) {
            tk_.notice(format("%s first", "Use: Maximum survey"));
            selection = PowerSelection{0, ' ', -1};
            return;
        }
        const int r = power_->survey(settings, survey_, [this] {
            const int key = tk_.keyPoll();
            return key == kEscape || key == '`';
        });
        if (r != 0) return;
        draw();
        drawSurvey(kResultsRow);
        tk_.continueBox(1);
        return;
    }
    points_.clear();
    if (power_->run(settings, [this](const PowerPoint& p) { points_.push_back(p); }) != 0) return;
    analysed_ = true;
    validBranches_.clear();
    if (!points_.empty())
        for (const BranchLevels& b : points_.front().branches)
            if (b.shunt && (validBranches_.empty() || validBranches_.back() != b.branch))
                validBranches_.push_back(b.branch);
    fillTable();
    draw();
    ui::GenWin& g = tk_.genWin();
    if (selection.parameter == -2 || (selection.parameter > 0 && selection.branch > 0)) {
        // The response (and the chosen level) point by point.
        const char unit = selection.parameter > 0
                              ? unitLetter(static_cast<SingleParameter>(selection.parameter))
                              : ' ';
        int row = kResultsRow;
        for (std::size_t k = 0; k < points_.size(); ++k) {
            const PowerPoint& p = points_[k];
            std::string line =
                format("%11.3f %11.3f %11.3f ", p.frequency * design_.notation.frequency.multiplier,
                       p.returnLoss, p.attenuation);
            if (unit != ' ') line += format("%11.3f %c.", results_.records[k + 1][kFieldR], unit);
            reportLine(line);
            if (row > kLastRow) {
                if (tk_.continueBox(1) == kEscape) break;
                draw();
                row = kResultsRow;
            }
            g.gotoCell(0, row++);
            g.write(line);
        }
        g.changed();
        tk_.continueBox(1);
        return;
    }
    stepThrough();
}

void PowerScreen::showPoint(int k, int firstBranch) {
    draw();
    ui::GenWin& g = tk_.genWin();
    const PowerPoint& p = points_[k];
    const Notation& n = design_.notation;
    int row = kResultsRow;
    auto line = [&](const std::string& text, int attr) {
        if (row <= kLastRow) {
            g.gotoCell(0, row++);
            g.write(text.substr(0, kPanelWidth), attr);
        }
        reportLine(text);
    };
    // The response in the report as the analysis listing writes it; on the
    // screen in two short lines beside the schematic.
    const std::string seen = loadSeenText(design_.entries[0].value, settings, '\xEA');
    reportLine(
        format("   Frequency   Rtn. loss    Atten.       Delay       Phase    %s", seen.c_str()));
    reportLine(format("    (%s)       (dB)       (dB)         (%s)      (Deg.)",
                      n.frequency.name.c_str(), n.time.name.c_str()));
    reportLine(format("%11.3f %11.3f %11.3f %11.3f %11.3f ", p.frequency * n.frequency.multiplier,
                      p.returnLoss, p.attenuation, p.delay * n.time.multiplier, p.phase));
    auto screenLine = [&](const std::string& text, int attr) {
        g.gotoCell(0, row++);
        g.write(text.substr(0, kPanelWidth), attr);
    };
    screenLine(format("Freq. %.6g %s  Rtn. loss %.3f dB  Atten. %.3f dB",
                      p.frequency * n.frequency.multiplier, n.frequency.name.c_str(), p.returnLoss,
                      p.attenuation),
               15);
    screenLine(format("Delay %.3f %s  Phase %.3f Deg.", p.delay * n.time.multiplier,
                      n.time.name.c_str(), p.phase),
               15);
    line(format("Input %15.4f W.  Loss %8.4f W.", p.available, p.loss), 14);
    line(format("Reflected %8.4f W.   Load %8.4f W.", p.reflected, p.load), 14);
    line(format(" Br. %7s %7s %7s  %7s %7s %7s", "Fwd A.", "Fwd V.", "Fwd W.", "Sh. V.", "Sh. A.",
                "Sh. W."),
         11);
    for (std::size_t i = firstBranch; i < p.branches.size(); ++i) {
        const BranchLevels& b = p.branches[i];
        line(format("%3d%c %7.3f %7.2f %7.3f  %7.2f %7.3f %7.3f", b.branch, b.dual,
                    b.forwardCurrent, b.forwardVolts, b.forwardLoss,
                    b.source ? p.inputVolts : b.junctionVolts, b.shuntCurrent, b.shuntLoss),
             b.source ? 10 : 7);
    }
    line(format("Termination %7.3f V.", p.loadVolts), 14);
    g.changed();
}

void PowerScreen::stepThrough() {
    if (points_.empty()) return;
    int k = 0;
    int first = 0;
    const int branches = static_cast<int>(points_[0].branches.size());
    for (;;) {
        showPoint(k, first);
        if (points_.size() == 1 && branches <= kLastRow - kResultsRow - 7) {
            tk_.continueBox(1);
            return;
        }
        tk_.setPrompt(1, "Numeric keypad: ", 11);
        tk_.setPrompt(2, "Network: 8-up 2-down * 7-home * 1-end ");
        tk_.setPrompt(3, "Freq: <4- +6> ");
        tk_.setPrompt(4, "<Esc>-exit  - or -  <X> for menu");
        const char c = tk_.keyBox("X786124");
        switch (c) {
        case '7':
            first = 0;
            break;
        case '8':
            first = std::max(first - 1, 0);
            break;
        case '2':
            first = std::min(first + 1, std::max(branches - 1, 0));
            break;
        case '1':
            first = std::max(branches - 1, 0);
            break;
        case '6':
            if (k + 1 < static_cast<int>(points_.size()))
                ++k;
            else
                tk_.beep();
            break;
        case '4':
            if (k > 0)
                --k;
            else
                tk_.beep();
            break;
        default:
            return;
        }
    }
}

void PowerScreen::drawSurvey(int firstRow) {
    ui::GenWin& g = tk_.genWin();
    static const char* const kNames[] = {"Fwd volts",   "Fwd current",   "Fwd loss",
                                         "Shunt volts", "Shunt current", "Shunt loss"};
    static const char kUnits[] = {'V', 'A', 'W', 'V', 'A', 'W'};
    g.gotoCell(0, firstRow);
    g.write("Maximum levels over the range:", 14);
    const double m = design_.notation.frequency.multiplier;
    for (int i = 0; i < kOverallMaxCount; ++i) {
        const OverallMaximum& o = survey_.overall[i];
        g.gotoCell(0, firstRow + 1 + i);
        g.write(format("%-13s %9.3f %c. %9.3f %s Br %d%c %5.1f Deg.", kNames[i], o.value, kUnits[i],
                       o.frequency * m, design_.notation.frequency.name.c_str(), o.branch, o.dual,
                       o.theta * 57.29578));
    }
    g.gotoCell(0, firstRow + 8);
    g.write("Use: Total for the table of branches", 10);
    g.changed();
}

void PowerScreen::writeTotal(int firstRow, int top) {
    ui::GenWin& g = tk_.genWin();
    int row = firstRow;
    g.gotoCell(0, row++);
    g.write("Branch        Shunt                Forward <", 11);
    const int rows = static_cast<int>(survey_.branches.size());
    for (int i = top; i < rows && row <= kLastRow - 2; ++i) {
        g.gotoCell(0, row++);
        g.write(format("%3d%c", survey_.branches[i].branch, survey_.branches[i].dual));
        const BranchMaximum& b = survey_.branches[i];
        std::string text = format(" %7.2f A. %7.2f V.  %7.2f A.", b.shuntCurrent, b.junctionVolts,
                                  b.forwardCurrent);
        text += b.forwardVolts != 0.0 ? format(" %7.2f V.", b.forwardVolts) : "           ";
        if (b.starred) text += " *";
        g.write(text, b.starred ? 12 : 7);
    }
    g.gotoCell(0, row++);
    g.write("(All levels are RMS)", 10);
    g.gotoCell(0, row);
    const double m = design_.notation.frequency.multiplier;
    g.write(format("( %.3f to %.3f %s)", survey_.from * m, survey_.to * m,
                   design_.notation.frequency.name.c_str()),
            10);
    g.changed();
}

void PowerScreen::total() {
    if (!survey_.done) {
        tk_.notice("Analyse first");
        return;
    }
    if (report_) {
        const double m = design_.notation.frequency.multiplier;
        reportLine("> Power Distribution Analysis <");
        reportLine(format("User = %s", user.c_str()));
        if (settings.drive.voltage())
            reportLine(format("Input level = %g V.  Load VSWR = %g:1", settings.drive.volts,
                              settings.vswr));
        else
            reportLine(format("Power level = %g W.  Load VSWR = %g:1", settings.drive.watts,
                              settings.vswr));
        reportLine("Maximum levels over ");
        reportLine(format("( %.3f to %.3f %s)", survey_.from * m, survey_.to * m,
                          design_.notation.frequency.name.c_str()));
        reportLine("Branch        Shunt                Forward <");
        for (const BranchMaximum& b : survey_.branches) {
            std::string text = format("%3d%c %7.2f A. %7.2f V.  %7.2f A.", b.branch, b.dual,
                                      b.shuntCurrent, b.junctionVolts, b.forwardCurrent);
            text += b.forwardVolts != 0.0 ? format(" %7.2f V.", b.forwardVolts) : "           ";
            if (b.starred) text += " *";
            reportLine(text);
        }
        reportLine("(All levels are RMS)");
    }
    int top = 0;
    const int rows = static_cast<int>(survey_.branches.size());
    for (;;) {
        draw();
        writeTotal(kResultsRow, top);
        const int k = tk_.select(0, 0, 0, false, 0, "&7 Home,&8 Up,&1 End,&2 Down");
        if (k == 1)
            top = 0;
        else if (k == 2)
            top = std::max(top - 1, 0);
        else if (k == 3)
            top = std::max(rows - 10, 0);
        else if (k == 4)
            top = std::min(top + 1, std::max(rows - 1, 0));
        else
            break;
    }
    // The table stays on the screen until the next command.
}

} // namespace tanvex::analysis
