#include "synthesis/placer.h"

#include "design/network.h"
#include "design/text_io.h"
#include "synthesis/builders.h"
#include "synthesis/catalogue.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <cstring>

namespace tanvex::synthesis {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kMaxZeroRatio = 1000.0; // a zero never moves past this many band edges

double epsOf(double ripple) {
    return std::sqrt(std::pow(10.0, ripple / 10.0) - 1.0);
}

double centreOf(const PlacerBand& b) {
    return b.mode == 1 ? std::sqrt(b.f1 * b.f2) : 1.0;
}

bool isSeriesCode(char c) {
    return c == '1' || c == '3' || c == '5' || c == '7';
}
bool isDcCode(char c) {
    return c == '1' || c == '2' || c == '5' || c == '6';
}

} // namespace

// ---------------------------------------------------------------- file form --

PlacerState placerFromFile(const PolePlacerData& d) {
    PlacerState st;
    auto clampCount = [](int v) { return std::clamp(v, 0, kPlacerMax); };
    st.dataMode = d.numbers[0];
    st.maskCount = clampCount(d.numbers[1]);
    st.dcZeros = std::max(0, d.numbers[2]);
    st.infZeros = std::max(0, d.numbers[3]);
    st.degree = std::max(0, d.numbers[4]);
    st.finiteCount = clampCount(d.numbers[5]);
    st.sequenceLength = clampCount(d.numbers[6]);
    st.sequenceState = d.numbers[7];
    st.maskType = d.numbers[8];
    st.maskFromMarkers = d.numbers[9];
    for (int i = 0; i < st.maskCount && i < static_cast<int>(d.tableA.size()); ++i) {
        st.maskDb[i] = d.tableA[i][0];
        st.maskFreq[i] = d.tableA[i][1];
    }
    st.polys = d.tableB;
    for (int i = 0; i < st.finiteCount && i < static_cast<int>(d.tableC.size()); ++i) {
        st.zeros[i] = d.tableC[i];
        st.sequence[i] = d.tableCIndex[i];
    }
    // A sequence must name every zero once; anything else is asked again.
    std::vector<int> seq(st.sequence.begin(), st.sequence.begin() + st.sequenceLength);
    std::vector<int> sorted = seq;
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < static_cast<int>(sorted.size()); ++i)
        if (sorted[i] != i + 1) st.sequenceLength = 0, st.sequenceState = 0;
    st.lastCodes = d.title.empty() ? "*" : d.title;
    return st;
}

PolePlacerData placerToFile(const PlacerState& st) {
    PolePlacerData d;
    d.numbers = {st.dataMode, st.maskCount,      st.dcZeros,        st.infZeros,
                 st.degree,   st.finiteCount,    st.sequenceLength, st.sequenceState,
                 st.maskType, st.maskFromMarkers};
    d.tableA.resize(st.maskCount);
    for (int i = 0; i < st.maskCount; ++i) d.tableA[i] = {st.maskDb[i], st.maskFreq[i]};
    d.tableB = st.polys;
    d.tableB.resize(static_cast<size_t>(st.degree) + 1, {0, 0, 0});
    int rows = std::max(st.finiteCount, st.sequenceLength);
    d.numbers[5] = rows;
    d.tableC.resize(rows);
    d.tableCIndex.resize(rows);
    for (int i = 0; i < rows; ++i) {
        d.tableC[i] = i < st.finiteCount ? st.zeros[i] : 0.0;
        d.tableCIndex[i] = i < st.sequenceLength ? st.sequence[i] : 0;
    }
    d.numbers[6] = st.sequenceLength;
    d.title = st.lastCodes.empty() ? "*" : st.lastCodes;
    return d;
}

// ----------------------------------------------------------------- response --

PlacerBand placerBand(const DesignRecord& rec, int mode) {
    PlacerBand b;
    b.mode = mode;
    b.ripple = rec[2].value;
    if (mode == 1) {
        b.f1 = rec[5].value - rec[6].value / 2;
        b.f2 = rec[5].value + rec[6].value / 2;
    } else {
        b.f1 = 0;
        b.f2 = 1;
    }
    return b;
}

ChebyshevSpec placerSpec(const PlacerState& st, const PlacerBand& band) {
    ChebyshevSpec sp;
    sp.eps = epsOf(band.ripple);
    sp.inf = st.infZeros;
    double c = centreOf(band);
    for (int i = 0; i < st.finiteCount; ++i) sp.finite.push_back(st.zeros[i] / c);
    if (band.mode == 1) {
        sp.bandpass = true;
        sp.dc = st.dcZeros;
        sp.w1 = band.f1 / c;
        sp.w2 = band.f2 / c;
    }
    return sp;
}

double placerLossDb(const PlacerState& st, const PlacerBand& band, double f) {
    return chebyshevLossDb(placerSpec(st, band), std::fabs(f) / centreOf(band));
}

std::string checkZero(double f, const PlacerBand& band) {
    if (!std::isfinite(f) || f <= 0) return "A zero must be a positive frequency";
    if (band.mode == 2) {
        if (f <= 1.0) return "A zero inside the passband (at or below 1.0) is refused";
        if (f > kMaxZeroRatio) return "A zero beyond 1000 rad/s is refused";
    } else {
        if (f >= band.f1 && f <= band.f2)
            return formatText("A zero between the band edges %g & %g is refused", band.f1, band.f2);
        if (f > kMaxZeroRatio * band.f2) return "A zero that far above the band is refused";
    }
    return "";
}

