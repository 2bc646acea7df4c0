// tanvex calc: runs Calculate on a saved design without windows and saves
// the network it builds.
#include "commands.h"

#include "analysis/data_files.h"
#include "design/design_file.h"
#include "design/operations.h"
#include "design/paths.h"
#include "equalizer/equalizer.h"
#include "synthesis/calculate.h"
#include "synthesis/catalogue.h"
#include "synthesis/matcher.h"
#include "synthesis/parameters.h"
#include "ui/scripted_toolkit.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace tanvex;

namespace {

const char* const kUsage =
    "Usage: tanvex calc NAME [--match-source M] [--match-term M] [--lcs L,CS]\n"
    "\n"
    "Loads the design NAME (NAME.spk, and NAME.ppd when the design uses one),\n"
    "runs Calculate for its design type with every prompt answered by its\n"
    "default, saves the network as NAME.dzn (the old NAME.dzn is replaced\n"
    "without being read) and prints the parameter report and, for the ends\n"
    "the design matches, the matching done. The Norton designs (forced\n"
    "shunt, minimum component) apply their automatic forcing and print\n"
    "their section list. NAME is read and written relative to the working\n"
    "directory.\n"
    "\n"
    "  --match-source M  impedance matching method of the source end\n"
    "  --match-term M    the same for the termination end\n"
    "                    M: X none, A-E or T (shunt end resonator),\n"
    "                    F-H (series end resonator); default: the methods\n"
    "                    stored in the design (none chosen yet: no matching)\n"
    "  --lcs L,CS        method E: end inductance and series capacitor in\n"
    "                    henry and farad (0 lets the matcher choose)\n"
    "\n"
    "Exit status: 0 done, 1 the calculation was refused (the message and the\n"
    "parameter at fault are on standard error), 2 bad arguments or a design\n"
    "that cannot be read.\n";

bool methodArgument(const char* text, char& method) {
    if (!text || std::strlen(text) != 1 || !std::strchr("XABCDEFGHT", std::toupper(text[0])))
        return false;
    method = static_cast<char>(std::toupper(text[0]));
    return true;
}

} // namespace

int cmdCalc(int argc, char** argv) {
    std::string name;
    char methods[2] = {0, 0};
    synthesis::MatchPresets presets;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        const bool source = !std::strcmp(argv[i], "--match-source");
        if (source || !std::strcmp(argv[i], "--match-term")) {
            if (!methodArgument(i + 1 < argc ? argv[i + 1] : nullptr, methods[source ? 0 : 1])) {
                std::fprintf(stderr, "tanvex calc: %s needs one of X, A-H, T\n%s", argv[i], kUsage);
                return 2;
            }
            ++i;
            continue;
        }
        if (!std::strcmp(argv[i], "--lcs")) {
            double l = -1, cs = -1;
            char tail = 0;
            if (i + 1 >= argc || std::sscanf(argv[i + 1], "%lf,%lf%c", &l, &cs, &tail) != 2 ||
                !(l >= 0) || !(cs >= 0) || !std::isfinite(l) || !std::isfinite(cs)) {
                std::fprintf(stderr, "tanvex calc: --lcs needs L,CS (two values >= 0)\n%s", kUsage);
                return 2;
            }
            presets.l = l;
            presets.cs = cs;
            ++i;
            continue;
        }
        if (argv[i][0] == '-' || !name.empty()) {
            std::fprintf(stderr, "tanvex calc: unexpected argument '%s'\n%s", argv[i], kUsage);
            return 2;
        }
        name = argv[i];
    }
    if (name.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (name.size() > 4 &&
        (name.rfind(".spk") == name.size() - 4 || name.rfind(".dzn") == name.size() - 4))
        name.resize(name.size() - 4);

    ui::BatchToolkit tk;
    auto design = std::make_unique<Design>();
    newDesign(design->entries);
    // Calculate replaces the network, so the old NAME.dzn is neither read nor
    // reported on: it may be missing or damaged.
    const int lr = loadDesignParameters(*design, "", name, tk);
    if (lr & (kSpkFailed | kNameTooLong | kFileMalformed)) {
        std::fprintf(stderr, "tanvex calc: cannot read %s.spk\n", name.c_str());
        return 2;
    }
    reapplyStoredNotation(*design);

    auto proto = std::make_unique<synthesis::LowpassPrototype>();
    synthesis::PrototypeContext ctx{*design, *proto, tk, homeDirectory(), true, {}};
    synthesis::setFaultIndex(design->record, 0);
    for (int end = 0; end < 2; ++end)
        if (methods[end]) design->record[8 + end].letter = methods[end];
    std::vector<std::string> endLines, toolLines;
    synthesis::CalculateHooks hooks;
    // The Norton design tools run their automatic forcing without the menu.
    hooks.interactiveTools = false;
    hooks.toolReport = &toolLines;
    hooks.matcher = [&](int end) {
        if (design->record[8 + end].letter == 'x' && !synthesis::endNeedsNoMatch(*design, end))
            std::fprintf(
                stderr, "Note: no matching method chosen for the %s end; not matched (use %s)\n",
                end == 0 ? "source" : "termination", end == 0 ? "--match-source" : "--match-term");
        endLines.push_back(synthesis::runMatcher(*design, end, tk, nullptr, presets).line());
    };
    // The equalizer design types read .eqd data from the working directory.
    analysis::DataFileServices eqData(*design, tk);
    hooks.otherBuilder = [&](int) { return equalizer::equalizerDesign(ctx, eqData); };
    const int r = synthesis::calculate(ctx, hooks);
    // Every result that leaves a built network is saved; only refusals are not.
    const bool built = r == 0 || r == synthesis::kBuildTerminationMatcher ||
                       r == synthesis::kBuildReissue || r == synthesis::kBuildCoaxialCoil ||
                       r == synthesis::kBuildCoaxialRod;
    if (!built) {
        const int fault = synthesis::faultIndex(design->record);
        if (r == synthesis::kBuildFault)
            std::fprintf(stderr, "Inappropriate parameter set!\n");
        else if (r == synthesis::kBuildAborted)
            std::fprintf(stderr, "Calculation aborted\n");
        // The messages of results 2, 3, 4 went to standard error as notices.
        if (fault > 0 && fault <= 20)
            std::fprintf(stderr, "Parameter at fault: %d \"%s\"\n", fault,
                         synthesis::parameterPrompt(design->record, fault).c_str());
        return 1;
    }
    // Written beside NAME.spk, where it was read: a name given on the command
    // line is the user's, never redirected to the temporary directory.
    const int wr =
        writeNetworkFile(joinPath(".", name) + ".dzn", design->entries, design->names, tk);
    if (wr != 0) {
        std::fprintf(stderr, "tanvex calc: cannot write %s.dzn\n", name.c_str());
        return 1;
    }
    for (const std::string& line : synthesis::parameterReport(*design))
        std::printf("%s\n", line.c_str());
    for (const std::string& line : synthesis::referenceListing(ctx))
        std::printf("%s\n", line.c_str());
    for (const std::string& line : toolLines) std::printf("%s\n", line.c_str());
    for (const std::string& line : endLines) std::printf("%s\n", line.c_str());
    return 0;
}
