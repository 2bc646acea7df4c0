// tanvex calc: runs Calculate on a saved design without windows and saves
// the network it builds.
#include "commands.h"

#include "design/design_file.h"
#include "design/operations.h"
#include "design/paths.h"
#include "synthesis/calculate.h"
#include "synthesis/catalogue.h"
#include "synthesis/parameters.h"
#include "ui/scripted_toolkit.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

using namespace tanvex;

namespace {

const char* const kUsage =
    "Usage: tanvex calc NAME\n"
    "\n"
    "Loads the design NAME (NAME.spk, and NAME.ppd when the design uses one),\n"
    "runs Calculate for its design type with every prompt answered by its\n"
    "default, saves the network as NAME.dzn (the old NAME.dzn is replaced\n"
    "without being read) and prints the parameter report. NAME is read and\n"
    "written relative to the working directory.\n"
    "\n"
    "Exit status: 0 done, 1 the calculation was refused (the message and the\n"
    "parameter at fault are on standard error), 2 bad arguments or a design\n"
    "that cannot be read.\n";

} // namespace

int cmdCalc(int argc, char** argv) {
    std::string name;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
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
    synthesis::CalculateHooks hooks;
    const int r = synthesis::calculate(ctx, hooks);
    const bool built = r == 0 || r == synthesis::kBuildReissue ||
                       r == synthesis::kBuildCoaxialCoil || r == synthesis::kBuildCoaxialRod;
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
    return 0;
}
