// An independent check of the network program: a nodal (modified nodal
// analysis) solution of the circuit that the connection-code table describes.
// The circuit is built from the topology of each code (main-line nodes A and
// B, ground G, internal nodes), not from the instruction sequences, and solved
// as a linear system; input impedance, transfer and tap impedance are then
// compared with what the interpreter's walk gives.
#pragma once

#include "design/network.h"

#include <complex>
#include <random>
#include <string>
#include <vector>

namespace oracle {

using C = std::complex<double>;

class Circuit {
public:
    int newNode() { return nodes_++; }
    int nodeCount() const { return nodes_; }
    int elementCount() const { return static_cast<int>(elements_.size()); }

    // Impedance z between a and b; z == 0 becomes a wire.
    void impedance(int a, int b, C z);
    void wire(int a, int b);
    // Two-port: port 1 between p1 and m1, port 2 between p2 and m2.
    void twoPort(int p1, int m1, int p2, int m2, C y11, C y12, C y21, C y22);
    // Two coupled branches a-b and c-d with impedance matrix [[z11, z12], [z12, z22]].
    void coupled(int a, int b, int c, int d, C z11, C z12, C z22);
    // Ideal transformer: v(source) = n * v(load), both against ground.
    void transformer(int load, int source, double n);

    // Node voltages for currents injected into nodes, using only the first
    // `limit` elements (all when limit < 0).
    std::vector<C> solve(const std::vector<std::pair<int, C>>& inject, int limit = -1) const;

private:
    enum Kind { kAdmittance, kWire, kTwoPort, kCoupled, kTransformer };
    struct Element {
        Kind kind;
        int n[4];
        C v[4];
        double ratio;
    };
    int nodes_ = 1; // node 0 is ground
    std::vector<Element> elements_;
};

struct OracleSettings {
    double ql = 1e11, qc = 1e11, qt = 1e11;
    bool temperatureOn = false;
    double shift = 0, coefL = 0, coefC = 0, coefT = 0;
    // Coupling of the two halves of a tapped inductor. The program's T
    // equivalent is exact for unit coupling; the SPICE deck uses 0.99999.
    double tapCoupling = 1.0;
};

struct OracleResult {
    bool ok = false;
    std::string problem;
    C zin;                       // source-end impedance (towards the termination)
    C transfer;                  // v(load) / e(source), source behind Rs
    std::vector<C> taps;         // impedances reported by code 21 entries, in order
    bool hasMainLine = false;    // a code 23 line in the main path
    double lineLossFactor = 1.0; // product of exp(theta/(2 Qt)) of main-path code 23 lines
};

// Builds and solves the circuit of the entry list at f hertz.
OracleResult solveNetwork(const tanvex::EntryList& list, double f, const OracleSettings& s);

// The program's line model (shared by every line): tanh of the complex
// electrical length as the program computes it.
C lineTanh(double theta, bool lossy, double qt);

// Random networks.
struct RandomNetwork {
    tanvex::EntryList list{};
    std::vector<int> codes; // group codes used, in order
};

class NetworkGenerator {
public:
    explicit NetworkGenerator(unsigned seed) : rng_(seed) {}
    // A network of about `groups` groups drawn from `codes`; side ports (8/9),
    // taps (21), Q entries (44, 53) and reference-frequency entries (22) are
    // mixed in when allowed.
    RandomNetwork make(const std::vector<int>& codes, int groups, bool extras, double f0);
    double uniform(double a, double b) {
        return std::uniform_real_distribution<double>(a, b)(rng_);
    }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

private:
    void addGroup(tanvex::EntryList& list, int& i, int code, double f0);
    std::mt19937 rng_;
};

// Roles of a group's entries: E lumped, Z/D line, N turns, F frequency.
const char* groupRoles(int code);

} // namespace oracle
