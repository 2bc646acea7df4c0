#include "schematic/insert_selector.h"

#include "design/operations.h"
#include "schematic/cp437_literal.h"
#include "schematic/editor.h"
#include "schematic/network_edit.h"
#include "schematic/renderer.h"
#include "ui/selection.h"

#include <cmath>
#include <cstdio>

namespace tanvex::schematic {

namespace {

// The element pattern of a group: E a lettered element, T a line section
// (Z and D entries), S a single special entry.
std::string patternOf(int code) {
    switch (code) {
    case 2:
    case 3:
        return "E";
    case 4:
    case 5:
        return "EE";
    case 6:
    case 7:
    case 14:
    case 15:
        return "EEE";
    case 27:
    case 28:
    case 29:
    case 30:
        return "EEEE";
    case 10:
    case 48:
    case 49:
        return "EEEEE";
    case 31:
    case 32:
        return "EEEEEE";
    case 41:
        return "EEEEEEE";
    case 13:
    case 45:
        return "EEEEEEEE";
    case 16:
    case 17:
    case 18:
    case 19:
    case 23:
        return "T";
    case 20:
    case 33:
    case 34:
    case 35:
        return "TE";
    case 25:
    case 26:
        return "ET";
    case 36:
    case 37:
    case 40:
        return "TT";
    default:
        return "S";
    }
}

// The group's entries as the selector's picture shows them.
std::vector<NetEntry> pictureEntries(const InsertChoice& choice) {
    std::vector<NetEntry> out;
    int c = choice.code;
    char next = 'A';
    for (char kind : patternOf(c)) {
        if (kind == 'E') {
            out.push_back({1.0, next++, c});
        } else if (kind == 'T') {
            out.push_back({50.0, 'Z', c});
            out.push_back({1.0, 'D', c});
        } else if (c == 8) {
            out.push_back({50.0, 'R', c});
        } else if (c == 22) {
            out.push_back({choice.value, 'J', c});
        } else if (c == 24) {
            out.push_back({1.0, 'N', c});
        } else if (c == 50) {
            out.push_back({0.0, 'D', c});
        } else {
            out.push_back({0.0, '_', c});
        }
    }
    return out;
}

// The picture of a group: its drawn lines without the branch numbers and
// without spacer lines; trimmed drops the rail-only lines above and below it.
std::vector<InsertRow> pictureRows(const InsertChoice& choice, int index, bool trimmed) {
    Design d;
    std::vector<NetEntry> group = pictureEntries(choice);
    d.entries[0] = {1.0, 'R', 1};
    int k = 1;
    for (const auto& e : group) d.entries[k++] = e;
    d.entries[k] = {1.0, 'R', 1};
    d.entries[k + 1] = {1e8, 'x', 1};
    d.record[kSlotName].setText("");
    if (choice.code == 22 && choice.value < 0) d.record[14].setText("file");
    Renderer r;
    r.config.valueLabels = false;
    r.draw(d, SinkKind::Document, 1, static_cast<int>(group.size()));
    const std::string spacer = CP437("    │               │");
    std::vector<std::string> lines;
    std::vector<bool> element;
    for (std::size_t line = 0; line < r.document().size(); ++line) {
        const std::string& text = r.document()[line];
        if (text == spacer) continue;
        lines.push_back(text.size() > 4 ? "    " + text.substr(4) : text);
        element.push_back(r.branchAtLine(static_cast<int>(line)) >= 0);
    }
    std::size_t from = 0, to = lines.size();
    if (trimmed) {
        while (from < to && !element[from]) ++from;
        while (to > from && !element[to - 1]) --to;
    }
    std::vector<InsertRow> rows;
    for (std::size_t line = from; line < to; ++line) {
        bool first = rows.empty();
        InsertRow row;
        row.text = (first ? "( )" : "   ") + lines[line];
        row.choice = first ? index : -1;
        rows.push_back(row);
    }
    return rows;
}

InsertPage makePage(const char* title, std::vector<InsertChoice> choices) {
    InsertPage page;
    page.title = title;
    page.choices = std::move(choices);
    for (bool trimmed : {false, true}) {
        page.rows.clear();
        for (std::size_t i = 0; i < page.choices.size(); ++i)
            for (auto& row : pictureRows(page.choices[i], static_cast<int>(i), trimmed))
                page.rows.push_back(row);
        if (static_cast<int>(page.rows.size()) < kInsertMaxRows) break;
    }
    if (static_cast<int>(page.rows.size()) >= kInsertMaxRows) page.rows.resize(kInsertMaxRows - 1);
    return page;
}

} // namespace

const std::vector<InsertPage>& insertPages() {
    static const std::vector<InsertPage> kPages = {
        makePage("> Lumped components 1-3 <", {{2}, {3}, {4}, {5}, {6}, {7}, {14}, {15}}),
        makePage(">  4 part combinations  <", {{27}, {28}, {29}, {30}, {22, -9.0}, {22, -8.0}}),
        makePage(">      Series stubs     <", {{17}, {19}, {25}, {37}, {33}, {35}}),
        makePage(
            "> Par stubs and special <",
            {{23}, {16}, {18}, {26}, {40}, {36}, {20}, {34}, {21}, {24}, {8}, {50}, {9}, {22}}),
        makePage(">   Special networks 2  <", {{31}, {32}, {49}, {48}, {10}}),
        makePage(">   Special networks 3  <", {{45}, {41}, {13}}),
    };
    return kPages;
}

std::string drawInsertPage(ui::TextScreen& screen, int page, int elementType, int& lastRow) {
    const auto& pages = insertPages();
    const InsertPage& p = pages[page];
    screen.clear();
    screen.text(34, 0, "+ INSERT +", 14);
    screen.text(4, 2, "> Lumped element type <", 11);
    const char* types[3] = {"Inductor", "Capacitor", "Resistor"};
    std::string options;
    for (int t = 0; t < 3; ++t) {
        screen.text(4, kInsertFirstRow + t, t == elementType ? "(*) " : "( ) ", 7);
        screen.text(8, kInsertFirstRow + t, types[t], 7);
        options += std::string(options.empty() ? "" : ",") + types[t];
    }
    options += ",-"; // the page title row
    screen.text(4, kInsertPageRow - 1, p.title, 11);
    int row = kInsertPageRow;
    for (const auto& r : p.rows) {
        screen.text(4, row++, r.text, 7);
        if (r.choice >= 0) {
            char label[32];
            std::snprintf(label, sizeof label, "Code %d", p.choices[r.choice].code);
            options += std::string(",") + label;
        } else {
            options += ",-";
        }
    }
    const InsertPage& next = pages[(page + 1) % kInsertPages];
    const InsertPage& prev = pages[(page + kInsertPages - 1) % kInsertPages];
    screen.text(4, row++, "( ) Next page", 7);
    options += ",Next page";
    screen.text(4, row, ("( ) Next:     " + next.title), 8);
    options += ",Next";
    screen.text(4, row + 1, ("( ) Previous: " + prev.title), 8);
    options += ",Previous";
    lastRow = row + 1;
    screen.text(4, lastRow + 2, " <Esc> to exit ", 14);
    ++screen.revision;
    return options;
}

void Editor::insert() {
    EntryList& list = design_.entries;
    int after = askOne('+');
    if (after < 0 || after >= n()) {
        error_ = "* Bad branch number *";
        return;
    }
    after = groupEnd(groups_, after);
    const auto& pages = insertPages();
    ui::TextScreen screen(80, 32);
    int page = 0;
    int elementType = 0;
    char buf[96];
    for (;;) {
        int lastRow = 0;
        std::string options = drawInsertPage(screen, page, elementType, lastRow);
        if (showScreen) showScreen(screen);
        int k = tk_.select(0, 1, kInsertFirstRow, true, lastRow, options);
        if (k == ui::kSelectHelp) {
            help_ = "INSERT.HLW";
            tk_.showHelp(help_);
            continue;
        }
        int row = kInsertFirstRow + k - 1;
        if (k <= 0 || row > lastRow) return; // Esc, or nothing chosen
        if (row < kInsertFirstRow + 3) {
            elementType = row - kInsertFirstRow;
            continue;
        }
        int pageRows = static_cast<int>(pages[page].rows.size());
        if (row >= lastRow - 2) {
            page = (row == lastRow) ? (page + kInsertPages - 1) % kInsertPages
                                    : (page + 1) % kInsertPages;
            continue;
        }
        int index = row - kInsertPageRow;
        if (index < 0 || index >= pageRows || pages[page].rows[index].choice < 0) continue;
        InsertChoice choice = pages[page].choices[pages[page].rows[index].choice];

        // Ask the group's entries one by one.
        std::snprintf(buf, sizeof buf, "Branch %d ", after + 1);
        status_ = buf;
        // The selector's screen is what shows now: the status goes on it,
        // beside " <Esc> to exit ".
        screen.text(24, lastRow + 2, status_, 15);
        if (showScreen) showScreen(screen);
        int c = choice.code;
        const Notation& u = design_.notation;
        std::vector<NetEntry> group;
        bool complete = true;
        char letter = 'A';
        for (char kind : patternOf(c)) {
            double value = 0.0;
            if (kind == 'E') {
                int type = 0;
                for (int tries = 0;; ++tries) {
                    tk_.clearPrompt();
                    promptLine_ = 0;
                    // The branch the element goes to, then the element:
                    // "Branch 4 , Element A".
                    std::snprintf(buf, sizeof buf, "Branch %d , Element %c", after + 1, letter);
                    addPrompt(buf); // stays up for the value's input box
                    type = tk_.select(elementType + 1, 0, 0, false, 0, "&L,&C,&R");
                    if (type >= 1 && type <= 3) break;
                    tk_.notice("Don't stop - Select R, L or C first!");
                    if (tries > 20) return;
                }
                char l = "LCR"[type - 1];
                const UnitBlock& unit = unitOf(u, l);
                std::snprintf(buf, sizeof buf, "Value (%s) ? ", unit.name.c_str());
                addPrompt(buf);
                if (!askNumber(value)) {
                    complete = false;
                    break;
                }
                group.push_back({value / unit.multiplier, l, c});
                ++letter;
            } else if (kind == 'T') {
                std::vector<double> v;
                for (;;) {
                    std::snprintf(buf, sizeof buf, "Zo (%s) , Length (%s) ? ",
                                  u.impedance.name.c_str(), u.angle.name.c_str());
                    addPrompt(buf);
                    tk_.inputBox();
                    promptLine_ = 0;
                    if (tk_.textResult.find_first_not_of(" \t") == std::string::npos) break;
                    v.clear();
                    double a = 0.0, b = 0.0;
                    int got = std::sscanf(tk_.textResult.c_str(), "%lf ,%lf", &a, &b);
                    if (got == 2) {
                        v = {a, b};
                        break;
                    }
                    tk_.beep();
                }
                if (v.size() != 2) {
                    complete = false;
                    break;
                }
                group.push_back({v[0] / u.impedance.multiplier, 'Z', c});
                group.push_back({v[1] / u.angle.multiplier, 'D', c});
            } else if (c == 8 || c == 24 || (c == 22 && choice.value >= 0.0)) {
                const UnitBlock& unit = c == 8 ? u.impedance : (c == 24 ? u.turns : u.frequency);
                const char* prompt = c == 8    ? "Sideport termination (%s)? "
                                     : c == 24 ? "Turns ratio (%s)? "
                                               : "Ref. frequency (%s)? ";
                std::snprintf(buf, sizeof buf, prompt, unit.name.c_str());
                addPrompt(buf);
                if (!askNumber(value)) {
                    complete = false;
                    break;
                }
                group.push_back({value / unit.multiplier, c == 8 ? 'R' : (c == 24 ? 'N' : 'J'), c});
            } else if (c == 22) {
                group.push_back({choice.value, 'J', 22});
            } else if (c == 50) {
                addPrompt("EQ Data file: D-Delay A-Amplitued");
                char key = tk_.keyBox("DA");
                promptLine_ = 0;
                group.push_back({0.0, (key == 'A' || key == 'a') ? 'A' : 'D', 50});
            } else {
                group.push_back({0.0, '_', c});
                status_ = "++ Ok ++";
            }
        }
        if (!complete) return;
        if (!insertEntries(list, after, group, tk_)) return;
        after += static_cast<int>(group.size());
    }
}

} // namespace tanvex::schematic