std::string normalizeMask(PlacerState& st, const PlacerBand& band) {
    std::vector<std::pair<double, double>> rows; // (frequency, dB)
    for (int i = 0; i < st.maskCount; ++i) {
        double f = st.maskFreq[i];
        if (f == 0) continue;
        if (band.mode == 2 && f < 1.0) continue;
        rows.push_back({f, st.maskDb[i]});
    }
    std::sort(rows.begin(), rows.end());
    st.maskCount = static_cast<int>(rows.size());
    st.sectionsBelow = st.sectionsAbove = 0;
    for (int i = 0; i < kPlacerMax; ++i) {
        st.maskFreq[i] = i < st.maskCount ? rows[i].first : 0;
        st.maskDb[i] = i < st.maskCount ? rows[i].second : 0;
    }
    for (auto& r : rows) {
        if (band.mode == 2) {
            if (r.first >= 10.0) return "Sections must be less than 10.0 Radians";
            ++st.sectionsAbove;
        } else {
            if (r.first > band.f1 && r.first < band.f2)
                return formatText("One of the stopband sections is between %g & %g %s", band.f1,
                                  band.f2, "Hz");
            (r.first <= band.f1 ? st.sectionsBelow : st.sectionsAbove)++;
        }
    }
    return "";
}

std::string lowpassMaskFromMarkers(PlacerState& st, const DesignRecord& rec,
                                   const std::vector<std::pair<double, double>>& markers) {
    const int type = designType(rec);
    const double fc = rec[10].value, fo = rec[5].value, bw = rec[6].value;
    const double f0 = std::sqrt(std::max(0.0, (fo - bw / 2) * (fo + bw / 2)));
    std::vector<std::pair<double, double>> rows; // (normalized frequency, dB)
    for (const auto& [f, db] : markers) {
        if (!(f > 0)) continue;
        double w;
        if (type == 1 || type == 25 || type == 26) {
            if (!(fc > 0)) return "Marker misplaced";
            w = f / fc;
        } else if (type == 2) {
            if (!(fc > 0)) return "Marker misplaced";
            w = fc / f;
        } else if (type == 7 || type == 8 || type == 21 || type == 22) {
            if (!(bw > 0) || f == f0) return "Marker misplaced";
            w = f * bw / std::fabs(f * f - f0 * f0);
        } else {
            if (!(bw > 0) || !(f0 > 0)) return "Marker misplaced";
            w = std::fabs(f * f - f0 * f0) / (f * bw);
        }
        // A marker in the pass band or beyond 10 rad/s cannot be a corner.
        if (w <= 1.0 || w >= 10.0 || !(db > 0)) return "Marker misplaced";
        rows.push_back({w, db});
    }
    if (rows.empty()) return "No stopband markers!";
    if (rows.size() > static_cast<size_t>(kPlacerMax)) rows.resize(kPlacerMax);
    std::sort(rows.begin(), rows.end());
    st.maskCount = static_cast<int>(rows.size());
    for (int i = 0; i < kPlacerMax; ++i) {
        st.maskFreq[i] = i < st.maskCount ? rows[i].first : 0;
        st.maskDb[i] = i < st.maskCount ? rows[i].second : 0;
    }
    st.maskType = 2;
    st.maskFromMarkers = 1;
    st.sectionsBelow = 0;
    st.sectionsAbove = st.maskCount;
    return "";
}

namespace {

struct Segment {
    double lo, hi;
};

// The frequencies a mask row covers: from its corner away from the band to
// the next corner on the same side (or to DC / far beyond the last zero).
Segment rowSegment(const PlacerState& st, const PlacerBand& band, int i) {
    double f = st.maskFreq[i];
    double far = f;
    for (int k = 0; k < st.finiteCount; ++k) far = std::max(far, st.zeros[k]);
    if (band.mode == 2 || f >= band.f2) {
        double hi = far * 30.0;
        for (int k = i + 1; k < st.maskCount; ++k)
            if (st.maskFreq[k] > f) {
                hi = st.maskFreq[k];
                break;
            }
        return {f, hi};
    }
    double lo = f * 1e-3;
    for (int k = 0; k < st.finiteCount; ++k)
        if (st.zeros[k] < f) lo = std::min(lo, st.zeros[k] * 0.03);
    for (int k = i - 1; k >= 0; --k)
        if (st.maskFreq[k] < f) {
            lo = st.maskFreq[k];
            break;
        }
    return {lo, f};
}

// Least loss on [a, b], loss unimodal between the breakpoints (golden section
// in the logarithm of frequency).
void pieceMinimum(const ChebyshevEvaluator& ev, double scale, double a, double b, double& fBest,
                  double& aBest) {
    auto loss = [&](double f) { return ev.lossDb(f / scale); };
    for (double f : {a, b}) {
        double v = loss(f);
        if (v < aBest) aBest = v, fBest = f;
    }
    double la = std::log(a), lb = std::log(b);
    const double g = 0.6180339887498949;
    double x1 = lb - g * (lb - la), x2 = la + g * (lb - la);
    double v1 = loss(std::exp(x1)), v2 = loss(std::exp(x2));
    for (int it = 0; it < 18; ++it) {
        if (v1 < v2) {
            lb = x2, x2 = x1, v2 = v1;
            x1 = lb - g * (lb - la);
            v1 = loss(std::exp(x1));
        } else {
            la = x1, x1 = x2, v1 = v2;
            x2 = la + g * (lb - la);
            v2 = loss(std::exp(x2));
        }
    }
    double f = std::exp((la + lb) / 2), v = loss(f);
    if (v < aBest) aBest = v, fBest = f;
}

} // namespace

