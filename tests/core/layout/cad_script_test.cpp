// The drawing script's text: header and trailer, layers, the coil and
// hairpin drawings, blocks in both modes, the changed flags and a file that
// cannot be written. (tests/core/layout/replay_cad_scripts.py replays whole
// scripts in a DXF library.)
#include "layout/cad_script.h"
#include "layout/layout_commands.h"
#include "layout_test_util.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace tanvex;
using namespace tanvex::layout;
using tanvex::test::Line;
using tanvex::test::ScratchDir;

namespace {

bool has(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

int count(const std::vector<std::string>& v, const std::string& prefix) {
    return static_cast<int>(std::count_if(
        v.begin(), v.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

// A shunt chip, a coupling chip on it, a series coil, a shunt coil of less
// than one turn, a series and a shunt hairpin, and codes 10 and 12.
LayoutDesign sample() {
    LayoutDesign d;
    std::vector<Line> v = {
        {50, 'R', 1, ""},
        {10e-12, 'C', 2, "0.211 x 0.211 x 0.010 In.  NPO c"},
        {2.2e-12, 'C', 3, "0.092 x 0.092 x 0.010 In.  NPO c"},
        {100e-9, 'L', 3, "0.262 x 0.310 In.   6.3 turns #20 AWG on 0.199 dia. #8 Qu=185"},
        {68e-9, 'L', 2, "0.180 x 0.120 In.   0.4 turns #18 AWG on 0.100 dia.  Qu=160"},
        {100, 'Z', 23, ""},
        {0.785398, 'D', 23, "0.044 x 14.754      Hairpin of #20 wire 29.744 long"},
        {75, 'Z', 16, ""},
        {1.570796, 'D', 16, "0.039 x 29.509      Hairpin of #20 wire 59.249 long"},
        {1e-12, 'C', 10, "0.050 x 0.050 x 0.010 In.  NPO c"},
        {1e-12, 'C', 12, "0.040 x 0.040 x 0.010 In.  NPO c"},
        {3e-12, 'C', 2, "no size here"},
        {50, 'R', 1, ""},
        {1e8, 'x', 1, ""}};
    for (std::size_t i = 0; i < v.size(); ++i) {
        d.branches[i].value = v[i].value;
        d.branches[i].letter = v[i].letter;
        d.branches[i].code = v[i].code;
        d.branches[i].description = v[i].text;
        d.branches[i].changed = !v[i].text.empty();
    }
    d.branches[2].sitsOn = 1;
    d.count = 12;
    d.name = "sample";
    return d;
}

} // namespace

TEST(CadScript, AutoCadAllPartsWithBlocks) {
    LayoutDesign d = sample();
    ScriptOptions o;
    std::vector<int> drawn;
    auto l = test::crlfLines(buildScript(d, o, &drawn));
    EXPECT_EQ(drawn, (std::vector<int>{1, 2, 3, 4, 6, 8, 9, 10}));
    EXPECT_EQ(l[0], "LAYER N shunts,coupling,coils,jumpers,housing ");
    EXPECT_EQ(l[1], "LAYER C 7 shunts C 4 coupling C 3 coils C 6 jumpers C 7 housing ");
    EXPECT_EQ(l[2], "osnap NON");
    EXPECT_EQ(l[3], "LAYER S shunts ");
    EXPECT_EQ(l[4], "PLINE 0,0 0.211,0 0.211,0.211 0,0.211 C");
    EXPECT_EQ(l[5], "TEXT 0.0211,0.0211 0.042200  C1");
    EXPECT_EQ(l[6], "zoom e");
    EXPECT_EQ(l[7], "block C1");
    EXPECT_EQ(l[8], "0.1055,0.1055 -0.01055,-0.01055 0.22155,0.22155 ");
    EXPECT_EQ(l[9], "LAYER S coupling ");
    // Hairpins are labelled L; codes 10 and 12 advance the main line, so
    // their chips are coupling chips.
    EXPECT_TRUE(has(l, "block L6"));
    EXPECT_TRUE(has(l, "block L8"));
    EXPECT_EQ(count(l, "TEXT "), 8);
    EXPECT_EQ(count(l, "insert "), 8);
    auto c10 = std::find(l.begin(), l.end(), "insert C10");
    ASSERT_NE(c10, l.end());
    EXPECT_EQ(*(c10 - 1), "LAYER S coupling ");
    // The series coil: 6 turns (two lines and two arcs each); the shunt coil
    // of 0.4 turns is drawn with one.
    EXPECT_EQ(count(l, "arc "), 2 * 6 + 2 * 1);
    EXPECT_EQ(count(l, "LINE "), 2 * 6 + 2 * 1 + 1); // and one jumper
    // The jumper runs from the coupling chip's centre to the shunt chip's.
    auto j = std::find(l.begin(), l.end(), "LAYER S jumpers ");
    ASSERT_NE(j, l.end());
    EXPECT_EQ(*(j + 1), "LINE 0.046,-0.3052 0.1055,0.1055 ");
    EXPECT_EQ(l[l.size() - 2], "ZOOM E");
    EXPECT_EQ(l.back(), "LAYER S jumpers ");
}

TEST(CadScript, HairpinOutlineAndSwappedShuntParts) {
    LayoutDesign d = sample();
    double lead = scriptLeadLength(d, 0.0);
    // Mean gauge of #20, #18, #20, #20: three wire diameters of gauge 19.5.
    EXPECT_NEAR(lead, 3 * 0.46 / std::pow(92.0, 22.5 / 39.0), 1e-12);
    EXPECT_DOUBLE_EQ(scriptLeadLength(d, 96.0), 0.096);
    LayoutDesign none;
    none.count = 1;
    EXPECT_EQ(scriptLeadLength(none, 0.0), 0.0); // no coils: no division by zero
    auto parts = planParts(d, lead);
    auto find = [&](int b) {
        return *std::find_if(parts.begin(), parts.end(),
                             [&](const PlacedPart& p) { return p.branch == b; });
    };
    PlacedPart s6 = find(6), s8 = find(8);
    EXPECT_EQ(s6.kind, PartKind::SeriesHairpin);
    EXPECT_EQ(s8.kind, PartKind::ShuntHairpin);
    double dw = 0.46 / std::pow(92.0, 23.0 / 39.0), r = dw / 2;
    // The series hairpin's window: (x0 - e - r, y0 - dw) .. (x0 + s + e + r, y0 + l + dw + r).
    EXPECT_NEAR(s6.boxMin.x, s6.base.x - lead - r, 1e-12);
    EXPECT_NEAR(s6.boxMin.y, s6.base.y - dw, 1e-12);
    EXPECT_NEAR(s6.boxMax.x, s6.base.x + 0.044 + lead + r, 1e-12);
    EXPECT_NEAR(s6.boxMax.y, s6.base.y + 14.754 + dw + r, 1e-12);
    // The shunt one lies across: x and y exchanged about its base point.
    EXPECT_NEAR(s8.boxMax.x - s8.base.x, 29.509 + dw + r, 1e-12);
    EXPECT_NEAR(s8.boxMax.y - s8.base.y, 0.039 + lead + r, 1e-12);
    for (const auto& p : parts) {
        EXPECT_LT(p.boxMin.x, p.base.x);
        EXPECT_LT(p.boxMin.y, p.base.y);
        EXPECT_GT(p.boxMax.x, p.base.x);
        EXPECT_GT(p.boxMax.y, p.base.y);
    }
    // Parts of one row never share a window.
    for (const auto& a : parts)
        for (const auto& b : parts) {
            if (a.branch >= b.branch) continue;
            bool apart = a.boxMax.x <= b.boxMin.x || b.boxMax.x <= a.boxMin.x ||
                         a.boxMax.y <= b.boxMin.y || b.boxMax.y <= a.boxMin.y;
            EXPECT_TRUE(apart) << a.branch << " and " << b.branch;
        }
}

TEST(CadScript, GeneralCaddMacroAndPolylineBreaks) {
    LayoutDesign d = sample();
    ScriptOptions o;
    o.cad = CadProgram::GeneralCadd;
    auto l = test::crlfLines(buildScript(d, o, nullptr));
    EXPECT_EQ(l[0], "/MSP,++,MO,!,UN,I,AL,++,CZ,1,1,TS,S,0.0,!;");
    EXPECT_EQ(l[1], "LC,14,YC,1; Layer 1");
    EXPECT_EQ(l[2], "LI,0,0,0.211,0,0.211,0.211,0,0.211,0,0;PU;");
    EXPECT_EQ(l[3], "TS,Z,0.0422,C,15,!,!; Text settings");
    EXPECT_EQ(l[4], "TP,0.0211,0.0211,C1#;");
    EXPECT_EQ(l[5], "ZA;");
    EXPECT_EQ(l[6], "CW,-0.01055,-0.01055,0.22155,0.22155,_C1,0.1055,0.1055,!;");
    EXPECT_EQ(l[7], "WE,-0.01055,-0.01055,0.22155,0.22155;");
    EXPECT_TRUE(has(l, "LC,11,YC,2; Layer 2"));
    EXPECT_TRUE(has(l, "LC,10,YC,3; layer 3"));
    // The closed hairpin outline: 15 points, the line broken after the eighth.
    auto hp = std::find_if(l.begin(), l.end(), [](const std::string& s) {
        return s.rfind("LI,", 0) == 0 && std::count(s.begin(), s.end(), ',') == 16;
    });
    ASSERT_NE(hp, l.end());
    EXPECT_EQ(std::count(hp[1].begin(), hp[1].end(), ','), 14);
    EXPECT_EQ(hp[1][0], ',');
    EXPECT_EQ(hp[1].substr(hp[1].size() - 4), ";PU;");
    EXPECT_EQ(count(l, "CP,_"), 8);
    EXPECT_EQ(l[l.size() - 4], "YN,3,Coils,YN,4,Jumpers; Name layers");
    EXPECT_EQ(l[l.size() - 3], "YN,0,Housing,YN,1,Shunts,YN,2,Coupling;");
    EXPECT_EQ(l[l.size() - 2], "ZA;");
    EXPECT_EQ(l.back(), "LC,7,YC,4,AL,++,/MSP,--;");
}

TEST(CadScript, ChangedFlagsAndChangedOnlyScripts) {
    ScratchDir dir;
    ui::ScriptedToolkit tk;
    for (CadProgram cad : {CadProgram::AutoCad, CadProgram::GeneralCadd}) {
        LayoutDesign d = sample();
        ScriptOptions all;
        all.cad = cad;
        std::string p = dir.file(cad == CadProgram::AutoCad ? "a.scr" : "a.mcr");
        ASSERT_TRUE(writeScript(p, d, all, tk));
        std::string first = dir.read(cad == CadProgram::AutoCad ? "a.scr" : "a.mcr");
        EXPECT_FALSE(d.branches[1].changed);
        EXPECT_TRUE(d.branches[11].changed); // not drawn: no size in its description
        // Writing all parts again gives the same script.
        ASSERT_TRUE(writeScript(p, d, all, tk));
        EXPECT_EQ(dir.read(cad == CadProgram::AutoCad ? "a.scr" : "a.mcr"), first);
        // Changed only, right after: header and trailer alone.
        ScriptOptions changed = all;
        changed.changedOnly = true;
        auto l = test::crlfLines(buildScript(d, changed, nullptr));
        if (cad == CadProgram::AutoCad)
            EXPECT_EQ(l, (std::vector<std::string>{"ZOOM E", "LAYER S jumpers "}));
        else
            EXPECT_EQ(l, (std::vector<std::string>{"/MSP,++;", "ZA;", "LC,7,YC,4,AL,++,/MSP,--;"}));
        // One part changed: it is redefined in place.
        d.branches[3].changed = true;
        l = test::crlfLines(buildScript(d, changed, nullptr));
        if (cad == CadProgram::AutoCad) {
            EXPECT_EQ(count(l, "block L3"), 1);
            EXPECT_EQ(count(l, "Y "), 1);
            EXPECT_EQ(count(l, "zoom w "), 1);
            EXPECT_EQ(count(l, "insert "), 0);
        } else {
            EXPECT_TRUE(has(l, "CX,_L3,Y;"));
            EXPECT_EQ(count(l, "CP,_L3,"), 1);
        }
    }
    // A file that cannot be created: the message, and the flags stay.
    LayoutDesign d = sample();
    ScriptOptions o;
    EXPECT_FALSE(writeScript(dir.file("no/dir/x.scr"), d, o, tk));
    EXPECT_TRUE(tk.sawNotice("Bad file: " + dir.file("no/dir/x.scr")));
    EXPECT_TRUE(d.branches[1].changed);
}

TEST(CadScript, PromptsPathAndFileNames) {
    ScratchDir dir;
    ui::ScriptedToolkit tk;
    Layout k;
    k.design = sample();
    k.blocks = true;
    // B toggles blocks off, P sets the path (a separator is added), A: all,
    // then General CADD.
    const std::string path = dir.str();
    for (const char* a : {"B", "P", path.c_str(), " ", "A", "G"}) tk.answer(a);
    k.scriptCommand(tk);
    EXPECT_TRUE(tk.sawPrompt(" [B] - draw with Blocks: Yes"));
    EXPECT_TRUE(tk.sawPrompt(" [B] - draw with Blocks: No"));
    EXPECT_EQ(k.job.cadPath, dir.str() + "/");
    std::string s = dir.read("sample.mcr");
    ASSERT_FALSE(s.empty());
    EXPECT_EQ(s.find("CW,"), std::string::npos);
    for (const char* a : {"C", "A"}) tk.answer(a);
    k.design.branches[1].changed = true;
    k.scriptCommand(tk);
    EXPECT_NE(dir.read("mod.scr").find("C1"), std::string::npos);
    tk.answer("Q");
    k.scriptCommand(tk);
}
