#include "outputs/review_menu.h"

#include "design/paths.h"
#include "design/text_io.h"
#include "schematic/renderer.h"
#include "synthesis/parameters.h"
#include "ui/gen_win.h"
#include "ui/selection.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace tanvex::outputs {

namespace {

constexpr int kSettingFont = 10;
constexpr int kSettingGraphics = 11;
constexpr int kSettingBoxCharacters = 13;
constexpr int kMenuFirstRow = 4;
constexpr int kMenuLastRow = 17;
constexpr int kMarkerColumn = 18;

// Menu options (1-based, in selection order).
constexpr int kOptDisk = 1;
constexpr int kOptHardCopy = 3;
constexpr int kOptFirstItem = 5;
constexpr int kOptLastItem = 9;
constexpr int kOptExit = 11;
constexpr int kOptFormFeed = 12;
constexpr int kOptBoxChar = 13;
constexpr int kOptConfigure = 14;

std::string rightTrimmed(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

char& setting(Design& d, int position) {
    completeSettingsString(d.record);
    return d.record[kSlotSettings].text[position];
}

int designType(const Design& d) {
    return static_cast<int>(std::lround(d.record[kSlotDesignType].value));
}

CouplingTable couplingsOf(const ReviewContext& ctx) {
    if (!ctx.prototype || ctx.prototype->n <= 0 || designType(ctx.design) == 24) return {};
    const int n = static_cast<int>(std::lround(ctx.design.record[1].value));
    if (n < 1 || n > ctx.prototype->n) return {};
    const double bw = ctx.design.record[6].value * ctx.design.notation.frequency.multiplier;
    return couplingCoefficients(*ctx.prototype, n, bw);
}

} // namespace

CouplingTable couplingCoefficients(const synthesis::LowpassPrototype& proto, int n,
                                   double bandwidth) {
    CouplingTable t;
    t.rows.resize(static_cast<std::size_t>(n + 2));
    auto g = [&](int i) { return proto.element[static_cast<std::size_t>(i)].value; };
    auto code = [&](int i) { return proto.element[static_cast<std::size_t>(i)].code; };
    for (int i = 0; i <= n + 1; ++i) {
        CouplingRow& r = t.rows[static_cast<std::size_t>(i)];
        r.g = g(i);
        if (i == 0 || i == n) {
            r.k = g(i) * g(i + 1);
            if (i == n && r.k > 1e6) r.k = 0.0; // an infinite source has no external Q
            r.kbw = r.k > 0.0 ? bandwidth / r.k : 0.0;
        } else if (i < n && code(i) <= 3 && code(i + 1) <= 3 && g(i) * g(i + 1) > 0.0) {
            r.k = 1.0 / std::sqrt(g(i) * g(i + 1));
            r.kbw = bandwidth * r.k;
            t.exists = true;
        }
    }
    return t;
}

DesignTableKind designTableKind(int type, bool couplingsExist) {
    switch (type) {
    case 12:
    case 13:
        return {'I', "Individual section parameters", "&Sec. parameters"};
    case 16:
    case 18:
    case 20:
        return {'T', "TEM design data (Zo and Norm. caps.)", "&TEM data"};
    case 21:
        return {'3', "3 dB Loading bandwidth", "&3 dB"};
    case 22:
        return {'3', "Impedances and 3 dB Loading Bw.", "&3 dB"};
    default:
        if (couplingsExist && type != 24) return {'C', "Coupling coefficients", "&Coup. Ks"};
        return {' ', "", "-"};
    }
}

std::vector<std::string> itemLines(ReviewContext& ctx, int item) {
    std::vector<std::string> out;
    Design& d = ctx.design;
    switch (item) {
    case kItemAnalysis: {
        const AnalysisTable t = ctx.table ? *ctx.table : tableOf(d, ctx.results, ctx.fastDelay);
        if (t.count() == 0) {
            ctx.toolkit.notice("No analysis data: analyse the design first.");
            return {};
        }
        out.push_back(" Analysis data");
        for (std::string& l : t.lines()) out.push_back(std::move(l));
        break;
    }
    case kItemParameters: {
        out.push_back(" Design parameters");
        for (std::string& l : synthesis::parameterReport(d)) out.push_back(std::move(l));
        if (ctx.prototype) {
            synthesis::PrototypeContext pc{d, *ctx.prototype, ctx.toolkit, ctx.homeDirectory, true,
                                           {}};
            for (std::string& l : synthesis::referenceListing(pc)) out.push_back(std::move(l));
        }
        break;
    }
    case kItemSchematic: {
        out.push_back(" Schematic diagram");
        schematic::Renderer renderer;
        renderer.draw(d, schematic::SinkKind::Document, 0, 0);
        for (const std::string& l : renderer.document()) out.push_back(rightTrimmed(l));
        break;
    }
    case kItemDesignTable: {
        const CouplingTable c = couplingsOf(ctx);
        const DesignTableKind kind = designTableKind(designType(d), c.exists);
        if (kind.letter != 'C') {
            ctx.toolkit.notice(kind.title.empty()
                                   ? std::string("This design has no table of its own.")
                                   : kind.title + ": the values of this table are not available.");
            return {};
        }
        out.push_back(" " + kind.title);
        out.push_back(
            formatText("  i     Gi     Ki,i+1   Kbw (%s)", d.notation.frequency.name.c_str()));
        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            const CouplingRow& r = c.rows[i];
            std::string l = formatText(" %2d %8.4f ", static_cast<int>(i), r.g);
            if (r.k > 0.0) l += formatText("%8.4f  %9.4f", r.k, r.kbw);
            out.push_back(l);
        }
        break;
    }
    default:
        break;
    }
    return out;
}

