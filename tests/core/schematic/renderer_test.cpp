#include "schematic/cp437_literal.h"
#include "schematic/renderer.h"
#include "test_networks.h"
#include "ui/cp437.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

using namespace tanvex;
using namespace tanvex::schematic;
using tanvex::test::designOf;

namespace {

std::vector<std::string> utf8Lines(const Design& d, RendererConfig config = {}) {
    Renderer r(std::move(config));
    r.draw(d, SinkKind::Document, 0, 0);
    std::vector<std::string> out;
    for (const auto& line : r.document()) out.push_back(ui::cp437ToUtf8(line));
    return out;
}

bool contains(const std::string& s, const std::string& part) {
    return s.find(part) != std::string::npos;
}

int countLines(const std::vector<std::string>& lines, const std::string& part) {
    int n = 0;
    for (const auto& l : lines) n += contains(l, part) ? 1 : 0;
    return n;
}

const std::string kSpacer = "    │               │";

} // namespace

TEST(SchematicRenderer, TemplateBytesMatchTheCodePage) {
    for (int b = 0; b < 128; ++b)
        EXPECT_EQ(detail::kCp437Upper[b], ui::cp437ToUnicode(static_cast<unsigned char>(128 + b)))
            << "byte " << 128 + b;
    std::string corner = CP437("┌─┐╞═╡Σ");
    EXPECT_EQ(corner, "\xDA\xC4\xBF\xC6\xCD\xB5\xE4");
}

TEST(SchematicRenderer, NewDesignDrawsTerminationSourceAndReferenceLine) {
    Design d;
    newDesign(d.entries);
    d.entries[0].value = 50.0;
    d.entries[1].value = 75.0;
    d.entries[2].value = 10e6;
    d.record[24].setText("default");
    Renderer r;
    EXPECT_EQ(r.draw(d, SinkKind::Document, 0, 0), 0);
    ASSERT_EQ(r.document().size(), 3u);
    std::string l0 = ui::cp437ToUtf8(r.document()[0]);
    std::string l1 = ui::cp437ToUtf8(r.document()[1]);
    EXPECT_EQ(l0, "  0 ┌─ Termination ─┐           50 Ohms  ");
    EXPECT_EQ(l1, "  1 └──── Source ───┘           75 Ohms  ");
    EXPECT_EQ(r.document()[2], "  2  Fc = 10 MHz       default");
    EXPECT_EQ(r.lineMap(), (std::vector<int>{0, 1, 2}));
}

TEST(SchematicRenderer, SpacersBetweenSeriesElements) {
    Design d = designOf({{10e-9, 'L', 3}, {20e-9, 'L', 3}, {5e-12, 'C', 2}});
    auto lines = utf8Lines(d);
    // termination, spacer, L1, spacer, L2, spacer, C, source, Fc
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[1], kSpacer);
    EXPECT_TRUE(contains(lines[2], "  1 │               L"));
    EXPECT_EQ(lines[3], kSpacer);
    EXPECT_TRUE(contains(lines[4], "  2 │               L"));
    EXPECT_EQ(lines[5], kSpacer);
    EXPECT_TRUE(contains(lines[6], "  3 ├────── C ──────┤"));

    // A group that brings its own connecting line takes no spacer after the
    // series element.
    Design e = designOf({{10e-9, 'L', 3}, {1e-12, 'C', 6}, {1e-12, 'C', 6}, {1e-9, 'L', 6}});
    auto l2 = utf8Lines(e);
    EXPECT_EQ(countLines(l2, kSpacer), 1);
    EXPECT_TRUE(contains(l2[3], "  2.├─── C ─┐       │"));

    // Code 11 after a shunt element gets its spacer first.
    Design f = designOf({{1e-12, 'C', 2}, {1e-9, 'L', 11}, {1e-12, 'C', 11}});
    auto l3 = utf8Lines(f);
    EXPECT_EQ(l3[2], kSpacer);
    EXPECT_TRUE(contains(l3[3], "  2.│         ┌────*L"));
}