std::vector<MaskRow> evaluateMask(const PlacerState& st, const PlacerBand& band) {
    std::vector<MaskRow> rows;
    ChebyshevEvaluator ev(placerSpec(st, band));
    double scale = centreOf(band);
    for (int i = 0; i < st.maskCount; ++i) {
        Segment s = rowSegment(st, band, i);
        std::vector<double> cuts{s.lo, s.hi};
        for (int k = 0; k < st.finiteCount; ++k)
            if (st.zeros[k] > s.lo && st.zeros[k] < s.hi) cuts.push_back(st.zeros[k]);
        std::sort(cuts.begin(), cuts.end());
        MaskRow r;
        r.atten = 1e300;
        for (size_t k = 0; k + 1 < cuts.size(); ++k) {
            double a = cuts[k], b = cuts[k + 1];
            // Keep off the zeros themselves.
            if (k > 0) a *= 1 + 1e-9;
            if (k + 2 < cuts.size()) b *= 1 - 1e-9;
            if (b > a) pieceMinimum(ev, scale, a, b, r.worstFreq, r.atten);
        }
        r.margin = r.atten - st.maskDb[i];
        rows.push_back(r);
    }
    return rows;
}

double worstMargin(const std::vector<MaskRow>& rows) {
    double w = 1e300;
    for (const MaskRow& r : rows) w = std::min(w, r.margin);
    return w;
}

std::string zerosLine(const PlacerState& st, double unitScale) {
    std::string s;
    for (int i = 0; i < st.finiteCount; ++i) s += formatText("%9.4f", st.zeros[i] * unitScale);
    return s;
}

void sortZeros(PlacerState& st) {
    std::vector<int> idx(st.finiteCount);
    for (int i = 0; i < st.finiteCount; ++i) idx[i] = i;
    std::stable_sort(idx.begin(), idx.end(),
                     [&](int a, int b) { return st.zeros[a] < st.zeros[b]; });
    std::vector<int> newIndex(st.finiteCount);
    std::array<double, kPlacerMax> z = st.zeros;
    for (int i = 0; i < st.finiteCount; ++i) {
        st.zeros[i] = z[idx[i]];
        newIndex[idx[i]] = i;
    }
    for (int i = 0; i < st.sequenceLength; ++i) {
        int k = st.sequence[i] - 1;
        if (k >= 0 && k < st.finiteCount) st.sequence[i] = newIndex[k] + 1;
    }
}

// ------------------------------------------------------------------ solver --

namespace {

// The coordinate a zero moves in: mode 2 u = sqrt(1 - 1/W^2); mode 1 the
// logarithm of the distance from the nearer band edge.
double toParam(double f, const PlacerBand& band) {
    if (band.mode == 2) return std::sqrt(1 - 1 / (f * f));
    if (f > band.f2) return std::log((f - band.f2) / (band.f2 - band.f1));
    return -std::log(band.f1 / f - 1); // below: f = f1 / (1 + e^-p)
}

double fromParam(double p, double f0, const PlacerBand& band) {
    if (band.mode == 2) {
        // Held inside (1.001 .. 50) rad/s: never past infinity.
        const double umin = std::sqrt(1 - 1 / 1.002), umax = std::sqrt(1 - 1 / 2500.0);
        double u = std::clamp(p, umin, umax);
        return std::sqrt(1 / (1 - u * u));
    }
    // Within 25 bandwidths above the band, and down to a twentieth of the
    // lower edge below it.
    if (f0 > band.f2) return band.f2 + (band.f2 - band.f1) * std::exp(std::clamp(p, -12.0, 3.2));
    return band.f1 / (1 + std::exp(-std::clamp(p, -3.0, 12.0)));
}

struct Score {
    double worst = 0, shortfall = 0;
    bool better(const Score& o) const {
        if (worst > o.worst + 1e-9) return true;
        if (worst < o.worst - 1e-9) return false;
        return shortfall > o.shortfall + 1e-9;
    }
};

Score scoreOf(const PlacerState& st, const PlacerBand& band) {
    auto rows = evaluateMask(st, band);
    Score s;
    s.worst = worstMargin(rows);
    for (auto& r : rows) s.shortfall += std::min(0.0, r.margin);
    return s;
}

} // namespace

void correctionPass(PlacerState& st, const PlacerBand& band) {
    if (st.maskCount == 0 || st.finiteCount == 0) return;
    Score best = scoreOf(st, band);
    for (double h : {0.08, 0.02, 0.005, 0.001}) {
        double step = band.mode == 2 ? h : h * 20;
        for (int i = 0; i < st.finiteCount; ++i) {
            for (int dir : {1, -1}) {
                bool moved = false;
                for (int tries = 0; tries < 4; ++tries) {
                    double old = st.zeros[i];
                    st.zeros[i] = fromParam(toParam(old, band) + dir * step, old, band);
                    Score s = scoreOf(st, band);
                    if (s.better(best)) {
                        best = s;
                        moved = true;
                    } else {
                        st.zeros[i] = old;
                        break;
                    }
                }
                if (moved) break;
            }
        }
    }
    sortZeros(st);
}

int solvePlacer(PlacerState& st, const PlacerBand& band,
                const std::function<void(const std::string&)>& log) {
    if (st.maskCount == 0) return 3;
    for (int round = 0; round <= kPlacerMax; ++round) {
        double last = worstMargin(evaluateMask(st, band));
        for (int pass = 0; pass < 6 && st.finiteCount > 0; ++pass) {
            correctionPass(st, band);
            double now = worstMargin(evaluateMask(st, band));
            if (log) log(zerosLine(st));
            if (now >= 0 || now < last + 0.01) {
                last = now;
                break;
            }
            last = now;
        }
        if (last >= 0) return 0;
        if (st.finiteCount >= kPlacerMax) return 1;
        // A new zero where the mask is missed by most.
        auto rows = evaluateMask(st, band);
        int worst = 0;
        for (int i = 1; i < static_cast<int>(rows.size()); ++i)
            if (rows[i].margin < rows[worst].margin) worst = i;
        double f = rows[worst].worstFreq;
        if (!checkZero(f, band).empty()) return 2;
        st.zeros[st.finiteCount++] = f;
        sortZeros(st);
        st.sequenceState = 0;
        if (log) log(zerosLine(st));
    }
    return worstMargin(evaluateMask(st, band)) >= 0 ? 0 : 1;
}