std::vector<std::string> reportHeader(const ReviewContext& ctx) {
    std::string when;
    if (ctx.timeText) {
        when = ctx.timeText();
    } else {
        const std::time_t now = std::time(nullptr);
        char buf[64];
        std::strftime(buf, sizeof buf, "%a %b %e %H:%M:%S %Y", std::localtime(&now));
        when = buf;
    }
    return {formatText("Date / time = %.24s", when.c_str()), "user = " + ctx.user,
            "Design file: " + designName(ctx.design) + " ..."};
}

std::string reportFileName(const Design& design, int item) {
    return formatText("%s.%dHC", designName(design).c_str(), item + 1);
}

namespace {

void writeLines(ui::ReportChannel& ch, const std::vector<std::string>& lines) {
    for (const std::string& l : lines) {
        ch.report(l);
        ch.newline();
    }
}

} // namespace

bool writeReportFile(ReviewContext& ctx, int item, const std::string& path, bool ascii) {
    const std::vector<std::string> lines = itemLines(ctx, item);
    if (lines.empty()) return false;
    const std::string tmp = path + ".tmp~";
    ui::ReportChannel ch(ctx.toolkit.genWin());
    ch.ascii = ascii;
    if (ch.start(tmp, ui::ReportChannel::kFile) != ui::ReportChannel::kFile) {
        ctx.toolkit.beep();
        ctx.toolkit.notice(formatText("Can't open: %s", path.c_str()));
        return false;
    }
    writeLines(ch, reportHeader(ctx));
    writeLines(ch, lines);
    if (!ch.end() || std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        ctx.toolkit.beep();
        ctx.toolkit.notice(formatText("The report %s could not be written completely.",
                                      nameComponent(path).c_str()));
        return false;
    }
    return true;
}

ReviewMenu::ReviewMenu(ReviewContext& ctx) : ctx_(ctx) {
    couplings_ = couplingsOf(ctx);
    kind_ = designTableKind(designType(ctx.design), couplings_.exists);
}

ReviewMenu::~ReviewMenu() = default;

bool ReviewMenu::dimensionsOffered() const {
    const int type = designType(ctx_.design);
    // Design type 16 hands over to the hard-copy sequence, which calculates
    // the design again: offered only while the network is the calculated
    // one (saved and not edited since).
    if (type == 16) return isSaved(ctx_.design.record);
    if (kind_.letter == 'T') return false;
    return ctx_.design.record[kSlotStubGen].text[0] == '1' && ctx_.mechanicalDimensions;
}

std::string ReviewMenu::options() const {
    std::string s = "&Disk,&Review,&Hard copy,-,&Analysis,&Parameters,&Schematic,";
    s += kind_.option + ",";
    s += dimensionsOffered() ? "&N-dimension," : "-,";
    s += "-,e&Xit,&Form feed,&Box char,&Configure";
    return s;
}

