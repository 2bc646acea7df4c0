// Finding and clicking cells of the schematic editor's window in tests.
#pragma once

#include "schematic/schematic_editor_window.h"

#include <QTest>

namespace tanvex::testing {

// Screen row of the first line of a branch (-1 when not drawn).
inline int rowOfBranch(gui::SchematicEditorWindow& w, int branch) {
    const auto& map = w.editor().renderer().lineMap();
    for (std::size_t i = 0; i < map.size(); ++i)
        if (map[i] == branch) return static_cast<int>(i);
    return -1;
}

inline void clickCell(gui::SchematicEditorWindow& w, int column, int row) {
    QPoint p = w.view()->cellOrigin(column, row) + QPoint(2, 2);
    QTest::mouseClick(w.view(), Qt::LeftButton, {}, p);
}

} // namespace tanvex::testing
