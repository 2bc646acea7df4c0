// tanvex s2p: writes the two-port S-parameter file (.S2P) of a saved design.
#include "commands.h"
#include "sweep_args.h"

#include "analysis/data_services.h"
#include "analysis/s_parameters.h"
#include "design/design_file.h"
#include "design/paths.h"
#include "design/text_io.h"
#include "schematic/network_edit.h"
#include "ui/scripted_toolkit.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

using namespace tanvex;

namespace {

const char* const kUsage =
    "Usage: tanvex s2p NAME [options]\n"
    "\n"
    "Writes the S-parameters of the design NAME (NAME.spk and NAME.dzn in the\n"
    "working directory) as a two-port Touchstone file NAME.S2P: the network is\n"
    "swept once in each direction with both ends at the system impedance.\n"
    "Frequencies in the file are in hertz; the sweep options below take the\n"
    "design's display unit (for example MHz). The design files are not changed.\n"
    "\n"
    "Options:\n"
    "  --z0 OHMS           system impedance (default 50)\n"
    "%s"
    "  --out FILE|-        write FILE instead of NAME.S2P; - writes to standard output\n"
    "  --help              this text\n"
    "\n"
    "Prints \"File is: PATH\" when a file was written. Exit status: 0 written,\n"
    "1 refused or the analysis failed (the reason is on standard error), 2 bad\n"
    "options or a design that cannot be read.\n";

const char* const kVerb = "s2p";

} // namespace

int cmdS2p(int argc, char** argv) {
    std::string name, out;
    double z0 = 50.0;
    cli::SweepArgs sweepArgs;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            std::printf(kUsage, cli::kSweepOptionsHelp);
            return 0;
        } else if (!std::strcmp(a, "--z0")) {
            if (i + 1 >= argc || !cli::parseNumber(argv[++i], z0))
                return cli::usageError(kVerb, "--z0 needs a number");
        } else if (!std::strcmp(a, "--out")) {
            if (i + 1 >= argc || !*argv[i + 1]) return cli::usageError(kVerb, "--out needs a file");
            out = argv[++i];
        } else if (const int r = cli::parseSweepArg(kVerb, argc, argv, i, sweepArgs); r != 0) {
            if (r < 0) return 2;
        } else if (a[0] == '-' && a[1] != '\0') {
            return cli::usageError(kVerb, "unknown option", a);
        } else if (name.empty()) {
            name = a;
        } else {
            return cli::usageError(kVerb, "only one design name may be given; also got", a);
        }
    }
    if (name.empty()) return cli::usageError(kVerb, "no design name given");
    if (const int r = cli::checkSweepArgs(kVerb, sweepArgs); r != 0) return r;

    ui::BatchToolkit toolkit;
    auto design = std::make_unique<Design>();
    const int loaded = loadDesign(*design, "", name, toolkit);
    if (loaded & (kDznFailed | kNetworkTooBig | kFileMalformed | kNameTooLong)) {
        std::fprintf(stderr, "tanvex s2p: cannot read the design '%s' (%s.dzn)\n", name.c_str(),
                     name.c_str());
        return 2;
    }
    analysis::SweepOptions options;
    cli::applySweepArgs(sweepArgs, *design, options);

    auto table = std::make_unique<analysis::ResultsTable>();
    analysis::NoDataServices data(toolkit);
    analysis::NoAnalysisViews views;
    analysis::SParameterRun run(*design, *table, options, toolkit, data, views, [](EntryList& l) {
        return schematic::reverseNetwork(l) != schematic::ReverseResult::kRefused;
    });
    std::vector<analysis::SPoint> points;
    if (run.compute(z0, points) != 0) {
        std::fprintf(stderr, "%s\n", run.why().c_str());
        return 1;
    }
    const std::string fileName = nameComponent(name);
    const std::string text = analysis::formatS2p(points, fileName, z0);
    if (out == "-") {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    const std::string path = out.empty() ? fileName + ".S2P" : out;
    if (!writeFileAtomically(path, text)) {
        std::fprintf(stderr, "Can't write file\n");
        return 1;
    }
    std::printf("File is: %s\n", path.c_str());
    return 0;
}
