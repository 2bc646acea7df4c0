#include "nodal_oracle.h"

#include <array>
#include <cmath>

namespace oracle {

using tanvex::EntryList;

// ---- Circuit -----------------------------------------------------------------

void Circuit::impedance(int a, int b, C z) {
    if (z == C(0.0, 0.0)) {
        wire(a, b);
        return;
    }
    elements_.push_back({kAdmittance, {a, b, 0, 0}, {1.0 / z, 0, 0, 0}, 0.0});
}

void Circuit::wire(int a, int b) {
    elements_.push_back({kWire, {a, b, 0, 0}, {}, 0.0});
}

void Circuit::twoPort(int p1, int m1, int p2, int m2, C y11, C y12, C y21, C y22) {
    elements_.push_back({kTwoPort, {p1, m1, p2, m2}, {y11, y12, y21, y22}, 0.0});
}

void Circuit::coupled(int a, int b, int c, int d, C z11, C z12, C z22) {
    elements_.push_back({kCoupled, {a, b, c, d}, {z11, z12, z22, 0}, 0.0});
}

void Circuit::transformer(int load, int source, double n) {
    elements_.push_back({kTransformer, {load, source, 0, 0}, {}, n});
}

std::vector<C> Circuit::solve(const std::vector<std::pair<int, C>>& inject, int limit) const {
    const int count = limit < 0 ? elementCount() : limit;
    int extras = 0;
    for (int k = 0; k < count; ++k) {
        const Kind kind = elements_[k].kind;
        if (kind == kWire || kind == kTransformer) extras += 1;
        if (kind == kCoupled) extras += 2;
    }
    const int nv = nodes_ - 1;
    const int m = nv + extras;
    std::vector<C> a(static_cast<size_t>(m) * m, C(0.0, 0.0));
    std::vector<C> rhs(m, C(0.0, 0.0));
    auto at = [&](int r, int c) -> C& { return a[static_cast<size_t>(r) * m + c]; };
    // Node n (>= 1) is row / column n - 1; ground is dropped.
    auto add = [&](int row, int col, C v) {
        if (row < 0 || col < 0) return;
        at(row, col) += v;
    };
    auto nodeIx = [](int node) { return node - 1; };

    int extra = nv;
    for (int k = 0; k < count; ++k) {
        const Element& e = elements_[k];
        switch (e.kind) {
        case kAdmittance: {
            const int i = nodeIx(e.n[0]), j = nodeIx(e.n[1]);
            add(i, i, e.v[0]);
            add(j, j, e.v[0]);
            add(i, j, -e.v[0]);
            add(j, i, -e.v[0]);
            break;
        }
        case kWire: {
            const int i = nodeIx(e.n[0]), j = nodeIx(e.n[1]);
            const int x = extra++;
            add(i, x, 1.0);
            add(j, x, -1.0);
            add(x, i, 1.0);
            add(x, j, -1.0);
            break;
        }
        case kTwoPort: {
            const int p1 = nodeIx(e.n[0]), m1 = nodeIx(e.n[1]);
            const int p2 = nodeIx(e.n[2]), m2 = nodeIx(e.n[3]);
            const C y11 = e.v[0], y12 = e.v[1], y21 = e.v[2], y22 = e.v[3];
            // I1 = y11 V1 + y12 V2 leaves p1 and returns at m1.
            const int ports[2][2] = {{p1, m1}, {p2, m2}};
            const C y[2][2] = {{y11, y12}, {y21, y22}};
            for (int r = 0; r < 2; ++r)
                for (int c = 0; c < 2; ++c) {
                    add(ports[r][0], ports[c][0], y[r][c]);
                    add(ports[r][0], ports[c][1], -y[r][c]);
                    add(ports[r][1], ports[c][0], -y[r][c]);
                    add(ports[r][1], ports[c][1], y[r][c]);
                }
            break;
        }
        case kCoupled: {
            const int ia = nodeIx(e.n[0]), ib = nodeIx(e.n[1]);
            const int ic = nodeIx(e.n[2]), id = nodeIx(e.n[3]);
            const int x1 = extra++, x2 = extra++;
            add(ia, x1, 1.0);
            add(ib, x1, -1.0);
            add(ic, x2, 1.0);
            add(id, x2, -1.0);
            add(x1, ia, 1.0);
            add(x1, ib, -1.0);
            add(x1, x1, -e.v[0]);
            add(x1, x2, -e.v[1]);
            add(x2, ic, 1.0);
            add(x2, id, -1.0);
            add(x2, x1, -e.v[1]);
            add(x2, x2, -e.v[2]);
            break;
        }
        case kTransformer: {
            const int il = nodeIx(e.n[0]), is = nodeIx(e.n[1]);
            const int x = extra++;
            add(is, x, 1.0);
            add(il, x, -e.ratio);
            add(x, is, 1.0);
            add(x, il, -e.ratio);
            break;
        }
        }
    }
    for (const auto& [node, current] : inject)
        if (node > 0) rhs[nodeIx(node)] += current;
    // Nodes not yet touched by any element (a snapshot for a tap) stay at 0 V.
    for (int r = 0; r < nv; ++r) {
        bool empty = true;
        for (int c = 0; c < m && empty; ++c)
            if (at(r, c) != C(0.0, 0.0) || at(c, r) != C(0.0, 0.0)) empty = false;
        if (empty) at(r, r) = 1.0;
    }
    // Gaussian elimination with partial pivoting.
    for (int col = 0; col < m; ++col) {
        int piv = col;
        for (int r = col + 1; r < m; ++r)
            if (std::abs(at(r, col)) > std::abs(at(piv, col))) piv = r;
        if (piv != col) {
            for (int c = 0; c < m; ++c) std::swap(at(col, c), at(piv, c));
            std::swap(rhs[col], rhs[piv]);
        }
        const C d = at(col, col);
        for (int r = col + 1; r < m; ++r) {
            const C factor = at(r, col) / d;
            if (factor == C(0.0, 0.0)) continue;
            for (int c = col; c < m; ++c) at(r, c) -= factor * at(col, c);
            rhs[r] -= factor * rhs[col];
        }
    }
    std::vector<C> x(m);
    for (int r = m - 1; r >= 0; --r) {
        C s = rhs[r];
        for (int c = r + 1; c < m; ++c) s -= at(r, c) * x[c];
        x[r] = s / at(r, r);
    }
    std::vector<C> v(nodes_, C(0.0, 0.0));
    for (int node = 1; node < nodes_; ++node) v[node] = x[node - 1];
    return v;
}

// ---- The line model ----------------------------------------------------------

// tanh of the complex electrical length: a lossy line attenuates
// theta / (2 qt) nepers; the lossless line of the series path (code 23) has
// none (its loss is booked as a voltage factor, lineLossFactor).
C lineTanh(double theta, bool lossy, double qt) {
    const double alpha = lossy ? theta / (2.0 * qt) : 0.0;
    return std::tanh(C(alpha, theta));
}

// ---- Building the circuit from the topology table ----------------------------

namespace {

constexpr double kOpen = 1e22;

struct Builder {
    const EntryList& list;
    double f;
    double w;
    OracleSettings s;
    Circuit c;
    double ql, qc, qt, fref;
    std::array<int, tanvex::kEntrySlots> qsrc{};
    int mainNode = 0;
    int sideNode = 0;
    bool side = false;
    OracleResult result;
    std::vector<std::pair<int, int>> taps; // node, element count

