#include "schematic/renderer.h"

#include "design/operations.h"
#include "schematic/cp437_literal.h"
#include "ui/box_ascii.h"
#include "ui/toolkit.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace tanvex::schematic {

namespace {

constexpr double kInvTwoPi = 0.15915494309189535;

} // namespace

RendererConfig layoutConfig() {
    RendererConfig c;
    Notation n;
    n.inductance = {1e9, "nHy."};
    n.capacitance = {1e12, "pFd."};
    n.frequency = {1e-6, "MHz."};
    c.units = n;
    c.nameOnClosingLine = false;
    c.fxPairCodes = {4, 5, 13};
    c.qInfAnyCode = true;
    return c;
}

void pointAtLabel(std::string& label) {
    std::size_t blanks = label.find_first_not_of(' ');
    if (blanks == std::string::npos) blanks = label.size();
    if (blanks == 0) return;
    for (std::size_t k = 0; k + 1 < blanks; ++k) label[k] = static_cast<char>(196);
    label[blanks - 1] = '>';
}

bool plainOnScreen(const DesignRecord& record) {
    return record[1].text[23] == '1';
}

double trapFrequency(const EntryList& list, int s, int i) {
    if (i < 0 || i + 6 >= kEntrySlots) return 0.0;
    auto v = [&](int k) { return list[k].value; };
    double a = v(i), b = v(i + 3), c = v(i + 4);
    double lx = 0.0, cx = 0.0;
    char l5 = list[i + 5].letter;
    if (l5 == 'C') {
        cx = v(i + 5);
        lx = v(i + 6);
    } else if (l5 == 'L') {
        lx = v(i + 5);
        cx = v(i + 6);
    } else if (l5 == 'Z') {
        if (list[i + 1].letter == 'R') return 0.0;
        lx = v(i + 1);
        cx = v(i + 2);
    } else {
        return 0.0; // no tank values to work from
    }
    double p = c, q = b;
    if (list[i + 3].letter == 'L') {
        p = b;
        q = c;
    }
    double x = 0.0;
    switch (s) {
    case 17: {
        double par = b * c / (b + a + c);
        x = (par + lx) / (lx * par * cx);
        break;
    }
    case 18:
    case 19:
        x = (p + lx) / (a * lx * q + (cx + q) * p * lx);
        break;
    case 21:
        x = 1.0 / ((cx + (b * a + c * a + b * c) / a) * lx);
        break;
    case 22:
    case 23:
        x = ((p / lx + 1.0) * a + q) / ((q + cx) * a * p);
        break;
    default:
        return 0.0;
    }
    if (!std::isfinite(x) || x <= 0.0) return 0.0;
    return std::sqrt(x) * kInvTwoPi;
}

char Renderer::letter(int k) const {
    return (k >= 0 && k < kEntrySlots) ? design_->entries[k].letter : ' ';
}
double Renderer::value(int k) const {
    return (k >= 0 && k < kEntrySlots) ? design_->entries[k].value : 0.0;
}
int Renderer::code(int k) const {
    return (k >= 0 && k < kEntrySlots) ? design_->entries[k].code : 0;
}

int Renderer::branchAtLine(int line) const {
    if (line < 0 || line >= static_cast<int>(lineMap_.size())) return -1;
    return lineMap_[line];
}

void Renderer::piece(int tag, const char* tmpl, ...) {
    char out[512];
    va_list args;
    va_start(args, tmpl);
    std::vsnprintf(out, sizeof out, tmpl, args);
    va_end(args);
    buf_ = out;
    emit(tag);
}

void Renderer::spacer() {
    piece(kTagNoBranch, CP437("    │               │@"));
}

