#include "coil/coil_calculator.h"

#include "coil/coil_formulas.h"
#include "coil/drill_sizes.h"

#include <cmath>
#include <cstdio>

namespace tanvex::coil {

namespace {

constexpr int kBlack = 0;
constexpr int kRed = 4;

std::string format2(const char* fmt, double v) {
    char buf[96];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

} // namespace

double CoilCalculator::ask(ui::Toolkit& tk) {
    tk.defaultAnswer.clear();
    tk.inputBox();
    return tk.numberResult;
}

bool CoilCalculator::askInductance(ui::Toolkit& tk) {
    tk.clearPrompt();
    tk.setPrompt(1, "Required inductance (nHy.)", kBlack);
    double v = ask(tk);
    if (v == 0.0) return false;
    state.required = v * 0.001;
    return true;
}

bool CoilCalculator::askWire(ui::Toolkit& tk) {
    tk.clearPrompt();
    tk.setPrompt(0, "     American Wire Gauge number (AWG)", kBlack);
    tk.setPrompt(1, "         or wire diameter (In.)", kBlack);
    tk.setPrompt(2, "(A number less then 1.0 is wire diameter)", kRed);
    double v = ask(tk);
    if (v == 0.0) return false;
    state.setWire(v);
    state.defaultPitch = true;
    return true;
}

bool CoilCalculator::askFrequency(ui::Toolkit& tk) {
    tk.clearPrompt();
    tk.setPrompt(1, "Frequency (MHz.)", kBlack);
    tk.setPrompt(2, "Frequency at which Q information is desired.", kRed);
    double v = ask(tk);
    if (v == 0.0) return false;
    state.setFrequency(v);
    return true;
}

bool CoilCalculator::askPitch(ui::Toolkit& tk, bool upper) {
    tk.clearPrompt();
    if (upper) {
        tk.setPrompt(0, "Upper limit of winding pitch", kBlack);
        tk.setPrompt(1,
                     format2(" (Less than 1.0 - now: %.2f).", state.pitchHigh / state.closewound),
                     kBlack);
    } else {
        tk.setPrompt(0, "Lower limit of winding pitch", kBlack);
        tk.setPrompt(1,
                     format2(" (Greater then 0.1 - now: %.2f).", state.pitchLow / state.closewound),
                     kBlack);
    }
    tk.setPrompt(2, " (<Enter> for default range)", kBlack);
    double v = ask(tk);
    if (v == 0.0) {
        state.defaultPitch = true;
        return true;
    }
    (upper ? state.pitchHigh : state.pitchLow) = v * state.closewound;
    state.defaultPitch = false;
    return true;
}

void CoilCalculator::startOver(ui::Toolkit& tk) {
    state.autoDiameter = true;
    state.defaultPitch = true;
    state.drillNote.clear();
    state.formDia = 0.0;
    paintSuppressed = true;
    askInductance(tk);
    askWire(tk);
    askFrequency(tk);
    paintSuppressed = false;
}

void CoilCalculator::stepWire(ui::Toolkit& tk, int direction) {
    // direction +1: thinner wire (higher gauge or a smaller diameter).
    if (state.gauge != 0) {
        int gauge = state.gauge + 2 * direction;
        // Gauges below 1 cannot be told from diameters; stop at the thickest.
        if (gauge < 1) {
            tk.beep();
            return;
        }
        state.gauge = gauge;
        state.wire = awgDiameter(gauge);
    } else {
        state.wire = direction > 0 ? state.wire / 1.05 : state.wire * 1.05;
    }
    state.closewound = closewoundPitch(state.wire);
    state.autoDiameter = true;
    state.formDia = 0.0;
}

void CoilCalculator::stepForm(ui::Toolkit& tk, int direction) {
    DrillStep step = nextDrill(state.formDia, direction);
    if (!step.moved) {
        tk.beep();
        return;
    }
    state.formDia = step.diameter;
    state.drillNote = step.note;
    state.autoDiameter = false;
}

bool CoilCalculator::command(int id, ui::Toolkit& tk) {
    switch (id) {
    case kCoilExit:
        exitRequested = true;
        return false;
    case kCoilQuit:
        exitRequested = quitRequested = true;
        return false;
    case kCoilLowerPitch:
        return askPitch(tk, false);
    case kCoilUpperPitch:
        return askPitch(tk, true);
    case kCoilDefaultRange:
        state.defaultPitch = true;
        return true;
    case kCoilThread: {
        tk.clearPrompt();
        tk.setPrompt(1, "    What thread (turns/inch)", kBlack);
        tk.setPrompt(2, format2("Closewound is about %.2f turns/inch.", state.closewound), kBlack);
        double v = ask(tk);
        if (v == 0.0) return false;
        state.pitchLow = state.pitchHigh = v;
        state.defaultPitch = false;
        return true;
    }
    case kCoilFormDia: {
        tk.clearPrompt();
        tk.setPrompt(1, "  Coil form diameter (In.)", kBlack);
        tk.setPrompt(2, "(Inside diameter of winding)", kRed);
        double v = ask(tk);
        if (v == 0.0) return false;
        state.formDia = v;
        state.drillNote.clear();
        state.autoDiameter = false;
        return true;
    }
    case kCoilWireGauge:
        return askWire(tk);
    case kCoilFrequency:
        return askFrequency(tk);
    case kCoilInductance:
        return askInductance(tk);
    case kCoilStartOver:
        startOver(tk);
        return true;
    case kCoilWireDown:
        stepWire(tk, +1);
        return true;
    case kCoilWireUp:
        stepWire(tk, -1);
        return true;
    case kCoilFormDown:
        stepForm(tk, -1);
        return true;
    case kCoilFormAuto:
        state.autoDiameter = true;
        state.formDia = 0.0;
        return true;
    case kCoilFormUp:
        stepForm(tk, +1);
        return true;
    default:
        return false;
    }
}

void CoilCalculator::startBranch(const CoilBranchSetup& b) {
    state = CoilState();
    state.required = b.inductance;
    state.setWire(b.gauge);
    state.setFrequency(b.frequency);
    state.autoDiameter = !(b.formDia > 0.0);
    state.formDia = state.autoDiameter ? 0.0 : b.formDia;
    state.defaultPitch = !(b.lowFraction > 0.0 && b.highFraction > 0.0);
    if (!state.defaultPitch) {
        state.pitchLow = b.lowFraction * state.closewound;
        state.pitchHigh = b.highFraction * state.closewound;
    }
    paintSuppressed = false;
    exitRequested = quitRequested = false;
}

std::string partDescription(const CoilState& s, const CoilResult& r) {
    double qu = r.figuresValid && r.resonance * 1e-6 >= s.frequency ? r.qu : 0.0;
    if (!std::isfinite(qu)) qu = 0.0;
    char buf[160];
    std::snprintf(buf, sizeof buf, "%.3f x %.3f In.  %4.1f turns #%d AWG on %.3f dia. %s Qu=%.0f",
                  s.formDia + 2.0 * s.wire, r.length, r.turns, s.gauge, s.formDia,
                  s.drillNote.c_str(), qu);
    return buf;
}

CoilResult CoilCalculator::draw(ui::TextScreen& screen, CoilScreenKind kind) {
    if (paintSuppressed) {
        drawCoilScreen(screen, state, nullptr, kind);
        return CoilResult{};
    }
    CoilResult res = designCoil(state);
    drawCoilScreen(screen, state, &res, kind);
    return res;
}

} // namespace tanvex::coil
