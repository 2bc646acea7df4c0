#include "spice/spice_converter.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace tanvex::spice {

namespace {

// The converter's node advance and group size per code 0..49.
constexpr int kAdvance[kTableCodes] = {
    0, 0, 0, 1, 0, 1, 0, 1, 0, 0, // 0-9
    1, 1, 1, 1, 0, 1, 2, 1, 0, 1, // 10-19
    0, 0, 0, 1, 0, 1, 0, 1, 0, 1, // 20-29
    0, 1, 0, 1, 0, 1, 0, 1, 0, 1, // 30-39
    0, 1, 0, 1, 0, 1, 1, 0, 0, 1, // 40-49
};
constexpr int kEntries[kTableCodes] = {
    0, 1, 1, 1, 2, 2, 3, 3, 1, 1, // 0-9
    5, 2, 4, 8, 3, 3, 2, 2, 2, 2, // 10-19
    3, 1, 1, 2, 1, 3, 3, 4, 4, 4, // 20-29
    4, 6, 6, 3, 3, 3, 4, 4, 2, 2, // 30-39
    4, 7, 2, 2, 1, 8, 4, 4, 5, 5, // 40-49
};

constexpr double kPi = 3.14159265358979323846;

bool inTable(int code) {
    return code >= 0 && code < kTableCodes;
}

void appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

void appendf(std::string& out, const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return;
    if (static_cast<std::size_t>(n) < sizeof buffer) {
        out.append(buffer, static_cast<std::size_t>(n));
        return;
    }
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(big.data(), big.size(), format, args);
    va_end(args);
    big.resize(static_cast<std::size_t>(n));
    out += big;
}

// Code of entry i, or -1 past the end of what was read.
int codeAt(const std::vector<NetEntry>& entries, int i) {
    if (i < 0 || i >= static_cast<int>(entries.size())) return -1;
    return entries[static_cast<std::size_t>(i)].code;
}

// Recognises the group starting at entry i (a code the converter writes).
// Variants are read from the codes of the group's later entries; the same
// recognition serves the node count and the element lines, so the two walks
// always agree on where each group ends.
GroupPlan recogniseGroup(const std::vector<NetEntry>& entries, int i) {
    GroupPlan g;
    g.first = i;
    g.code = entries[static_cast<std::size_t>(i)].code;
    g.written = true;
    const int c = g.code;
    switch (c) {
    case 4:
    case 14:
        g.elements = codeAt(entries, i + 1) == 14 ? 3 : 2;
        break;
    case 5:
    case 15:
        g.elements = codeAt(entries, i + 1) == 15 ? 3 : 2;
        break;
    case 6:
    case 28:
        g.elements = codeAt(entries, i + 2) == 28 ? 4 : 3;
        break;
    case 7:
    case 13:
    case 27:
        g.elements = codeAt(entries, i + 2) == 27 ? 4 : 3;
        // Only a group that starts with code 13 takes the extension: a code 7
        // or 27 group followed by a code 13 group must not swallow it.
        if (c == 13 && codeAt(entries, i + g.elements) == 13) {
            g.thirteenExtension = true;
            g.elements += 5;
        }
        break;
    case 11:
    case 12: {
        int inductor = c == 12 ? i + 1 : i;
        g.twoElementTap = codeAt(entries, inductor + 1) == 12;
        g.elements = (c == 12 ? 2 : 1) + (g.twoElementTap ? 2 : 1);
        break;
    }
    case 8:
    case 9:
    case 21:
    case 22:
        g.elements = 1;
        break;
    default:
        g.elements = kEntries[c];
        break;
    }
    g.size = g.elements;
    return g;
}

} // namespace

int converterNodeAdvance(int code) {
    return inTable(code) ? kAdvance[code] : 0;
}
int converterEntries(int code) {
    return inTable(code) ? kEntries[code] : 1;
}

bool isImplemented(int code) {
    switch (code) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
    case 15:
    case 21:
    case 22:
    case 23:
    case 27:
    case 28:
    case 29:
    case 30:
    case 31:
    case 32:
    case 41:
    case 45:
    case 48:
    case 49:
        return true;
    default:
        return false;
    }
}

