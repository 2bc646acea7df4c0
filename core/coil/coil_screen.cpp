#include "coil/coil_screen.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace tanvex::coil {

namespace {

constexpr unsigned char kHorizontal = 0xC4;
constexpr unsigned char kVertical = 0xB3;
constexpr unsigned char kTopLeft = 0xDA;
constexpr unsigned char kTopRight = 0xBF;
constexpr unsigned char kBottomLeft = 0xC0;
constexpr unsigned char kBottomRight = 0xD9;

// "─" as a code page 437 byte inside the program's texts.
#define H "\xC4"

// Text written from a cell; pieces written with `more` follow on.
class Writer {
public:
    explicit Writer(ui::TextScreen& s) : screen_(s) {}
    Writer& at(int col, int row) {
        col_ = col;
        row_ = row;
        return *this;
    }
    Writer& put(const std::string& text, int attr = kAttrText) {
        screen_.text(col_, row_, text, attr);
        col_ += static_cast<int>(text.size());
        return *this;
    }
    Writer& fmt(int attr, const char* format, ...) __attribute__((format(printf, 3, 4))) {
        char buf[512];
        va_list ap;
        va_start(ap, format);
        std::vsnprintf(buf, sizeof buf, format, ap);
        va_end(ap);
        return put(buf, attr);
    }
    // A "%9.4f" figure, or a dashed field when there is no number to show.
    Writer& figure(double v, int attr = kAttrText) {
        if (!std::isfinite(v)) return put(" " H H H H H H H H, attr);
        return fmt(attr, "%9.4f", v);
    }

private:
    ui::TextScreen& screen_;
    int col_ = 0;
    int row_ = 0;
};

void drawFigures(Writer& w, const CoilState& s, const CoilResult& res) {
    w.at(25, 3).put("Winding pitch :  ");
    if (s.defaultPitch) {
        w.put("Default setting", kAttrFrame);
    } else {
        w.put("Manual set     ");
    }
    if (s.gauge != 0) {
        w.at(28, 4).fmt(kAttrText, "Wire gauge = %3d    ", s.gauge);
    } else {
        w.at(28, 4).fmt(kAttrText, " Wire dia. = %7.4f", s.wire);
    }
    w.at(28, 5).fmt(kAttrText, "Closewound =%9.4f turns / In.", s.closewound);
    w.at(29, 6).fmt(kAttrText, "Range set =   %.2f - %.2f", s.pitchLow / s.closewound,
                    s.pitchHigh / s.closewound);
    w.at(29, 7).fmt(kAttrText, "Frequency =%6.1f MHz.", s.frequency);
    w.at(30, 8).put("Diameter =").figure(s.formDia).put("  ");
    if (s.autoDiameter) {
        w.put("(Auto)", kAttrWarn);
    } else {
        w.put(s.drillNote);
    }

    const bool valid = res.figuresValid;
    const double nan = std::nan("");
    const double t = valid ? res.turnsPerInch : nan;
    const double ratio = valid ? res.length / s.formDia : nan;
    w.at(33, 10).put("Turns =").figure(valid ? res.turns : nan);
    w.at(27, 11).put("Turns / In. =").figure(t);
    w.at(32, 12).put("Length =").figure(valid ? res.length : nan);
    w.at(24, 13).put("Approximate Qu =", kAttrLabel);
    if (valid && res.resonance * 1e-6 >= s.frequency && res.qu != 0.0 && std::isfinite(res.qu)) {
        w.figure(res.qu);
    } else {
        w.put(" " H H H H H H H H);
    }
    w.at(20, 14).put("Length / Form dia. =", kAttrLabel).figure(ratio);
    w.at(17, 15).put("Self resonance (GHz.) =", kAttrLabel);
    if (valid && std::isfinite(res.resonance)) {
        w.fmt(kAttrText, "%9.4f (Cd = %.3f pF)", res.resonance * 1e-9, res.capacitance * 1e18);
    } else {
        w.figure(nan);
    }
    w.at(21, 16).put("Inductance (nHy.) =").figure(valid ? res.inductance * 1000.0 : nan);

    if (valid && s.pitchLow != s.pitchHigh) {
        const double c = t / s.closewound;
        if (t > s.pitchHigh) {
            w.at(50, 11).fmt(kAttrText, H H ">(%.2f)<" H H " Squashed ! ", c);
        } else if (t < s.pitchLow) {
            w.at(50, 11).fmt(kAttrText, "<" H H "(%.2f)" H H "> Stretched !", c);
        }
        if (t > s.closewound) w.at(50, 11).put(" Tighter than closewound ! ", kAttrWarn);
    }
    if (valid && ratio < 0.5) {
        w.at(50, 14).put("<" H H " Short ?", kAttrLabel);
    } else if (valid && ratio > 10.0) {
        w.at(50, 14).put("<" H H " Long ? ", kAttrFrame);
    }
    if (res.badParameters) w.at(21, 17).put("ABORTED - Bad parameters", kAttrWarn);
}

#undef H

} // namespace

void drawBox(ui::TextScreen& screen, int left, int top, int right, int bottom, int frameAttr,
             const std::string& title, int titleAttr) {
    int col = left;
    screen.put(col++, top, kTopLeft, frameAttr);
    int run = (right - left - static_cast<int>(title.size())) / 2;
    for (int i = 0; i < run; ++i) screen.put(col++, top, kHorizontal, frameAttr);
    screen.text(col, top, title, titleAttr);
    col += static_cast<int>(title.size());
    while (col < right) screen.put(col++, top, kHorizontal, frameAttr);
    screen.put(right, top, kTopRight, frameAttr);
    for (int row = top + 1; row < bottom; ++row) {
        screen.put(left, row, kVertical, frameAttr);
        screen.put(right, row, kVertical, frameAttr);
    }
    screen.put(left, bottom, kBottomLeft, frameAttr);
    for (col = left + 1; col < right; ++col) screen.put(col, bottom, kHorizontal, frameAttr);
    screen.put(right, bottom, kBottomRight, frameAttr);
}

void drawCoilScreen(ui::TextScreen& screen, const CoilState& state, const CoilResult* result,
                    CoilScreenKind kind) {
    screen.clear();
    Writer w(screen);
    w.at(22, 1).put("> Air Wound Single Layer Inductor <", kAttrTitle);
    if (kind == CoilScreenKind::Standalone) {
        drawBox(screen, 2, 3, 21, 6, kAttrFrame, "> Wire Dia. <", kAttrBoxTitle);
        drawBox(screen, 1, 7, 22, 10, kAttrFrame, "> Form Dia. <", kAttrBoxTitle);
        w.at(6, 12).put("Version 4.1a");
    } else {
        drawBox(screen, 3, 2, 20, 5, kAttrFrame, "> Wire Dia <", kAttrBoxTitle);
        drawBox(screen, 1, 6, 22, 9, kAttrFrame, "> Form Dia <", kAttrBoxTitle);
        drawBox(screen, 3, 10, 20, 13, kAttrFrame, "> Define <", kAttrBoxTitle);
    }
    if (result) drawFigures(w, state, *result);
    ++screen.revision;
}

} // namespace tanvex::coil
