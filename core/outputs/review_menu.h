// Data review and hard copy (command 150): the text-window menu that sends an
// item (analysis data, design parameters, schematic drawing, the design's own
// table, mechanical dimensions) to a report file "NAME.1HC".."NAME.5HC", to
// the screen or to the printer, with a date, user and design header. Items
// sent to the printer collect in one job that prints on Form feed or eXit.
//
//   outputs::ReviewContext ctx{design, toolkit, shell.results};
//   ctx.prototype = &synthesisCommands.prototype();
//   ctx.printer = &printerSink;
//   ctx.showAnalysisData = [&] { openAnalysisDataWindow(); };
//   outputs::ReviewMenu menu(ctx);
//   int r = menu.run();      // non-zero: run the TEM hard-copy sequence
//
// The item texts alone (without menu or channel) come from itemLines(); the
// console's `tanvex report` writes them through writeReportFile().
#pragma once

#include "analysis/sweep.h"
#include "design/design_record.h"
#include "outputs/analysis_table.h"
#include "synthesis/prototype.h"
#include "ui/report.h"
#include "ui/toolkit.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tanvex::outputs {

enum ReviewItem {
    kItemAnalysis = 0,
    kItemParameters = 1,
    kItemSchematic = 2,
    kItemDesignTable = 3,
    kItemDimensions = 4,
};

enum ReviewDestination { kToFile = 1, kToScreen = 2, kToPrinter = 3 };

// ---- Coupling coefficients ---------------------------------------------------

struct CouplingRow {
    double g = 0.0;
    double k = 0.0; // 0: not printed
    double kbw = 0.0;
};

struct CouplingTable {
    std::vector<CouplingRow> rows; // i = 0 .. N+1
    bool exists = false;           // an inner coupling was computed
};

// From prototype values g0..gN+1 and the bandwidth in display units: the
// external Q g(i)g(i+1) at both ends (Kbw = BW / K), and between plain
// all-pole neighbours K = 1 / sqrt(g(i)g(i+1)) (Kbw = BW K).
CouplingTable couplingCoefficients(const synthesis::LowpassPrototype& proto, int n,
                                   double bandwidth);

// ---- The design-specific table -------------------------------------------------

struct DesignTableKind {
    char letter = ' ';
    std::string title;  // "Coupling coefficients", ...; empty when none
    std::string option; // "&Coup. Ks", ...; "-" when none
};
DesignTableKind designTableKind(int designType, bool couplingsExist);

// ---- Context and items ------------------------------------------------------------

struct ReviewContext {
    ReviewContext(Design& d, ui::Toolkit& tk, const analysis::ResultsTable& r)
        : design(d), toolkit(tk), results(r) {}
    Design& design;
    ui::Toolkit& toolkit;
    const analysis::ResultsTable& results;
    // The analysis table when the caller has it in full precision (the
    // console); otherwise it is made from the results table.
    std::optional<AnalysisTable> table;
    bool fastDelay = false;
    // The reference lowpass prototype (null: no coupling table, and the
    // parameter report has no prototype listing).
    synthesis::LowpassPrototype* prototype = nullptr;
    std::string homeDirectory; // for the prototype listing's library
    std::string directory;     // where report files are written
    std::string user = "?";
    ui::PrinterSink* printer = nullptr;
    // "Date / time" text (24 characters of the C library's time format);
    // unset: the local time now.
    std::function<std::string()> timeText;
    // Review of the analysis data opens the "Analysis data" window.
    std::function<void()> showAnalysisData;
    // The mechanical dimensions report of the design types other than 16
    // (unset: the item is not offered).
    std::function<void(ui::ReportChannel&)> mechanicalDimensions;
    // Printer settings changed (the hard-copy font or graphics mode).
    std::function<void()> printerSettingsChanged;
};

// The lines an item writes after the header (title line first), in code
// page 437. Empty when the item has nothing to show (a notice says why).
std::vector<std::string> itemLines(ReviewContext& ctx, int item);
// "Date / time = ...", "user = ...", "Design file: NAME ...".
std::vector<std::string> reportHeader(const ReviewContext& ctx);
// "NAME.1HC" .. "NAME.5HC" for items 0..4.
std::string reportFileName(const Design& design, int item);
// Writes header and item to path through a report channel (to a temporary
// name, renamed when complete). False, with a notice, when the file could
// not be written completely or the item has nothing to show.
bool writeReportFile(ReviewContext& ctx, int item, const std::string& path, bool ascii);

class ReviewMenu {
public:
    explicit ReviewMenu(ReviewContext& ctx);
    ~ReviewMenu();

    // Runs the menu until eXit or Esc. Returns 1 when the TEM hard-copy
    // sequence is to run (item 4 of design type 16), else 0.
    int run();

    int destination = kToScreen;
    int lastOption = 5; // preselected next time (5 = analysis data)
    bool ascii = false;
    bool jobOpen() const { return jobOpen_; }

    // Pieces of run(), for tests and the window front end.
    void draw();
    std::string options() const;
    // Produces one item to the current destination; false when it failed.
    bool produce(int item);
    void formFeed();
    void toggleBoxCharacters();
    void configurePrinter();
    void leave();
    bool dimensionsOffered() const;

private:
    void writeItem(ui::ReportChannel& ch, int item, const std::vector<std::string>& lines);

    ReviewContext& ctx_;
    std::unique_ptr<ui::ReportChannel> printerChannel_;
    bool jobOpen_ = false;
    DesignTableKind kind_;
    CouplingTable couplings_;
};

} // namespace tanvex::outputs