    Builder(const EntryList& l, double freq, const OracleSettings& st)
        : list(l), f(freq), w(2.0 * M_PI * freq), s(st), ql(st.ql), qc(st.qc), qt(st.qt),
          fref(1.0) {}

    int& cur() { return side ? sideNode : mainNode; }
    int G() const { return 0; }
    int node() { return c.newNode(); }

    double qFor(int i, double global) const {
        if (qsrc[i] < 0) return global;
        const double q = list[qsrc[i]].value;
        return q <= 0.0 ? 1e33 : q;
    }
    double shifted(int i) const {
        double v = list[i].value;
        if (!s.temperatureOn) return v;
        const char l = list[i].letter;
        const double k = 1e-6 * s.shift;
        if (l == 'L')
            v *= 1.0 + k * s.coefL;
        else if (l == 'C')
            v *= 1.0 + k * s.coefC;
        else if (l == 'D')
            v *= 1.0 + k * s.coefT;
        return v;
    }
    C elem(int i) const {
        const double v = shifted(i);
        switch (list[i].letter) {
        case 'L': {
            const double q = qFor(i, ql);
            return {w * v / q, w * v};
        }
        case 'C': {
            const double q = qFor(i, qc);
            const double x = v == 0.0 ? 1e33 : -1.0 / (w * v);
            return {-x / q, x};
        }
        default:
            return {v, 0.0};
        }
    }
    void z(int a, int b, int i) { c.impedance(a, b, elem(i)); }

