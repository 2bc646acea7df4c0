// Parameter report lines of the TEM line designs: every stub and unit
// element with its characteristic impedance and admittance and its length
// at the reference frequency, so that the physical dimensions can follow.
#include "synthesis/builders.h"
#include "synthesis/catalogue.h"

#include <algorithm>
#include <cstdio>

namespace tanvex::synthesis {

std::vector<std::string> temLineReport(const Design& design) {
    std::vector<std::string> out;
    const int type = designType(design.record);
    if (type != 19 && type != 21 && type != 22) return out;
    const EntryList& l = design.entries;
    const int n = entryCount(l);
    char buf[160];
    auto put = [&](int i, const char* what) {
        if (i + 1 >= n || l[i].letter != 'Z' || l[i + 1].letter != 'D') return;
        if (out.empty()) {
            std::snprintf(buf, sizeof buf,
                          "Lines at %.6g Hz (Zo ohm, Yo mho, length deg.):", l[n + 1].value);
            out.emplace_back(buf);
        }
        const double z = l[i].value, deg = l[i + 1].value * 180 / 3.141592653589793;
        std::snprintf(buf, sizeof buf, "%3d %-18s Zo = %-10.5g Yo = %-10.5g %7.2f", i, what, z,
                      z != 0 ? 1 / z : 0.0, deg);
        std::string line = buf;
        if (l[i].code == 34 && i + 2 < n && l[i + 2].letter == 'C') {
            std::snprintf(buf, sizeof buf, "  C = %.5g F", l[i + 2].value);
            line += buf;
        }
        out.push_back(line);
    };
    for (int i = 1; i < n;) {
        const int code = l[i].code;
        switch (code) {
        case 16:
            put(i, "Shunt s.c. stub");
            break;
        case 17:
            put(i, "Series s.c. stub");
            break;
        case 18:
            put(i, "Shunt o.c. stub");
            break;
        case 19:
            put(i, "Series o.c. stub");
            break;
        case 23:
            put(i, "Unit element");
            break;
        case 34:
            put(i, "Coupled o.c. stub");
            break;
        case 36:
            put(i, "Shunt o.c. stub");
            put(i + 2, " + s.c. stub");
            break;
        case 37:
            put(i, "Series s.c. stub");
            put(i + 2, " || o.c. stub");
            break;
        default:
            break;
        }
        i += std::max(1, groupSize(code));
    }
    return out;
}

} // namespace tanvex::synthesis
