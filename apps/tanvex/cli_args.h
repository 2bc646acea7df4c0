// Option parsing shared by the console subcommands that take numbers.
#pragma once

#include <cstdlib>
#include <string>

namespace cli {

// A whole argument as a number (strtod syntax, nothing left over).
inline bool parseNumber(const char* text, double& out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end && *end == '\0';
}

// "A,B,C": exactly three numbers of at least zero.
inline bool parseTriple(const char* text, double (&out)[3]) {
    const std::string s = text ? text : "";
    std::size_t start = 0;
    for (int k = 0; k < 3; ++k) {
        const std::size_t comma = s.find(',', start);
        if ((comma == std::string::npos) != (k == 2)) return false;
        const std::string part = s.substr(start, k == 2 ? std::string::npos : comma - start);
        if (!parseNumber(part.c_str(), out[k]) || out[k] < 0.0) return false;
        start = comma + 1;
    }
    return true;
}

} // namespace cli
