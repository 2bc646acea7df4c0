#include "ladder_spice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace ladderspice {

namespace {

constexpr double kTwoPi = 6.283185307179586;

struct Builder {
    std::ostringstream out;
    int nextNode = 3;
    int count = 0;
    double w, ql, qc;

    // One element from a to b behind its own ammeter; returns (ammeter, loss R).
    std::pair<std::string, double> element(const tanvex::NetEntry& e, int a, int b) {
        const int k = ++count;
        const int m = nextNode++;
        const std::string am = "vam" + std::to_string(k);
        out << am << " " << a << " " << m << " 0\n";
        double loss = 0.0;
        int to = b;
        if (e.letter == 'L' && ql < 1e10) loss = w * e.value / ql;
        if (e.letter == 'C' && qc < 1e10) loss = 1.0 / (w * e.value * qc);
        if (loss > 0.0) {
            to = nextNode++;
            out << "rl" << k << " " << to << " " << b << " " << loss << "\n";
        }
        char text[96];
        std::snprintf(text, sizeof text, "%c%d %d %d %.15g\n", e.letter == 'R' ? 'r' : e.letter, k,
                      m, to, e.value);
        out << text;
        return {am, loss};
    }
    std::string ammeter(int a, int b) {
        const std::string am = "vg" + std::to_string(++count);
        out << am << " " << a << " " << b << " 0\n";
        return am;
    }
};

} // namespace

Circuit buildLadder(const tanvex::EntryList& list, double fLoss, double ql, double qc) {
    const int n = tanvex::entryCount(list);
    Circuit c;
    c.rs = list[n].value;
    c.rl = list[0].value;
    // Groups from the load end, then walked from the source.
    struct Raw {
        int first, code;
    };
    std::vector<Raw> raw;
    for (int i = 1; i < n;) {
        const int code = list[i].code;
        const int size = code == 4 || code == 5 ? 2 : 1;
        if (code < 2 || code > 5) throw std::runtime_error("ladder codes 2..5 only");
        raw.push_back({i, code});
        i += size;
    }
    Builder b;
    b.w = kTwoPi * fLoss;
    b.ql = ql;
    b.qc = qc;
    int cur = 2;
    for (auto it = raw.rbegin(); it != raw.rend(); ++it) {
        Group g;
        g.branch = it->first;
        const tanvex::NetEntry& e1 = list[it->first];
        switch (it->code) {
        case 2: {
            g.shunt = true;
            g.nodeSource = cur;
            const int m = b.nextNode++;
            g.groupAmmeter = b.ammeter(cur, m);
            g.losses.push_back(b.element(e1, m, 0));
            break;
        }
        case 4: { // e1 G-I1, e2 I1-A
            g.shunt = true;
            g.nodeSource = cur;
            const int m = b.nextNode++;
            const int i1 = b.nextNode++;
            g.groupAmmeter = b.ammeter(cur, m);
            g.losses.push_back(b.element(list[it->first + 1], m, i1));
            g.losses.push_back(b.element(e1, i1, 0));
            break;
        }
        case 3: {
            g.nodeSource = cur;
            const int m = b.nextNode++;
            const int next = b.nextNode++;
            g.groupAmmeter = b.ammeter(cur, m);
            g.losses.push_back(b.element(e1, m, next));
            g.nodeLoad = next;
            cur = next;
            break;
        }
        case 5: {
            g.nodeSource = cur;
            const int m = b.nextNode++;
            const int next = b.nextNode++;
            g.groupAmmeter = b.ammeter(cur, m);
            g.losses.push_back(b.element(e1, m, next));
            g.losses.push_back(b.element(list[it->first + 1], m, next));
            g.nodeLoad = next;
            cur = next;
            break;
        }
        }
        c.groups.push_back(g);
    }
    c.loadNode = cur;
    c.elements = b.out.str();
    return c;
}

std::string runNgspice(const std::string& deck) {
    char name[] = "/tmp/ladderspiceXXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) return {};
    ::close(fd);
    {
        std::ofstream f(name);
        f << deck;
    }
    std::string out;
    const std::string command = std::string("ngspice -b '") + name + "' 2>/dev/null";
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t k;
        while ((k = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, k);
        ::pclose(p);
    }
    std::remove(name);
    // For a person looking into a failure: LADDERSPICE_KEEP=dir keeps the
    // last deck and its output there.
    if (const char* keep = std::getenv("LADDERSPICE_KEEP")) {
        std::ofstream(std::string(keep) + "/deck.cir") << deck;
        std::ofstream(std::string(keep) + "/deck.out") << out;
    }
    return out;
}

