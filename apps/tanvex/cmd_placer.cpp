// tanvex placer: the pole placer of a saved design without windows - zeros
// and mask from the command line, the solver, the synthesis and its report.
#include "commands.h"

#include "design/design_file.h"
#include "design/operations.h"
#include "design/paths.h"
#include "synthesis/calculate.h"
#include "synthesis/catalogue.h"
#include "synthesis/parameters.h"
#include "synthesis/placer.h"
#include "ui/scripted_toolkit.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>

using namespace tanvex;
using namespace tanvex::synthesis;

namespace {

const char* const kUsage =
    "Usage: tanvex placer NAME [--dc N] [--inf N] [--zeros F,...] [--mask DB@F,...]\n"
    "                          [--solve] [--sequence I,...] [--codes DIGITS]\n"
    "\n"
    "Runs the pole placer of the design NAME: the conventional bandpass placer\n"
    "for a pole placer design (frequencies in the design's display unit), the\n"
    "lowpass placer for a design with the placer reference lowpass (frequencies\n"
    "normalized, rad/s). Options\n"
    "replace the stored zero counts, finite zeros and mask; --solve moves and\n"
    "adds zeros until the mask is met. The extraction order and the codes are\n"
    "automatic unless given. Prints the zeros after each pass, the margins,\n"
    "the response listing and the 3 dB points, and saves NAME.ppd and NAME.dzn.\n"
    "\n"
    "Exit status: 0 done, 1 refused (the reason on standard error), 2 bad\n"
    "arguments or a design that cannot be read.\n";

bool numberList(const std::string& text, std::vector<double>& out) {
    std::stringstream ss(text);
    std::string item;
    while (std::getline(ss, item, ',')) {
        char* end = nullptr;
        double v = std::strtod(item.c_str(), &end);
        if (end == item.c_str() || *end) return false;
        out.push_back(v);
    }
    return !out.empty();
}

} // namespace