int Renderer::draw(const Design& design, SinkKind sink, int firstBranch, int lastBranch) {
    design_ = &design;
    sink_ = sink;
    const EntryList& list = design.entries;
    count_ = entryCount(list);

    // 1. Reset the per-drawing state.
    started_ = false;
    line_ = 1;
    column_ = window.leftColumn;
    lineStart_ = true;
    hlBranch_ = -2;
    hlColumn_ = 0;
    stop_ = lastBranch < 0 ? Stop::Armed : Stop::Off;
    seriesRail_ = false;
    docLine_.clear();
    lineMap_.clear();
    if (sink == SinkKind::Document) document_.clear();

    // 2. Side-port junctions are lettered from the highest down to A.
    sidePort_ = 0;
    for (int k = 1; k < count_; ++k)
        if (list[k].code == 9) ++sidePort_;

    // 3. Termination.
    if (firstBranch <= 0) {
        piece(0, CP437("  0 ┌─ Termination ─┐  "));
        drawLabels(0, 1);
    }

    // 4. The groups, in list order.
    int i = 1;
    while (i < count_) {
        if (i < firstBranch) {
            if (list[i].code == 9) --sidePort_;
            ++i;
            continue;
        }
        int c = list[i].code;
        int size = groupSize(c);
        if (size < 1) size = 1;
        if (i + size > count_) {
            // A group that would reach past the source: draw its first entry
            // as an unknown one and go on, never reading beyond the list.
            piece(i, CP437("%3d │       ? ──> [ %c ]  (con.=%d)"), i, letter(i), c);
            drawLabels(i, 1);
            size = 1;
            seriesRail_ = false;
            silent_ = false;
        } else {
            drawGroup(i, c);
        }
        i += size;
        if (stop_ == Stop::Stopped || (lastBranch > 0 && i > lastBranch)) return i - 1;
        // A spacer after a series element, unless the next group brings its
        // own connecting line (or this entry drew nothing, the spacer
        // having come after the element before it).
        if (seriesRail_ && !silent_) {
            int next = list[i].code;
            if (next != 6 && next != 17 && next != 19 && next != 25 && next != 28 && next != 30 &&
                next != 32 && next != 40)
                spacer();
        }
    }

    // 5. Source and the reference-frequency line.
    int n = count_;
    piece(n, CP437("%3d └──── Source ───┘  "), n);
    drawLabels(n, 1);
    const UnitBlock& f = units().frequency;
    double fc = value(n + 1) * f.multiplier;
    setHighlight(n + 1, 9);
    if (config.nameOnClosingLine)
        piece(n + 1, "%3d  Fc = %.5g %4s      %s@", n + 1, fc, f.name.c_str(),
              design.record[24].text);
    else
        piece(n + 1, "%3d  Fc = %.5g %4s@", n + 1, fc, f.name.c_str());
    if (stop_ == Stop::Stopped) return n + 1;
    return 0;
}

std::string Renderer::labelText(int e) const {
    const Notation& u = units();
    const UnitBlock* unit = nullptr;
    switch (letter(e)) {
    case 'C':
        unit = &u.capacitance;
        break;
    case 'L':
        unit = &u.inductance;
        break;
    case 'D':
        unit = &u.angle;
        break;
    case 'R':
    case 'Z':
        unit = &u.impedance;
        break;
    default:
        break;
    }
    char out[96];
    double v = value(e);
    if (unit) {
        std::snprintf(out, sizeof out, "%11.5g %s  ", v * unit->multiplier, unit->name.c_str());
    } else if (v == 0.0) {
        bool inf = config.qInfAnyCode || code(e) < 90;
        return inf ? "     Q = Inf." : "";
    } else {
        std::snprintf(out, sizeof out, "     Q = %.1f", v);
    }
    return out;
}

void Renderer::drawLabels(int first, int count) {
    if (sink_ == SinkKind::TextScreen || !config.valueLabels) {
        piece(first, "@");
        return;
    }
    for (int e = first; e < first + count; ++e) {
        std::string text = labelText(e);
        if (config.labelDecorator) config.labelDecorator(e, text);
        buf_ = text;
        setHighlight(e, 0);
        emit(value(e) < 0.0 ? kTagNegativeLabel : kTagLabel);
    }
    if (count == 2) {
        int pc = pairTest(design_->entries, first, first + 1);
        bool fx = false;
        for (int c : config.fxPairCodes) fx = fx || (pc != 0 && c == pc);
        if (fx) {
            const UnitBlock& f = units().frequency;
            piece(kTagLabel, "Fx = %.5g %s",
                  resonance(design_->entries, first, first + 1) * f.multiplier, f.name.c_str());
        }
    }
    piece(first, "@");
}