// ----------------------------------------------------------- zero sequence --

std::vector<int> parseSequence(const std::string& text, int n, bool* ok) {
    std::vector<int> seq;
    *ok = false;
    std::string cur;
    auto flush = [&]() -> bool {
        if (cur.empty()) return true;
        if (cur.size() > 2) return false;
        int v = std::atoi(cur.c_str());
        cur.clear();
        if (v < 1 || v > n) return false;
        seq.push_back(v);
        return true;
    };
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            cur += c;
        } else if (c == ',' || c == ' ' || c == '\t') {
            if (!flush()) return {};
        } else {
            return {};
        }
    }
    if (!flush()) return {};
    if (static_cast<int>(seq.size()) != n) return {};
    std::vector<int> sorted = seq;
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < n; ++i)
        if (sorted[i] != i + 1) return {};
    *ok = true;
    return seq;
}

// ------------------------------------------------------------------- codes --

std::string finiteOrderText(const PlacerState& st, const PlacerBand& band) {
    std::string s;
    for (int i = 0; i < st.sequenceLength; ++i) {
        int k = st.sequence[i] - 1;
        if (k < 0 || k >= st.finiteCount) continue;
        s += (band.mode == 2 || st.zeros[k] > band.f2) ? '+' : '-';
    }
    return s;
}

std::string automaticCodes(const PlacerState& st, const PlacerBand& band, int mode,
                           std::string* message) {
    std::string order = finiteOrderText(st, band);
    std::string codes;
    if (mode == 2) {
        // The ladder the lowpass builders use: all-pole elements alternating
        // up to the first zero, each finite zero as a shunt C shifted to it
        // and a series tank, a shunt C at the source end.
        if (order.empty()) {
            for (int i = 0; i < st.infZeros; ++i)
                codes += (st.infZeros - 1 - i) % 2 == 0 ? '4' : '3';
            return codes;
        }
        int lead = st.infZeros - 1;
        for (int i = 0; i < lead; ++i) codes += (lead - 1 - i) % 2 == 0 ? '3' : '4';
        for (size_t i = 0; i < order.size(); ++i) codes += '8';
        if (!order.empty()) codes += '4';
        return codes;
    }
    if (st.dcZeros + st.infZeros != 4) {
        if (message) *message = " Not programmed, do it manually.";
        return "";
    }
    for (char c : order) codes += c == '+' ? '8' : '5';
    char last = codes.empty() ? ' ' : codes.back();
    if (st.dcZeros == st.infZeros)
        codes = "3" + codes + (last == '5' ? "412" : "142");
    else if (st.dcZeros < st.infZeros)
        codes = "3" + codes + (last == '5' ? "413" : "143");
    else
        codes = "2" + codes + (last == '8' ? "142" : "412");
    return codes;
}

CodeCheck validateCodes(const std::string& text, const PlacerState& st, const PlacerBand& band,
                        int mode) {
    CodeCheck r;
    std::string codes;
    for (char c : text)
        if (c >= '1' && c <= '8') codes += c;
    int required = st.infZeros + st.finiteCount + (mode == 1 ? st.dcZeros : 0);
    if (static_cast<int>(codes.size()) != required) {
        r.message = formatText("You specified %d codes, %d are required.",
                               static_cast<int>(codes.size()), required);
        return r;
    }
    if (mode == 2)
        for (size_t i = 0; i < codes.size(); ++i)
            if (!std::strchr("3478", codes[i])) {
                r.message = " Only codes 3, 4, 7 and 8 make a lowpass. ";
                r.markerAt = static_cast<int>(i);
                return r;
            }
    int dc = 0, inf = 0, fm = 0, fp = 0;
    int lastDc = -1, lastInf = -1; // 1 series, 0 shunt
    for (char c : codes) {
        int series = isSeriesCode(c) ? 1 : 0;
        if (isDcCode(c)) {
            if (series != lastDc) ++dc;
            lastDc = series;
        } else {
            if (series != lastInf) ++inf;
            lastInf = series;
        }
        if (c == '5' || c == '6') ++fm;
        if (c == '7' || c == '8') ++fp;
    }
    std::string order = finiteOrderText(st, band);
    int wantFm = static_cast<int>(std::count(order.begin(), order.end(), '-'));
    int wantFp = static_cast<int>(std::count(order.begin(), order.end(), '+'));
    int wantDc = mode == 1 ? st.dcZeros : 0;
    if (dc != wantDc || inf != st.infZeros || fm != wantFm || fp != wantFp) {
        r.message = formatText(" DC=%2d ", dc) + formatText(" Inf.=%2d ", inf) +
                    formatText(" f-=%2d ", fm) + formatText(" f+=%2d ", fp);
        return r;
    }
    std::string got;
    for (char c : codes)
        if (c >= '5') got += c >= '7' ? '+' : '-';
    if (got != order) {
        r.message = " Finite zero order is incorrect. ";
        return r;
    }
    if (wantDc > 0) {
        for (int side = 0; side < 2; ++side) {
            int firstDc = -1, firstInf = -1;
            for (int k = 0; k < static_cast<int>(codes.size()); ++k) {
                int i = side == 0 ? k : static_cast<int>(codes.size()) - 1 - k;
                if (isDcCode(codes[i]) && firstDc < 0) firstDc = i;
                if (!isDcCode(codes[i]) && firstInf < 0) firstInf = i;
            }
            if (firstDc >= 0 && firstInf >= 0 &&
                isSeriesCode(codes[firstDc]) != isSeriesCode(codes[firstInf])) {
                r.markerAt = side == 0 ? std::max(firstDc, firstInf) : std::min(firstDc, firstInf);
                r.message = std::string(side == 0 ? "from left" : "from right") +
                            " End Zo not equal at DC and Infinity. ";
                return r;
            }
        }
    }
    r.ok = true;
    return r;
}