    // Line of entries (i: Z, i+1: D) as a two-port.
    void line(int i, int p1, int m1, int p2, int m2, bool lossy) {
        const double zo = list[i].value;
        double len = list[i + 1].value;
        if (s.temperatureOn) len *= 1.0 + 1e-6 * s.shift * s.coefT;
        const double theta = len * f / fref;
        const double q = qFor(i, qt);
        const C t = lineTanh(theta, lossy, q);
        C ch = 1.0 / std::sqrt(1.0 - t * t);
        if (ch.real() * std::cos(theta) < 0.0) ch = -ch;
        const C sh = t * ch;
        const C y11 = 1.0 / (zo * t);
        const C y12 = -1.0 / (zo * sh);
        c.twoPort(p1, m1, p2, m2, y11, y12, y12, y11);
        if (!lossy && !side && p2 != 0) {
            result.hasMainLine = true;
            result.lineLossFactor *= std::exp(0.5 * theta / q);
        }
    }
    // One-port stubs: port 1 between a and b, far end shorted or open.
    void shortStub(int i, int a, int b) { line(i, a, b, 0, 0, true); }
    void openStub(int i, int a, int b, double load = kOpen) {
        const int p = node();
        line(i, a, b, p, 0, true);
        c.impedance(p, 0, load);
    }
    void series(int a, int b, std::initializer_list<int> entries) {
        // Chain of entries from a to b.
        int from = a;
        const int count = static_cast<int>(entries.size());
        int k = 0;
        for (int i : entries) {
            const int to = ++k == count ? b : node();
            z(from, to, i);
            from = to;
        }
    }

