// formatGeneral must write exactly what printf's %.Ng writes: checked against
// snprintf on values chosen to reach every branch (fixed and exponent forms,
// carries that move the exponent, ties, zero signs, subnormals, non-finite)
// and on a million random bit patterns.
#include "design/text_io.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

std::string ours(double v, int precision) {
    char buf[40];
    return std::string(buf, tanvex::formatGeneral(buf, v, precision));
}

std::string libc(double v, int precision) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*g", precision, v);
    return buf;
}

TEST(FormatGeneral, ChosenValuesMatchPrintf) {
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {0.0,
                             -0.0,
                             1.0,
                             -1.0,
                             0.1,
                             1e-4,
                             9.99999999995e-5,
                             0.000099999999994,
                             1e-5,
                             123456789.0,
                             1234567890.0,
                             12345678901.0,
                             9999999999.4,
                             9999999999.5,
                             9999999999.6,
                             999999999.95,
                             9.9999999995,
                             9.99999999949,
                             1.00000000005,
                             1.000000000050001,
                             2.5,
                             0.125,
                             1e22,
                             1e-300,
                             4.9e-324,
                             2.2250738585072014e-308,
                             1.7976931348623157e308,
                             6.02214076e23,
                             -273.15,
                             50.0,
                             1e6,
                             1e10,
                             1e100,
                             inf,
                             -inf,
                             std::nan("")};
    for (int precision : {1, 3, 6, 10, 15, 17})
        for (double v : values) EXPECT_EQ(ours(v, precision), libc(v, precision)) << v;
}

TEST(FormatGeneral, RandomBitPatternsAndDecimalsMatchPrintf) {
    std::mt19937_64 rng(12345);
    int mismatches = 0;
    for (int i = 0; i < 1000000; ++i) {
        double v;
        if (i % 2 == 0) {
            const std::uint64_t bits = rng();
            std::memcpy(&v, &bits, sizeof v);
        } else {
            // Decimals with few digits: the ties and carries live here.
            const double mantissa = static_cast<double>(rng() % 100000000000ull);
            v = mantissa * std::pow(10.0, static_cast<int>(rng() % 40) - 25);
        }
        const int precision = i % 5 == 0 ? static_cast<int>(rng() % 17) + 1 : 10;
        if (ours(v, precision) != libc(v, precision) && ++mismatches < 10)
            ADD_FAILURE() << v << " at %." << precision << "g: " << ours(v, precision)
                          << " against " << libc(v, precision);
    }
    EXPECT_EQ(mismatches, 0);
}

} // namespace