// ---------------------------------------------------------------- synthesis --

namespace {

double ladderLossDb(const GeneralLadder& lad, double w) {
    using C = std::complex<double>;
    C s(0, w), a = 1, b = 0, c = 0, d = 1;
    for (int i = static_cast<int>(lad.elements.size()) - 1; i >= 0; --i) {
        const GeneralElement& e = lad.elements[i];
        C z = 0, y = 0;
        switch (e.arm) {
        case GeneralArm::SeriesL:
            z = s * e.value;
            break;
        case GeneralArm::SeriesC:
            z = 1.0 / (s * e.value);
            break;
        case GeneralArm::ShuntC:
            y = s * e.value;
            break;
        case GeneralArm::ShuntL:
            y = 1.0 / (s * e.value);
            break;
        case GeneralArm::SeriesTank:
            z = 1.0 / (1.0 / (s * e.value) + s * e.value2);
            break;
        case GeneralArm::ShuntTank:
            y = 1.0 / (s * e.value + 1.0 / (s * e.value2));
            break;
        }
        // Towards the source: [1 z; 0 1] then [1 0; y 1] on the right.
        C na = a + b * y, nb = a * z + b * (1.0 + z * y);
        C nc = c + d * y, nd = c * z + d * (1.0 + z * y);
        a = na, b = nb, c = nc, d = nd;
    }
    // a..d map (V2, I2) at the termination (1 ohm) to the source side.
    if (lad.source >= 1e19) return -20 * std::log10(std::abs(1.0 / (c + d)));
    double rs = lad.source;
    return 10 * std::log10(std::norm(a + b + rs * (c + d)) / (4 * rs));
}

// Largest difference between the analysed ladder and the response it was
// made for, over the band and the stopbands (dB; loss above 120 dB is
// compared relatively).
double ladderDeviation(const GeneralLadder& lad, const ChebyshevSpec& sp) {
    ChebyshevEvaluator ev(sp);
    std::vector<double> freqs;
    double lo = sp.bandpass ? double(sp.w1) : 0.0, hi = sp.bandpass ? double(sp.w2) : 1.0;
    for (int i = 0; i <= 60; ++i) freqs.push_back(lo + (hi - lo) * i / 60.0);
    for (int i = 1; i <= 60; ++i) freqs.push_back(hi * std::pow(8.0, i / 60.0));
    if (sp.bandpass)
        for (int i = 1; i <= 60; ++i) freqs.push_back(lo / std::pow(8.0, i / 60.0));
    double offset = 0;
    if (lad.source >= 1e19) {
        // Current-source feed: levels relative to the point of least loss.
        double best = 1e300;
        for (int i = 0; i <= 60; ++i) {
            double want = ev.lossDb(freqs[i]);
            if (want < best) best = want, offset = ladderLossDb(lad, freqs[i]) - want;
        }
    }
    double worst = 0;
    for (double w : freqs) {
        if (w <= 0) continue;
        double want = ev.lossDb(w);
        double got = ladderLossDb(lad, w) - offset;
        if (want > 300 || !std::isfinite(got)) continue; // at a zero
        double dev = std::fabs(got - want);
        if (want > 120) dev /= want / 120;
        worst = std::max(worst, dev);
    }
    return worst;
}

} // namespace

PlacerLadder synthesizePlacer(PlacerState& st, const PlacerBand& band, int mode,
                              const std::string& text, bool singly) {
    PlacerLadder out;
    ChebyshevSpec sp = placerSpec(st, band);
    out.scaleOmega = kTwoPi * centreOf(band);
    if (mode == 2) out.scaleOmega = 1;
    std::vector<GeneralSection> secs;
    int fin = 0;
    for (char c : text) {
        if (c < '1' || c > '8') continue;
        Real w = 0;
        if (c >= '5') {
            if (fin >= st.sequenceLength) {
                out.error = "more finite zero codes than zeros";
                return out;
            }
            w = sp.finite[st.sequence[fin++] - 1];
        }
        switch (c) {
        case '1':
            secs.push_back({GeneralArm::SeriesC, 0});
            break;
        case '2':
            secs.push_back({GeneralArm::ShuntL, 0});
            break;
        case '3':
            secs.push_back({GeneralArm::SeriesL, 0});
            break;
        case '4':
            secs.push_back({GeneralArm::ShuntC, 0});
            break;
        case '5':
            secs.push_back({GeneralArm::SeriesC, w});
            secs.push_back({GeneralArm::ShuntTank, w});
            break;
        case '6':
            secs.push_back({GeneralArm::ShuntL, w});
            secs.push_back({GeneralArm::SeriesTank, w});
            break;
        case '7':
            secs.push_back({GeneralArm::SeriesL, w});
            secs.push_back({GeneralArm::ShuntTank, w});
            break;
        case '8':
            secs.push_back({GeneralArm::ShuntC, w});
            secs.push_back({GeneralArm::SeriesTank, w});
            break;
        }
    }
    out.ladder = synthesizeGeneral(sp, secs, singly);
    Poly f, p;
    chebyshevPolynomials(sp, f, p);
    st.degree = chebyshevDegree(sp);
    st.polys.assign(static_cast<size_t>(st.degree) + 1, {0, 0, 0});
    for (size_t k = 0; k < st.polys.size(); ++k) {
        st.polys[k][0] = k < f.size() ? double(f[k]) : 0.0;
        st.polys[k][1] = k < p.size() ? double(p[k]) : 0.0;
    }
    if (!out.ladder.ok) {
        out.error = out.ladder.error;
        return out;
    }
    out.negative = out.ladder.negative;
    // Never trust an extraction blindly: the ladder (negative values and
    // all) is analysed and must reproduce the response it was made for.
    out.worstDeviationDb = ladderDeviation(out.ladder, sp);
    if (!(out.worstDeviationDb < 0.001) || out.ladder.worstResidual > 1e-4) {
        out.error = formatText(
            "the ladder does not reproduce the response (%.3g dB off, extraction residual %.3g)",
            out.worstDeviationDb, out.ladder.worstResidual);
        return out;
    }
    out.ok = true;
    return out;
}