void Renderer::mapLine(int index, int tag) {
    if (index < 0) return;
    if (static_cast<int>(lineMap_.size()) <= index) lineMap_.resize(index + 1, -1);
    lineMap_[index] = tag;
}

void Renderer::emit(int tag) {
    std::string text = config.plainCharacters ? ui::boxToAscii(buf_) : buf_;
    bool endOfLine = !text.empty() && text.back() == '@';
    if (endOfLine) text.pop_back();
    int hl = hlBranch_;
    hlBranch_ = -2;
    if (sink_ == SinkKind::TextScreen) {
        emitTextScreen(text, tag, endOfLine);
    } else if (sink_ == SinkKind::Document) {
        emitDocument(text, tag, endOfLine);
    } else {
        hlBranch_ = hl;
        emitWindow(text, tag, endOfLine);
        hlBranch_ = -2;
    }
}

void Renderer::emitDocument(const std::string& text, int tag, bool endOfLine) {
    if (tag >= -1) mapLine(static_cast<int>(document_.size()), tag);
    docLine_ += text;
    if (documentOut) documentOut(text, endOfLine);
    if (endOfLine) {
        document_.push_back(docLine_);
        docLine_.clear();
    }
}

void Renderer::emitTextScreen(const std::string& text, int tag, bool endOfLine) {
    ui::TextScreen* screen = textView.screen;
    if (!screen || textView.cursorRow >= screen->rows()) {
        stop_ = Stop::Stopped;
        return;
    }
    if (lineStart_) {
        if (tag >= -1) mapLine(textView.cursorRow, tag);
        screen->text(textView.column, textView.cursorRow, text.substr(0, 25), kAttrNormal);
        ++textView.cursorRow; // the output window's line feed
        lineStart_ = false;
        ++screen->revision;
    }
    if (endOfLine) lineStart_ = true;
}

void Renderer::emitWindow(const std::string& text, int tag, bool endOfLine) {
    if (!started_) {
        started_ = true;
        line_ = 1;
        column_ = window.leftColumn;
    }
    if (stop_ == Stop::Armed && line_ > window.visibleLines) stop_ = Stop::Stopped;
    if (stop_ == Stop::Stopped) return;

    bool label = tag == kTagLabel || tag == kTagNegativeLabel;
    bool highlighted = window.firstSelected >= 0 && hlBranch_ != -2 &&
                       (hlBranch_ == window.firstSelected || hlBranch_ == window.secondSelected);
    int normal = kAttrNormal;
    if (label && config.labelAttribute && hlBranch_ >= 0) {
        normal = config.labelAttribute(hlBranch_);
        highlighted = false;
    }
    if (tag == kTagNegativeLabel) normal = kAttrInverse;
    int red = (normal & 0xF0) | 0x04;

    if (ui::TextScreen* screen = window.screen) {
        int row = window.topRow + line_ - 1;
        if (!highlighted) {
            screen->text(column_, row, text, normal);
        } else if (label) {
            screen->text(column_, row, text, red);
        } else {
            int split = std::min<int>(hlColumn_, static_cast<int>(text.size()));
            screen->text(column_, row, text.substr(0, split), normal);
            screen->text(column_ + split, row, text.substr(split), red);
        }
        ++screen->revision;
    }
    if (tag >= -1) mapLine(line_ - 1, tag);
    if (endOfLine) {
        ++line_;
        column_ = window.leftColumn;
    } else {
        column_ += static_cast<int>(text.size());
    }
}

} // namespace tanvex::schematic