int cmdPlacer(int argc, char** argv) {
    std::string name, zerosText, maskText, sequenceText, codesText;
    int dc = -1, inf = -1;
    bool solve = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--solve") {
            solve = true;
        } else if ((a == "--dc" || a == "--inf") && value(v)) {
            (a == "--dc" ? dc : inf) = std::atoi(v.c_str());
        } else if (a == "--zeros" && value(zerosText)) {
        } else if (a == "--mask" && value(maskText)) {
        } else if (a == "--sequence" && value(sequenceText)) {
        } else if (a == "--codes" && value(codesText)) {
        } else if (a[0] != '-' && name.empty()) {
            name = a;
        } else {
            std::fprintf(stderr, "tanvex placer: unexpected argument '%s'\n%s", a.c_str(), kUsage);
            return 2;
        }
    }
    if (name.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    ui::BatchToolkit tk;
    auto design = std::make_unique<Design>();
    newDesign(design->entries);
    ui::BatchToolkit quiet;
    const int lr = loadDesign(*design, "", name, quiet);
    if (lr & (kSpkFailed | kNameTooLong)) {
        std::fprintf(stderr, "tanvex placer: cannot read %s.spk\n", name.c_str());
        return 2;
    }
    reapplyStoredNotation(*design);
    DesignRecord& rec = design->record;
    const int mode = designType(rec) == 23 ? 1 : referenceKind(rec) == kRefPlacer ? 2 : 0;
    if (mode == 0) {
        std::fprintf(stderr,
                     "tanvex placer: %s is neither a pole placer design nor uses the "
                     "placer reference lowpass\n",
                     name.c_str());
        return 2;
    }
    std::vector<double> zeros, mask;
    if (!zerosText.empty() && !numberList(zerosText, zeros)) {
        std::fprintf(stderr, "tanvex placer: bad --zeros '%s'\n", zerosText.c_str());
        return 2;
    }
    std::vector<std::pair<double, double>> maskRows;
    if (!maskText.empty()) {
        std::stringstream ss(maskText);
        std::string item;
        while (std::getline(ss, item, ',')) {
            auto at = item.find('@');
            char* e1 = nullptr;
            char* e2 = nullptr;
            double db = std::strtod(item.c_str(), &e1);
            double f = at == std::string::npos ? 0 : std::strtod(item.c_str() + at + 1, &e2);
            if (at == std::string::npos || e1 != item.c_str() + at || *e2) {
                std::fprintf(stderr, "tanvex placer: bad --mask item '%s' (DB@F)\n", item.c_str());
                return 2;
            }
            maskRows.push_back({db, f});
        }
    }
    if (zeros.size() > kPlacerMax || maskRows.size() > kPlacerMax) {
        std::fprintf(stderr, "Too many zeros\n");
        return 1;
    }

    int solveResult = 0;
    PlacerUi ui;
    // Frequencies shown in the design's display unit (mode 1).
    const double unit = mode == 1 ? design->notation.frequency.multiplier : 1.0;
    std::string unitName = mode == 1 ? design->notation.frequency.name : "rad/s";
    while (!unitName.empty() && unitName.back() == ' ') unitName.pop_back();
    ui.log = [](const std::string& line) { std::printf("Zeros:%s\n", line.c_str()); };
    ui.dialog = [&](PlacerState& st, const PlacerBand& band, int) {
        if (dc >= 0) st.dcZeros = std::max(1, dc);
        if (inf >= 0) st.infZeros = std::max(1, inf);
        if (!zerosText.empty()) {
            st.finiteCount = static_cast<int>(zeros.size());
            for (size_t i = 0; i < zeros.size(); ++i) st.zeros[i] = zeros[i] / unit;
            st.sequenceState = 0;
        }
        if (!maskRows.empty()) {
            st.maskCount = static_cast<int>(maskRows.size());
            for (size_t i = 0; i < maskRows.size(); ++i) {
                st.maskDb[i] = maskRows[i].first;
                st.maskFreq[i] = maskRows[i].second / unit;
            }
            st.maskType = band.mode;
            st.maskFromMarkers = 0;
            std::string why = normalizeMask(st, band);
            if (!why.empty()) {
                std::fprintf(stderr, "%s\n", why.c_str());
                return 27;
            }
        }
        for (int i = 0; i < st.finiteCount; ++i) {
            std::string why = checkZero(st.zeros[i], band);
            if (!why.empty()) {
                std::fprintf(stderr, "%s\n", why.c_str());
                return 27;
            }
        }
        if (solve) {
            solveResult = solvePlacer(st, band, [&](const std::string&) {
                std::printf("Zeros:%s\n", zerosLine(st, unit).c_str());
            });
            if (solveResult == 1) std::fprintf(stderr, "Too many zeros\n");
            st.sequenceState = 0;
        }
        std::printf("Zeros:%s (%s)\n", zerosLine(st, unit).c_str(), unitName.c_str());
        auto rows = evaluateMask(st, band);
        for (size_t i = 0; i < rows.size(); ++i)
            std::printf("Mask %g %s %g dB: worst at %g, %.2f dB, margin %.2f dB\n",
                        st.maskFreq[i] * unit, unitName.c_str(), st.maskDb[i],
                        rows[i].worstFreq * unit, rows[i].atten, rows[i].margin);
        double lo = band.mode == 2 ? 1.0 : band.f1 - (band.f2 - band.f1);
        double hi = band.mode == 2 ? 3.0 : band.f2 + (band.f2 - band.f1);
        for (const std::string& line : placerListing(st, band, std::max(lo, 0.0), hi, -21, unit))
            std::printf("%s\n", line.c_str());
        std::printf("%s\n", threeDbPoints(st, band, unit).c_str());
        return 0;
    };
    bool sequenceRefused = false;
    if (!sequenceText.empty())
        ui.sequence = [&](const PlacerState& st, const std::vector<int>& automatic) {
            if (sequenceText == "L" && st.sequenceLength == st.finiteCount)
                return std::vector<int>(st.sequence.begin(),
                                        st.sequence.begin() + st.sequenceLength);
            bool ok = false;
            auto seq = parseSequence(sequenceText, st.finiteCount, &ok);
            if (!ok) {
                sequenceRefused = true;
                return std::vector<int>{};
            }
            (void)automatic;
            return seq;
        };
    if (!codesText.empty())
        ui.codes = [&](const PlacerState&, const PlacerBand&, int) { return codesText; };
    // A sequence given on the command line replaces the stored one.
    if (!sequenceText.empty()) {
        PlacerState st = placerFromFile(design->placer);
        st.sequenceState = 0;
        design->placer = placerToFile(st);
    }

    auto proto = std::make_unique<LowpassPrototype>();
    PrototypeContext ctx{*design, *proto, tk, homeDirectory(), true, {}};
    ctx.placer = [&]() { return runPlacer(ctx, 2, ui); };
    setFaultIndex(rec, 0);
    CalculateHooks hooks;
    hooks.otherBuilder = [&](int type) {
        return type == 23 ? polePlacerBuilder(ctx, ui) : CalculateHooks::kNotMine;
    };
    const int r = calculate(ctx, hooks);
    writePolePlacerFile(designFilePath(name, ".ppd"), design->placer, tk);
    if (sequenceRefused) {
        std::fprintf(stderr, "The zero sequence must name each of the %d zeros once\n",
                     placerFromFile(design->placer).finiteCount);
        return 1;
    }
    if (r != 0) {
        if (r == kBuildFault) {
            std::fprintf(stderr, "Inappropriate parameter set!\n");
            int fault = faultIndex(rec);
            if (fault > 0 && fault <= 20)
                std::fprintf(stderr, "Parameter at fault: %d \"%s\"\n", fault,
                             parameterPrompt(rec, fault).c_str());
        }
        return 1;
    }
    if (writeNetworkFile(designFilePath(name, ".dzn"), design->entries, design->names, tk) != 0)
        return 1;
    PlacerState st = placerFromFile(design->placer);
    std::printf(" Codes: %s\n", st.lastCodes.c_str());
    int n = entryCount(design->entries);
    for (int i = 1; i < n; ++i)
        std::printf("%3d %c %d %.6g\n", i, design->entries[i].letter, design->entries[i].code,
                    design->entries[i].value);
    for (const std::string& line : parameterReport(*design)) std::printf("%s\n", line.c_str());
    return solveResult == 1 ? 1 : 0;
}