void writePlacerNetwork(const PlacerLadder& lad, EntryList& list, double zo) {
    const double w0 = lad.scaleOmega;
    for (auto& e : list) e = NetEntry{};
    setEntry(list, 0, zo, 'R', 1);
    int i = 1;
    auto put = [&](double v, char letter, int code) {
        if (i < kEntrySlots - 2) setEntry(list, i++, v, letter, code);
    };
    for (const GeneralElement& e : lad.ladder.elements) {
        double l = e.value * zo / w0, c = e.value / (zo * w0);
        switch (e.arm) {
        case GeneralArm::SeriesL:
            put(l, 'L', 3);
            break;
        case GeneralArm::ShuntC:
            put(c, 'C', 2);
            break;
        case GeneralArm::SeriesC:
            put(c, 'C', 3);
            break;
        case GeneralArm::ShuntL:
            put(l, 'L', 2);
            break;
        case GeneralArm::SeriesTank:
        case GeneralArm::ShuntTank: {
            int code = e.arm == GeneralArm::SeriesTank ? 5 : 4;
            put(l, 'L', code);
            put(e.value2 / (zo * w0), 'C', code);
            break;
        }
        }
    }
    double src = lad.ladder.source >= 1e19 ? 1e20 : lad.ladder.source * zo;
    setEntry(list, i, src, 'R', 1);
    setEntry(list, i + 1, w0 / kTwoPi, 'x', 1);
}

void writePlacerPrototype(const PlacerLadder& lad, LowpassPrototype& lp, double ripple,
                          int termination) {
    lp.element = {};
    lp.element[0] = {1.0, 0.0, 6};
    int k = 0;
    for (const GeneralElement& e : lad.ladder.elements) {
        if (k + 2 >= kPrototypeElements) break;
        PrototypeElement& pe = lp.element[++k];
        pe.value = e.value;
        pe.value2 = e.value2;
        switch (e.arm) {
        case GeneralArm::SeriesL:
            pe.code = 3;
            break;
        case GeneralArm::ShuntC:
            pe.code = 2;
            break;
        case GeneralArm::SeriesTank:
            pe.code = 5;
            break;
        case GeneralArm::ShuntTank:
            pe.code = 4;
            break;
        default:
            pe.code = 0;
            break;
        }
    }
    lp.n = k;
    lp.element[k + 1] = {lad.ladder.source, 0.0, 1};
    lp.ar = ripple;
    lp.as = ripple;
    lp.amin = 0;
    lp.scale = 1;
    lp.termination = termination;
    lp.charF.clear();
    lp.charP.clear();
}

// ----------------------------------------------------- 3 dB points, listing --

namespace {

// Newton's method on loss - 3 dB with the derivative over a 1e-6 step;
// false when it leaves [lo, hi] or does not settle in 60 steps.
bool newton3Db(const PlacerState& st, const PlacerBand& band, double x, double lo, double hi,
               double& out) {
    for (int it = 0; it < 60; ++it) {
        double h = 1e-6 * std::max(1.0, std::fabs(x));
        double f = placerLossDb(st, band, x) - 3.0;
        double d = (placerLossDb(st, band, x + h) - 3.0 - f) / h;
        if (d == 0 || !std::isfinite(d)) return false;
        double step = f / d;
        x -= step;
        if (!(x > lo && x < hi)) return false;
        if (std::fabs(step) <= 1e-6 * std::max(1.0, std::fabs(x))) {
            out = x;
            return true;
        }
    }
    return false;
}

} // namespace

std::string threeDbPoints(const PlacerState& st, const PlacerBand& band, double unitScale) {
    if (band.mode == 2) {
        double x;
        if (newton3Db(st, band, 1.05, 1.0, 1e3, x)) return formatText("3 dB point: %.8g", x);
        return "3 dB point: ? ";
    }
    double bw = band.f2 - band.f1, lo, hi;
    bool okLo = newton3Db(st, band, band.f1 - 0.05 * bw, 0.0, band.f1, lo);
    bool okHi = newton3Db(st, band, band.f2 + 0.05 * bw, band.f2, 1e3 * band.f2, hi);
    std::string s = "3 dB points: ";
    s += okLo ? formatText("%g ", lo * unitScale) : "? ";
    s += okHi ? formatText("%g ", hi * unitScale) : "? ";
    if (okLo && okHi) s += formatText(" Bw: %g", (hi - lo) * unitScale);
    return s;
}

std::vector<std::string> placerListing(const PlacerState& st, const PlacerBand& band, double from,
                                       double to, double step, double unitScale) {
    std::vector<std::string> out;
    if (step < 0) {
        // A point count from the command line, bounded whatever was typed.
        int n = std::clamp(wholeNumberOf(-step), 2, 100000);
        step = (to - from) / (n - 1);
    }
    if (!(step > 0) || !(to >= from)) return out;
    bool inBand = false;
    for (int i = 0; out.size() < 500; ++i) {
        double f = from + i * step;
        if (f > to * (1 + 1e-12)) break;
        if (band.mode == 2 && f < 1.0) continue;
        if (band.mode == 1) {
            bool nowIn = f >= band.f1 && f <= band.f2;
            if (nowIn != inBand) out.push_back("-- Passband --");
            inBand = nowIn;
        }
        out.push_back(formatText(" %8.3f%8.2f dB. ", f * unitScale, placerLossDb(st, band, f)));
    }
    out.push_back("==============");
    return out;
}

