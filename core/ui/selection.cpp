#include "ui/selection.h"

#include <cctype>
#include <cstdlib>

namespace tanvex::ui {

std::vector<SelectionOption> parseOptions(const std::string& options) {
    std::vector<SelectionOption> out;
    if (options.empty()) return out;
    std::size_t start = 0;
    while (true) {
        std::size_t comma = options.find(',', start);
        std::string label =
            options.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        SelectionOption o;
        o.number = static_cast<int>(out.size()) + 1;
        o.label = label;
        o.separator = !label.empty() && label[0] == '-';
        for (std::size_t i = 0; i < label.size(); ++i) {
            if (label[i] == '&' && i + 1 < label.size() && o.hotkey == 0) {
                o.hotkey = label[i + 1];
                continue;
            }
            o.caption += label[i];
        }
        out.push_back(o);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return out;
}

SelectionLayout layoutSelection(const std::vector<SelectionOption>& options, int barWidth) {
    SelectionLayout l;
    int n = 0;
    for (const auto& o : options)
        if (!o.separator) ++n;
    l.perColumn = n < 17 ? 2 : 3;
    l.perRow = 2;
    while (l.perRow * l.perColumn < n) ++l.perRow;
    l.buttonWidth = (barWidth - 2) / (l.perRow + 1);
    l.buttonHeight = 54 / l.perColumn;
    const char* fixedLabels[3] = {"<Esc>", "&?-help", "si&Ze"};
    const int fixedResults[3] = {kSelectEsc, kSelectHelp, 0};
    for (int i = 0; i < 3; ++i)
        l.buttons.push_back({0, fixedResults[i], fixedLabels[i], 0, 18 * i, l.buttonWidth, 18});
    int i = 0;
    for (const auto& o : options) {
        if (o.separator) continue;
        int col = 1 + i % l.perRow;
        int row = i / l.perRow;
        l.buttons.push_back({o.number, o.number, o.label, col * l.buttonWidth, row * l.buttonHeight,
                             l.buttonWidth, l.buttonHeight});
        ++i;
    }
    return l;
}

int optionForKey(const std::vector<SelectionOption>& options, char key) {
    int k = std::toupper(static_cast<unsigned char>(key));
    for (const auto& o : options)
        if (!o.separator && o.hotkey && std::toupper(static_cast<unsigned char>(o.hotkey)) == k)
            return o.number;
    return 0;
}

bool SelectionRows::inMarkerArea(int column, int row) const {
    return row >= firstRow && row <= lastRow && column >= std::abs(markerColumn);
}

int resultForClick(const std::vector<SelectionOption>& options, const SelectionRows& rows,
                   int column, int row) {
    if (rows.inMarkerArea(column, row)) {
        int index = row - rows.firstRow; // option index from 0
        if (index < static_cast<int>(options.size()) && !options[index].separator)
            return options[index].number;
        return 0;
    }
    return rows.markerColumn < 0 ? kSelectOutside : -1;
}

void showSelectionMarkers(TextScreen& screen, const std::vector<SelectionOption>& options,
                          const SelectionRows& rows) {
    int col = std::abs(rows.markerColumn);
    for (int row = rows.firstRow; row <= rows.lastRow; ++row) {
        int index = row - rows.firstRow;
        if (index >= static_cast<int>(options.size())) break;
        const auto& o = options[index];
        if (o.separator || !o.hotkey) continue;
        screen.put(col, row, static_cast<unsigned char>(o.hotkey), 14);
    }
    ++screen.revision;
}

void clearSelectionMarkers(TextScreen& screen, const SelectionRows& rows) {
    int col = std::abs(rows.markerColumn);
    for (int row = rows.firstRow; row <= rows.lastRow; ++row) screen.put(col, row, ' ', 7);
    ++screen.revision;
}

void markOption(TextScreen& screen, const SelectionRows& rows, int option) {
    screen.put(std::abs(rows.markerColumn), rows.firstRow + option - 1, '-', 6);
    ++screen.revision;
}

} // namespace tanvex::ui
