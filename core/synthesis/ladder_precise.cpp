// The Darlington chain of ladder_wide.h in binary multiprecision
// (Boost.Multiprecision's header-only cpp_bin_float, expression templates
// off: the chain is short loops of + - * /, where plain values are fastest).
#include "synthesis/ladder_extraction.h"
#include "synthesis/ladder_wide.h"

// Boost's integer header pulls in <iostream>, whose static object sets up
// the standard streams and every locale facet when any program linking this
// file starts (the console's `tanvex analyse` among them), though nothing
// here prints. The stream classes it needs come from <istream> and
// <ostream>; where the library's guard is another, the define does nothing.
#include <istream>
#include <ostream>
#ifndef _GLIBCXX_IOSTREAM
#define _GLIBCXX_IOSTREAM 1
#define TANVEX_SKIPPED_IOSTREAM
#endif
#include <boost/multiprecision/cpp_bin_float.hpp>
#ifdef TANVEX_SKIPPED_IOSTREAM
#undef _GLIBCXX_IOSTREAM
#undef TANVEX_SKIPPED_IOSTREAM
#endif

namespace tanvex::synthesis {

namespace {

template <unsigned Digits>
using Precise = boost::multiprecision::number<boost::multiprecision::cpp_bin_float<Digits>,
                                              boost::multiprecision::et_off>;
using Precise60 = Precise<60>;
using Precise120 = Precise<120>;

} // namespace

LadderResult synthesizeLadderFactoredPrecise(const FactoredPoly& f, const FactoredPoly& p,
                                             const std::vector<Real>& finiteZeros,
                                             int infinityZeros, bool singly, int precision) {
    if (precision <= 1)
        return wide::wideFactoredLadder<Precise60>(f, p, finiteZeros, infinityZeros, singly);
    return wide::wideFactoredLadder<Precise120>(f, p, finiteZeros, infinityZeros, singly);
}

LadderResult searchLadderFactoredPrecise(const FactoredPoly& f, const FactoredPoly& p,
                                         const std::vector<Real>& zerosAscending, int infinityZeros,
                                         bool singly, int precision, long stepLimit,
                                         LadderSearch* stats) {
    LadderSearch local;
    LadderSearch& s = stats ? *stats : local;
    if (precision <= 1)
        return wide::wideFactoredSearch<Precise60>(f, p, zerosAscending, infinityZeros, singly,
                                                   stepLimit, s);
    return wide::wideFactoredSearch<Precise120>(f, p, zerosAscending, infinityZeros, singly,
                                                stepLimit, s);
}

} // namespace tanvex::synthesis