std::vector<std::string> placerReport(const PlacerState& st, double unitScale) {
    std::vector<std::string> out;
    out.push_back("  --- POLE PLACER DATA ---");
    if (st.dataMode == 1) out.push_back(formatText("Zeros at zero (DC.) = %d", st.dcZeros));
    out.push_back(formatText("Zeros at Infinity = %d", st.infZeros));
    out.push_back("Finite transmission zero frequencies:");
    // Bandpass frequencies in the display unit; the lowpass is normalized.
    const double k = st.dataMode == 1 ? unitScale : 1.0;
    for (int i = 0; i < st.finiteCount; ++i) out.push_back(formatText("%8.3f", st.zeros[i] * k));
    out.push_back("Finite transmission zero sequence: ");
    for (int i = 0; i < st.sequenceLength; ++i) out.push_back(formatText("%d", st.sequence[i]));
    out.push_back("Placer specification mask:");
    for (int i = 0; i < st.maskCount; ++i) {
        out.push_back(
            formatText("  %g %g dB", st.maskFreq[i] * (st.maskType == 1 ? k : 1.0), st.maskDb[i]));
        if (i == 4) out.push_back("");
    }
    return out;
}

// ------------------------------------------------------------------ prompts --

namespace {

std::string sequenceText(const std::vector<int>& seq) {
    std::string s;
    for (size_t i = 0; i < seq.size(); ++i) s += (i ? "," : "") + std::to_string(seq[i]);
    return s;
}

} // namespace

std::vector<int> zeroSequencePrompt(ui::Toolkit& tk, const PlacerState& st,
                                    const std::vector<int>& automatic) {
    const int n = st.finiteCount;
    std::vector<int> last(st.sequence.begin(), st.sequence.begin() + st.sequenceLength);
    for (int tries = 0; tries < 20; ++tries) {
        tk.clearPrompt();
        tk.setPrompt(1, "          > Finite zero sequence <", 14);
        tk.setPrompt(2, "    <L> Last sequence :" + sequenceText(last));
        tk.setPrompt(3, "<Enter> Auto sequence :" + sequenceText(automatic));
        tk.setPrompt(4, " Or key in a new sequence (#,#,...<Enter>)");
        tk.defaultAnswer.clear();
        tk.inputBox();
        std::string t = tk.textResult;
        while (!t.empty() && t.back() == ' ') t.pop_back();
        while (!t.empty() && t.front() == ' ') t.erase(t.begin());
        if (t.empty()) return automatic;
        if ((t == "L" || t == "l") && static_cast<int>(last.size()) == n) return last;
        bool ok = false;
        std::vector<int> seq = parseSequence(t, n, &ok);
        if (ok) return seq;
        tk.beep();
    }
    return automatic;
}

std::string codeEntryPrompt(ui::Toolkit& tk, const PlacerState& st, const PlacerBand& band,
                            int mode) {
    std::string message;
    for (int tries = 0; tries < 50; ++tries) {
        tk.clearPrompt();
        if (mode == 1)
            tk.setPrompt(0, formatText(" Zeros: DC.=%2d  Inf.=%2d  Finite order= %s", st.dcZeros,
                                       st.infZeros, finiteOrderText(st, band).c_str()));
        else
            tk.setPrompt(
                0, formatText(" Inf. zeros = %d Finite zeros = %d", st.infZeros, st.finiteCount));
        tk.setPrompt(1, "ENTER THE CODES FOR THE FILTER STRUCTURE", 14);
        tk.setPrompt(2, "(Start at the termination end.)");
        tk.setPrompt(3, mode == 1 ? " 1 ser.C  2 sh.L  3 ser.L  4 sh.C  5-8 finite zero sections"
                                  : " 3 ser.L  4 sh.C  7 8 finite zero sections");
        tk.setPrompt(4, " [A]utomatic   [R]ecall last   (Cr) to abort");
        if (!message.empty()) tk.setPrompt(6, message, 4);
        tk.defaultAnswer.clear();
        tk.inputBox();
        std::string t = tk.textResult;
        if (t.find_first_not_of(' ') == std::string::npos) return "";
        char first = static_cast<char>(
            std::toupper(static_cast<unsigned char>(t[t.find_first_not_of(' ')])));
        std::string codes;
        if (first == 'A') {
            codes = automaticCodes(st, band, mode, &message);
            if (codes.empty()) {
                tk.notice(message);
                continue;
            }
        } else if (first == 'R') {
            if (st.lastCodes.empty() || st.lastCodes[0] == '*') {
                message = " No previous codes recorded";
                tk.beep();
                continue;
            }
            codes = st.lastCodes;
        } else {
            codes = t;
        }
        CodeCheck c = validateCodes(codes, st, band, mode);
        if (c.ok) return codes;
        message = c.message;
        tk.beep();
    }
    return "";
}

PlacerUi toolkitPlacerUi(ui::Toolkit& tk) {
    PlacerUi ui;
    ui.sequence = [&tk](const PlacerState& st, const std::vector<int>& automatic) {
        return zeroSequencePrompt(tk, st, automatic);
    };
    ui.codes = [&tk](const PlacerState& st, const PlacerBand& band, int mode) {
        return codeEntryPrompt(tk, st, band, mode);
    };
    return ui;
}

// ------------------------------------------------------------- run placer --

