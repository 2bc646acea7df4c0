// tanvex analyse: sweeps a saved design with the network analysis engine and
// prints the analysis table (or CSV in SI units).
#include "commands.h"
#include "sweep_args.h"

#include "analysis/analysis_constants.h"
#include "analysis/both_ends.h"
#include "analysis/sweep.h"
#include "design/design_file.h"
#include "design/text_io.h"
#include "outputs/analysis_table.h"
#include "ui/scripted_toolkit.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace tanvex;

namespace {

const char* const kUsage =
    "Usage: tanvex analyse NAME [options]\n"
    "\n"
    "Sweeps the design NAME (NAME.spk and NAME.dzn in the working directory) and\n"
    "prints the analysis table: frequency, return loss, attenuation, group delay,\n"
    "phase and the source-end impedance (or the impedance at a report tap).\n"
    "The design's saved sweep and component Q values are the defaults.\n"
    "Frequencies are given in the design's display unit (for example MHz).\n"
    "Data branches read their .frx / .fit files from the working directory.\n"
    "\n"
    "Options:\n";

const char* const kUsageTail =
    "  --csv               print CSV in SI units instead of the table:\n"
    "                      frequency_hz,return_loss_db,attenuation_db,\n"
    "                      group_delay_s,phase_deg,r_ohm,x_ohm\n"
    "  --help              this text\n"
    "\n"
    "At most 1000 points. Exit status: 0 done, 1 the analysis failed (its message\n"
    "is on standard error), 2 bad options or a design that cannot be read.\n";

const char* const kCsvHeader =
    "frequency_hz,return_loss_db,attenuation_db,group_delay_s,phase_deg,r_ohm,x_ohm\n";

// Rows per block of the CSV text, and the most one row can take: seven
// numbers of at most 32 characters, each with its separator.
constexpr int kBlockRows = 25;
constexpr std::size_t kRowRoom = 7 * 33;

char* csvRow(char* out, const analysis::PointValues& p) {
    const double values[7] = {p.frequency, p.returnLoss, p.attenuation, p.delay, p.phase, p.r, p.x};
    for (int i = 0; i < 7; ++i) {
        out = formatGeneral(out, values[i], 10);
        *out++ = i < 6 ? ',' : '\n';
    }
    return out;
}

// Writes the CSV rows, the numbers those of "%.10g". The blocks are
// formatted by this thread upwards from the front of one buffer and by a
// second thread downwards from its back (analysis/both_ends.h); the back part
// then moves up to the front part and the whole is written at once.
void writeCsvRows(const std::vector<analysis::PointValues>& points, std::FILE* out) {
    const int count = static_cast<int>(points.size());
    const int blocks = (count + kBlockRows - 1) / kBlockRows;
    const std::size_t room = static_cast<std::size_t>(count) * kRowRoom;
    std::unique_ptr<char[]> buffer(new char[room]);
    char* const end = buffer.get() + room;
    char* front = buffer.get();
    char* back = end;
    auto block = [&](int b, char* at) {
        const int last = std::min(count, (b + 1) * kBlockRows);
        for (int k = b * kBlockRows; k < last; ++k)
            at = csvRow(at, points[static_cast<std::size_t>(k)]);
        return at;
    };
    analysis::shareBothEnds(
        blocks, 1,
        [&](int b) {
            front = block(b, front);
            return true;
        },
        [&](int b) {
            char text[kBlockRows * kRowRoom];
            const std::size_t n = static_cast<std::size_t>(block(b, text) - text);
            back -= n;
            std::memcpy(back, text, n);
            return true;
        },
        count >= analysis::SweepEvaluator::kParallelMinPoints);
    const std::size_t backSize = static_cast<std::size_t>(end - back);
    std::memmove(front, back, backSize);
    std::fwrite(buffer.get(), 1, static_cast<std::size_t>(front - buffer.get()) + backSize, out);
}

} // namespace

int cmdAnalyse(int argc, char** argv) {
    std::string name;
    cli::SweepArgs args;
    bool csv = false;

    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            std::fputs(kUsage, stdout);
            std::fputs(cli::kSweepOptionsHelp, stdout);
            std::fputs(kUsageTail, stdout);
            return 0;
        } else if (!std::strcmp(a, "--csv")) {
            csv = true;
        } else if (const int r = cli::parseSweepOption("analyse", argc, argv, i, args)) {
            if (r == 2) return 2;
        } else if (a[0] == '-' && a[1] != '\0') {
            return cli::usageError("analyse", "unknown option", a);
        } else if (name.empty()) {
            name = a;
        } else {
            return cli::usageError("analyse", "only one design name may be given; also got", a);
        }
    }
    if (name.empty()) return cli::usageError("analyse", "no design name given");
    if (cli::checkSweepArgs("analyse", args)) return 2;

    ui::BatchToolkit toolkit;
    Design design;
    const int loaded = loadDesign(design, "", name, toolkit);
    if (loaded & (kDznFailed | kNetworkTooBig | kFileMalformed | kNameTooLong)) {
        std::fprintf(stderr, "tanvex analyse: cannot read the design '%s' (%s.dzn)\n", name.c_str(),
                     name.c_str());
        return 2;
    }
    cli::SweepResult result;
    if (cli::sweepDesign(design, args, toolkit, result) != 0) return 1;

    if (csv) {
        std::fwrite(kCsvHeader, 1, std::strlen(kCsvHeader), stdout);
        writeCsvRows(result.points, stdout);
        return 0;
    }
    for (const std::string& line :
         outputs::tableOf(design, result.table, result.fastDelay, result.points).lines())
        std::printf("%s\n", line.c_str());
    return 0;
}
