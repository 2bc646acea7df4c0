// Designs for the layout tests, written as the programs write them.
#pragma once

#include "../design/test_dir.h"
#include "layout/layout_design.h"

#include <cstdio>
#include <string>
#include <vector>

namespace tanvex::test {

struct Line {
    double value;
    char letter;
    int code;
    std::string text; // after the code, as the file holds it
};

// The main program's layout: "%15.8e %c %d" + text.
inline std::string mainProgramLines(const std::vector<Line>& lines) {
    std::string s;
    char buf[64];
    for (const auto& l : lines) {
        std::snprintf(buf, sizeof buf, "%15.8e %c %d", l.value, l.letter, l.code);
        s += buf + l.text + "\r\n";
    }
    return s;
}

// A small lowpass: shunt C, series L, series C, shunt C, ref. 100 MHz.
inline std::vector<Line> ladder() {
    return {{50, 'R', 1, ""},     {10e-12, 'C', 2, ""}, {100e-9, 'L', 3, ""}, {2.2e-12, 'C', 3, ""},
            {10e-12, 'C', 2, ""}, {50, 'R', 1, ""},     {100e6, 'x', 1, ""}};
}

} // namespace tanvex::test
