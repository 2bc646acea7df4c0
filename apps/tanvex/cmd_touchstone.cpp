// tanvex touchstone: writes the Touchstone circuit file (.CKT) of a saved design.
#include "commands.h"
#include "sweep_args.h"

#include "design/design_file.h"
#include "design/paths.h"
#include "design/text_io.h"
#include "outputs/touchstone.h"
#include "ui/scripted_toolkit.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

using namespace tanvex;

namespace {

const char* const kUsage =
    "Usage: tanvex touchstone NAME [options]\n"
    "\n"
    "Writes the design NAME (NAME.spk and NAME.dzn in the working directory) as a\n"
    "Touchstone circuit file NAME.CKT: units, Q and line-loss variables, one line\n"
    "per element, the two-port (or multiplexer) definition, the terminations, the\n"
    "outputs, the sweep and the plot grid. The design files are not changed.\n"
    "\n"
    "Options:\n"
    "  --no-q              plain IND and CAP elements instead of INDQ and CAPQ\n"
    "  --electrical        transmission lines by electrical length (the default\n"
    "                      is physical lines with a dielectric constant)\n"
    "  --k K               dielectric constant of physical lines (default: 36\n"
    "                      for coaxial designs, else the design's own value)\n"
    "  --node S            first node number (default 1)\n"
    "  --sweep \"F1 F2 STEP\"\n"
    "                      sweep in the design's display frequency unit (default:\n"
    "                      the design's own sweep)\n"
    "  --out FILE|-        write FILE instead of NAME.CKT; - writes to standard output\n"
    "  --help              this text\n"
    "\n"
    "Notices (elements without a model, the last node number used) go to standard\n"
    "error. Exit status: 0 written, 1 refused (the reason is on standard error),\n"
    "2 bad options or a design that cannot be read.\n";

const char* const kVerb = "touchstone";

} // namespace

int cmdTouchstone(int argc, char** argv) {
    std::string name, out;
    outputs::TouchstoneOptions o;
    bool electrical = false, haveK = false;
    double node = 1.0;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const bool more = i + 1 < argc;
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (!std::strcmp(a, "--no-q")) {
            o.qElements = false;
        } else if (!std::strcmp(a, "--electrical")) {
            electrical = true;
        } else if (!std::strcmp(a, "--k")) {
            if (!more || !cli::parseNumber(argv[++i], o.k))
                return cli::usageError(kVerb, "--k needs a number");
            haveK = true;
        } else if (!std::strcmp(a, "--node")) {
            if (!more || !cli::parseNumber(argv[++i], node) || node != static_cast<int>(node))
                return cli::usageError(kVerb, "--node needs a whole number");
        } else if (!std::strcmp(a, "--sweep")) {
            if (!more) return cli::usageError(kVerb, "--sweep needs \"F1 F2 STEP\"");
            o.sweep = argv[++i];
        } else if (!std::strcmp(a, "--out")) {
            if (!more || !*argv[i + 1]) return cli::usageError(kVerb, "--out needs a file");
            out = argv[++i];
        } else if (a[0] == '-' && a[1] != '\0') {
            return cli::usageError(kVerb, "unknown option", a);
        } else if (name.empty()) {
            name = a;
        } else {
            return cli::usageError(kVerb, "only one design name may be given; also got", a);
        }
    }
    if (name.empty()) return cli::usageError(kVerb, "no design name given");

    ui::BatchToolkit toolkit;
    auto design = std::make_unique<Design>();
    const int loaded = loadDesign(*design, "", name, toolkit);
    if (loaded & (kDznFailed | kNetworkTooBig | kFileMalformed | kNameTooLong)) {
        std::fprintf(stderr, "tanvex touchstone: cannot read the design '%s' (%s.dzn)\n",
                     name.c_str(), name.c_str());
        return 2;
    }
    o.startNode = static_cast<int>(node);
    o.physicalLines = !electrical && outputs::hasLines(design->entries);
    if (!haveK) o.k = outputs::defaultDielectric(*design);

    outputs::TouchstoneOutput result;
    const std::string why = outputs::buildTouchstone(*design, o, result);
    if (!why.empty()) {
        std::fprintf(stderr, "%s\n", why.c_str());
        return 1;
    }
    for (const std::string& n : outputs::touchstoneNotices(result))
        std::fprintf(stderr, "%s\n", n.c_str());
    if (out == "-") {
        std::fwrite(result.text.data(), 1, result.text.size(), stdout);
    } else {
        const std::string path = out.empty() ? nameComponent(name) + ".CKT" : out;
        if (!writeFileAtomically(path, result.text)) {
            std::fprintf(stderr, "Can't open %s\n", path.c_str());
            return 1;
        }
    }
    std::fprintf(stderr, "Last node number used is %d\n", result.lastNode);
    return 0;
}
