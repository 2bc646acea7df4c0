// The schematic editor's engine: the state of the "Schematic Editor" window
// and every one of its commands, working on the current design in place and
// talking to the user only through the toolkit. The window (gui/schematic)
// draws paint()'s text screen, turns mouse clicks into select() and menu
// items into run(), and closes when run() or requestClose() says so.
//
//   schematic::Editor ed(design, toolkit);
//   ed.open();
//   ed.select(3); ed.select(5);       // two clicked branches
//   ed.run(schematic::kCmdChange);    // asks for the new value only
//   ed.run(schematic::kCmdOops);      // undo
//   if (ed.run(schematic::kCmdExit) == schematic::Editor::Result::Close) ...
#pragma once

#include "schematic/renderer.h"
#include "ui/text_screen.h"
#include "ui/toolkit.h"

#include <array>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace tanvex::schematic {

// Menu command numbers.
enum EditorCommand {
    kCmdSaveRegister1 = 111,   // .. 119
    kCmdRecallRegister1 = 121, // .. 129
    kCmdHelpMain = 200,        // .. 205
    kCmdChange = 210,
    kCmdCombine = 211,
    kCmdCp = 212,
    kCmdDelete = 213,
    kCmdDipole = 214,
    kCmdEqualValue = 215,
    kCmdExit = 216,
    kCmdForce = 217,
    kCmdPreviousMenu = 219,
    kCmdInterchange = 220,
    kCmdInsert = 221,
    kCmdIterate = 222,
    kCmdJkInverter = 223,
    kCmdKuroda = 224,
    kCmdMove = 225,
    kCmdXform = 227,
    kCmdNegativeValue = 228,
    kCmdOops = 229,
    kCmdProgStuber = 231,
    kCmdPiT = 232,
    kCmdRatio = 233,
    kCmdRecallRegisterBlank = 234,
    kCmdReverse = 235,
    kCmdSplit = 237,
    kCmdStub = 238,
    kCmdSaveRegisterBlank = 239,
    kCmdCopy = 240,
    kCmdSpread = 241,
    kCmdNorm = 242,
    kCmdUnNorm = 243,
    kCmdTermZo = 244,
    kCmdSrcZo = 245,
    kCmdRatioZo = 246,
    kCmdInvert = 247,
    kCmdDual = 248,
    kCmdBandpass = 249,
    kCmdFreq = 250,
    kCmdTriplet = 252,
    kCmdRotate = 253,
    kCmdQException = 254,
    kCmdLcdInsert = 255,
    kCmdLcdCompensate = 256,
};

// Help file of help items 200..205.
const char* editorHelpFile(int command);

constexpr int kUndoDepth = 10;
// Rows at the bottom of the editor's screen for the message area (frame
// lines included).
constexpr int kMessageRows = 6;

class Editor {
public:
    enum class Result { Stay, Close };

    Editor(Design& design, ui::Toolkit& toolkit);

    // Window creation: re-applies the stored notation, clears the selection,
    // presets the ratio to 1 and switches to the Normalized notation for a
    // normalized design.
    void open();
    // Runs a menu command. Close when the editor should close now.
    Result run(int command);
    // The closing question for a changed design ("Exit and save work"):
    // Yes keeps the edits, No restores "tmp_ed"; returns false for Cancel.
    bool requestClose();
    // Window destroyed: restores the notation of the opening, frees the undo ring.
    void closed();

    // Mouse: a click on a screen row / column of paint()'s screen. Returns
    // false when the row holds no branch.
    bool click(int row, int column);
    // Selects a branch as if its line was clicked at the first label.
    void select(int branch);
    void clearSelection() { first_ = second_ = -1; }
    int firstSelected() const { return first_; }
    int secondSelected() const { return second_; }

    // Scrolling: by lines (negative = up), to the top or the bottom, or to
    // a thumb position 0..100.
    void scrollLines(int delta);
    void scrollTop();
    void scrollBottom();
    void scrollThumb(int position);
    int topBranch() const { return top_; }
    int scrollPosition() const;

    // Draws the schematic and the message area (the status line or the
    // value range report, kept until the next command) into screen.
    void paint(ui::TextScreen& screen);

    // Whether the design is unchanged since it was loaded or saved.
    bool unchanged() const;

    const std::string& statusMessage() const { return status_; }
    // The message the last command showed in a notice box ("" when none).
    const std::string& errorMessage() const { return error_; }
    // Help file a command last showed through the toolkit (cleared by
    // takeHelpRequest).
    std::string takeHelpRequest();
    double presetRatio() const { return presetRatio_; }
    int undoCount() const;
    Renderer& renderer() { return renderer_; }
    Design& design() { return design_; }
    // Shows the insert selector's pages; the window sets it to draw the
    // screen while the selection is open.
    std::function<void(const ui::TextScreen&)> showScreen;

private:
    friend class EditorCommands;

    bool changesNetwork(int command) const;
    static bool isTransform(int command);
    void snapshot();
    void snapshotOf(const EntryList& list);
    void oops();
    void saveRegister(const std::string& name);
    void recallRegister(const std::string& name);
    void execute(int command);

    // Branch prompts.
    int askOne(char kind);
    int askTwo(bool required, int& a, int& b);
    // One branch: the selection when one was given, else the prompt lines
    // and the input box (nothing typed gives 0).
    int askBranch(std::initializer_list<const char*> lines);
    void addPrompt(const std::string& text, int attribute = 7);
    bool askNumber(double& value);
    int n() const { return entryCount(design_.entries); }
    bool validBranch(int b) const { return b >= 1 && b < n(); }

    // Commands (editor_commands.cpp, editor_scale.cpp, insert_selector.cpp).
    void change();
    void remove();
    void combine();
    void interchange();
    void move();
    bool rotate();
    void copy();
    void reverse();
    void qException();
    void ratio();
    void split();
    void insert();
    void norm();
    void unNorm();
    void scaleZo(int command);
    void invert();
    void dual();
    void freq();
    void bandpass();

    // Network transforms (editor_transform_commands.cpp).
    void transform(int command);
    void xform();
    void force();
    void piT();
    void jkInverter();
    void kuroda();
    void negativeValue();
    void equalValue();
    void equalTubular(int reference);
    void iterate();
    void lcdInsert();
    void lcdCompensate();
    void cp();
    void dipole();
    void stub(int command);
    void triplet();

    Design& design_;
    ui::Toolkit& tk_;
    Renderer renderer_;
    int top_ = 0;
    int first_ = -1;
    int second_ = -1;
    int promptLine_ = 0;
    std::string given_; // the selection turned into a pre-typed answer
    std::string status_;
    std::string error_;
    std::string help_;
    bool spread_ = false;
    bool spreadBeep_ = false;
    double presetRatio_ = 1.0;
    std::string lastCd_ = "0"; // the distributed capacity as last typed
    int openNotation_ = kDefaultNotation;
    double normFrequency_ = 0.0;
    double normTermination_ = 0.0;
    std::vector<signed char> groups_;
    std::array<std::unique_ptr<EntryList>, kUndoDepth> ring_{};
    int ringIndex_ = 0;
    int visibleLines_ = 20;
    // "tmp_ed" holds the design as it was at the first command since the
    // editor opened; savedAtBackup_ is the unchanged flag at that moment.
    bool backedUp_ = false;
    bool savedAtBackup_ = false;
};

} // namespace tanvex::schematic
