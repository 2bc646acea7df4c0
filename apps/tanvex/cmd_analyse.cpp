// tanvex analyse: sweeps a saved design with the network analysis engine and
// prints the analysis table (or CSV in SI units).
#include "commands.h"
#include "sweep_args.h"

#include "analysis/analysis_constants.h"
#include "analysis/sweep.h"
#include "design/design_file.h"
#include "design/text_io.h"
#include "outputs/analysis_table.h"
#include "ui/scripted_toolkit.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
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

// A CSV row is seven numbers of "%.10g", each at most 17 characters (a
// sign, ten digits, the point and an exponent such as e-308) and its
// separator; formatGeneral wants room for 32 after the number it writes.
constexpr std::size_t kRowMost = 7 * 18;
constexpr std::size_t kRowRoom = 6 * 18 + 32;

char* csvRow(char* out, const analysis::PointValues& p) {
    const double values[7] = {p.frequency, p.returnLoss, p.attenuation, p.delay, p.phase, p.r, p.x};
    for (int i = 0; i < 7; ++i) {
        out = formatGeneral(out, values[i], 10);
        *out++ = i < 6 ? ',' : '\n';
    }
    return out;
}

// The CSV rows, the numbers those of "%.10g", formatted as the sweep reports
// the points: those of this thread upwards from the front of one buffer,
// those of the sweep's second thread (from the last point downwards) from its
// back; the two parts are written one after the other.
class CsvRows : public analysis::SweepObserver {
public:
    CsvRows()
        : buffer_(new char[kRoom]), front_(buffer_.get()), back_(buffer_.get() + kRoom),
          owner_(std::this_thread::get_id()) {}
    bool concurrent() const override { return true; }
    void point(int, const analysis::PointValues& v, const analysis::NetworkInterpreter&) override {
        char text[kRowRoom];
        const std::size_t n = static_cast<std::size_t>(csvRow(text, v) - text);
        if (std::this_thread::get_id() == owner_) {
            std::memcpy(front_, text, n);
            front_ += n;
        } else {
            back_ -= n;
            std::memcpy(back_, text, n);
        }
    }
    void write(std::FILE* out) {
        std::fwrite(buffer_.get(), 1, static_cast<std::size_t>(front_ - buffer_.get()), out);
        std::fwrite(back_, 1, static_cast<std::size_t>(buffer_.get() + kRoom - back_), out);
    }

private:
    // Room for the longest sweep (below the size that the allocator would
    // map on its own); only the pages written are ever touched.
    static constexpr std::size_t kRoom = analysis::kMaxSweepPoints * kRowMost;
    // The two threads' ends on cache lines of their own: a line written by
    // one thread and read by the other would move between the processors
    // at every row.
    std::unique_ptr<char[]> buffer_;
    alignas(64) char* front_;
    alignas(64) char* back_;
    alignas(64) const std::thread::id owner_;
};

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
    if (csv) {
        CsvRows rows;
        if (cli::sweepDesign(design, args, toolkit, result, &rows) != 0) return 1;
        std::fwrite(kCsvHeader, 1, std::strlen(kCsvHeader), stdout);
        rows.write(stdout);
        return 0;
    }
    if (cli::sweepDesign(design, args, toolkit, result) != 0) return 1;
    for (const std::string& line :
         outputs::tableOf(design, result.table, result.fastDelay, result.points).lines())
        std::printf("%s\n", line.c_str());
    return 0;
}
