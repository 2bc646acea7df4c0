// The schematic renderer: draws a network entry list as a vertical text-cell
// ladder (common rail on the left, signal rail on the right) from the
// termination at the top to the source at the bottom, with one value label
// per element to the right of the drawing.
//
// One renderer serves three sinks: the editor window (cells of a
// ui::TextScreen, with selection highlights, inverse video for negative
// values and a stop when the window is full), the document output (text
// lines for hard copy and review) and a text screen on which another display
// shows the drawing in a column beside its own. The layout program uses the
// same renderer with a different configuration (layoutConfig()).
//
//   schematic::Renderer r;
//   r.draw(design, schematic::SinkKind::Document, 0, 0);
//   for (auto& line : r.document()) puts(ui::cp437ToUtf8(line).c_str());
#pragma once

#include "design/design_record.h"
#include "ui/text_screen.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tanvex::ui {
class Toolkit;
}

namespace tanvex::schematic {

enum class SinkKind { Window, Document, TextScreen };

// Piece tags: a branch number (0 or more) for a piece of that branch's line.
constexpr int kTagNoBranch = -1;      // a line that belongs to no branch
constexpr int kTagLabel = -2;         // a value label
constexpr int kTagNegativeLabel = -3; // a value label of a negative value

// Text attributes (background * 16 + foreground) used by the window sink.
constexpr int kAttrNormal = 0x07;    // white on black
constexpr int kAttrHighlight = 0x04; // red on black
constexpr int kAttrInverse = 0x70;   // black on white: negative values

struct RendererConfig {
    // Units of labels and frequencies; the design's notation in force when unset.
    std::optional<Notation> units;
    // The closing "Fc =" line names the design (the layout program's does not).
    bool nameOnClosingLine = true;
    // Pair codes whose L-C pair shows its resonance as "Fx = ".
    std::vector<int> fxPairCodes{4, 5, 13, 51, 52};
    // A zero value of a letter without units reads "Q = Inf." whatever the
    // code (else instructions, codes 90 and above, get an empty label).
    bool qInfAnyCode = false;
    // Draw value labels (the insert selector's pictures have none).
    bool valueLabels = true;
    // Replace line-drawing characters by plain ASCII.
    bool plainCharacters = false;
    // When set, value labels are coloured by their entry through this
    // function instead of by the editor's selection (the layout program).
    std::function<int(int entry)> labelAttribute;
    // When set, may rewrite the label text of an entry before it is drawn.
    std::function<void(int entry, std::string& label)> labelDecorator;
};

// The layout program's configuration: fixed units, no name on the closing
// line, "Fx = " for pair codes 4, 5 and 13 only, "Q = Inf." for any code.
RendererConfig layoutConfig();

// Where the window sink draws: rows of a text screen below a top margin.
struct WindowView {
    ui::TextScreen* screen = nullptr;
    int topRow = 0;       // row of the first drawn line
    int leftColumn = 0;   // column where every line starts
    int visibleLines = 0; // lines that fit (used when the stop is armed)
    int firstSelected = -1;
    int secondSelected = -1;
};

// Where the text-screen sink draws: one row per line, from cursorRow down,
// the first 25 characters of each line at the given column.
struct TextScreenView {
    ui::TextScreen* screen = nullptr;
    int cursorRow = 0;
    int column = 45;
};

class Renderer {
public:
    explicit Renderer(RendererConfig cfg = {}) : config(std::move(cfg)) {}

    RendererConfig config;
    WindowView window;
    TextScreenView textView;
    // Beeps for an "[SWR]" line away from branch 1 go through this toolkit.
    ui::Toolkit* toolkit = nullptr;
    // Called for every document piece (append) and line end, as the document
    // output window receives them; document() keeps the lines as well.
    std::function<void(const std::string& piece, bool endOfLine)> documentOut;

    // Draws entries from firstBranch (0 draws the termination line; larger
    // values skip the groups that start below it). lastBranch < 0 stops the
    // window sink at the first line beyond its visible lines; 0 draws all;
    // > 0 stops after the first group that ends beyond it. Returns the last
    // entry of the group during which drawing stopped, else 0.
    int draw(const Design& design, SinkKind sink, int firstBranch, int lastBranch);

    // Lines of the last document drawing (code page 437 bytes).
    const std::vector<std::string>& document() const { return document_; }
    // Branch of every drawn line (index 0 = the first line; for the
    // text-screen sink, indexed by screen row); -1 for lines of no branch.
    const std::vector<int>& lineMap() const { return lineMap_; }
    int branchAtLine(int line) const;
    // Lines drawn by the last window drawing.
    int linesDrawn() const { return line_ - 1; }
    bool stopped() const { return stop_ == Stop::Stopped; }
    // Set once a code-99 entry was drawn; instructions then use their
    // second set of names for the rest of the run.
    bool instructionNames() const { return instructionNames_; }

private:
    enum class Stop { Off, Armed, Stopped };

    void drawGroup(int i, int code);
    void drawLabels(int first, int count);
    std::string labelText(int e) const;
    void emit(int tag);
    void emitWindow(const std::string& piece, int tag, bool endOfLine);
    void emitTextScreen(const std::string& piece, int tag, bool endOfLine);
    void emitDocument(const std::string& piece, int tag, bool endOfLine);
    void mapLine(int index, int tag);

    // Formats a template into the piece buffer and emits it with tag.
    void piece(int tag, const char* tmpl, ...);
    void spacer();
    const Notation& units() const { return config.units ? *config.units : design_->notation; }
    void setHighlight(int branch, int column) {
        hlBranch_ = branch;
        hlColumn_ = column;
    }
    char letter(int k) const;
    double value(int k) const;
    int code(int k) const;

    const Design* design_ = nullptr;
    SinkKind sink_ = SinkKind::Document;
    int count_ = 0; // entry count n of the drawing
    std::string buf_;
    int line_ = 1;
    bool started_ = false;
    int column_ = 0;
    bool lineStart_ = true; // text-screen sink
    Stop stop_ = Stop::Off;
    int hlBranch_ = -2;
    int hlColumn_ = 0;
    bool seriesRail_ = false;
    bool silent_ = false; // the group just handled drew nothing
    int sidePort_ = 0;
    bool instructionNames_ = false;
    std::string docLine_;
    std::vector<std::string> document_;
    std::vector<int> lineMap_;
};

// The layout program's pointer at the label of the chip the current branch's
// capacitor sits on: leading blanks become the line character, the last of
// them an arrow head ("     12 pFd." -> "────> 12 pFd."). Use as labelDecorator.
void pointAtLabel(std::string& label);

// Resonant frequency (hertz) of the trap of a composite code-13 group that
// starts at entry first, with sub-code subCode; 0 when it has none.
double trapFrequency(const EntryList& list, int subCode, int first);

// Whether the design asks for plain characters on screen (slot 1 text
// position 23 is '1').
bool plainOnScreen(const DesignRecord& record);

} // namespace tanvex::schematic
