#include "design/file_dialogs.h"

#include "design/paths.h"

#include <algorithm>

namespace tanvex {

// ----------------------------------------------------------------- file open --

std::vector<std::pair<std::string, std::string>> openFileFilters(int kind) {
    switch (kind) {
    case kOpenImpedanceData:
        return {{"Impedance data files (.frx)", "*.frx"}};
    case kOpenCurveFit:
        return {{"Impedance curve fit files (.fit)", "*.fit"}};
    default:
        return {{"Specification files  (.spk)", "*.spk"}, {"Circuit design files (.dzn)", "*.dzn"}};
    }
}

std::string nameWithoutDirectoryAndExtension(const std::string& path) {
    std::string name = nameComponent(path);
    std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

// ------------------------------------------------------------- filename list --

FilenameList::FilenameList(const Design& design) : active_(designName(design)) {
    int n = 0;
    auto add = [&](const std::string& name) {
        if (name.empty() || name == "x" || n >= kFields) return;
        if (std::find(fields_.begin(), fields_.begin() + n, name) != fields_.begin() + n) return;
        fields_[static_cast<std::size_t>(n++)] = name.substr(0, kMaxName);
    };
    for (const std::string& name : design.fileList) add(name);
    for (int i = 0; i < kFields; ++i)
        add(design.record[static_cast<std::size_t>(kSlotFirstFile + i)].str());
}

void FilenameList::setField(int i, const std::string& name) {
    if (i >= 0 && i < kFields) fields_[static_cast<std::size_t>(i)] = name.substr(0, kMaxName);
}

void FilenameList::select(int i) {
    if (i >= 0 && i < kFields) selected_ = i;
}

void FilenameList::activeToSelected(ui::Toolkit& toolkit) {
    std::string& f = fields_[static_cast<std::size_t>(selected_)];
    if (!f.empty()) {
        toolkit.clearPrompt();
        toolkit.setPrompt(0, "Overwrite ?");
        char c = toolkit.keyBox("NY");
        if (c != 'Y' && c != 'y') return;
    }
    f = active_.substr(0, kMaxName);
}

bool FilenameList::selectedToOperation(Design& design) {
    const std::string& f = fields_[static_cast<std::size_t>(selected_)];
    if (f.empty()) return false;
    active_ = f;
    setDesignName(design, f);
    store(design);
    return true;
}

void FilenameList::clearSelected() {
    fields_[static_cast<std::size_t>(selected_)].clear();
}

void FilenameList::startOver(ui::Toolkit& toolkit) {
    if (toolkit.respond("Erase all the files names and start over?", 'N') != 'Y') return;
    for (std::string& f : fields_) f.clear();
}

void FilenameList::store(Design& design) const {
    int n = 0;
    design.fileList.fill(std::string());
    for (const std::string& f : fields_)
        if (!f.empty()) design.fileList[static_cast<std::size_t>(n++)] = f;
    for (int i = 0; i < kFields; ++i) {
        const std::string& f = design.fileList[static_cast<std::size_t>(i)];
        design.record[static_cast<std::size_t>(kSlotFirstFile + i)].setText(f.empty() ? "x" : f);
    }
    design.listEdited = true;
}

} // namespace tanvex