TEST(SchematicRenderer, ResonanceOfSeriesPair) {
    double l = 5e-9, c = 3e-12;
    Design d = designOf({{l, 'L', 5}, {c, 'C', 5}});
    auto lines = utf8Lines(d);
    char want[64];
    std::snprintf(want, sizeof want, "Fx = %.5g MHz ", 1.0 / (2 * M_PI * std::sqrt(l * c)) / 1e6);
    ASSERT_EQ(countLines(lines, "Fx = "), 1);
    EXPECT_TRUE(contains(lines[2], "  1.│             L   C"));
    EXPECT_TRUE(contains(lines[2], want)) << lines[2];
    EXPECT_EQ(lines[1], "    │             ┌─┴─┐");
    EXPECT_EQ(lines[3], "    │             └─┬─┘");

    Design ll = designOf({{l, 'L', 5}, {2 * l, 'L', 5}});
    EXPECT_EQ(countLines(utf8Lines(ll), "Fx = "), 0);
    // Code 14 draws three labels and never a resonance.
    Design three = designOf({{l, 'L', 14}, {c, 'C', 14}, {l, 'L', 14}});
    EXPECT_EQ(countLines(utf8Lines(three), "Fx = "), 0);
    // The layout program shows it for pair codes 4, 5 and 13 only, in MHz.
    Design pair4 = designOf({{l, 'L', 4}, {c, 'C', 4}});
    auto lay = utf8Lines(pair4, layoutConfig());
    EXPECT_EQ(countLines(lay, "MHz."), 2); // the pair and the closing line
    EXPECT_TRUE(contains(lay[1], "nHy."));
}

TEST(SchematicRenderer, SidePortsAreLetteredFromTheTerminationDown) {
    Design d = designOf({{50, 'R', 8},
                         {1e-9, 'L', 3},
                         {0, '_', 9},
                         {50, 'R', 8},
                         {1e-12, 'C', 2},
                         {0, '_', 9},
                         {50, 'R', 8},
                         {1e-9, 'L', 2}});
    auto lines = utf8Lines(d);
    std::vector<std::string> ports;
    for (const auto& l : lines)
        if (contains(l, "Common") || contains(l, "to Source")) ports.push_back(l);
    ASSERT_EQ(ports.size(), 5u);
    EXPECT_EQ(ports[0], "    └────>          └─── to Common B ───>");
    EXPECT_TRUE(contains(ports[1], "  3 │               │<─── Common B"));
    EXPECT_EQ(ports[2], "    └────>          └─── to Common A ───>");
    EXPECT_TRUE(contains(ports[3], "  6 │               │<─── Common A"));
    EXPECT_EQ(ports[4], "    └────>          └─── to Source ───>");
}

TEST(SchematicRenderer, FirstBranchSkipsEarlierGroups) {
    Design d = designOf({{1e-12, 'C', 2},
                         {1e-9, 'L', 4},
                         {1e-12, 'C', 4},
                         {1e-12, 'C', 2},
                         {50, 'R', 8},
                         {2e-12, 'C', 2},
                         {0, '_', 9}});
    Renderer r;
    r.draw(d, SinkKind::Document, 5, 0);
    std::vector<std::string> lines;
    for (const auto& l : r.document()) lines.push_back(ui::cp437ToUtf8(l));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(countLines(lines, "Termination"), 0);
    EXPECT_EQ(countLines(lines, "  1 "), 0);
    EXPECT_EQ(countLines(lines, "  4 "), 0);
    // The skipped junction still counts: the port reads to Common A.
    EXPECT_EQ(lines[0], "    └────>          └─── to Common A ───>");
}