bool domainFromKey(int key, Domain& domain) {
    if (key > 'Z') key -= 32;
    switch (key) {
    case 'F':
        domain = Domain::Frequency;
        return true;
    case 'T':
        domain = Domain::Transient;
        return true;
    case 'H':
        domain = Domain::Harmonic;
        return true;
    default:
        return false;
    }
}

bool planNetwork(const std::vector<NetEntry>& entries, NetworkPlan& plan, std::string& message) {
    plan = NetworkPlan{};
    int t = -1;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].letter == 'x') {
            t = static_cast<int>(i);
            break;
        }
    }
    if (t < 0) {
        message = "The network has no terminator (x) entry";
        return false;
    }
    if (t < 2) {
        message = "The network has no source entry before its terminator (x) entry";
        return false;
    }
    plan.terminator = t;
    bool termination = false;
    int i = 1;
    while (i < t) {
        const int c = entries[static_cast<std::size_t>(i)].code;
        GroupPlan g;
        if (c == 0) {
            char text[120];
            std::snprintf(text, sizeof text,
                          "Entry %d has connection code 0, which no group uses: the file is not a "
                          "network",
                          i);
            message = text;
            return false;
        }
        if (c == 22 && entries[static_cast<std::size_t>(i)].value <= 0.0) {
            // A data branch: its impedance lives in a data file, not in the deck.
            g.first = i;
            g.code = c;
            g.size = 1;
        } else if (isImplemented(c)) {
            g = recogniseGroup(entries, i);
            if (i + g.size > t) {
                char text[120];
                std::snprintf(text, sizeof text,
                              "The code %d group at entry %d runs past the terminator (x) entry", c,
                              i);
                message = text;
                return false;
            }
        } else {
            g.first = i;
            g.code = c;
            g.size = 1;
        }
        if (c == 1) termination = true;
        plan.groups.push_back(g);
        i += g.size;
    }
    if (!termination) {
        message = "The network has no source entry (code 1) before its terminator (x) entry";
        return false;
    }
    return true;
}

