// The picture of every connection code. Each element line carries its own
// branch number; lines of the rails alone belong to no branch.
#include "schematic/cp437_literal.h"
#include "schematic/renderer.h"
#include "ui/toolkit.h"

#include <cstdio>

namespace tanvex::schematic {

namespace {

struct InstructionName {
    const char* symbol; // drawn until a code-99 entry has been seen
    const char* word;   // drawn after it
};

const InstructionName& instructionName(int code) {
    static const InstructionName kNames[11] = {
        {CP437("#──Par───> Σ"), "    Par     "}, {CP437("#──Ser───> Σ"), "    Series  "},
        {CP437("#─Push─> Stk"), "    Store   "}, {CP437("#──Par─> Stk"), "    Psub    "},
        {CP437("#──Ser─> Stk"), "    Ssub    "}, {CP437(" Stk─Par─> Σ"), "    Pnet    "},
        {CP437(" Stk─Ser─> Σ"), "    Snet    "}, {CP437(" D->Y in Stk"), "    D-Y     "},
        {CP437(" Stk+1───> #"), "    Recall  "}, {"", ""},
        {CP437(" Y->D in Stk"), "    Y-D     "},
    };
    return kNames[code - 90];
}

} // namespace

void Renderer::drawGroup(int i, int c) {
    const EntryList& list = design_->entries;
    auto L = [&](int k) { return letter(k); };
    auto whole = [&](const char* t) { piece(kTagNoBranch, t); };
    bool sets = false;   // the group sits in the signal rail as a series element
    bool leaves = false; // the group leaves the series-rail flag as it was
    silent_ = false;

    switch (c) {
    case 2:
        piece(i, CP437("%3d ├────── %c ──────┤  "), i, L(i));
        drawLabels(i, 1);
        break;
    case 3:
        if (!seriesRail_) spacer();
        piece(i, CP437("%3d │               %c  "), i, L(i));
        drawLabels(i, 1);
        sets = true;
        break;
    case 4:
        piece(i, CP437("%3d.├─── %c ─── %c ───┤  "), i, L(i), L(i + 1));
        drawLabels(i, 2);
        break;
    case 5:
        whole(CP437("    │             ┌─┴─┐@"));
        piece(i, CP437("%3d.│             %c   %c"), i, L(i), L(i + 1));
        drawLabels(i, 2);
        whole(CP437("    │             └─┬─┘@"));
        break;
    case 6:
        piece(i, CP437("%3d.├─── %c ─┐       │  "), i, L(i));
        drawLabels(i, 1);
        piece(i + 1, CP437("%3d ├─── %c ─┴─ %c ───┤  "), i + 1, L(i + 1), L(i + 2));
        drawLabels(i + 1, 2);
        break;
    case 7:
        whole(CP437("    │             ┌─┴─┐@"));
        piece(i, CP437("%3d.│             %c   │"), i, L(i));
        drawLabels(i, 1);
        whole(CP437("    │             │   │@"));
        piece(i + 1, CP437("%3d │             %c   %c"), i + 1, L(i + 1), L(i + 2));
        drawLabels(i + 1, 2);
        whole(CP437("    │             └─┬─┘@"));
        break;
    case 8:
        if (sidePort_ > 0) {
            piece(kTagNoBranch, CP437("    └────>          └─── to Common %c ───>@"),
                  '@' + sidePort_);
        } else {
            whole(CP437("    └────>          └─── to Source ───>@"));
        }
        piece(i, CP437("%3d ┌── port term ──┐  "), i);
        drawLabels(i, 1);
        break;
    case 9:
        piece(i, CP437("%3d │               │<─── Common %c@"), i, '@' + sidePort_);
        --sidePort_;
        break;
    case 10:
        whole(CP437("    │             ┌─┴─┐@"));
        piece(i, CP437("%3d.│             %c   %c"), i, L(i), L(i + 1));
        drawLabels(i, 2);
        piece(i + 3, CP437("%3d ├─── %c ── %c ──)───┤"), i + 3, L(i + 3), L(i + 4));
        drawLabels(i + 3, 2);
        piece(i + 2, CP437("%3d │             │   %c"), i + 2, L(i + 2));
        drawLabels(i + 2, 1);
        whole(CP437("    │             └─┬─┘@"));
        break;
    case 11:
        if (!seriesRail_) spacer();
        piece(i, CP437("%3d.│         ┌────*L  "), i);
        drawLabels(i, 1);
        piece(i + 1, CP437("%3d ├─── %c ───┘     │  "), i + 1, L(i + 1));
        drawLabels(i + 1, 1);
        break;
    case 12:
        whole(CP437("    │            ┌──┴─┐@"));
        piece(i, CP437("%3d.│            %c ┌─*L"), i, L(i));
        drawLabels(i, 2);
        piece(i + 2, CP437("%3d ├─── %c ── %c ─)─┘  │"), i + 2, L(i + 2), L(i + 3));
        drawLabels(i + 2, 2);
        whole(CP437("    │            └──┬─┘@"));
        break;
    case 13:
        if (list[i + 1].code == 13) {
            whole(CP437("    │   ┌───────────┘@"));
            piece(i, CP437("%3d.│   ├── %c ─ %c ──┐  "), i, L(i), L(i + 1));
            drawLabels(i, 2);
            piece(i + 2, CP437("%3d │   ├──── %c ────┤  "), i + 2, L(i + 2));
            drawLabels(i + 2, 1);
            piece(i + 3, CP437("%3d │   └─ %c ─┬─ %c ─┤  "), i + 3, L(i + 3), L(i + 4));
            drawLabels(i + 3, 2);
            whole(CP437("    │       ┌─┴─┐   │@"));
            piece(i + 5, CP437("%3d │       %c   %c   │  "), i + 5, L(i + 5), L(i + 6));
            drawLabels(i + 5, 2);
            whole(CP437("    │       └─┬─┘   │@"));
            piece(i + 7, CP437("%3d ├─── %c ───┘     │  "), i + 7, L(i + 7));
            drawLabels(i + 7, 1);
        } else {
            double f = trapFrequency(list, list[i + 1].code, i);
            if (f > 0.0) {
                const UnitBlock& u = units().frequency;
                piece(kTagNoBranch, CP437("    │             ┌─┴─┐     Fx = %.5g %s@"),
                      f * u.multiplier, u.name.c_str());
            } else {
                whole(CP437("    │             ┌─┴─┐@"));
            }
            piece(i, CP437("%3d.│             │   %c"), i, L(i));
            drawLabels(i, 1);
            piece(i + 3, CP437("%3d │             %c   │"), i + 3, L(i + 3));
            drawLabels(i + 3, 1);
            if (list[i + 5].code != 13) {
                piece(i + 5, CP437("%3d ╞═════:─r─:═══╡   │"), i + 5);
                drawLabels(i + 5, 2);
            } else {
                piece(i + 5, CP437("%3d ├────── %c ────┤   │"), i + 5, L(i + 5));
                drawLabels(i + 5, 1);
                piece(i + 6, CP437("%3d ├────── %c ────┤   │"), i + 6, L(i + 6));
                drawLabels(i + 6, 1);
            }
            piece(i + 4, CP437("%3d │             %c   │"), i + 4, L(i + 4));
            drawLabels(i + 4, 1);
            whole(CP437("    │             └─┬─┘@"));
        }
        break;
    case 14:
        piece(i, CP437("%3d.├── %c ─ %c ─ %c ──┤  "), i, L(i), L(i + 1), L(i + 2));
        drawLabels(i, 3);
        break;
    case 15:
        whole(CP437("    │         ┌───┬─┴─┐@"));
        piece(i, CP437("%3d.│         %c   %c   %c"), i, L(i), L(i + 1), L(i + 2));
        drawLabels(i, 3);
        whole(CP437("    │         └───┴─┬─┘@"));
        break;
    case 16:
        piece(i, CP437("%3d.╞═════:───:═════╡  "), i);
        drawLabels(i, 2);
        break;
    case 18:
        piece(i, CP437("%3d.╞═════:   :═════╡  "), i);
        drawLabels(i, 2);
        break;
    case 38:
        piece(i, CP437("%3d.╞═════: z :═════╡  "), i);
        drawLabels(i, 2);
        break;
    case 42:
        piece(i, CP437("%3d.╞═════:─r─:═════╡  "), i);
        drawLabels(i, 2);
        break;
    case 17:
    case 39:
        whole(c == 17 ? CP437("    │        ┌:═════╛@") : CP437("    │       z┌:═════╛@"));
        piece(i, CP437("%3d.│        └:═════╕  "), i);
        drawLabels(i, 2);
        break;
    case 19:
    case 43:
        whole(c == 19 ? CP437("    │         :═════╛@") : CP437("    │        r:═════╛@"));
        piece(i, CP437("%3d.│         :═════╕  "), i);
        drawLabels(i, 2);
        break;
    case 20:
        piece(i, CP437("%3d.╞═══:───:═══*-%c─┤  "), i, L(i + 2));
        drawLabels(i, 3);
        break;
    case 34:
        piece(i, CP437("%3d.╞═══:   :═══*-%c─┤  "), i, L(i + 2));
        drawLabels(i, 3);
        break;
    case 21:
        if (list[i].value != -1.0) {
            piece(i, CP437("%3d │   Report ──> ─┘@"), i);
        } else {
            leaves = true;
            silent_ = true;
        }
        break;
    case 22: {
        const UnitBlock& u = units().frequency;
        double v = list[i].value;
        if (v >= 0.0) {
            setHighlight(i, 37);
            piece(i, CP437("%3d │               │    Ref. freq. = %g %s@"), i, v * u.multiplier,
                  u.name.c_str());
        } else {
            std::string name;
            char slot = list[i].letter;
            if (slot >= '0' && slot <= '9') name = design_->names[slot - '0'];
            if (name.empty()) name = design_->record[14].text;
            name = name.substr(0, 29);
            setHighlight(i, 4);
            if (v == -8.0)
                piece(i, CP437("%3d ├── R+jX fits ──┤          (%s)@"), i, name.c_str());
            else if (v == -9.0)
                piece(i, CP437("%3d ├── R+jX data ──┤          (%s)@"), i, name.c_str());
            else
                piece(i, "%3d  -8=fits -9=data @", i);
        }
        break;
    }
    case 23:
        if (!seriesRail_) spacer();
        if (list[i].value >= 0.0) {
            piece(i, CP437("%3d.║ + + + + + + + ║  "), i);
        } else if (i == 1) {
            piece(i, CP437("%3d.│             [SWR] "), i);
        } else {
            piece(i, CP437("%3d.│   Error ──> [SWR] Branch 1 Only!"), i);
            if (toolkit) toolkit->beep();
        }
        if (list[i].value == -1.0) {
            if (sink_ == SinkKind::TextScreen)
                piece(i, "@");
            else
                piece(i, "    %g :1@", design_->record[25].value2);
        } else {
            drawLabels(i, 2);
        }
        sets = true;
        break;
    case 24:
        setHighlight(i, 23);
        piece(i, CP437("%3d ╞════[ N:1 ]════╡   %10.4g :1 turns@"), i, list[i].value);
        break;
    case 25:
        whole(CP437("    │       ┌─:═════╛@"));
        piece(i, CP437("%3d.│       %c─:═════╕  "), i, L(i));
        drawLabels(i, 3);
        sets = true;
        break;
    case 26:
        piece(i, CP437("%3d.╞═════:-%c-:═════╡  "), i, L(i));
        drawLabels(i, 3);
        break;
    case 27:
        whole(CP437("    │         ┌───┬─┴─┐@"));
        piece(i, CP437("%3d.│         %c   │   │"), i, L(i));
        drawLabels(i, 1);
        whole(CP437("    │         │   │   │@"));
        piece(i + 1, CP437("%3d │         %c   %c   %c"), i + 1, L(i + 1), L(i + 2), L(i + 3));
        drawLabels(i + 1, 3);
        whole(CP437("    │         └───┴─┬─┘@"));
        break;
    case 28:
        piece(i, CP437("%3d.├─ %c ─┐         │  "), i, L(i));
        drawLabels(i, 1);
        piece(i + 1, CP437("%3d ├─ %c ─┴─ %c ─ %c ─┤  "), i + 1, L(i + 1), L(i + 2), L(i + 3));
        drawLabels(i + 1, 3);
        break;
    case 29:
        whole(CP437("    │         ┌───┬─┴─┐@"));
        piece(i, CP437("%3d.│         %c   %c   │"), i, L(i), L(i + 1));
        drawLabels(i, 2);
        whole(CP437("    │         └───┤   │@"));
        piece(i + 2, CP437("%3d │             %c   %c"), i + 2, L(i + 2), L(i + 3));
        drawLabels(i + 2, 2);
        whole(CP437("    │             └─┬─┘@"));
        break;
    case 30:
        piece(i, CP437("%3d.├─ %c ─ %c ─┐     │  "), i, L(i), L(i + 1));
        drawLabels(i, 2);
        piece(i + 2, CP437("%3d ├─── %c ───┴─ %c ─┤  "), i + 2, L(i + 2), L(i + 3));
        drawLabels(i + 2, 2);
        break;
    case 31:
        whole(CP437("    │       ┌───┬───┤@"));
        piece(i, CP437("%3d.│       %c   %c   │  "), i, L(i), L(i + 1));
        drawLabels(i, 2);
        whole(CP437("    │       └─┬─┘ ┌─┴─┐@"));
        piece(i + 2, CP437("%3d │         %c   %c   %c"), i + 2, L(i + 2), L(i + 3), L(i + 4));
        drawLabels(i + 2, 3);
        whole(CP437("    │         │   └─┬─┘@"));
        piece(i + 5, CP437("%3d │         │     %c  "), i + 5, L(i + 5));
        drawLabels(i + 5, 1);
        whole(CP437("    │         └─────┤@"));
        break;
    case 32:
        piece(i, CP437("%3d.├─ %c %c ─┐       │  "), i, L(i), L(i + 1));
        drawLabels(i, 2);
        piece(i + 2, CP437("%3d ├── %c ──┼─ %c %c ─┤  "), i + 2, L(i + 2), L(i + 3), L(i + 4));
        drawLabels(i + 2, 3);
        piece(i + 5, CP437("%3d │       └── %c ──┤  "), i + 5, L(i + 5));
        drawLabels(i + 5, 1);
        break;
    case 33:
    case 35: {
        bool shorted = c == 33;
        piece(i, CP437("%3d.│        %s:═════╧─┐"), i, shorted ? CP437("┌") : " ");
        drawLabels(i, 2);
        piece(i + 2, CP437("%3d │        %s:═════╤-%c"), i + 2, shorted ? CP437("└") : " ",
              L(i + 2));
        drawLabels(i + 2, 1);
        break;
    }
    case 36:
        piece(i, CP437("%3d.╞══:  :═╕       │  "), i);
        drawLabels(i, 2);
        piece(i + 2, CP437("%3d │       ╘═:──:══╡  "), i + 2);
        drawLabels(i + 2, 2);
        break;
    case 37:
        piece(i, CP437("%3d.│          ┌:═══╡  "), i);
        drawLabels(i, 2);
        whole(CP437("    │      :═══└:══╕╛@"));
        piece(i + 2, CP437("%3d │      :═══════╧┐  "), i + 2);
        drawLabels(i + 2, 2);
        break;
    case 40:
        piece(i, CP437("%3d.│    ╒═: :═╕    │  "), i);
        drawLabels(i, 2);
        piece(i + 2, CP437("%3d ╞═══:┘     └:═══╡  "), i + 2);
        drawLabels(i + 2, 2);
        break;
    case 41:
        whole(CP437("    │             ┌─┴─┐@"));
        piece(i, CP437("%3d.│             %c   │"), i, L(i));
        drawLabels(i, 1);
        piece(i + 1, CP437("%3d ├────── %c ────┤   │"), i + 1, L(i + 1));
        drawLabels(i + 1, 1);
        piece(i + 2, CP437("%3d │             %c   %c"), i + 2, L(i + 2), L(i + 3));
        drawLabels(i + 2, 2);
        piece(i + 4, CP437("%3d ├─── %c ── %c ──)───┤"), i + 4, L(i + 4), L(i + 5));
        drawLabels(i + 4, 2);
        piece(i + 6, CP437("%3d │             │   %c"), i + 6, L(i + 6));
        drawLabels(i + 6, 1);
        whole(CP437("    │             └─┬─┘@"));
        leaves = true;
        break;
    case 44:
        piece(i, CP437("%3d │  Q branch %-3d │  "), i, i + L(i) - '0');
        drawLabels(i, 1);
        break;
    case 45:
        whole(CP437("    │   ┌───────────┘@"));
        piece(i, CP437("%3d.│   ├──── %c ────┐  "), i, L(i));
        drawLabels(i, 1);
        piece(i + 1, CP437("%3d │   ├──── %c ────┤  "), i + 1, L(i + 1));
        drawLabels(i + 1, 1);
        piece(i + 2, CP437("%3d │   ├──── %c ────┤  "), i + 2, L(i + 2));
        drawLabels(i + 2, 1);
        piece(i + 3, CP437("%3d │   └─ %c ─┬─ %c ─┤  "), i + 3, L(i + 3), L(i + 4));
        drawLabels(i + 3, 2);
        piece(i + 5, CP437("%3d │         %c     │  "), i + 5, L(i + 5));
        drawLabels(i + 5, 1);
        piece(i + 6, CP437("%3d │         %c     │  "), i + 6, L(i + 6));
        drawLabels(i + 6, 1);
        piece(i + 7, CP437("%3d ├─── %c ───┘     │  "), i + 7, L(i + 7));
        drawLabels(i + 7, 1);
        break;
    case 46:
        piece(i, CP437("%3d.╞══:──:═╕       │"), i);
        drawLabels(i, 2);
        piece(i + 2, CP437("%3d ├─── %c ─┴─ %c ───┤"), i + 2, L(i + 2), L(i + 3));
        drawLabels(i + 2, 2);
        break;
    case 47:
        whole(CP437("    │             ┌─┴─┐@"));
        piece(i, CP437("%3d.│        :════╧   │"), i);
        drawLabels(i, 2);
        whole(CP437("    │        :════╤   │@"));
        piece(i + 2, CP437("%3d │             %c   %c"), i + 2, L(i + 2), L(i + 3));
        drawLabels(i + 2, 2);
        whole(CP437("    │             └─┬─┘@"));
        break;
    case 48:
        if (list[i + 2].letter == 'R' && list[i + 2].value < 1e-70) {
            piece(i, CP437("%3d.├─── %c ─┐       │  "), i, L(i));
            drawLabels(i, 1);
            piece(i + 1, CP437("%3d ├─── %c ─┤       │  "), i + 1, L(i + 1));
            drawLabels(i + 1, 1);
            piece(i + 3, CP437("%3d ├─── %c ─┴── %c ──┤  "), i + 3, L(i + 3), L(i + 4));
            drawLabels(i + 3, 2);
        } else {
            piece(i, CP437("%3d.├─ %c ─┐         │  "), i, L(i));
            drawLabels(i, 1);
            piece(i + 1, CP437("%3d ├─ %c ─┴─ %c ┐    │  "), i + 1, L(i + 1), L(i + 2));
            drawLabels(i + 1, 2);
            piece(i + 3, CP437("%3d ├──── %c ───┴ %c ─┤  "), i + 3, L(i + 3), L(i + 4));
            drawLabels(i + 3, 2);
        }
        break;
    case 49:
        piece(i, CP437("%3d.│         ┌ %c ┬─┤"), i, L(i));
        drawLabels(i, 1);
        piece(i + 1, CP437("%3d │         %c   %c │"), i + 1, L(i + 1), L(i + 2));
        drawLabels(i + 1, 2);
        whole(CP437("    │         └─┬─┘ │@"));
        piece(i + 3, CP437("%3d │           %c   %c"), i + 3, L(i + 3), L(i + 4));
        drawLabels(i + 3, 2);
        whole(CP437("    │           └───┤@"));
        break;
    case 50:
        setHighlight(i, 4);
        if (list[i].letter == 'D')
            piece(i, CP437("%3d ├─  Delay data ─┤@"), i);
        else
            piece(i, CP437("%3d ├ Ampitude data ┤@"), i);
        break;
    case 51:
        whole(CP437("    │   ┌───────────┘@"));
        piece(i, CP437("%3d.│   ├── %c ─ %c ──┐  "), i, L(i), L(i + 1));
        drawLabels(i, 2);
        piece(i + 2, CP437("%3d │   ├── %c ─ %c ──┤  "), i + 2, L(i + 2), L(i + 3));
        drawLabels(i + 2, 2);
        piece(i + 4, CP437("%3d │   └─ %c ─┬─ %c ─┤  "), i + 4, L(i + 4), L(i + 5));
        drawLabels(i + 4, 2);
        whole(CP437("    │       ┌─┴─┐   │@"));
        piece(i + 6, CP437("%3d │       %c   %c   │  "), i + 6, L(i + 6), L(i + 7));
        drawLabels(i + 6, 2);
        whole(CP437("    │       └─┬─┘   │@"));
        whole(CP437("    │       ┌─┴─┐   │@"));
        piece(i + 8, CP437("%3d │       %c   %c   │  "), i + 8, L(i + 8), L(i + 9));
        drawLabels(i + 8, 2);
        whole(CP437("    │       └─┬─┘   │@"));
        piece(i + 10, CP437("%3d ├─── %c ───┘     │  "), i + 10, L(i + 10));
        drawLabels(i + 10, 1);
        break;
    case 52:
        whole(CP437("    │ ┌───┬─────────┘@"));
        whole(CP437("    │ │ ┌─┴─┐ ┌───┐@"));
        piece(i, CP437("%3d.│ │ %c   %c │ ┌─┴─┐  "), i, L(i), L(i + 1));
        drawLabels(i, 2);
        piece(i + 2, CP437("%3d │ │ └─┬─┘ │ %c   %c  "), i + 2, L(i + 2), L(i + 3));
        drawLabels(i + 2, 2);
        whole(CP437("    │ │   └───┘ └─┬─┘@"));
        piece(i + 4, CP437("%3d │ └─ %c ─┬─ %c ─┴─┐  "), i + 4, L(i + 4), L(i + 5));
        drawLabels(i + 4, 2);
        whole(CP437("    │   ┌───┘       │@"));
        piece(i + 6, CP437("%3d │   ├─ %c ─ %c ─┐ │  "), i + 6, L(i + 6), L(i + 7));
        drawLabels(i + 6, 2);
        piece(i + 8, CP437("%3d │   └─ %c ─ %c ─┤ │  "), i + 8, L(i + 8), L(i + 9));
        drawLabels(i + 8, 2);
        piece(i + 10, CP437("%3d ├─────── %c ───┘ │  "), i + 10, L(i + 10));
        drawLabels(i + 10, 1);
        break;
    case 53:
        piece(i, CP437("%3d │               │  Q%c change "), i, L(i));
        drawLabels(i, 1);
        break;
    case 99:
        instructionNames_ = true;
        leaves = true;
        silent_ = true;
        break;
    default:
        if (c >= 90 && c <= 100) {
            const InstructionName& name = instructionName(c);
            piece(i, CP437("%3d │ %s  %c  "), i, instructionNames_ ? name.word : name.symbol, L(i));
            drawLabels(i, 1);
        } else {
            piece(i, CP437("%3d │       ? ──> [ %c ]  (con.=%d)"), i, L(i), c);
            drawLabels(i, 1);
        }
        break;
    }
    if (!leaves) seriesRail_ = sets;
}

} // namespace tanvex::schematic