TEST(SchematicRenderer, WindowStopsWhenFull) {
    Design d = designOf({{1e-12, 'C', 2},
                         {1e-9, 'L', 3},
                         {1e-12, 'C', 2},
                         {1e-9, 'L', 5},
                         {1e-12, 'C', 5},
                         {1e-12, 'C', 2},
                         {1e-9, 'L', 3},
                         {1e-12, 'C', 2}});
    ui::TextScreen screen(80, 30);
    Renderer r;
    r.window.screen = &screen;
    r.window.visibleLines = 10;
    // Lines: 0 term, 1 C1, sp, L2, sp, C3, 7 ┌─┴─┐, 8 L4 C5, 9 └─┬─┘, 10 C6, 11 sp ...
    int last = r.draw(d, SinkKind::Window, 0, -1);
    EXPECT_TRUE(r.stopped());
    EXPECT_EQ(last, 7);                // the spacer after branch 7 was the 11th line
    EXPECT_EQ(screen.rowText(10), ""); // never drawn
    EXPECT_NE(screen.rowText(9), "");
    EXPECT_EQ(r.branchAtLine(9), 6);
    EXPECT_EQ(r.branchAtLine(7), 4);
}

TEST(SchematicRenderer, NegativeValuesInInverseVideoAndSelectionInRed) {
    Design d = designOf({{-2e-12, 'C', 2}, {1e-9, 'L', 2}});
    ui::TextScreen screen(80, 20);
    Renderer r;
    r.window.screen = &screen;
    r.window.visibleLines = 15;
    r.window.firstSelected = 2;
    r.draw(d, SinkKind::Window, 0, -1);
    // Row 1: the negative capacitor's label from column 23.
    EXPECT_EQ(screen.at(2, 1).attr, kAttrNormal);
    EXPECT_EQ(screen.at(30, 1).attr, kAttrInverse);
    // Row 2: the selected inductor's label in red, its picture unchanged.
    EXPECT_EQ(screen.at(5, 2).attr, kAttrNormal);
    EXPECT_EQ(screen.at(32, 2).attr, kAttrHighlight);
    // A special line turns red from its highlight column.
    Design t = designOf({{2.0, 'N', 24}});
    ui::TextScreen s2(80, 20);
    r.window.screen = &s2;
    r.window.firstSelected = 1;
    r.draw(t, SinkKind::Window, 0, -1);
    EXPECT_EQ(s2.at(22, 1).attr, kAttrNormal);
    EXPECT_EQ(s2.at(23, 1).attr, kAttrHighlight);
}

TEST(SchematicRenderer, SpecialEntries) {
    Design d = designOf({{0, 'c', 53},
                         {3.0, '1', 44},
                         {1e-9, 'L', 2},
                         {0, 'L', 91},
                         {0, '_', 99},
                         {0, 'L', 91},
                         {5, 'Q', 77},
                         {-1, '_', 21},
                         {0, '_', 21},
                         {-9, '2', 22},
                         {0, 'D', 50},
                         {0, 'A', 50}});
    d.names[2] = "measured";
    auto lines = utf8Lines(d);
    EXPECT_TRUE(contains(lines[1], "  1 │               │  Qc change      Q = Inf."));
    EXPECT_TRUE(contains(lines[2], "  2 │  Q branch 3   │  "));
    EXPECT_TRUE(contains(lines[2], "     Q = 3.0"));
    EXPECT_TRUE(contains(lines[4], "  4 │ #──Ser───> Σ  L"));
    EXPECT_TRUE(contains(lines[5], "  6 │     Series    L"));
    EXPECT_TRUE(contains(lines[6], "  7 │       ? ──> [ Q ]  (con.=77)     Q = 5.0"));
    EXPECT_EQ(lines[7], "  9 │   Report ──> ─┘"); // the -1 report point is not drawn
    EXPECT_EQ(lines[8], " 10 ├── R+jX data ──┤          (measured)");
    EXPECT_EQ(lines[9], " 11 ├─  Delay data ─┤");
    EXPECT_EQ(lines[10], " 12 ├ Ampitude data ┤");
    // An instruction with value 0 has an empty label.
    EXPECT_EQ(lines[4].find("Q = Inf."), std::string::npos);
}