    bool group(int i, int code) {
        const int A = cur();
        auto advance = [&]() {
            const int B = node();
            cur() = B;
            return B;
        };
        switch (code) {
        case 2:
            z(A, G(), i);
            break;
        case 3:
            z(A, advance(), i);
            break;
        case 4:
            series(G(), A, {i, i + 1});
            break;
        case 5: {
            const int B = advance();
            z(A, B, i);
            z(A, B, i + 1);
            break;
        }
        case 6: {
            const int I1 = node();
            z(G(), I1, i);
            z(G(), I1, i + 1);
            z(I1, A, i + 2);
            break;
        }
        case 7: {
            const int B = advance();
            series(A, B, {i, i + 1});
            z(A, B, i + 2);
            break;
        }
        case 10: {
            const int B = advance(), I1 = node(), I2 = node();
            z(A, B, i);
            z(A, I1, i + 1);
            z(I1, B, i + 2);
            z(G(), I2, i + 3);
            z(I2, I1, i + 4);
            break;
        }
        case 11: {
            const int B = advance(), I1 = node();
            const C q = elem(i) / 4.0;
            c.coupled(A, I1, I1, B, q, s.tapCoupling * q, q);
            z(I1, G(), i + 1);
            break;
        }
        case 12: {
            const int B = advance(), I1 = node(), I2 = node();
            z(A, B, i);
            const C q = elem(i + 1) / 4.0;
            c.coupled(A, I1, I1, B, q, s.tapCoupling * q, q);
            z(I1, I2, i + 2);
            z(G(), I2, i + 3);
            break;
        }
        case 13: {
            // Delta of A, B, I2 with a leg from I2 to ground. The shorter forms
            // (chosen by the codes of e2 and e6): without e2 = 13 the A-B side
            // is e1 alone (e2, e3 unused); without e6 = 13 the leg's e6 || e7 is
            // a short-circuited stub (e6 Z, e7 D); with neither, the leg is the
            // stub alone, and without e2 = 13 but with e6 = 13 it is e6 || e7.
            const bool full = list[i + 1].code == 13;
            const bool lumpedLeg = list[i + 5].code == 13;
            const int B = advance(), I2 = node();
            if (full) {
                const int I1 = node();
                z(A, I1, i);
                z(I1, B, i + 1);
                z(A, B, i + 2);
            } else {
                z(A, B, i);
            }
            z(A, I2, i + 3);
            z(I2, B, i + 4);
            const int I3 = full ? node() : I2;
            if (lumpedLeg) {
                z(G(), I3, i + 5);
                z(G(), I3, i + 6);
            } else {
                shortStub(i + 5, I3, G());
            }
            if (full) z(I2, I3, i + 7);
            break;
        }
        case 14:
            series(G(), A, {i, i + 1, i + 2});
            break;
        case 15: {
            const int B = advance();
            for (int k = 0; k < 3; ++k) z(A, B, i + k);
            break;
        }
        case 16:
        case 42:
            shortStub(i, A, G());
            break;
        case 17:
        case 39:
            shortStub(i, A, advance());
            break;
        case 18:
        case 38:
            openStub(i, A, G());
            break;
        case 19:
        case 43:
            openStub(i, A, advance());
            break;
        case 20: {
            const int I1 = node();
            shortStub(i, I1, G());
            z(I1, A, i + 2);
            break;
        }
        case 21:
            if (list[i].value >= 0.0) taps.push_back({A, c.elementCount()});
            break;
        case 22:
            if (list[i].value > 0.0)
                fref = list[i].value;
            else
                return fail("data branch");
            break;
        case 23:
            line(i, A, G(), advance(), G(), false);
            break;
        case 24:
            c.transformer(A, advance(), list[i].value);
            break;
        case 25:
        case 26: {
            const int p = node();
            if (code == 25)
                line(i + 1, A, advance(), p, G(), true);
            else
                line(i + 1, A, G(), p, G(), true);
            z(p, G(), i);
            break;
        }
        case 27: {
            const int B = advance();
            series(A, B, {i, i + 1});
            z(A, B, i + 2);
            z(A, B, i + 3);
            break;
        }
        case 28: {
            const int I1 = node();
            z(G(), I1, i);
            z(G(), I1, i + 1);
            series(I1, A, {i + 2, i + 3});
            break;
        }
        case 29: {
            const int B = advance(), I1 = node();
            z(A, I1, i);
            z(A, I1, i + 1);
            z(I1, B, i + 2);
            z(A, B, i + 3);
            break;
        }
        case 30: {
            const int I2 = node();
            series(G(), I2, {i, i + 1});
            z(G(), I2, i + 2);
            z(I2, A, i + 3);
            break;
        }
        case 31: {
            const int B = advance(), I1 = node(), I2 = node();
            z(A, I1, i);
            z(A, I1, i + 1);
            z(I1, B, i + 2);
            z(A, I2, i + 3);
            z(A, I2, i + 4);
            z(I2, B, i + 5);
            break;
        }
        case 32: {
            const int I2 = node();
            series(G(), I2, {i, i + 1});
            z(G(), I2, i + 2);
            series(I2, A, {i + 3, i + 4});
            z(I2, A, i + 5);
            break;
        }
        case 33: {
            const int B = advance();
            shortStub(i, A, B);
            z(A, B, i + 2);
            break;
        }
        case 34: {
            const int I1 = node();
            openStub(i, I1, G());
            z(I1, A, i + 2);
            break;
        }
        case 35: {
            const int B = advance();
            openStub(i, A, B);
            z(A, B, i + 2);
            break;
        }
        case 36: {
            const int I1 = node();
            openStub(i, I1, G());
            shortStub(i + 2, A, I1);
            break;
        }
        case 37: {
            const int B = advance();
            shortStub(i, A, B);
            openStub(i + 2, A, B);
            break;
        }
        case 40: {
            // Line (e3, e4) terminated in the open line (e1, e2), in shunt.
            const int p = node();
            line(i + 2, A, G(), p, G(), true);
            openStub(i, p, G());
            break;
        }
        case 41: {
            // Two tees in parallel: e1 A-C1, e3 C1-B, e2 C1-G; e4 A-C2, e7 C2-B,
            // e5 + e6 C2-G.
            const int B = advance(), C1 = node(), C2 = node();
            z(A, C1, i);
            z(C1, B, i + 2);
            z(C1, G(), i + 1);
            z(A, C2, i + 3);
            z(C2, B, i + 6);
            series(C2, G(), {i + 4, i + 5});
            break;
        }
        case 44:
        case 99:
            break;
        case 45: {
            // Delta of A, B, I2 (A-B: e1 || e2 || e3, e4 A-I2, e5 I2-B), I2 to
            // ground through e6 + e7 + e8.
            const int B = advance(), I2 = node();
            for (int k = 0; k < 3; ++k) z(A, B, i + k);
            z(A, I2, i + 3);
            z(I2, B, i + 4);
            series(I2, G(), {i + 5, i + 6, i + 7});
            break;
        }
        case 46: {
            const int I1 = node();
            shortStub(i, I1, G());
            z(G(), I1, i + 2);
            z(I1, A, i + 3);
            break;
        }
        case 47: {
            const int B = advance(), I1 = node();
            openStub(i, A, I1, 2e22);
            z(I1, B, i + 2);
            z(A, B, i + 3);
            break;
        }
        case 48: {
            const int I1 = node(), I2 = node();
            z(G(), I1, i);
            z(G(), I1, i + 1);
            z(I1, I2, i + 2);
            z(G(), I2, i + 3);
            z(I2, A, i + 4);
            break;
        }
        case 49: {
            const int B = advance(), I2 = node();
            series(A, I2, {i, i + 1});
            z(A, I2, i + 2);
            z(I2, B, i + 3);
            z(A, B, i + 4);
            break;
        }
        case 51: {
            // Bridged delta: A-B (e1 + e2) || (e3 + e4), e5 A-I2, e6 I2-B; I2 to
            // ground through (e7 || e8) + (e9 || e10) + e11.
            const int B = advance(), I2 = node(), K1 = node(), K2 = node();
            series(A, B, {i, i + 1});
            series(A, B, {i + 2, i + 3});
            z(A, I2, i + 4);
            z(I2, B, i + 5);
            z(I2, K1, i + 6);
            z(I2, K1, i + 7);
            z(K1, K2, i + 8);
            z(K1, K2, i + 9);
            z(K2, G(), i + 10);
            break;
        }
        case 52: {
            // A-B (e1 || e2) + (e3 || e4), e5 A-I2, e6 I2-B; I2 to ground through
            // ((e7 + e8) || (e9 + e10)) + e11.
            const int B = advance(), J = node(), I2 = node(), K = node();
            z(A, J, i);
            z(A, J, i + 1);
            z(J, B, i + 2);
            z(J, B, i + 3);
            z(A, I2, i + 4);
            z(I2, B, i + 5);
            series(I2, K, {i + 6, i + 7});
            series(I2, K, {i + 8, i + 9});
            z(K, G(), i + 10);
            break;
        }
        case 53: {
            const double v = list[i].value < 0.1 ? 1e11 : list[i].value;
            if (list[i].letter == 'l') ql = v;
            if (list[i].letter == 'c') qc = v;
            if (list[i].letter == 't') qt = v;
            break;
        }
        case 8: {
            if (side) c.wire(sideNode, mainNode);
            sideNode = node();
            c.impedance(sideNode, G(), C(list[i].value, 0.0));
            side = true;
            break;
        }
        case 9:
            if (side) c.wire(sideNode, mainNode);
            side = false;
            break;
        default:
            return fail("code " + std::to_string(code) + " has no topology here");
        }
        return true;
    }

