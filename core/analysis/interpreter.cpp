#include "analysis/interpreter.h"

#include "analysis/analysis_constants.h"
#include "analysis/line_transform.h"
#include "analysis/trig.h"

#include <cmath>
#include <cstdio>
#include <numbers>

namespace tanvex::analysis {

namespace {

constexpr double kNoShunt = 1e22;

bool knownCode(int code) {
    return (code >= 1 && code <= 53) || (code >= 90 && code <= 100);
}

// True when the angle atan2(z.x, z.r) is negative (the lower half-plane,
// including -pi for a negative real value with a negative zero).
// e^x, by its Taylor series to x^6 near 0 (|x| < 0.01, within the rounding
// of the result: the next term is below 2e-18 of it), else the library's.
// A line's loss per step is far below 0.01 neper at any realistic Q.
double expNear0(double x) {
    if (!(std::fabs(x) < 0.01)) return std::exp(x);
    return 1.0 +
           x * (1.0 + x * (0.5 + x * (1.0 / 6.0 +
                                      x * (1.0 / 24.0 + x * (1.0 / 120.0 + x * (1.0 / 720.0))))));
}

// The range the runs' products are kept to (see closeRun).
bool productInRange(double p) {
    return p < 1e150 && p > 1e-150;
}

// a in parallel with the admittance y: 1 / (1/a + y) written as
// a / (1 + a y), the same value with one division fewer.
Cx acrossAdmittance(Cx a, Cx y) {
    const Cx d{1.0 + a.r * y.r - a.x * y.x, a.r * y.x + a.x * y.r};
    const double inv = 1.0 / (d.r * d.r + d.x * d.x);
    return {(a.r * d.r + a.x * d.x) * inv, (a.x * d.r - a.r * d.x) * inv};
}

bool lowerHalf(Cx z) {
    return z.x < 0.0 || (z.x == 0.0 && std::signbit(z.x) && z.r < 0.0);
}

} // namespace

NetworkInterpreter::NetworkInterpreter(ui::Toolkit& toolkit, DataServices& data)
    : toolkit_(toolkit), data_(data) {
    qTable_.fill(-1);
    for (int code = 0; code < static_cast<int>(walkSize_.size()); ++code)
        walkSize_[code] = static_cast<signed char>(knownCode(code) ? groupSize(code) : -1);
}

void NetworkInterpreter::prepare(const EntryList& list, const InterpreterSettings& settings) {
    settings_ = settings;
    n_ = tanvex::entryCount(list);
    const int terminator = n_ + 1 < kEntrySlots ? n_ + 1 : kEntrySlots - 1;
    fRefSweep_ = list[terminator].value == 0.0 ? 1.0 : list[terminator].value;
    fRef_ = fRefSweep_;
    phaseWrap_ = false;
    code98Noticed_ = false;
    delay_ = 0.0;
    qTable_.fill(-1);
    for (int i = 1; i < n_; ++i) {
        const NetEntry& e = list[i];
        if (e.code != 44 || e.letter < '0' || e.letter > '9') continue;
        const int target = i + (e.letter - '0');
        if (target < kEntrySlots) qTable_[target] = static_cast<short>(i);
    }
}

double NetworkInterpreter::entryInverseQ(int i, double globalInverse) const {
    // The loss of an L or C is its reactance times 1/Q: the inverse of the
    // global Q is kept beside it, so the common case needs no division.
    if (qTable_[i] < 0) return globalInverse;
    return 1.0 / entryQ(i, 0.0);
}

double NetworkInterpreter::entryQ(int i, double global) const {
    const int source = qTable_[i];
    if (source < 0) return global;
    const double q = (*list_)[source].value;
    return q <= 0.0 ? kNoLossQ : q;
}

Cx NetworkInterpreter::evaluate(int i) {
    const NetEntry& entry = (*list_)[i];
    double v = entry.value;
    const char letter = entry.letter;
    if (settings_.temperatureOn) {
        const double k = 1e-6 * settings_.temperatureShift;
        if (letter == 'L')
            v += v * k * settings_.coefL;
        else if (letter == 'C')
            v += v * k * settings_.coefC;
        else if (letter == 'D')
            v += v * k * settings_.coefT;
    }
    switch (letter) {
    case 'C': {
        // -1 / (omega v), with -1/v kept per entry while its value stands.
        double x = kOpenReactance;
        if (v != 0.0) {
            if (v != capValue_[i]) {
                capValue_[i] = v;
                capNegInverse_[i] = -1.0 / v;
            }
            x = capNegInverse_[i] * invOmega_;
        }
        return {-x * entryInverseQ(i, invQc_), x};
    }
    case 'L': {
        const double x = omega_ * v;
        return {x * entryInverseQ(i, invQl_), x};
    }
    case 'Z': {
        // The electrical length stands in the next entry. A temperature shift
        // moves it by the line coefficient like any other `D` value.
        double length = i + 1 < kEntrySlots ? (*list_)[i + 1].value : 0.0;
        if (settings_.temperatureOn)
            length += length * 1e-6 * settings_.temperatureShift * settings_.coefT;
        // A line with its own Q (code 44) uses it for its own step only.
        if (qTable_[i] < 0) {
            lineQ_ = qt_;
            invLineQ_ = invQt_;
        } else {
            lineQ_ = entryQ(i, qt_);
            invLineQ_ = 1.0 / lineQ_;
        }
        return {length, v};
    }
    default:
        return {v, 0.0};
    }
}

bool NetworkInterpreter::fail(const char* text) {
    toolkit_.notice(text);
    return false;
}

bool NetworkInterpreter::stackTrouble() {
    return fail("Stack trouble!");
}

int NetworkInterpreter::walk(const EntryList& list, const WalkRequest& rq) {
    list_ = &list;
    f_ = rq.f;
    omega_ = kOmega * rq.f;
    invOmega_ = 1.0 / omega_;
    // Every walk starts from the sweep's reference frequency, so that a code 22
    // entry sets it for the lines that follow it at every frequency alike.
    fRef_ = fRefSweep_;
    lengthScale_ = f_ / fRef_;
    main_ = rq.mainPass;
    recording_ = rq.record && rq.mainPass;
    mismatch_ = rq.mismatchStep;
    // Both from the value (reading acc_ back whole would wait on the store).
    acc_ = {rq.load, 0.0};
    runStart_ = {rq.load, 0.0};
    e_ = {};
    depth_ = 0;
    side_ = false;
    lambda_ = rq.lambdaStart;
    runStarts_ = 1.0;
    runEnds_ = 1.0;
    phase_ = {1.0, 0.0};
    phaseTurns_ = 0;
    phiLiteral_ = 0.0;
    tap_ = false;
    tapZ_ = {};
    sourceEnd_ = {};
    ql_ = settings_.ql;
    qc_ = settings_.qc;
    qt_ = settings_.qt;
    invQl_ = 1.0 / ql_;
    invQc_ = 1.0 / qc_;
    lineQ_ = qt_;
    invQt_ = 1.0 / qt_;
    invLineQ_ = invQt_;
    seriesSum_ = {};
    seriesR_ = 0.0;
    recordCount_ = 0;

    pos_ = 1;
    for (;;) {
        const int code = list[pos_].code;
        if (pos_ >= n_) return finish() ? 0 : 1;
        const int size =
            code >= 0 && code < static_cast<int>(walkSize_.size()) ? walkSize_[code] : -1;
        if (size < 0) {
            char text[64];
            std::snprintf(text, sizeof text, "Unknown instruction --> %d%s", code,
                          side_ ? " (in side port)" : "");
            toolkit_.notice(text);
            return 1;
        }
        if (pos_ + size - 1 >= n_) {
            char text[64];
            std::snprintf(text, sizeof text, "Network ends inside a group at branch %d!", pos_);
            toolkit_.notice(text);
            return 1;
        }
        eval();
        entryValue_ = e_;
        if (!execute(code)) return 1;
        ++pos_;
    }
}

// ---- Runs and records ------------------------------------------------------

// phi := phi + atan2(to) - atan2(from), without an arctangent per step. The
// step is d + 2 pi m, where d, the principal angle of to * conj(from), lies in
// (-pi, pi], and m = +1 when `to` is in the upper and `from` in the lower
// half-plane with d < 0 (the difference of the two angles then exceeds pi),
// m = -1 in the mirrored case, else 0. The d are summed as the angle of the
// running product of the to * conj(from), counting the turns it makes
// through the negative real axis; phi() takes the one arctangent.
void NetworkInterpreter::addPhase(Cx to, Cx from) {
    if (settings_.literalPhase) {
        phiLiteral_ += std::atan2(to.x, to.r) - std::atan2(from.x, from.r);
        return;
    }
    const Cx r{to.r * from.r + to.x * from.x, to.x * from.r - to.r * from.x};
    if (r.r == 0.0 && r.x == 0.0) {
        // atan2(0, 0) is 0: only the angle of `from` is taken off.
        if (from.r != 0.0 || from.x != 0.0) addPhase({1.0, 0.0}, from);
        return;
    }
    const bool positive = r.x > 0.0 || (r.x == 0.0 && !std::signbit(r.x) && r.r < 0.0);
    const bool negative = r.x < 0.0 || (r.x == 0.0 && std::signbit(r.x) && r.r < 0.0);
    if (to.r < 0.0 || from.r < 0.0) {
        // (Two right half-plane angles never differ by more than pi.)
        const bool toLower = lowerHalf(to);
        const bool fromLower = lowerHalf(from);
        if (!toLower && fromLower && negative) ++phaseTurns_;
        if (toLower && !fromLower && positive) --phaseTurns_;
    }
    const bool wasLower = lowerHalf(phase_);
    Cx p{phase_.r * r.r - phase_.x * r.x, phase_.r * r.x + phase_.x * r.r};
    const bool isLower = lowerHalf(p);
    if (positive && !wasLower && isLower) ++phaseTurns_;
    if (negative && wasLower && !isLower) --phaseTurns_;
    // Keep the product's size in range by exact powers of two.
    const double size = std::fabs(p.r) + std::fabs(p.x);
    if (size > 0x1p200 || size < 0x1p-200) {
        int exponent = 0;
        std::frexp(size, &exponent);
        p = {std::ldexp(p.r, -exponent), std::ldexp(p.x, -exponent)};
    }
    phase_ = p;
}

double NetworkInterpreter::phi() const {
    if (settings_.literalPhase) return phiLiteral_;
    return std::atan2(phase_.x, phase_.r) + 2.0 * std::numbers::pi * phaseTurns_;
}

void NetworkInterpreter::foldRunLoss() {
    // Equal products (a pre-pass leaves both at 1) add nothing. Both in the
    // range that the runs keep them to (as at the end of a walk), their
    // quotient is in range too: one logarithm.
    if (runStarts_ != runEnds_) {
        lambda_ += productInRange(runStarts_) && productInRange(runEnds_)
                       ? 0.5 * std::log(runStarts_ / runEnds_)
                       : 0.5 * (std::log(runStarts_) - std::log(runEnds_));
    }
    runStarts_ = 1.0;
    runEnds_ = 1.0;
}

void NetworkInterpreter::closeRun() {
    // A run without a series element (a shunt right after a shunt, a line or
    // a transformer) ends where it started: it adds neither loss nor phase.
    if (!recording_ && acc_.r == runStart_.r && acc_.x == runStart_.x) return;
    addPhase(acc_, runStart_);
    const double start2 = magnitudeSquared(runStart_);
    const double acc2 = magnitudeSquared(acc_);
    if (main_) {
        // The runs' losses are multiplied, the squared magnitudes at their
        // starts and at their ends apart, and the logarithm taken once per
        // walk (or when a product leaves a safe range).
        runStarts_ *= start2;
        runEnds_ *= acc2;
        if (!(productInRange(runStarts_) && productInRange(runEnds_))) foldRunLoss();
    }
    if (recording_) {
        DistributionRecord& r = records_[recordCount_];
        r[0] = static_cast<float>(std::sqrt(start2 / acc2));
        r[1] = static_cast<float>(kNoShunt);
        r[2] = 0.0f;
        r[3] = static_cast<float>(magnitude(seriesSum_));
        r[4] = static_cast<float>(seriesR_);
        r[5] = static_cast<float>(std::sqrt(acc2));
        r[6] = static_cast<float>(pos_);
        seriesSum_ = {};
        seriesR_ = 0.0;
    }
}

bool NetworkInterpreter::finishRecord() {
    ++recordCount_;
    if (recordCount_ > kMaxRecords) return fail("Too many shunts - network too big!");
    return true;
}

// ---- Primitives -------------------------------------------------------------

void NetworkInterpreter::parallelInto(Cx& a) {
    e_ = reciprocal(e_);
    a = acrossAdmittance(a, e_);
}

bool NetworkInterpreter::opP() {
    if (side_) {
        if (depth_ == 0) return stackTrouble();
        parallelInto(bottom());
        return true;
    }
    const Cx element = e_;
    closeRun();
    parallelInto(acc_);
    runStart_ = acc_;
    if (recording_) {
        DistributionRecord& r = records_[recordCount_];
        r[1] = static_cast<float>(magnitude(element));
        r[2] = static_cast<float>(element.r);
        return finishRecord();
    }
    return true;
}

bool NetworkInterpreter::shuntRow() {
    // Shunt elements one after another on the main line (code 2): their
    // admittances are summed and put across the line in one step, so the
    // walk waits on one division for the row, not on one per element. The
    // runs between them are empty and add nothing.
    closeRun();
    Cx y = reciprocal(e_);
    while (pos_ + 1 < n_ && (*list_)[pos_ + 1].code == 2) {
        next();
        y = y + reciprocal(e_);
    }
    acc_ = acrossAdmittance(acc_, y);
    runStart_ = acc_;
    return true;
}

bool NetworkInterpreter::seriesRow() {
    // Series elements one after another on the main line (code 3): summed
    // apart, then added to the accumulator once.
    Cx z = e_;
    while (pos_ + 1 < n_ && (*list_)[pos_ + 1].code == 3) {
        next();
        z = z + e_;
    }
    acc_ = acc_ + z;
    return true;
}

bool NetworkInterpreter::opS() {
    if (side_) {
        if (depth_ == 0) return stackTrouble();
        bottom() = bottom() + e_;
        return true;
    }
    acc_ = acc_ + e_;
    if (recording_) {
        seriesSum_ = seriesSum_ + e_;
        seriesR_ += e_.r;
    }
    return true;
}

bool NetworkInterpreter::opStore() {
    if (depth_ >= kStackDepth) return fail("Stack overflow - more than 9 entries!");
    stack_[depth_++] = e_;
    return true;
}

bool NetworkInterpreter::opPsub() {
    if (depth_ == 0) return stackTrouble();
    parallelInto(top());
    return true;
}

bool NetworkInterpreter::opSsub() {
    if (depth_ == 0) return stackTrouble();
    top() = top() + e_;
    return true;
}

bool NetworkInterpreter::opPnet() {
    if (depth_ == 0) return stackTrouble();
    e_ = stack_[--depth_];
    return opP();
}

bool NetworkInterpreter::opSnet() {
    if (depth_ == 0) return stackTrouble();
    e_ = stack_[--depth_];
    return opS();
}

bool NetworkInterpreter::opDeltaWye() {
    if (depth_ < 3) return stackTrouble();
    const Cx s0 = fromTop(0);
    const Cx s1 = fromTop(1);
    const Cx s2 = fromTop(2);
    const Cx sum = s0 + s1 + s2;
    fromTop(2) = polarQuotient(polarProduct(s2, s0), sum);
    fromTop(1) = polarQuotient(polarProduct(s2, s1), sum);
    fromTop(0) = polarQuotient(polarProduct(s1, s0), sum);
    return true;
}

bool NetworkInterpreter::opWyeDelta() {
    if (depth_ < 3) return stackTrouble();
    const Cx s0 = fromTop(0);
    const Cx s1 = fromTop(1);
    const Cx s2 = fromTop(2);
    const Cx p = polarProduct(s0, s1) + polarProduct(s1, s2) + polarProduct(s2, s0);
    fromTop(2) = polarQuotient(p, s0);
    fromTop(0) = polarQuotient(p, s1);
    fromTop(1) = polarQuotient(p, s2);
    return true;
}

bool NetworkInterpreter::recall(int k) {
    if (depth_ <= k) return stackTrouble();
    const int at = depth_ - 1 - k;
    e_ = stack_[at];
    for (int j = at; j < depth_ - 1; ++j) stack_[j] = stack_[j + 1];
    --depth_;
    return true;
}

void NetworkInterpreter::line(Cx load) {
    e_ = loadedLine(load, e_.x, e_.r * lengthScale_, true, invLineQ_);
}

void NetworkInterpreter::lineShorted() {
    e_ = shortedLine(e_.x, e_.r * lengthScale_, true, invLineQ_);
}

void NetworkInterpreter::lineOpen() {
    e_ = openLine(e_.x, e_.r * lengthScale_, true, invLineQ_);
}

bool NetworkInterpreter::primitive(int code) {
    switch (code) {
    case 90:
        return opP();
    case 91:
        return opS();
    case 92:
        return opStore();
    case 93:
        return opPsub();
    case 94:
        return opSsub();
    case 95:
        return opPnet();
    case 96:
        return opSnet();
    case 97:
        return opDeltaWye();
    case 100:
        return opWyeDelta();
    default:
        return true;
    }
}

// ---- Instructions -----------------------------------------------------------

bool NetworkInterpreter::execute(int code) {
    // Every step below is evaluated left to right and stops at the first
    // failure (&&).
    switch (code) {
    case 2:
        if (side_ || recording_) return opP();
        return shuntRow();
    case 3:
        if (side_ || recording_) return opS();
        return seriesRow();
    case 4:
        return opStore() && (next(), opSsub()) && opPnet();
    case 5:
        return opStore() && (next(), opPsub()) && opSnet();
    case 6:
        return opStore() && (next(), opPsub()) && (next(), opSsub()) && opPnet();
    case 7:
        return opStore() && (next(), opSsub()) && (next(), opPsub()) && opSnet();
    case 31:
        return opStore() && (next(), opPsub()) && (next(), opSsub()) && (next(), opStore()) &&
               (next(), opPsub()) && (next(), opSsub()) && recall(1) && opPsub() && opSnet();
    case 32:
        return opStore() && (next(), opSsub()) && (next(), opPsub()) && (next(), opStore()) &&
               (next(), opSsub()) && (next(), opPsub()) && recall(1) && opSsub() && opPnet();
    case 10:
        phaseWrap_ = true;
        return opStore() && (next(), opStore()) && (next(), opStore()) && opDeltaWye() &&
               recall(1) && opS() && (next(), opSsub()) && (next(), opSsub()) && opPnet() &&
               opSnet();
    case 11: {
        const Cx q = scaled(e_, 0.25);
        e_ = scaled(q, 2.0);
        if (!opS()) return false;
        e_ = scaled(q, -1.0);
        if (!(opStore() && (next(), opSsub()) && opPnet())) return false;
        e_ = scaled(q, 2.0);
        return opS();
    }
    case 12: {
        phaseWrap_ = true;
        if (!opStore()) return false;
        next();
        const Cx q = scaled(e_, 0.25);
        e_ = scaled(q, 2.0);
        if (!(opStore() && opStore() && opDeltaWye() && recall(1) && opS())) return false;
        e_ = scaled(q, -1.0);
        return opSsub() && (next(), opSsub()) && (next(), opSsub()) && opPnet() && opSnet();
    }
    case 13:
        return executeCode13();
    case 14:
        return opStore() && (next(), opSsub()) && (next(), opSsub()) && opPnet();
    case 30:
        return opStore() && (next(), opSsub()) && (next(), opPsub()) && (next(), opSsub()) &&
               opPnet();
    case 15:
        return opStore() && (next(), opPsub()) && (next(), opPsub()) && opSnet();
    case 29:
        return opStore() && (next(), opPsub()) && (next(), opSsub()) && (next(), opPsub()) &&
               opSnet();
    case 16:
    case 42:
        lineShorted();
        if (!opP()) return false;
        skip(1);
        return true;
    case 18:
    case 38:
        lineOpen();
        if (!opP()) return false;
        skip(1);
        return true;
    case 40: {
        lineOpen();
        const Cx k = e_;
        skip(2);
        eval();
        line(k);
        if (!opP()) return false;
        skip(1);
        return true;
    }
    case 17:
    case 39:
        lineShorted();
        skip(1);
        return opS();
    case 19:
    case 43:
        lineOpen();
        skip(1);
        return opS();
    case 33:
        lineShorted();
        skip(1);
        return opStore() && (next(), opPsub()) && opSnet();
    case 35:
        lineOpen();
        skip(1);
        return opStore() && (next(), opPsub()) && opSnet();
    case 37:
        lineShorted();
        skip(1);
        if (!opStore()) return false;
        next();
        lineOpen();
        skip(1);
        return opPsub() && opSnet();
    case 20:
        lineShorted();
        if (!opStore()) return false;
        skip(2);
        eval();
        return opSsub() && opPnet();
    case 34:
        lineOpen();
        if (!opStore()) return false;
        skip(2);
        eval();
        return opSsub() && opPnet();
    case 36:
        lineOpen();
        if (!opStore()) return false;
        skip(2);
        eval();
        lineShorted();
        skip(1);
        return opSsub() && opPnet();
    case 25:
    case 26: {
        const Cx k = e_;
        next();
        line(k);
        if (!(code == 25 ? opS() : opP())) return false;
        skip(1);
        return true;
    }
    case 27:
        return opStore() && (next(), opSsub()) && (next(), opPsub()) && (next(), opPsub()) &&
               opSnet();
    case 28:
        return opStore() && (next(), opPsub()) && (next(), opSsub()) && (next(), opSsub()) &&
               opPnet();
    case 41:
        return executeCode41();
    case 45:
        return opStore() && (next(), opPsub()) && (next(), opPsub()) && (next(), opStore()) &&
               (next(), opStore()) && opDeltaWye() && recall(1) && opS() && (next(), opStore()) &&
               (next(), opSsub()) && (next(), opSsub()) && recall(1) && opSsub() && opPnet() &&
               opSnet();
    case 46:
        lineShorted();
        skip(1);
        return opStore() && (next(), opPsub()) && (next(), opSsub()) && opPnet();
    case 47:
        line(kOpenLoad2);
        skip(1);
        return opStore() && (next(), opSsub()) && (next(), opPsub()) && opSnet();
    case 48:
        return opStore() && (next(), opPsub()) && (next(), opSsub()) && (next(), opPsub()) &&
               (next(), opSsub()) && opPnet();
    case 49:
        return opStore() && (next(), opSsub()) && (next(), opPsub()) && (next(), opSsub()) &&
               (next(), opPsub()) && opSnet();
    case 51:
        return opStore() && (next(), opSsub()) && (next(), opStore()) && (next(), opSsub()) &&
               (skip(1), recall(1)) && opPsub() && (eval(), opStore()) && (next(), opStore()) &&
               (skip(1), opDeltaWye()) && recall(1) && opS() && (eval(), opStore()) &&
               (next(), opPsub()) && (next(), opStore()) && (next(), opPsub()) &&
               (skip(1), recall(1)) && opSsub() && recall(1) && opSsub() && (eval(), opSsub()) &&
               opPnet() && opSnet();
    case 52:
        return opStore() && (next(), opPsub()) && (next(), opStore()) && (next(), opPsub()) &&
               (skip(1), recall(1)) && opSsub() && (eval(), opStore()) && (next(), opStore()) &&
               (skip(1), opDeltaWye()) && recall(1) && opS() && (eval(), opStore()) &&
               (next(), opSsub()) && (next(), opStore()) && (next(), opSsub()) &&
               (skip(1), recall(1)) && opPsub() && recall(1) && opSsub() && (eval(), opSsub()) &&
               opPnet() && opSnet();
    case 44:
    case 99:
        return true;
    case 98: {
        if (!recall(1)) return false;
        const int following = pos_ + 1 < n_ ? (*list_)[pos_ + 1].code : 1;
        if (following < 90 || following > 94) {
            // The walk goes on, so the same fault comes back at every
            // frequency: the notice is shown once per sweep.
            if (!code98Noticed_) toolkit_.notice("Code 98 error");
            code98Noticed_ = true;
            return true;
        }
        ++pos_;
        return primitive(following);
    }
    default:
        if (code >= 90 && code <= 100) return primitive(code);
        return executeSpecial(code);
    }
}

bool NetworkInterpreter::executeCode13() {
    if (!opStore()) return false;
    ++pos_;
    if ((*list_)[pos_].code == 13) {
        eval();
        if (!(opSsub() && (next(), opPsub()) && (next(), opStore()) && (next(), opStore()) &&
              opDeltaWye() && recall(1) && opS()))
            return false;
        next();
        if ((*list_)[pos_].code == 13) {
            if (!(opStore() && (next(), opPsub()))) return false;
        } else {
            lineShorted();
            if (!opStore()) return false;
            skip(1);
        }
        if (!(next(), opSsub())) return false;
    } else {
        skip(2);
        eval();
        if (!(opStore() && (next(), opStore()) && opDeltaWye() && recall(1) && opS())) return false;
        next();
        if ((*list_)[pos_].code == 13) {
            if (!(opStore() && (next(), opPsub()))) return false;
            skip(1);
        } else {
            lineShorted();
            if (!(opSsub() && opPnet() && opSnet())) return false;
            skip(2);
            return true;
        }
    }
    return recall(1) && opSsub() && opPnet() && opSnet();
}

bool NetworkInterpreter::executeCode41() {
    // Two wye sections (e1, e2, e3 and e4, e5+e6, e7) turned into deltas and
    // merged into one pi.
    if (!opStore()) return false;
    skip(2);
    eval();
    if (!opStore()) return false;
    back(1);
    eval();
    if (!(opStore() && opWyeDelta())) return false;
    skip(2);
    eval();
    if (!opStore()) return false;
    skip(3);
    eval();
    if (!opStore()) return false;
    back(2);
    eval();
    if (!(opStore() && (next(), opSsub()) && opWyeDelta())) return false;
    skip(1);
    if (!(recall(3) && opPsub() && opPnet())) return false;
    // S1 := S1 || S3, and S3 leaves the stack. (S3 is the deepest entry of
    // the section; inside a side port the side port's own value lies below
    // it and must stay.)
    if (depth_ < 4) return stackTrouble();
    e_ = fromTop(3);
    parallelInto(fromTop(1));
    for (int j = depth_ - 4; j < depth_ - 1; ++j) stack_[j] = stack_[j + 1];
    --depth_;
    return recall(1) && opS() && recall(1) && opPsub() && opPnet();
}

bool NetworkInterpreter::executeSpecial(int code) {
    const NetEntry& entry = (*list_)[pos_];
    switch (code) {
    case 8:
        if (!side_) {
            if (!opStore()) return false;
            side_ = true;
            return true;
        }
        side_ = false;
        if (!opPnet()) return false;
        e_ = {entryValue_.r, 0.0};
        if (!opStore()) return false;
        side_ = true;
        return true;
    case 9:
        side_ = false;
        return opPnet();
    case 21:
        if (entry.value >= 0.0 && main_) {
            if (side_ && depth_ == 0) return stackTrouble();
            tapZ_ = side_ ? bottom() : acc_;
            tap_ = true;
        }
        return true;
    case 22: {
        if (entry.value > 0.0) {
            fRef_ = entry.value;
            lengthScale_ = f_ / fRef_;
            return true;
        }
        // A data branch has a negative value; 0 is neither a reference
        // frequency nor a data branch (the design files keep no file name
        // for it) and does nothing.
        if (entry.value == 0.0) return true;
        double r = 0.0;
        double x = 0.0;
        for (int attempt = 0;; ++attempt) {
            const DataAnswer a = data_.dataImpedance(f_, pos_, r, x);
            if (a == DataAnswer::kReady) break;
            if (a == DataAnswer::kUnavailable) return false;
            if (attempt + 1 >= kDataRetries) {
                char text[64];
                std::snprintf(text, sizeof text, "No data for branch %d - analysis stopped.", pos_);
                return fail(text);
            }
        }
        e_ = {r, x};
        if (side_ || recording_) return opP();
        // The shunt as acc z / (acc + z): one division where the general
        // parallel step takes two in a row, which is what a sweep through
        // many data branches waits for. Nothing reads the element after it.
        closeRun();
        const Cx z = e_;
        const Cx num{acc_.r * z.r - acc_.x * z.x, acc_.r * z.x + acc_.x * z.r};
        const Cx den{acc_.r + z.r, acc_.x + z.x};
        const double inv = 1.0 / (den.r * den.r + den.x * den.x);
        acc_ = {(num.r * den.r + num.x * den.x) * inv, (num.x * den.r - num.r * den.x) * inv};
        runStart_ = acc_;
        return true;
    }
    case 23: {
        double theta;
        double zo;
        double invQ;
        if (mismatch_) {
            theta = settings_.mismatchLineLength;
            zo = settings_.mismatchLineZo;
            invQ = 1.0 / kInfiniteQ;
            mismatch_ = false;
        } else {
            theta = e_.r * lengthScale_;
            zo = e_.x;
            invQ = invLineQ_;
        }
        if (side_) {
            if (depth_ == 0) return stackTrouble();
            double s = 0.0;
            double c = 0.0;
            sinCos(theta, s, c);
            bottom() = losslessLine(bottom(), zo, theta, c, s);
            skip(1);
            return true;
        }
        closeRun();
        if (recording_ && !finishRecord()) return false;
        double s = 0.0;
        double c = 0.0;
        sinCos(theta, s, c);
        const double g = expNear0(0.5 * theta * invQ);
        const Cx a = acc_;
        const Cx num{a.r * c * g, g * (a.x * c + s * zo)};
        if (main_) {
            // ln(|a| / |num|) joins the runs' products (see closeRun).
            runStarts_ *= magnitudeSquared(a);
            runEnds_ *= magnitudeSquared(num);
            if (!(productInRange(runStarts_) && productInRange(runEnds_))) foldRunLoss();
        }
        addPhase(num, a);
        if (recording_) {
            DistributionRecord& r = records_[recordCount_];
            r[0] = static_cast<float>(magnitude(a) / magnitude(num));
            r[1] = static_cast<float>(kNoShunt);
            r[2] = 0.0f;
            r[3] = static_cast<float>(magnitude(num - a));
            r[4] = 0.0f;
            r[5] = static_cast<float>(magnitude(num));
            r[6] = static_cast<float>(pos_);
            if (!finishRecord()) return false;
        }
        acc_ = losslessLine(a, zo, theta, c, s);
        runStart_ = acc_;
        skip(1);
        return true;
    }
    case 24: {
        const double turns = entry.value;
        if (side_) {
            if (depth_ == 0) return stackTrouble();
            bottom() = scaled(bottom(), turns * turns);
            return true;
        }
        closeRun();
        if (main_) lambda_ -= std::log(turns);
        if (recording_) {
            records_[recordCount_][1] = static_cast<float>(magnitude(acc_));
            records_[recordCount_][2] = 0.0f;
            if (!finishRecord()) return false;
        }
        acc_ = scaled(acc_, turns * turns);
        runStart_ = acc_;
        if (recording_) {
            DistributionRecord& r = records_[recordCount_];
            r[0] = static_cast<float>(1.0 / turns);
            r[1] = static_cast<float>(magnitude(acc_));
            r[2] = 0.0f;
            r[3] = 0.0f;
            r[4] = 0.0f;
            r[5] = static_cast<float>(kNoShunt);
            r[6] = static_cast<float>(pos_);
            if (!finishRecord()) return false;
        }
        return true;
    }
    case 50: {
        if (depth_ != 0) return true;
        double v = 0.0;
        if (data_.dataValue(f_, 2, v) != DataAnswer::kReady) return false;
        if (entry.letter == 'D')
            delay_ += v / settings_.timeMultiplier;
        else
            lambda_ -= v / kDb;
        return true;
    }
    case 53: {
        if (entry.letter == 'l') {
            ql_ = normalisedQ(entry.value);
            invQl_ = 1.0 / ql_;
        } else if (entry.letter == 'c') {
            qc_ = normalisedQ(entry.value);
            invQc_ = 1.0 / qc_;
        } else if (entry.letter == 't') {
            qt_ = normalisedQ(entry.value);
            invQt_ = 1.0 / qt_;
        }
        return true;
    }
    default:
        return true;
    }
}

bool NetworkInterpreter::finish() {
    if (side_) {
        side_ = false;
        if (!opPnet()) return false;
    }
    sourceEnd_ = acc_;
    acc_.r += (*list_)[n_].value;
    closeRun();
    foldRunLoss();
    if (recording_ && !finishRecord()) return false;
    if (depth_ != 0) return stackTrouble();
    return true;
}

const char* primitiveListingForm(int code, bool afterNoOp) {
    static const char* const kForms[11][2] = {
        {"#──Par───> Σ", "    Par     "}, {"#──Ser───> Σ", "    Series  "},
        {"#─Push─> Stk", "    Store   "}, {"#──Par─> Stk", "    Psub    "},
        {"#──Ser─> Stk", "    Ssub    "}, {" Stk─Par─> Σ", "    Pnet    "},
        {" Stk─Ser─> Σ", "    Snet    "}, {" D->Y in Stk", "    D-Y     "},
        {" Stk+1───> #", "    Recall  "}, {"  not found ", "            "},
        {" Y->D in Stk", "    Y-D     "},
    };
    if (code < 90 || code > 100) return nullptr;
    return kForms[code - 90][afterNoOp ? 1 : 0];
}

} // namespace tanvex::analysis