ConvertResult convert(const std::vector<NetEntry>& entries, const ConvertOptions& options) {
    ConvertResult result;
    NetworkPlan plan;
    if (!planNetwork(entries, plan, result.message)) return result;

    const int t = plan.terminator;
    const int S = std::max(options.startNode, 1);
    const double f0 = entries[static_cast<std::size_t>(t)].value;
    auto at = [&](int i) -> const NetEntry& { return entries[static_cast<std::size_t>(i)]; };

    std::string& out = result.deck;
    std::string& con = result.console;

    appendf(out, "* %e Hz. LC Filter design file: %s.dzn\n\n", f0, options.name.c_str());
    appendf(out, "Vin  0   %d   ", S);
    switch (options.domain) {
    case Domain::Frequency:
        out += "AC  2.0\n";
        break;
    case Domain::Transient:
        out += "PULSE (Vstart Vpeek Tdelay Tr Tf Twide period)\n";
        appendf(out, "*Vin  0   %d   SIN (Voffset Vpeak Freq. Tdelay)\n", S);
        break;
    case Domain::Harmonic:
        out += "SIN (Voffset Vpeak Freq.)\n";
        break;
    }

    // Node count pass: internal nodes are numbered above every main node.
    int N = S + 2;
    {
        int i = 0;
        while (i < t) {
            const int c = at(i).code;
            if (c >= 50 || c < 0) {
                con += '\a';
                ++i;
            } else if (isImplemented(c) && !(c == 22 && at(i).value <= 0.0)) {
                GroupPlan g = recogniseGroup(entries, i);
                N += kAdvance[c];
                i += std::max(g.size, 1);
            } else {
                N += kAdvance[c];
                i += std::max(kEntries[c], 1);
            }
        }
        // The main line can never reach past the nodes the written groups advance.
        int mainAdvance = 0;
        for (const GroupPlan& g : plan.groups) {
            if (g.written) mainAdvance += kAdvance[g.code];
        }
        N = std::max(N, S + 2 + mainAdvance);
    }

    appendf(out, "Rs   %d   %d   %e\n* Source internal Zo -^\n", S, S + 1, at(0).value);
    int A = S + 1;
    int K = 1;
    int R = 0;
    bool sidePort = false;
    // A reference frequency of 0 is read as 1 Hz, as the analysis reads it.
    double F = f0 > 0.0 ? f0 : 1.0;

    auto element = [&](int i, int n1, int n2) {
        appendf(out, "%c%-3d %-3d %-3d %e\n", at(i).letter, K, n1, n2, at(i).value);
        ++K;
    };
    // The tapped inductor of value L as two coupled quarter-value halves.
    auto tapped = [&](int i, int code, int tap) {
        const char l = at(i).letter;
        const double q = at(i).value / 4.0;
        appendf(out, "%ca%-3d %-3d %-3d %e\n* %d  (L%d/4)\n", l, K, A, tap, q, code, K);
        appendf(out, "%cb%-3d %-3d %-3d %e\n", l, K, tap, A + 1, q);
        appendf(out, "K%-3d La%-3d Lb%-3d .99999\n", K, K, K);
        ++K;
    };

    for (const GroupPlan& g : plan.groups) {
        const int i = g.first;
        const int c = g.code;
        if (!g.written) {
            if (result.notImplemented.empty()) {
                con += "\nThese connection codes are not implemented:\n  ";
            }
            appendf(con, " %d", c);
            result.notImplemented.push_back(c);
            continue;
        }
        const int s = N;
        const int B = A + 1;
        int grow = 0;
        switch (c) {
        case 1:
            if (sidePort) out += "*    ^- COMMON node #\n";
            sidePort = false;
            appendf(out, "%c%-3d %-3d %-3d %e\n* Termination Zo -^\n\n", at(i).letter, K, 0, A,
                    at(i).value);
            ++K;
            result.loadNode = A;
            break;
        case 2:
            element(i, 0, A);
            break;
        case 3:
            element(i, A, B);
            break;
        case 4:
        case 14:
            if (g.elements == 3) {
                element(i, 0, s);
                element(i + 1, s, s + 1);
                element(i + 2, s + 1, A);
                grow = 2;
            } else {
                element(i, 0, s);
                element(i + 1, s, A);
                grow = 1;
            }
            break;
        case 5:
        case 15:
            for (int k = 0; k < g.elements; ++k) element(i + k, A, B);
            break;
        case 6:
        case 28:
            element(i, 0, s);
            element(i + 1, 0, s);
            if (g.elements == 4) {
                element(i + 2, s, s + 1);
                element(i + 3, s + 1, A);
                grow = 2;
            } else {
                element(i + 2, s, A);
                grow = 1;
            }
            break;
        case 7:
        case 13:
        case 27: {
            element(i, A, s);
            element(i + 1, s, B);
            element(i + 2, A, B);
            int j = i + 3;
            if (codeAt(entries, i + 2) == 27) element(j++, A, B);
            grow = 1;
            if (g.thirteenExtension) {
                element(j, A, s + 1);
                element(j + 1, s + 1, B);
                element(j + 2, 0, s + 2);
                element(j + 3, 0, s + 2);
                element(j + 4, s + 1, s + 2);
                grow = 3;
            }
            break;
        }
        case 8:
            out += "*        ^- Change to next COMMON node #\n";
            element(i, 0, A);
            sidePort = true;
            break;
        case 9:
            appendf(out, "*%-3d ^- COMMON node #\n", K);
            sidePort = false;
            break;
        case 10:
            element(i, A, B);
            element(i + 1, A, s);
            element(i + 2, s, B);
            // The capacitor junction has no d.c. path of its own.
            // When e3 is itself a resistor its name is taken; the d.c. path
            // then gets a name of its own so the deck stays valid.
            appendf(out, "R%s%-3d %-3d %-3d 1.0e11\n* Dc to node %d\n",
                    at(i + 2).letter == 'R' || at(i + 2).letter == 'r' ? "dc" : "", K - 1, 0, s, s);
            element(i + 3, 0, s + 1);
            element(i + 4, s + 1, s);
            grow = 2;
            break;
        case 11:
        case 12: {
            int j = i;
            if (c == 12) element(j++, A, B);
            tapped(j++, c, s);
            if (g.twoElementTap) {
                element(j, s + 1, s);
                element(j + 1, 0, s + 1);
                grow = 2;
            } else {
                element(j, s, 0);
                grow = 1;
            }
            break;
        }
        case 21:
            appendf(out, "* %-3d \tReport --> node %d\n", K, A);
            R = A;
            break;
        case 22:
            F = at(i).value;
            break;
        case 23:
            appendf(out, "T%-3d %-3d %-3d %-3d %-3d ZO=%g  F=%g ", K, A, 0, B, 0, at(i).value, F);
            appendf(out, "NL=%g\n", at(i + 1).value / (2.0 * kPi));
            ++K;
            break;
        case 29:
            element(i, A, s);
            element(i + 1, A, s);
            element(i + 2, s, B);
            element(i + 3, A, B);
            grow = 1;
            break;
        case 30:
            element(i, 0, s);
            element(i + 1, s, s + 1);
            element(i + 2, 0, s + 1);
            element(i + 3, s + 1, A);
            grow = 2;
            break;
        case 48:
            element(i, 0, s);
            element(i + 1, 0, s);
            element(i + 2, s, s + 1);
            element(i + 3, 0, s + 1);
            element(i + 4, s + 1, A);
            grow = 2;
            break;
        case 49:
            element(i, A, s);
            element(i + 1, s, s + 1);
            element(i + 2, A, s + 1);
            element(i + 3, s + 1, B);
            element(i + 4, A, B);
            grow = 2;
            break;
        case 31:
            element(i, A, s);
            element(i + 1, A, s);
            element(i + 2, s, B);
            element(i + 3, A, s + 1);
            element(i + 4, A, s + 1);
            element(i + 5, s + 1, B);
            grow = 2;
            break;
        case 32:
            element(i, 0, s);
            element(i + 1, s, s + 1);
            element(i + 2, 0, s + 1);
            element(i + 3, s + 1, s + 2);
            element(i + 4, s + 2, A);
            element(i + 5, s + 1, A);
            grow = 3;
            break;
        case 41:
            element(i, A, s);
            element(i + 1, 0, s);
            element(i + 2, s, B);
            element(i + 3, A, s + 1);
            element(i + 4, 0, s + 2);
            element(i + 5, s + 2, s + 1);
            element(i + 6, s + 1, B);
            grow = 3;
            break;
        case 45:
            element(i, A, B);
            element(i + 1, A, B);
            element(i + 2, A, B);
            element(i + 3, A, s);
            element(i + 4, s, B);
            element(i + 5, s, s + 1);
            element(i + 6, s + 1, s + 2);
            element(i + 7, s + 2, 0);
            grow = 3;
            break;
        default:
            break;
        }
        N += grow;
        A += kAdvance[c];
        ++K; // every group uses one further number
    }
    if (!result.notImplemented.empty()) con += '\n';

    // Control lines, with the placeholders the engineer fills in.
    if (options.domain == Domain::Frequency) {
        out += ".AC  LIN  num  Fstart  Fstop\n";
    } else {
        out += ".TRAN Tstep  Tstop\n";
    }
    if (options.domain == Domain::Harmonic) appendf(out, ".FOUR  freq V(%d)\n", A);
    if (R != 0) {
        appendf(out, " V(%d)\n", R);
    } else {
        out += "\n";
    }
    if (options.domain != Domain::Harmonic) {
        appendf(out, ".PRINT  AC  VDB(%d)", A);
        if (R != 0) {
            appendf(out, " VM(%d) VP(%d)\n", R, R);
        } else {
            out += "\n";
        }
    }
    out += "\n.END\n";

    result.ok = true;
    result.lastNode = N - 1;
    result.reportNode = R;
    if (result.loadNode == 0) result.loadNode = A;
    return result;
}

} // namespace tanvex::spice
