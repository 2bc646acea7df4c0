#include "layout/parts_list.h"

#include "design/text_io.h"

namespace tanvex::layout {

double displayValue(const BranchRecord& b, const char** unit) {
    switch (b.letter) {
    case 'C':
        *unit = "pFd.";
        return b.value * 1e12;
    case 'L':
        *unit = "nHy.";
        return b.value * 1e9;
    case 'D':
        *unit = "Deg.";
        return b.value * 57.29578;
    default:
        *unit = "";
        return b.value;
    }
}

std::vector<std::string> partsList(const LayoutDesign& d, bool changedOnly) {
    std::vector<std::string> out;
    for (char letter : {'C', 'L', 'D'}) {
        for (int i = 1; i < d.count; ++i) {
            const BranchRecord& b = d.branches[i];
            if (b.letter != letter || b.description.empty()) continue;
            if (changedOnly && !b.changed) continue;
            const char* unit = "";
            double v = displayValue(b, &unit);
            out.push_back(formatText("%c%-2d %7.2f %s", b.letter, i, v, unit));
            out.push_back("  " + b.description);
        }
    }
    return out;
}

bool writePartsList(const std::string& path, const LayoutDesign& d, bool changedOnly,
                    ui::Toolkit& tk) {
    AtomicTextFile f(path);
    for (const auto& line : partsList(d, changedOnly)) f.line(line);
    if (!f.commit()) {
        tk.notice("Disc error");
        return false;
    }
    return true;
}

} // namespace tanvex::layout