void ReviewMenu::draw() {
    ui::GenWin& g = ctx_.toolkit.genWin();
    g.clear();
    g.box(14, 2, 60, 18);
    g.gotoCell(23, 2);
    g.write("> Data review or hard copy <", 22);
    const std::string specific = kind_.title.empty()
                                     ? "( )  -----"
                                     : formatText("(%c)  %s", kind_.letter, kind_.title.c_str());
    // One row per selection option (rows 4..17), so every option lands on
    // its own line.
    const std::vector<std::pair<std::string, int>> rows = {
        {"    send item to:", 7},
        {"( )   Disk file", 7},
        {"( )   Review to screen", 7},
        {"( )   Hard copy to printer", 7},
        {"    item:", 2},
        {"( )  Analysis data", 7},
        {"( )  design Parameters", 7},
        {"( )  design Schematic drawing", 7},
        {specific, 7},
        {dimensionsOffered() ? "(N)  mechaNical dimensions" : "( )  -----", 7},
        {"    miscellaneous:", 2},
        {"( )  eXit to main menu", 7},
        {"( )  Form feed printer", 7},
        {"( )  Box characters = ", 7},
        {"( )  Configure printer", 7},
    };
    int r = 3;
    for (const auto& [text, attr] : rows) {
        g.gotoCell(17, r++);
        g.write(text, attr);
    }
    g.gotoCell(39, 16);
    g.write(ascii ? "Generic " : "Extended", ascii ? 7 : 4);
    g.gotoCell(21, 3 + destination);
    g.write("*", 6);
    g.changed();
}

void ReviewMenu::writeItem(ui::ReportChannel& ch, int item, const std::vector<std::string>& lines) {
    (void)item;
    writeLines(ch, lines);
}

bool ReviewMenu::produce(int item) {
    ui::GenWin& g = ctx_.toolkit.genWin();
    if (item == kItemDimensions) {
        if (!ctx_.mechanicalDimensions) return false;
    }
    if (destination == kToScreen && item == kItemAnalysis) {
        if (itemLines(ctx_, item).empty()) return false;
        if (ctx_.showAnalysisData) ctx_.showAnalysisData();
        return true;
    }
    std::vector<std::string> lines;
    if (item != kItemDimensions) {
        lines = itemLines(ctx_, item);
        if (lines.empty()) return false;
    }
    switch (destination) {
    case kToFile: {
        const std::string name = reportFileName(ctx_.design, item);
        g.gotoCell(17, 19);
        g.write(formatText("Writing: %s", name.c_str()), 6);
        g.changed();
        if (item == kItemDimensions) {
            const std::string path = joinPath(ctx_.directory, name);
            ui::ReportChannel ch(g);
            ch.ascii = ascii;
            if (ch.start(path, ui::ReportChannel::kFile) != ui::ReportChannel::kFile) {
                ctx_.toolkit.beep();
                return false;
            }
            writeLines(ch, reportHeader(ctx_));
            ctx_.mechanicalDimensions(ch);
            return ch.end();
        }
        return writeReportFile(ctx_, item, joinPath(ctx_.directory, name), ascii);
    }
    case kToScreen: {
        ui::ReportChannel ch(g);
        g.clear();
        if (item == kItemDimensions)
            ctx_.mechanicalDimensions(ch);
        else
            // The title line is for paper and files; the design's table
            // keeps it on screen too.
            writeLines(ch, item == kItemDesignTable
                               ? lines
                               : std::vector<std::string>(lines.begin() + 1, lines.end()));
        g.changed();
        ctx_.toolkit.continueBox(0);
        return true;
    }
    case kToPrinter: {
        if (!jobOpen_) {
            printerChannel_ = std::make_unique<ui::ReportChannel>(g, ctx_.printer);
            printerChannel_->ascii = ascii;
            const char font = setting(ctx_.design, kSettingFont);
            printerChannel_->fontSetting = font >= '1' && font <= '3' ? font : '1';
            if (printerChannel_->start("TANVEX: " + designName(ctx_.design),
                                       ui::ReportChannel::kPrinter) !=
                ui::ReportChannel::kPrinter) {
                printerChannel_.reset();
                return false;
            }
            jobOpen_ = true;
            g.gotoCell(17, 19);
            g.write("Data sent ..", 6);
            g.gotoCell(16, 20);
            g.write(" Printing begins with [Form feed] or [eXit] ", 22);
        } else {
            g.gotoCell(17, 19);
            g.write("More data sent ..", 6);
        }
        g.changed();
        ui::ReportChannel& ch = *printerChannel_;
        writeLines(ch, reportHeader(ctx_));
        if (item == kItemDimensions)
            ctx_.mechanicalDimensions(ch);
        else
            writeItem(ch, item, lines);
        ch.newline();
        return true;
    }
    default:
        return false;
    }
}

