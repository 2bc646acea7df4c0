// The logic behind the design file dialogs: "Design file operations", the
// file-open dialog and the "Filename list" of associated files. The Qt
// windows (gui/design) only show these models and forward button presses.
#pragma once

#include "design/design_record.h"
#include "ui/toolkit.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace tanvex {

// ---- Design file operations --------------------------------------------------

// Button identifiers of the "Design file operations" dialog.
constexpr int kOpSave = 101;         // "&Save design"
constexpr int kOpRecall = 102;       // "&Recall old design"
constexpr int kOpJoinSeries = 103;   // "&Joint file in series"
constexpr int kOpJoinSidePort = 104; // "Join file as &Multiplexer side port"
constexpr int kOpHelp = 105;         // "?-help"
constexpr int kOpAbort = 106;        // "&Abort"

struct OperationButton {
    int id;
    const char* label;
};
// The six buttons in dialog order; the focus starts on kOpRecall.
const std::array<OperationButton, 6>& designFileOperationButtons();

// What the main window provides to the operations: the dialog itself, the
// Recall command and the help viewer.
class DesignFileOpsHost {
public:
    virtual ~DesignFileOpsHost() = default;
    // Shows the dialog; returns the identifier of the button pressed.
    virtual int chooseOperation() = 0;
    // The main window's Recall command for the current design name.
    virtual void recall() = 0;
    virtual void showHelp(const std::string& helpFile) = 0;
};

struct OperationResult {
    int button = kOpAbort; // the button that ended the dialog
    int transfer = 0;      // bit set of the design file transfer, when one ran
};

// Opens the dialog (marking the design as not saved) and carries out the
// button: save (kind 0, 'w'), recall, join in series or as a side port the
// design named by the current design name, help "JOIN.HLW" (then the dialog
// opens again), or nothing.
OperationResult designFileOperations(Design& design, DesignFileOpsHost& host, ui::Toolkit& toolkit);

// ---- File-open dialog ----------------------------------------------------------

constexpr int kOpenDesign = 0;
constexpr int kOpenImpedanceData = 1;
constexpr int kOpenCurveFit = 2;

constexpr const char* kOpenDialogTitle = "TANVEX files";

// (label, pattern) pairs of the file-open dialog of kind 0, 1 or 2.
std::vector<std::pair<std::string, std::string>> openFileFilters(int kind);
// The chosen file's name without directory and extension.
std::string nameWithoutDirectoryAndExtension(const std::string& path);

// ---- Filename list -------------------------------------------------------------

class FilenameList {
public:
    static constexpr int kFields = 8;
    static constexpr std::size_t kMaxName = 31;

    // Fills the fields from the design's list (each name once) and then from
    // slots 3-10 texts that are not "x" and not yet shown.
    explicit FilenameList(const Design& design);

    const std::string& active() const { return active_; }
    const std::string& field(int i) const { return fields_[static_cast<std::size_t>(i)]; }
    void setField(int i, const std::string& name); // typed into a field (cut to 31)
    int selected() const { return selected_; }
    void select(int i);

    // "&Active --> fx": copies the design name into the selected field,
    // asking "Overwrite ?" (single key, default N) when it is not empty.
    void activeToSelected(ui::Toolkit& toolkit);
    // "fx -->&Operation": when the selected field is not empty its name
    // becomes the design name and the list is stored; returns true then (the
    // caller goes on with the Design file operations dialog).
    bool selectedToOperation(Design& design);
    // "&Clear fx".
    void clearSelected();
    // "&New": asks "Erase all the files names and start over?" (default N);
    // Y empties every field.
    void startOver(ui::Toolkit& toolkit);
    // "e&Xit", Cancel: compacts the non-empty fields into the design's list,
    // copies them into slots 3-10 texts ("x" for empty places) and sets the
    // list-edited flag.
    void store(Design& design) const;

private:
    std::string active_;
    std::array<std::string, kFields> fields_{};
    int selected_ = 0;
};

} // namespace tanvex
