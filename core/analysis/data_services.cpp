#include "analysis/data_services.h"

#include <cstdio>

namespace tanvex::analysis {

DataAnswer NoDataServices::dataImpedance(double, int entryIndex, double& r, double& x) {
    r = 0.0;
    x = 0.0;
    char text[96];
    std::snprintf(text, sizeof text, "Data branch %d: impedance data files cannot be read here.",
                  entryIndex);
    toolkit_.notice(text);
    return DataAnswer::kUnavailable;
}

DataAnswer NoDataServices::dataValue(double, int, double& value) {
    value = 0.0;
    toolkit_.notice("Delay / amplitude data files cannot be read here.");
    return DataAnswer::kUnavailable;
}

} // namespace tanvex::analysis
