// Designs for the layout tests, written as the programs write them.
#pragma once

#include "../design/test_dir.h"
#include "layout/layout_commands.h"
#include "layout/layout_design.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
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

// The lines of a file's text; every line must end in CR LF.
inline std::vector<std::string> crlfLines(const std::string& s) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < s.size()) {
        std::size_t e = s.find("\r\n", pos);
        if (e == std::string::npos) {
            ADD_FAILURE() << "line without CR LF: " << s.substr(pos);
            break;
        }
        out.push_back(s.substr(pos, e - pos));
        pos = e + 2;
    }
    return out;
}

// A layout session in a scratch directory (also the temporary directory,
// where "tmp_kdx" goes) over a design, with a material menu of two
// materials (a separator and a line without thickness between them) and
// wire gauge 20 set.
struct Bench {
    ScratchDir dir;
    ui::ScriptedToolkit tk;
    layout::Layout k;
    explicit Bench(const std::vector<Line>& lines = ladder()) {
        ::setenv("TMTANVEX", dir.str().c_str(), 1);
        dir.write("d.dzn", mainProgramLines(lines));
        dir.write("m.kdx", "NPO ceramic                            12.0    0.010\r\n"
                           "--------\r\n"
                           "Alumina                                9.8     0.025\r\n"
                           "Broken, no thickness                   9.8\r\n");
        k.jobPath = dir.file("kdx_job.dat");
        EXPECT_TRUE(k.loadMenu(dir.file("m.kdx"), tk));
        EXPECT_EQ(k.open(dir.file("d"), tk), 0);
        k.defaults.setGauge(20);
    }
    ~Bench() { ::unsetenv("TMTANVEX"); }
    void keys(std::initializer_list<const char*> answers) {
        for (auto a : answers) tk.answer(a);
    }
};

} // namespace tanvex::test
