// tanvex report: writes one item of the review menu exactly as the report
// file NAME.1HC .. NAME.4HC holds it, to standard output or a file.
#include "commands.h"
#include "sweep_args.h"

#include "design/design_file.h"
#include "design/paths.h"
#include "outputs/review_menu.h"
#include "synthesis/calculate.h"
#include "synthesis/prototype.h"
#include "ui/scripted_toolkit.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>

using namespace tanvex;

namespace {

const char* const kUsage =
    "Usage: tanvex report NAME --item ITEM [options]\n"
    "\n"
    "Writes one item of the design NAME (NAME.spk and NAME.dzn in the working\n"
    "directory) as the review menu's report file holds it: the date, user and\n"
    "design header, then the item. ITEM is one of\n"
    "  analysis     the analysis table of a sweep (NAME.1HC)\n"
    "  parameters   the design parameters and reference lowpass (NAME.2HC)\n"
    "  schematic    the schematic drawing (NAME.3HC)\n"
    "  couplings    the coupling coefficients of the prototype (NAME.4HC)\n"
    "\n"
    "Options:\n"
    "  --out FILE          write FILE instead of standard output\n"
    "  --ascii             plain ASCII box characters instead of UTF-8\n"
    "  --help              this text\n"
    "Sweep options of the analysis item (as `tanvex analyse`):\n";

const char* const kUsageTail =
    "\n"
    "Exit status: 0 done, 1 the item could not be made or written (the reason is\n"
    "on standard error), 2 bad options or a design that cannot be read.\n";

} // namespace

int cmdReport(int argc, char** argv) {
    std::string name, out;
    int item = -1;
    bool ascii = false;
    cli::SweepArgs args;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            std::fputs(kUsage, stdout);
            std::fputs(cli::kSweepOptionsHelp, stdout);
            std::fputs(kUsageTail, stdout);
            return 0;
        } else if (!std::strcmp(a, "--ascii")) {
            ascii = true;
        } else if (!std::strcmp(a, "--out")) {
            if (i + 1 >= argc) return cli::usageError("report", "--out needs a file name");
            out = argv[++i];
        } else if (!std::strcmp(a, "--item")) {
            const char* v = i + 1 < argc ? argv[++i] : "";
            const char* const items[] = {"analysis", "parameters", "schematic", "couplings"};
            for (int k = 0; k < 4; ++k)
                if (!std::strcmp(v, items[k])) item = k;
            if (item < 0)
                return cli::usageError(
                    "report", "--item must be analysis, parameters, schematic or couplings");
        } else if (const int r = cli::parseSweepOption("report", argc, argv, i, args)) {
            if (r == 2) return 2;
        } else if (a[0] == '-' && a[1] != '\0') {
            return cli::usageError("report", "unknown option", a);
        } else if (name.empty()) {
            name = a;
        } else {
            return cli::usageError("report", "only one design name may be given; also got", a);
        }
    }
    if (name.empty()) return cli::usageError("report", "no design name given");
    if (item < 0) return cli::usageError("report", "no --item given");
    if (cli::checkSweepArgs("report", args)) return 2;

    ui::BatchToolkit toolkit;
    auto design = std::make_unique<Design>();
    newDesign(design->entries);
    const int loaded = loadDesign(*design, "", name, toolkit);
    if (loaded & (kDznFailed | kNetworkTooBig | kFileMalformed | kNameTooLong)) {
        std::fprintf(stderr, "tanvex report: cannot read the design '%s' (%s.dzn)\n", name.c_str(),
                     name.c_str());
        return 2;
    }

    analysis::ResultsTable empty;
    auto result = std::make_unique<cli::SweepResult>();
    outputs::ReviewContext ctx{*design, toolkit, empty};
    const char* user = std::getenv("USERNAME");
    ctx.user = user && *user ? user : "?";
    ctx.homeDirectory = homeDirectory();
    auto proto = std::make_unique<synthesis::LowpassPrototype>();
    if (item == outputs::kItemAnalysis) {
        if (cli::sweepDesign(*design, args, toolkit, *result) != 0) return 1;
        ctx.table = outputs::tableOf(*design, result->table, result->fastDelay, result->points);
    } else if (item == outputs::kItemParameters || item == outputs::kItemDesignTable) {
        // The prototype of the design's parameters, without asking.
        synthesis::PrototypeContext pc{*design, *proto, toolkit, ctx.homeDirectory, true, {}};
        if (synthesis::makePrototype(pc) == 0) ctx.prototype = proto.get();
    }

    // Written where asked, or to a scratch file that is then copied out, so
    // standard output carries exactly the file's bytes.
    std::string path = out;
    if (path.empty()) {
        char tmpl[] = "/tmp/tanvex_report_XXXXXX";
        const int fd = mkstemp(tmpl);
        if (fd < 0) {
            std::fprintf(stderr, "tanvex report: no scratch file\n");
            return 1;
        }
        close(fd);
        path = tmpl;
    }
    if (!outputs::writeReportFile(ctx, item, path, ascii)) {
        if (out.empty()) std::remove(path.c_str());
        return 1;
    }
    if (out.empty()) {
        std::ifstream f(path, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(f)),
                               std::istreambuf_iterator<char>());
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::remove(path.c_str());
    }
    return 0;
}