TEST(SchematicRenderer, CompositeTrapAndBridgedForms) {
    // Composite form (sub-code 21): no labels for entries 2 and 3, the tank
    // of entries 6 and 7 drawn as two lines.
    Design d = designOf({{1e-12, 'C', 13},
                         {1e-9, 'L', 21},
                         {1e-12, 'C', 21},
                         {2e-9, 'L', 13},
                         {3e-12, 'C', 13},
                         {4e-12, 'C', 13},
                         {5e-9, 'L', 13},
                         {1e-12, 'C', 13}});
    auto lines = utf8Lines(d);
    ASSERT_GE(lines.size(), 8u);
    EXPECT_TRUE(contains(lines[1], "    │             ┌─┴─┐     Fx = "));
    EXPECT_TRUE(contains(lines[2], "  1.│             │   C"));
    EXPECT_TRUE(contains(lines[3], "  4 │             L   │"));
    EXPECT_TRUE(contains(lines[4], "  6 ├────── C ────┤   │"));
    EXPECT_TRUE(contains(lines[5], "  7 ├────── L ────┤   │"));
    EXPECT_TRUE(contains(lines[6], "  5 │             C   │"));
    EXPECT_EQ(lines[7], "    │             └─┬─┘");
    for (int b : {2, 3}) { // entries 2 and 3 have no line of their own
        Renderer r;
        r.draw(d, SinkKind::Document, 0, 0);
        for (int tag : r.lineMap()) EXPECT_NE(tag, b);
    }
    // Entry 6 neither C, L nor Z: no trap frequency.
    d.entries[6].letter = 'R';
    EXPECT_EQ(trapFrequency(d.entries, 21, 1), 0.0);
    EXPECT_EQ(countLines(utf8Lines(d), "Fx = "), 0);

    Design b = designOf({{1e-12, 'C', 13},
                         {1e-9, 'L', 13},
                         {1e-12, 'C', 13},
                         {2e-9, 'L', 13},
                         {3e-12, 'C', 13},
                         {4e-12, 'C', 13},
                         {5e-9, 'L', 13},
                         {1e-12, 'C', 13}});
    auto bl = utf8Lines(b);
    EXPECT_EQ(bl[1], "    │   ┌───────────┘");
    EXPECT_TRUE(contains(bl[2], "  1.│   ├── C ─ L ──┐"));
    EXPECT_TRUE(contains(bl[8], "  8 ├─── C ───┘     │"));
    EXPECT_TRUE(contains(bl[9], "  9 └──── Source"));
}

TEST(SchematicRenderer, GroupsNeverReadPastTheSource) {
    // A code-13 group cut short by the source.
    Design d = designOf({{1e-12, 'C', 2}, {1e-9, 'L', 13}, {1e-12, 'C', 13}});
    auto lines = utf8Lines(d);
    EXPECT_TRUE(contains(lines[2], "  2 │       ? ──> [ L ]  (con.=13)"));
    EXPECT_TRUE(contains(lines[3], "  3 │       ? ──> [ C ]  (con.=13)"));
    EXPECT_TRUE(contains(lines[4], "  4 └──── Source"));
}