    bool fail(const std::string& why) {
        result.problem = why;
        return false;
    }
};

} // namespace

OracleResult solveNetwork(const EntryList& list, double f, const OracleSettings& s) {
    Builder b(list, f, s);
    const int n = tanvex::entryCount(list);
    b.fref = list[n + 1].value == 0.0 ? 1.0 : list[n + 1].value;
    b.qsrc.fill(-1);
    for (int i = 1; i < n; ++i)
        if (list[i].code == 44 && list[i].letter >= '0' && list[i].letter <= '9')
            b.qsrc[i + (list[i].letter - '0')] = i;
    const int term = b.node();
    b.c.impedance(term, 0, C(list[0].value, 0.0));
    b.mainNode = term;
    for (int i = 1; i < n;) {
        const int code = list[i].code;
        if (!b.group(i, code)) return b.result;
        i += tanvex::groupSize(code);
    }
    if (b.side) b.c.wire(b.sideNode, b.mainNode);
    const int netCount = b.c.elementCount();
    const int final = b.mainNode;
    const double rs = list[n].value;
    b.result.zin = b.c.solve({{final, 1.0}}, netCount)[final];
    b.c.impedance(final, 0, C(rs, 0.0));
    b.result.transfer = b.c.solve({{final, 1.0 / rs}})[term];
    for (const auto& [tapNode, count] : b.taps)
        b.result.taps.push_back(b.c.solve({{tapNode, 1.0}}, count)[tapNode]);
    b.result.ok = true;
    return b.result;
}

// ---- Random networks ---------------------------------------------------------

const char* groupRoles(int code) {
    switch (code) {
    case 2:
    case 3:
        return "E";
    case 4:
    case 5:
    case 11:
        return "EE";
    case 6:
    case 7:
    case 14:
    case 15:
        return "EEE";
    case 10:
    case 48:
    case 49:
        return "EEEEE";
    case 12:
    case 27:
    case 28:
    case 29:
    case 30:
        return "EEEE";
    case 13:
    case 45:
        return "EEEEEEEE";
    case 16:
    case 17:
    case 18:
    case 19:
    case 23:
    case 38:
    case 39:
    case 42:
    case 43:
        return "ZD";
    case 20:
    case 33:
    case 34:
    case 35:
        return "ZDE";
    case 25:
    case 26:
        return "EZD";
    case 31:
    case 32:
        return "EEEEEE";
    case 36:
    case 37:
    case 40:
        return "ZDZD";
    case 41:
        return "EEEEEEE";
    case 46:
    case 47:
        return "ZDEE";
    case 51:
    case 52:
        return "EEEEEEEEEEE";
    case 22:
        return "F";
    case 24:
        return "N";
    default:
        return nullptr;
    }
}

void NetworkGenerator::addGroup(EntryList& list, int& i, int code, double f0) {
    const double w0 = 2.0 * M_PI * f0;
    for (const char* r = groupRoles(code); *r; ++r) {
        double v = 0.0;
        char letter = 'R';
        switch (*r) {
        case 'E': {
            const int kind = pick(7);
            if (kind < 3) {
                letter = 'L';
                v = uniform(10.0, 400.0) / w0;
            } else if (kind < 6) {
                letter = 'C';
                v = 1.0 / (w0 * uniform(10.0, 400.0));
            } else {
                v = uniform(5.0, 300.0);
            }
            break;
        }
        case 'Z':
            letter = 'Z';
            v = uniform(20.0, 150.0);
            break;
        case 'D':
            letter = 'D';
            v = uniform(0.15, 1.35);
            break;
        case 'N':
            letter = 'N';
            v = uniform(0.5, 2.0);
            break;
        case 'F':
            letter = 'F';
            v = f0 * uniform(0.5, 2.0);
            break;
        }
        tanvex::setEntry(list, i++, v, letter, code);
    }
}

RandomNetwork NetworkGenerator::make(const std::vector<int>& codes, int groups, bool extras,
                                     double f0) {
    RandomNetwork net;
    EntryList& list = net.list;
    list.fill({});
    tanvex::setEntry(list, 0, uniform(20.0, 200.0), 'R', 1);
    int i = 1;
    bool side = false;
    int sideGroups = 0;
    for (int g = 0; g < groups && i < 120; ++g) {
        if (extras) {
            const int roll = pick(20);
            if (roll == 0 && !side) {
                tanvex::setEntry(list, i++, uniform(20.0, 200.0), 'R', 8);
                side = true;
                sideGroups = 0;
                net.codes.push_back(8);
            } else if (roll == 1 && side && sideGroups > 0) {
                tanvex::setEntry(list, i++, 0.0, '_', pick(2) ? 9 : 8);
                if (list[i - 1].code == 8)
                    list[i - 1] = {uniform(20.0, 200.0), 'R', 8};
                else
                    side = false;
                sideGroups = 0;
                net.codes.push_back(list[i - 1].code);
            } else if (roll == 2 && !side) {
                tanvex::setEntry(list, i++, 0.0, '_', 21);
                net.codes.push_back(21);
            } else if (roll == 3) {
                // A Q for an element a little further on.
                tanvex::setEntry(list, i++, pick(4) ? uniform(5.0, 300.0) : 0.0,
                                 static_cast<char>('1' + pick(3)), 44);
                net.codes.push_back(44);
            } else if (roll == 4) {
                const char letters[] = {'l', 'c', 't'};
                tanvex::setEntry(list, i++, pick(5) ? uniform(10.0, 800.0) : 0.05, letters[pick(3)],
                                 53);
                net.codes.push_back(53);
            }
        }
        const int code = codes[pick(static_cast<int>(codes.size()))];
        addGroup(list, i, code, f0);
        net.codes.push_back(code);
        ++sideGroups;
    }
    tanvex::setEntry(list, i, uniform(20.0, 200.0), 'R', 1);
    tanvex::setEntry(list, i + 1, f0, 'x', 1);
    return net;
}

} // namespace oracle