void ReviewMenu::formFeed() {
    if (!jobOpen_) {
        ui::ReportChannel ch(ctx_.toolkit.genWin(), ctx_.printer);
        ch.start("Form-Feed", ui::ReportChannel::kPrinterTest);
        ch.end();
    } else {
        printerChannel_->end();
        printerChannel_.reset();
        jobOpen_ = false;
    }
    destination = kToScreen;
}

void ReviewMenu::toggleBoxCharacters() {
    ascii = !ascii;
    setting(ctx_.design, kSettingBoxCharacters) = ascii ? '0' : '1';
}

void ReviewMenu::configurePrinter() {
    ui::Toolkit& tk = ctx_.toolkit;
    for (;;) {
        const char font = setting(ctx_.design, kSettingFont);
        const char mode = setting(ctx_.design, kSettingGraphics);
        auto mark = [](bool on) { return on ? '*' : ' '; };
        tk.setPrompt(0, " Printer configuration  (X) eXit", 4);
        tk.setPrompt(1, " Text font:    Graphics mode:", 1);
        tk.setPrompt(
            2, formatText(" (F) %cFixed    (A) %cAutomatic", mark(font == '1'), mark(mode == '1')));
        tk.setPrompt(
            3, formatText(" (D) %cDefault  (S) %cScanned", mark(font == '2'), mark(mode == '2')));
        tk.setPrompt(
            4, formatText(" (B) %cBox draw (M) %cbitMap", mark(font == '3'), mark(mode == '3')));
        const char k =
            static_cast<char>(std::toupper(static_cast<unsigned char>(tk.keyBox("FDBASMX"))));
        switch (k) {
        case 'F':
            setting(ctx_.design, kSettingFont) = '1';
            break;
        case 'D':
            setting(ctx_.design, kSettingFont) = '2';
            break;
        case 'B':
            setting(ctx_.design, kSettingFont) = '3';
            break;
        case 'A':
            setting(ctx_.design, kSettingGraphics) = '1';
            break;
        case 'S':
            setting(ctx_.design, kSettingGraphics) = '2';
            break;
        case 'M':
            setting(ctx_.design, kSettingGraphics) = '3';
            break;
        default:
            if (ctx_.printerSettingsChanged) ctx_.printerSettingsChanged();
            return;
        }
    }
}

void ReviewMenu::leave() {
    if (jobOpen_) {
        printerChannel_->end();
        printerChannel_.reset();
        jobOpen_ = false;
    }
    ascii = false;
    ctx_.toolkit.genWin().close();
}

int ReviewMenu::run() {
    for (;;) {
        draw();
        const int option = ctx_.toolkit.select(lastOption, kMarkerColumn, kMenuFirstRow, true,
                                               kMenuLastRow, options());
        if (option >= kOptDisk && option <= kOptHardCopy) {
            destination = option;
        } else if (option >= kOptFirstItem && option <= kOptLastItem) {
            lastOption = option;
            const int item = option - kOptFirstItem;
            if (item == kItemDimensions && designType(ctx_.design) == 16) {
                if (!dimensionsOffered()) continue;
                // The hard-copy sequence takes over and comes back here.
                leave();
                return 1;
            }
            produce(item);
        } else if (option == kOptExit || option == ui::kSelectEsc || option <= 0) {
            leave();
            return 0;
        } else if (option == kOptFormFeed) {
            formFeed();
        } else if (option == kOptBoxChar) {
            toggleBoxCharacters();
        } else if (option == kOptConfigure) {
            configurePrinter();
        } else if (option == ui::kSelectHelp) {
            ctx_.toolkit.showHelp("HC_MNU.HLW");
        }
    }
}

} // namespace tanvex::outputs
