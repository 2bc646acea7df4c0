// The parts list (NAME.6HC): every C, then every L, then every D branch that
// has a part description (all of them, or only those changed since the last
// script), each as "%c%-2d %7.2f %s" (letter, branch, value in pFd., nHy. or
// Deg., unit) and "  %s" (the description).
#pragma once

#include "layout/layout_design.h"

#include <string>
#include <vector>

namespace tanvex::layout {

// The value of a branch in the units the layout program shows, and the unit.
double displayValue(const BranchRecord& b, const char** unit);

std::vector<std::string> partsList(const LayoutDesign& d, bool changedOnly);

// Writes the list to path; "Disc error" when it cannot be written.
bool writePartsList(const std::string& path, const LayoutDesign& d, bool changedOnly,
                    ui::Toolkit& toolkit);

} // namespace tanvex::layout
