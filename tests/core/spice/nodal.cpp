#include "nodal.h"

#include <cmath>
#include <stdexcept>

namespace spicetest {

namespace {
constexpr double kTwoPi = 6.28318530717958647692;
}

void Circuit::resistor(int a, int b, double r) {
    branches_.push_back({0, a, b, 0, 0, r, 0, 0});
}
void Circuit::inductor(int a, int b, double l) {
    branches_.push_back({1, a, b, 0, 0, l, 0, 0});
}
void Circuit::capacitor(int a, int b, double c) {
    branches_.push_back({2, a, b, 0, 0, c, 0, 0});
}

void Circuit::element(int a, int b, const tanvex::NetEntry& e) {
    if (e.letter == 'L') {
        inductor(a, b, e.value);
    } else if (e.letter == 'C') {
        capacitor(a, b, e.value);
    } else {
        resistor(a, b, e.value);
    }
}

void Circuit::coupled(int a1, int b1, double l1, int a2, int b2, double l2, double k) {
    branches_.push_back({3, a1, b1, a2, b2, l1, l2, k});
}

void Circuit::line(int a, int b, double z0, double theta, double fRef) {
    branches_.push_back({4, a, b, 0, 0, z0, theta, fRef});
}

void Circuit::shortedStub(int a, double z0, double theta, double fRef) {
    branches_.push_back({5, a, 0, 0, 0, z0, theta, fRef});
}

void Circuit::transformer(int low, int high, double n) {
    branches_.push_back({6, low, high, 0, 0, n, 0, 0});
}

void Circuit::source(int in, double vs, double rs) {
    sourceNode_ = in;
    vs_ = vs;
    rs_ = rs;
}

std::vector<Complex> Circuit::solve(double f) const {
    const double w = kTwoPi * f;
    const Complex j(0.0, 1.0);
    int extra = 0;
    for (const Branch& b : branches_) extra += b.kind == 6 ? 1 : 0;
    const int n = nodes_ - 1 + extra; // unknowns: node voltages 1.. and transformer currents
    std::vector<Complex> m(static_cast<std::size_t>(n * (n + 1)), 0.0);
    auto at = [&](int r, int c) -> Complex& {
        return m[static_cast<std::size_t>(r * (n + 1) + c)];
    };
    auto stamp = [&](int p, int q, Complex y) { // admittance y from node p to node q
        if (p > 0) at(p - 1, p - 1) += y;
        if (q > 0) at(q - 1, q - 1) += y;
        if (p > 0 && q > 0) {
            at(p - 1, q - 1) -= y;
            at(q - 1, p - 1) -= y;
        }
    };
    // Transadmittance: current y*(v(c)-v(d)) leaving node p, entering node q.
    auto stamp4 = [&](int p, int q, int c, int d, Complex y) {
        auto add = [&](int row, int col, Complex v) {
            if (row > 0 && col > 0) at(row - 1, col - 1) += v;
        };
        add(p, c, y);
        add(p, d, -y);
        add(q, c, -y);
        add(q, d, y);
    };
    int nextExtra = nodes_ - 1;
    for (const Branch& b : branches_) {
        switch (b.kind) {
        case 0:
            stamp(b.a, b.b, 1.0 / b.v1);
            break;
        case 1:
            stamp(b.a, b.b, 1.0 / (j * w * b.v1));
            break;
        case 2:
            stamp(b.a, b.b, j * w * b.v1);
            break;
        case 3: {
            // Branch currents i = (jw Lmat)^-1 v for the two coils.
            const double m12 = b.v3 * std::sqrt(b.v1 * b.v2);
            const double det = b.v1 * b.v2 - m12 * m12;
            const Complex g11 = b.v2 / det / (j * w), g22 = b.v1 / det / (j * w);
            const Complex g12 = -m12 / det / (j * w);
            stamp4(b.a, b.b, b.a, b.b, g11);
            stamp4(b.a, b.b, b.c, b.d, g12);
            stamp4(b.c, b.d, b.a, b.b, g12);
            stamp4(b.c, b.d, b.c, b.d, g22);
            break;
        }
        case 4: {
            const double th = b.v2 * f / b.v3;
            const Complex y11 = -j / (b.v1 * std::tan(th));
            const Complex y12 = j / (b.v1 * std::sin(th));
            stamp4(b.a, 0, b.a, 0, y11);
            stamp4(b.a, 0, b.b, 0, y12);
            stamp4(b.b, 0, b.a, 0, y12);
            stamp4(b.b, 0, b.b, 0, y11);
            break;
        }
        case 5: {
            const double th = b.v2 * f / b.v3;
            stamp(b.a, 0, 1.0 / (j * b.v1 * std::tan(th)));
            break;
        }
        case 6: {
            // i flows into the high side and n*i out of the low side;
            // v(high) - n v(low) = 0.
            const int k = nextExtra++;
            if (b.b > 0) {
                at(b.b - 1, k) += 1.0;
                at(k, b.b - 1) += 1.0;
            }
            if (b.a > 0) {
                at(b.a - 1, k) -= b.v1;
                at(k, b.a - 1) -= b.v1;
            }
            break;
        }
        default:
            break;
        }
    }
    if (sourceNode_ > 0) {
        stamp(sourceNode_, 0, 1.0 / rs_);
        at(sourceNode_ - 1, n) += vs_ / rs_;
    }
    // Gaussian elimination with partial pivoting.
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int r = col + 1; r < n; ++r) {
            if (std::abs(at(r, col)) > std::abs(at(pivot, col))) pivot = r;
        }
        if (std::abs(at(pivot, col)) == 0.0) throw std::runtime_error("singular network");
        if (pivot != col) {
            for (int c = 0; c <= n; ++c) std::swap(at(col, c), at(pivot, c));
        }
        for (int r = col + 1; r < n; ++r) {
            const Complex factor = at(r, col) / at(col, col);
            if (factor == 0.0) continue;
            for (int c = col; c <= n; ++c) at(r, c) -= factor * at(col, c);
        }
    }
    std::vector<Complex> x(static_cast<std::size_t>(n), 0.0);
    for (int r = n - 1; r >= 0; --r) {
        Complex sum = at(r, n);
        for (int c = r + 1; c < n; ++c) sum -= at(r, c) * x[static_cast<std::size_t>(c)];
        x[static_cast<std::size_t>(r)] = sum / at(r, r);
    }
    std::vector<Complex> v(static_cast<std::size_t>(nodes_), 0.0);
    for (int i = 1; i < nodes_; ++i)
        v[static_cast<std::size_t>(i)] = x[static_cast<std::size_t>(i - 1)];
    return v;
}

} // namespace spicetest
