#include "ui/gen_win.h"

#include "ui/toolkit.h"

#include <algorithm>
#include <cstdio>

namespace tanvex::ui {

GenWin::GenWin(Toolkit& toolkit) : toolkit_(toolkit) {}

void GenWin::changed() {
    ++screen.revision;
    if (onChange) onChange();
}

void GenWin::open(int mode) {
    open_ = true;
    if (onOpen) onOpen(mode);
}

void GenWin::close() {
    if (closeCommand) {
        auto command = std::move(closeCommand);
        closeCommand = nullptr;
        command();
        return;
    }
    if (!open_) return;
    open_ = false;
    if (onClose) onClose();
}

void GenWin::clear() {
    open(0);
    screen.clear();
    column = row = 0;
    changed();
}

void GenWin::write(const std::string& s, int attr) {
    int a = attr < 0 ? attribute : attr;
    attribute = 7;
    int n = static_cast<int>(std::min<std::size_t>(s.size(), kColumns));
    int c = column;
    int r = row;
    if (c + n > kColumns) {
        c = 0;
        ++r;
    }
    if (r >= kRows || r < 0) {
        toolkit_.beep();
        return;
    }
    for (int i = 0; i < n; ++i) screen.put(c + i, r, static_cast<unsigned char>(s[i]), a);
    column = c + n;
    row = r;
    changed();
}

void GenWin::put(unsigned char ch, int attr) {
    write(std::string(1, static_cast<char>(ch)), attr);
}

void GenWin::erase(int col, int r, int n) {
    if (r < 0 || r >= kRows) return;
    int end = n <= 0 ? kColumns : std::min(kColumns, col + n);
    for (int c = std::max(0, col); c < end; ++c) screen.at(c, r) = Cell{};
    changed();
}

void GenWin::newline() {
    column = 0;
    if (row >= kRows - 1) {
        for (int r = 1; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c) screen.at(c, r - 1) = screen.at(c, r);
        for (int c = 0; c < kColumns; ++c) screen.at(c, kRows - 1) = Cell{};
        row = kRows - 1;
        changed();
    } else {
        ++row;
    }
}

void GenWin::eraseRows(int col1, int row1, int col2, int row2) {
    for (int r = row1; r <= row2; ++r) erase(col1, r, col2 - col1 + 1);
}

void GenWin::box(int col1, int row1, int col2, int row2) {
    const unsigned char vertical = asciiDrawing ? '|' : 179;
    for (int c = col1 + 1; c < col2; ++c) {
        screen.put(c, row1, 196, 6);
        screen.put(c, row2, 196, 6);
    }
    for (int r = row1 + 1; r < row2; ++r) {
        screen.put(col1, r, vertical, 6);
        screen.put(col2, r, vertical, 6);
    }
    screen.put(col1, row1, 218, 6);
    screen.put(col2, row1, 191, 6);
    screen.put(col1, row2, 192, 6);
    screen.put(col2, row2, 217, 6);
    changed();
}

void GenWin::panel(int col1, int row1, int col2, int row2, int mode) {
    if (mode == 0) {
        // Restores the last saved rectangle; nothing saved, nothing to do.
        if (stack_.empty()) return;
        SavedPanel p = std::move(stack_.back());
        stack_.pop_back();
        std::size_t i = 0;
        for (int r = p.row1; r <= p.row2; ++r)
            for (int c = p.col1; c <= p.col2; ++c, ++i)
                if (screen.inside(c, r)) screen.at(c, r) = p.cells[i];
        changed();
        return;
    }
    if (mode == 1 || mode == 4) {
        SavedPanel p{col1, row1, col2, row2, {}};
        for (int r = row1; r <= row2; ++r)
            for (int c = col1; c <= col2; ++c)
                p.cells.push_back(screen.inside(c, r) ? screen.at(c, r) : Cell{});
        stack_.push_back(std::move(p));
    }
    eraseRows(col1, row1, col2, row2);
    if (mode < 3) box(col1, row1, col2, row2);
}

bool GenWin::cellTest(int col1, int row1, int col2, int row2) const {
    return clickColumn >= col1 && clickColumn <= col2 && clickRow >= row1 && clickRow <= row2;
}

std::array<std::string, 2> splitAskText(const std::string& text) {
    if (text.size() <= 36) return {text, std::string()};
    std::size_t cut = text.find(' ', 35);
    if (cut == std::string::npos || cut > 50) cut = 50;
    if (cut >= text.size()) return {text, std::string()};
    std::string first = text.substr(0, cut);
    std::string rest = text.substr(text[cut] == ' ' ? cut + 1 : cut);
    return {first, rest};
}

void GenWin::ask() {
    auto lines = splitAskText(text);
    toolkit_.setPrompt(0, lines[0], toolkit_.prompt[0].attribute);
    if (!lines[1].empty()) toolkit_.setPrompt(1, lines[1], toolkit_.prompt[1].attribute);
    toolkit_.inputBox();
}

double GenWin::askValue(const std::string& label, double def) {
    const int col = column;
    const int r = row;
    double value = def;
    while (true) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "%s (Cr = %g)?", label.c_str(), value);
        column = col;
        row = r;
        erase(col, r, 0);
        write(buf);
        toolkit_.setPrompt(3, "One final [Cr] to exit.");
        text = buf;
        ask();
        if (toolkit_.textResult.empty()) break;
        value = toolkit_.numberResult;
    }
    newline();
    return value;
}

} // namespace tanvex::ui
