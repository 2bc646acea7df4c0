// A small, independent evaluator of lowpass ladders for the synthesis tests:
// a cascade of ABCD matrices from the source to the load, no polynomials.
#pragma once

#include "design/network.h"
#include "synthesis/prototype.h"

#include <cmath>
#include <complex>
#include <vector>

namespace testeval {

using C = std::complex<double>;

struct Branch {
    // 'C' shunt C, 'L' series L, 'T' series parallel L-C, 'S' shunt series
    // L-C, 'X' series C, 'Y' shunt L
    char kind;
    double l, c; // element values (for 'C' in c, for 'L' in l)
};

struct Abcd {
    C a = 1, b = 0, c = 0, d = 1;
    void times(C a2, C b2, C c2, C d2) {
        Abcd r{a * a2 + b * c2, a * b2 + b * d2, c * a2 + d * c2, c * b2 + d * d2};
        *this = r;
    }
};

// branches listed from the termination (load) end
inline Abcd cascade(const std::vector<Branch>& br, double w) {
    C s(0, w);
    Abcd m;
    for (int i = static_cast<int>(br.size()) - 1; i >= 0; --i) {
        const Branch& b = br[i];
        switch (b.kind) {
        case 'C':
            m.times(1, 0, s * b.c, 1);
            break;
        case 'L':
            m.times(1, s * b.l, 0, 1);
            break;
        case 'T':
            m.times(1, 1.0 / (1.0 / (s * b.l) + s * b.c), 0, 1);
            break;
        case 'S':
            m.times(1, 0, 1.0 / (s * b.l + 1.0 / (s * b.c)), 1);
            break;
        case 'X':
            m.times(1, 1.0 / (s * b.c), 0, 1);
            break;
        case 'Y':
            m.times(1, 0, 1.0 / (s * b.l), 1);
            break;
        }
    }
    return m;
}

// Transducer loss in dB for source rs and load rl; with rs >= 1e19 the ladder
// is fed from a current source and the loss is -20 log |V2/I1| (ohms).
inline double lossDb(const std::vector<Branch>& br, double rs, double rl, double w) {
    Abcd m = cascade(br, w);
    if (rs >= 1e19) {
        C v2 = 1.0 / (m.c + m.d / rl);
        return -20 * std::log10(std::abs(v2));
    }
    C vs = m.a + m.b / rl + rs * (m.c + m.d / rl);
    return 10 * std::log10(std::norm(vs) * rl / (4 * rs));
}

// Impedance seen at the source end looking towards the load.
inline C inputImpedance(const std::vector<Branch>& br, double rl, double w) {
    Abcd m = cascade(br, w);
    return (m.a * rl + m.b) / (m.c * rl + m.d);
}

inline std::vector<Branch> fromPrototype(const tanvex::synthesis::LowpassPrototype& lp) {
    std::vector<Branch> br;
    for (int k = 1; k <= lp.n; ++k) {
        const auto& e = lp.element[k];
        switch (e.code) {
        case 2:
            br.push_back({'C', 0, e.value});
            break;
        case 3:
            br.push_back({'L', e.value, 0});
            break;
        case 4:
            br.push_back({'S', e.value, e.value2});
            break;
        case 5:
            br.push_back({'T', e.value, e.value2});
            break;
        }
    }
    return br;
}

// Entry list with single L/C entries (codes 2, 3) and code-5 L-C pairs.
inline std::vector<Branch> fromEntries(const tanvex::EntryList& list) {
    std::vector<Branch> br;
    int n = tanvex::entryCount(list);
    for (int i = 1; i < n; ++i) {
        const auto& e = list[i];
        if (e.code == 5) {
            const auto& f = list[i + 1];
            double l = e.letter == 'L' ? e.value : f.value;
            double c = e.letter == 'C' ? e.value : f.value;
            br.push_back({'T', l, c});
            ++i;
        } else if (e.code == 2) {
            if (e.letter == 'C')
                br.push_back({'C', 0, e.value});
            else
                br.push_back({'Y', e.value, 0});
        } else if (e.code == 3) {
            if (e.letter == 'L')
                br.push_back({'L', e.value, 0});
            else
                br.push_back({'X', 0, e.value});
        }
    }
    return br;
}

} // namespace testeval