namespace {

std::string loadLines(const Circuit& c, double f, std::complex<double> load) {
    std::ostringstream s;
    s.precision(15);
    if (load.imag() == 0.0) {
        s << "rload " << c.loadNode << " 0 " << load.real() << "\n";
        return s.str();
    }
    s << "rload " << c.loadNode << " 90001 " << load.real() << "\n";
    const double w = kTwoPi * f;
    if (load.imag() > 0.0)
        s << "lload 90001 0 " << load.imag() / w << "\n";
    else
        s << "cload 90001 0 " << -1.0 / (w * load.imag()) << "\n";
    return s.str();
}

} // namespace

AcResult runAc(const Circuit& c, double f, double emf, std::complex<double> load) {
    std::ostringstream d;
    d.precision(15);
    d << "power check\nvsrc 1 0 AC " << emf << "\nrsrc 1 2 " << c.rs << "\n"
      << c.elements << loadLines(c, f, load) << ".control\nset numdgt=13\nac lin 1 " << f << " "
      << f << "\n";
    int nodes = c.loadNode;
    for (const Group& g : c.groups) nodes = std::max({nodes, g.nodeSource, g.nodeLoad});
    for (int k = 1; k <= nodes; ++k) d << "print vr(" << k << ")\nprint vi(" << k << ")\n";
    for (const Group& g : c.groups) {
        d << "print mag(i(" << g.groupAmmeter << "))\n";
        for (const auto& l : g.losses) d << "print mag(i(" << l.first << "))\n";
    }
    d << "print mag(i(vsrc))\n.endc\n.end\n";
    const std::string out = runNgspice(d.str());
    std::map<std::string, double> v;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find(" = ");
        if (eq == std::string::npos) continue;
        v[line.substr(0, eq)] = std::strtod(line.c_str() + eq + 3, nullptr);
    }
    AcResult r;
    r.node.resize(nodes + 1);
    for (int k = 1; k <= nodes; ++k) {
        const std::string a = "vr(" + std::to_string(k) + ")";
        const std::string b = "vi(" + std::to_string(k) + ")";
        if (!v.count(a) || !v.count(b)) return r;
        r.node[k] = {v[a], v[b]};
    }
    for (const Group& g : c.groups) {
        r.groupCurrent.push_back(v["mag(i(" + g.groupAmmeter + "))"]);
        double loss = 0.0;
        for (const auto& l : g.losses) {
            const double i = v["mag(i(" + l.first + "))"];
            loss += i * i * l.second;
        }
        r.groupLoss.push_back(loss);
    }
    r.inputCurrent = v["mag(i(vsrc))"];
    const std::complex<double> vl = r.node[c.loadNode];
    r.loadPower = std::norm(vl) * std::real(1.0 / load);
    r.ok = true;
    return r;
}

std::vector<double> runTransient(const Circuit& c, const std::string& sourceLine, double stop,
                                 double step) {
    std::ostringstream d;
    d.precision(15);
    d << "time check\n"
      << sourceLine << "\nrsrc 1 2 " << c.rs << "\n"
      << c.elements << "rload " << c.loadNode << " 0 " << c.rl << "\n"
      << ".options reltol=1e-7 abstol=1e-15 vntol=1e-12 method=gear maxord=2\n"
      << ".control\nset numdgt=13\ntran " << step << " " << stop << " 0 " << step / 4 << "\n"
      << "linearize v(" << c.loadNode << ")\nprint v(" << c.loadNode << ")\n.endc\n.end\n";
    const std::string out = runNgspice(d.str());
    std::vector<double> values;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        // Rows: index, value (the linearized vector has no time column).
        // (strtod: stream extraction refuses values that underflow.)
        char* end = nullptr;
        const long index = std::strtol(line.c_str(), &end, 10);
        if (end == line.c_str() || (*end != '\t' && *end != ' ')) continue;
        char* after = nullptr;
        const double value = std::strtod(end, &after);
        if (after == end || index != static_cast<long>(values.size())) continue;
        values.push_back(value);
    }
    return values;
}

} // namespace ladderspice
