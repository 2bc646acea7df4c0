// The logic behind the design file dialogs: the file-open dialog and the
// "Filename list" of associated files. The Qt windows (gui/design) only show
// these models and forward button presses. (The "Design file operations"
// dialog and its dispatch belong to the application shell.)
#pragma once

#include "design/design_record.h"
#include "ui/toolkit.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace tanvex {

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
