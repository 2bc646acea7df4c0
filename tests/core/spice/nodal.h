// A small nodal (MNA) solver for the reference evaluation of the networks the
// converter writes: resistors, inductors, capacitors, coupled inductor pairs,
// lossless lines, shorted stubs and ideal transformers, driven by a voltage
// source behind a resistance.
#pragma once

#include "design/network.h"

#include <complex>
#include <vector>

namespace spicetest {

using Complex = std::complex<double>;

class Circuit {
public:
    int node() { return nodes_++; }
    int nodeCount() const { return nodes_; }

    void resistor(int a, int b, double r);
    void inductor(int a, int b, double l);
    void capacitor(int a, int b, double c);
    // An element by its design letter: L, C, anything else a resistance.
    void element(int a, int b, const tanvex::NetEntry& e);
    // Two coupled inductors a1-b1 and a2-b2 with coupling k (dots at a1, a2).
    void coupled(int a1, int b1, double l1, int a2, int b2, double l2, double k);
    // A lossless line from port a (to ground) to port b (to ground); its
    // electrical length is theta radians at frequency fRef.
    void line(int a, int b, double z0, double theta, double fRef);
    // A line short-circuited at its far end, from a to ground.
    void shortedStub(int a, double z0, double theta, double fRef);
    // Ideal transformer: v(high) = n * v(low), both to ground.
    void transformer(int low, int high, double n);
    // The source: voltage vs behind rs, into node `in`.
    void source(int in, double vs, double rs);

    // Node voltages at frequency f (hertz); index 0 is ground.
    std::vector<Complex> solve(double f) const;

private:
    struct Branch {
        int kind; // 0 R, 1 L, 2 C, 3 coupled, 4 line, 5 stub, 6 transformer
        int a, b, c, d;
        double v1, v2, v3;
    };
    int nodes_ = 1;
    std::vector<Branch> branches_;
    int sourceNode_ = 0;
    double vs_ = 0.0;
    double rs_ = 1.0;
};

} // namespace spicetest