TEST(SchematicRenderer, LinesAndPlainCharacters) {
    Design d = designOf({{50, 'Z', 23}, {1.5707963, 'D', 23}, {2e-12, 'C', 2}});
    auto lines = utf8Lines(d);
    EXPECT_EQ(lines[1], kSpacer);
    EXPECT_TRUE(contains(lines[2], "  1.║ + + + + + + + ║           50 Ohms           90 Deg."));
    RendererConfig plain;
    plain.plainCharacters = true;
    Renderer r(plain);
    r.draw(d, SinkKind::Document, 0, 0);
    EXPECT_EQ(r.document()[0].substr(0, 21), "  0 ,- Termination -,");
    EXPECT_EQ(r.document()[1], "    |               |");
    EXPECT_EQ(r.document()[2].substr(0, 21), "  1.I + + + + + + + I");
    // An [SWR] line away from branch 1 beeps and says so.
    Design e = designOf({{1e-12, 'C', 2}, {-1, 'Z', 23}, {0, 'D', 23}});
    e.record[25].value2 = 1.5;
    ui::ScriptedToolkit tk;
    Renderer w;
    w.toolkit = &tk;
    w.draw(e, SinkKind::Document, 0, 0);
    EXPECT_EQ(tk.beeps, 1);
    EXPECT_EQ(ui::cp437ToUtf8(w.document()[3]), "  2.│   Error ──> [SWR] Branch 1 Only!    1.5 :1");
}

TEST(SchematicRenderer, TextScreenSinkShowsTheStartOfEachLine) {
    Design d = designOf({{1e-12, 'C', 2}, {1e-9, 'L', 3}, {1e-12, 'C', 2}});
    ui::TextScreen screen(80, 4);
    Renderer r;
    r.textView.screen = &screen;
    r.textView.cursorRow = 1;
    int last = r.draw(d, SinkKind::TextScreen, 0, 0);
    EXPECT_TRUE(r.stopped());
    EXPECT_EQ(last, 2); // the spacer that opens branch 2 took the last row
    EXPECT_EQ(ui::cp437ToUtf8(screen.rowText(1)).substr(0, 45), std::string(45, ' '));
    EXPECT_EQ(ui::cp437ToUtf8(screen.rowText(1).substr(45)), "  0 ┌─ Termination ─┐");
    EXPECT_EQ(ui::cp437ToUtf8(screen.rowText(2).substr(45)), "  1 ├────── C ──────┤");
    EXPECT_EQ(ui::cp437ToUtf8(screen.rowText(3).substr(45)), "    │               │");
    EXPECT_EQ(r.lineMap()[1], 0);
    EXPECT_EQ(r.lineMap()[2], 1);
}

TEST(SchematicRenderer, LayoutConfigurationColoursLabelsByBranch) {
    Design d = designOf({{1e-12, 'C', 2}, {2e-9, 'L', 3}, {0, '_', 99}, {0, 'x', 92}});
    RendererConfig c = layoutConfig();
    c.labelAttribute = [](int entry) { return entry == 1 ? 31 : 8; };
    c.labelDecorator = [](int entry, std::string& label) {
        if (entry == 1) pointAtLabel(label);
    };
    ui::TextScreen screen(80, 20);
    Renderer r(c);
    r.window.screen = &screen;
    r.window.visibleLines = 15;
    r.window.firstSelected = 1; // the layout program colours by branch, not selection
    std::vector<std::string> pieces;
    r.documentOut = [&](const std::string& piece, bool) { pieces.push_back(piece); };
    r.draw(d, SinkKind::Window, 0, -1);
    EXPECT_EQ(screen.at(30, 1).attr, 31);
    EXPECT_EQ(screen.at(30, 3).attr, 8);
    EXPECT_EQ(ui::cp437ToUtf8(screen.rowText(1)), "  1 ├────── C ──────┤  ─────────>1 pFd.");
    // The closing line carries no design name; an instruction with value 0
    // reads "Q = Inf." here.
    // One spacer after the series inductor, none for the code-99 entry.
    EXPECT_EQ(screen.rowText(4), CP437("    │               │"));
    EXPECT_EQ(screen.rowText(7), "  6  Fc = 100 MHz.");
    EXPECT_NE(screen.rowText(5).find("Q = Inf."), std::string::npos);
    EXPECT_TRUE(pieces.empty()); // the window sink sends nothing to the document
    r.draw(d, SinkKind::Document, 0, 0);
    ASSERT_FALSE(pieces.empty());
    EXPECT_EQ(pieces.front(), r.document().front().substr(0, pieces.front().size()));
}