int runPlacer(PrototypeContext& ctx, int mode, const PlacerUi& ui) {
    DesignRecord& rec = ctx.design.record;
    const int termination = static_cast<int>(rec[13].value);
    if (termination > 2) {
        setFaultIndex(rec, 13);
        return kBuildFault;
    }
    if (rec[2].value < 0.0001) {
        setFaultIndex(rec, 2);
        return kBuildFault;
    }
    if (mode == 2) {
        LowpassPrototype& lp = ctx.proto;
        if (lp.element[0].code == 6 && lp.termination == termination && lp.ar == rec[2].value &&
            lp.n > 0) {
            // The parameter report's remake keeps the stored prototype.
            if (lp.newValuesRequest == 0 || !ctx.fileAccess) return 0;
            if (ctx.toolkit.respond("Run reference placer again ?", 'N') != 'Y') {
                lp.newValuesRequest = 0;
                return 0;
            }
        }
        if (!ctx.fileAccess) return 1;
    }
    PlacerState st = placerFromFile(ctx.design.placer);
    auto store = [&]() { ctx.design.placer = placerToFile(st); };
    if (st.maskType != 0 && st.maskType != mode) {
        std::string m = "The wrong type mask is defined.  You want a ";
        if (mode == 2)
            m += "LOWPASS mask.\nFrom plot markers, use parameters box [Order N] button.";
        else
            m += "BANDPASS mask.\nFrom plot markers, use markers dialog box [to --> mask] button.";
        m += "\nOr: Calculate again to key it in manually.\n   (See placer dialog box [? help] "
             "screens)";
        ctx.toolkit.notice(m);
        st.maskCount = 0;
        st.maskType = 0;
        store();
        return 27;
    }
    if (st.dataMode != 0 && st.dataMode != mode) {
        st.finiteCount = 0;
        st.sequenceLength = 0;
        st.sequenceState = 0;
    }
    if (mode == 1) {
        if (st.dataMode == 0 && st.infZeros == 0) st.infZeros = 3;
        if (st.dcZeros == 0) st.dcZeros = 1;
    } else {
        st.dcZeros = 0;
        if (st.infZeros == 0) st.infZeros = 1;
    }
    st.dataMode = mode;
    PlacerBand band = placerBand(rec, mode);
    if (mode == 1 && !(band.f1 > 0 && band.f2 > band.f1)) {
        setFaultIndex(rec, 6);
        return kBuildFault;
    }
    std::string maskProblem = normalizeMask(st, band);
    if (!maskProblem.empty()) ctx.toolkit.notice(maskProblem);
    // The dialog; shown again while "&Parameters" changed the ripple or the
    // band under it.
    for (int round = 0; ui.dialog && round < 20; ++round) {
        std::array<double, 5> before{};
        for (int k = 0; k < 5; ++k) before[k] = rec[2 + k].value;
        int r = ui.dialog(st, band, mode);
        if (r != 0) {
            store();
            return 27;
        }
        bool changed = false;
        for (int k = 0; k < 5; ++k) changed |= before[k] != rec[2 + k].value;
        if (!changed) break;
        band = placerBand(rec, mode);
        if (rec[2].value < 0.0001 || (mode == 1 && !(band.f1 > 0 && band.f2 > band.f1))) {
            setFaultIndex(rec, rec[2].value < 0.0001 ? 2 : 6);
            store();
            return kBuildFault;
        }
    }
    if (mode == 1 && (st.dcZeros + st.infZeros) % 2 != 0) {
        ctx.toolkit.notice("Extreme zeros must add to an even number");
        store();
        return 27;
    }
    sortZeros(st);
    for (int i = 0; i < st.finiteCount; ++i) {
        std::string why = checkZero(st.zeros[i], band);
        if (!why.empty()) {
            ctx.toolkit.notice(why);
            store();
            setFaultIndex(rec, 6);
            return kBuildFault;
        }
    }
    // The extraction order.
    std::vector<int> automatic = automaticZeroSequence(st.finiteCount);
    if (st.handedOver || st.sequenceLength != st.finiteCount || st.sequenceState != 1) {
        std::vector<int> seq = automatic;
        if (!st.handedOver && ui.sequence) seq = ui.sequence(st, automatic);
        if (static_cast<int>(seq.size()) != st.finiteCount) {
            store();
            return 27;
        }
        std::copy(seq.begin(), seq.end(), st.sequence.begin());
        st.sequenceLength = st.finiteCount;
        st.sequenceState = 1;
    }
    // The codes.
    std::string codes;
    if (ui.codes) {
        codes = ui.codes(st, band, mode);
        if (codes.empty()) {
            store();
            return 27;
        }
    } else {
        std::string message;
        codes = automaticCodes(st, band, mode, &message);
        if (codes.empty()) {
            ctx.toolkit.notice(message);
            store();
            return 27;
        }
    }
    CodeCheck chk = validateCodes(codes, st, band, mode);
    if (!chk.ok) {
        ctx.toolkit.notice(chk.message);
        store();
        return 27;
    }
    st.lastCodes = codes;
    const bool singly = termination == 1;
    PlacerLadder lad = synthesizePlacer(st, band, mode, codes, singly);
    store();
    if (!lad.ok) {
        ctx.toolkit.notice("Placer synthesis refused: " + lad.error);
        setFaultIndex(rec, 6);
        return kBuildFault;
    }
    if (mode == 1) {
        writePlacerNetwork(lad, ctx.design.entries, rec[7].value);
    } else if (!lad.negative) {
        writePlacerPrototype(lad, ctx.proto, rec[2].value, termination);
        ctx.proto.newValuesRequest = 0;
    }
    if (lad.negative) {
        ctx.toolkit.notice(" ** Negative Values **");
        if (mode == 2) ctx.proto.element[0].code = 0; // not kept for reuse
        return kBuildNegative;
    }
    return 0;
}

int polePlacerBuilder(PrototypeContext& ctx, const PlacerUi& ui) {
    return runPlacer(ctx, 1, ui);
}

} // namespace tanvex::synthesis
