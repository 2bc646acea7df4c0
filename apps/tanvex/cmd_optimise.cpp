// tanvex optimise: runs one optimizer command on a saved design without a
// window and writes the optimised network.
#include "commands.h"
#include "sweep_args.h"

#include "analysis/data_services.h"
#include "design/design_file.h"
#include "design/operations.h"
#include "design/text_io.h"
#include "optimizer/optimizer.h"
#include "ui/scripted_toolkit.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace tanvex;

namespace {

const char* const kUsage =
    "Usage: tanvex optimise NAME --job delay|rl|amplitude --from F --to F [options] \"COMMAND\"\n"
    "       (also: tanvex optimize ...)\n"
    "\n"
    "Optimises branch values of the design NAME (NAME.spk and NAME.dzn in the\n"
    "working directory) one item at a time against the job's figure of merit over\n"
    "the range --from .. --to (in the design's display frequency unit):\n"
    "  delay      spread of the group delay\n"
    "  rl         worst return loss (raised)\n"
    "  amplitude  spread of the attenuation\n"
    "\n"
    "COMMAND is the optimizer's command line: a comma-separated list of\n"
    "  n      branch n             n-m   branches n .. m, one after the other\n"
    "  n/m    branch n, branch m keeping the product of the two values\n"
    "  n&m    branch n, branch m moving by the same increment\n"
    "  L      every inductor       R     repeat the whole command 5 times\n"
    "\n"
    "Options:\n"
    "  --segment F1,F2     measure only inside this window (up to 7 times)\n"
    "  --points N          sweep points, 2..1000 (default 200)\n"
    "  --stage S           final stage of every search (default 7)\n"
    "  --q QL,QC,QT        inductor, capacitor and line Q (0 = infinite)\n"
    "  --out NAME2         write NAME2.dzn instead of replacing NAME.dzn\n"
    "  --help              this text\n"
    "\n"
    "Prints one line per item (branch, value before -> after, error before ->\n"
    "after, stages, notes WORSE / ZERO / Next!) and the final error. The network\n"
    "file is written to a temporary name and renamed.\n"
    "Exit status: 0 done, 1 the command was refused (message on standard error,\n"
    "nothing written), 2 bad options or a design that cannot be read.\n";

int usageError(const char* what, const char* arg = nullptr) {
    return cli::usageError("optimise", what, arg);
}

using cli::parseNumber;

// Up to max comma-separated numbers; true when exactly count were read.
bool parseList(const char* text, double* out, int count) {
    if (!text) return false;
    std::string s = text;
    int n = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = s.find(',', start);
        const std::string part =
            s.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (n >= count || !parseNumber(part.c_str(), out[n])) return false;
        ++n;
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return n == count;
}

// Notices go to standard error (the batch toolkit) and are counted, so that
// a refused command can be told from an empty one.
struct ConsoleToolkit : ui::BatchToolkit {
    int notices = 0;
    void notice(const std::string& text) override {
        ++notices;
        ui::BatchToolkit::notice(text);
    }
};

// The error as the panel shows it: delay in the time unit, the worst return
// loss in dB, the attenuation spread in dB.
double shown(int job, double error, const Design& d) {
    if (job == optimizer::kJobDelay) return error * d.notation.time.multiplier;
    if (job == optimizer::kJobReturnLoss) return error != 0.0 ? 1.0 / error : 0.0;
    return error;
}

} // namespace

int cmdOptimise(int argc, char** argv) {
    std::string name, out, command;
    int job = 0;
    bool haveFrom = false, haveTo = false, haveQ = false;
    double from = 0.0, to = 0.0, q[3] = {0, 0, 0};
    int points = 200, stage = optimizer::kDefaultFinalStage;
    std::vector<std::pair<double, double>> segments;
    bool haveCommand = false;

    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (optionsEnd || !std::strcmp(a, "--")) {
            if (!optionsEnd) {
                optionsEnd = true;
                continue;
            }
            if (name.empty())
                name = a;
            else if (!haveCommand)
                command = a, haveCommand = true;
            else
                return usageError("unexpected argument", a);
            continue;
        }
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        double x = 0.0;
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (!std::strcmp(a, "--job")) {
            const char* j = value();
            job = !j                             ? 0
                  : !std::strcmp(j, "delay")     ? optimizer::kJobDelay
                  : !std::strcmp(j, "rl")        ? optimizer::kJobReturnLoss
                  : !std::strcmp(j, "amplitude") ? optimizer::kJobAmplitude
                                                 : 0;
            if (!job) return usageError("--job must be delay, rl or amplitude");
        } else if (!std::strcmp(a, "--from")) {
            if (!parseNumber(value(), from)) return usageError("--from needs a number");
            haveFrom = true;
        } else if (!std::strcmp(a, "--to")) {
            if (!parseNumber(value(), to)) return usageError("--to needs a number");
            haveTo = true;
        } else if (!std::strcmp(a, "--segment")) {
            double s[2];
            if (!parseList(value(), s, 2) || !(s[0] > 0.0 && s[0] < s[1]))
                return usageError("--segment needs F1,F2 with 0 < F1 < F2");
            if (segments.size() >= optimizer::kSegmentCount)
                return usageError("at most 7 segments");
            segments.emplace_back(s[0], s[1]);
        } else if (!std::strcmp(a, "--points")) {
            if (!parseNumber(value(), x) || x < 2 || x > optimizer::kMaxPoints ||
                x != static_cast<int>(x))
                return usageError("--points needs a whole number from 2 to 1000");
            points = static_cast<int>(x);
        } else if (!std::strcmp(a, "--stage")) {
            if (!parseNumber(value(), x) || x < 1 || x > 99 || x != static_cast<int>(x))
                return usageError("--stage needs a whole number from 1 to 99");
            stage = static_cast<int>(x);
        } else if (!std::strcmp(a, "--q")) {
            if (!parseList(value(), q, 3) || q[0] < 0 || q[1] < 0 || q[2] < 0)
                return usageError("--q needs three numbers QL,QC,QT");
            haveQ = true;
        } else if (!std::strcmp(a, "--out")) {
            const char* o = value();
            if (!o || !*o) return usageError("--out needs a design name");
            out = o;
        } else if (a[0] == '-' && a[1] == '-') {
            return usageError("unknown option", a);
        } else if (name.empty()) {
            name = a;
        } else if (!haveCommand) {
            command = a;
            haveCommand = true;
        } else {
            return usageError("unexpected argument", a);
        }
    }
    if (name.empty()) return usageError("no design name given");
    if (!job) return usageError("--job is required");
    if (!haveFrom || !haveTo) return usageError("--from and --to are required");
    if (!haveCommand) return usageError("no command given");
    if (out.empty()) out = name;

    ConsoleToolkit toolkit;
    Design design;
    const int loaded = loadDesign(design, "", name, toolkit);
    if (loaded & (kDznFailed | kNetworkTooBig | kFileMalformed | kNameTooLong)) {
        std::fprintf(stderr, "tanvex optimise: cannot read the design '%s' (%s.dzn)\n",
                     name.c_str(), name.c_str());
        return 2;
    }
    if (haveQ) setQValues(design, q[0], q[1], q[2]);

    analysis::ResultsTable table;
    analysis::SweepOptions options;
    analysis::NoDataServices data(toolkit);
    optimizer::OptimizerHost host;
    optimizer::Optimizer op(design, table, options, toolkit, data, host);
    op.fixedPoints = points;
    const double mult = design.notation.frequency.multiplier;
    for (std::size_t k = 0; k < segments.size(); ++k)
        op.segments[k] = {segments[k].first / mult, segments[k].second / mult};
    if (!op.begin(from, to)) return 1;
    op.job = job;
    op.setups[0].job = job;
    op.finalStage = stage;
    if (!op.refresh()) return 1;
    const int before = toolkit.notices;
    if (!op.startCommand(command)) {
        if (toolkit.notices == before)
            std::fprintf(stderr, "tanvex optimise: the command names no branch\n");
        return 1;
    }
    const char* unit = job == optimizer::kJobDelay ? design.notation.time.name.c_str() : "dB";
    const char* measure = job == optimizer::kJobReturnLoss ? "worst case" : "error";
    while (op.inProgress()) {
        const optimizer::ItemReport r = op.runNext();
        if (r.note == optimizer::ItemNote::kFailed) return 1;
        std::string branch = std::to_string(r.branch);
        if (r.partner > 0) branch += "/" + std::to_string(r.partner);
        if (r.partner < 0) branch += "&" + std::to_string(-r.partner);
        // Values in full precision: the design file keeps nine digits, the
        // line shows what the engine computed (a pair's product, say).
        std::string partner;
        if (r.partner)
            partner = formatText("  (%d: %.15g -> %.15g)", std::abs(r.partner), r.partnerBefore,
                                 r.partnerAfter);
        std::printf("branch %-7s %.15g -> %.15g%s  %s %.6g -> %.6g %s  stages %d%s%s\n",
                    branch.c_str(), r.valueBefore, r.valueAfter, partner.c_str(), measure,
                    shown(job, r.errorBefore, design), shown(job, r.errorAfter, design), unit,
                    r.stages, r.note == optimizer::ItemNote::kNone ? "" : "  ",
                    optimizer::noteText(r.note));
    }
    if (!op.refresh()) return 1;
    const std::vector<optimizer::PanelLine> panel = op.panel();
    for (const auto& line : panel)
        if (line.text.rfind("Error =", 0) == 0 || line.text.rfind("Worst case =", 0) == 0)
            std::printf("%s\n", line.text.c_str());

    const int w =
        writeNetworkFile(designFilePath(out, ".dzn"), design.entries, design.names, toolkit);
    if (w != 0) {
        std::fprintf(stderr, "tanvex optimise: cannot write %s.dzn\n", out.c_str());
        return 1;
    }
    return 0;
}
