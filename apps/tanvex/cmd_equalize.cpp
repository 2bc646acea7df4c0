// tanvex equalize: designs a delay or amplitude equalizer for a saved design
// (or for .eqd data) without a window and writes the design with the
// sections appended.
#include "commands.h"
#include "sweep_args.h"

#include "analysis/data_files.h"
#include "design/design_file.h"
#include "design/operations.h"
#include "design/text_io.h"
#include "equalizer/equalizer.h"
#include "ui/scripted_toolkit.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

using namespace tanvex;

namespace {

const char* const kUsage =
    "Usage: tanvex equalize NAME --delay|--amplitude --from F --to F\n"
    "                       [--sections N | --ripple R] [--data FILE.eqd] [--out NAME2]\n"
    "       (also: tanvex equalise ...)\n"
    "\n"
    "Flattens the group delay (--delay) or the attenuation (--amplitude) of the\n"
    "design NAME (NAME.spk and NAME.dzn in the working directory) over the band\n"
    "--from .. --to (in the design's display frequency unit) with\n"
    "constant-resistance bridged-T sections: second-order (and first-order)\n"
    "all-pass sections for delay, loss-bump sections for amplitude. Sections are\n"
    "added one at a time and all of them refined together to make the\n"
    "peak-to-peak spread of design + equalizer as small as possible; they are\n"
    "cascaded at the source end with the design's end resistance.\n"
    "\n"
    "Options:\n"
    "  --sections N      add N sections (1..12; default 4)\n"
    "  --ripple R        add sections until the spread is at most R (in the\n"
    "                    design's time unit for delay, dB for amplitude)\n"
    "  --data FILE.eqd   equalize these delay or amplitude data instead of the\n"
    "                    design's response (band: the file's range unless given)\n"
    "  --end source|load where the sections go (default source)\n"
    "  --points N        points of the fitting grid (5..400, default 51)\n"
    "  --save-data       also save the equalizer's response as kbd_data.eqd\n"
    "  --out NAME2       write the design as NAME2 instead of replacing NAME\n"
    "  --help            this text\n"
    "\n"
    "Prints the spread before and after, one line per section and the time the\n"
    "fit took. The design files are written to temporary names and renamed.\n"
    "Exit status: 0 done, 1 refused (message on standard error, nothing\n"
    "written), 2 bad options or a design that cannot be read.\n";

int usageError(const char* what, const char* arg = nullptr) {
    return cli::usageError("equalize", what, arg);
}

// Answers the equalizer data prompt with the file named on the command line.
struct ConsoleToolkit : ui::BatchToolkit {
    std::string dataName;
    void inputBox() override {
        if (!dataName.empty()) {
            textResult = dataName;
            inputEscaped = false;
            dataName.clear();
            return;
        }
        ui::BatchToolkit::inputBox();
    }
};

} // namespace

int cmdEqualize(int argc, char** argv) {
    std::string name, out, dataFile;
    int mode = -1; // 0 delay, 1 amplitude
    bool haveFrom = false, haveTo = false, haveSections = false, haveRipple = false;
    bool saveData = false, sourceEnd = true;
    double from = 0.0, to = 0.0, ripple = 0.0, x = 0.0;
    int sections = 4, points = equalizer::kDefaultGridPoints;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (!std::strcmp(a, "--delay") || !std::strcmp(a, "--amplitude")) {
            const int m = a[2] == 'd' ? 0 : 1;
            if (mode >= 0 && mode != m) return usageError("give --delay or --amplitude, not both");
            mode = m;
        } else if (!std::strcmp(a, "--from")) {
            if (!cli::parseNumber(value(), from)) return usageError("--from needs a number");
            haveFrom = true;
        } else if (!std::strcmp(a, "--to")) {
            if (!cli::parseNumber(value(), to)) return usageError("--to needs a number");
            haveTo = true;
        } else if (!std::strcmp(a, "--sections")) {
            if (!cli::parseNumber(value(), x) || x < 1 || x > equalizer::kMaxSections ||
                x != static_cast<int>(x))
                return usageError("--sections needs a whole number from 1 to 12");
            sections = static_cast<int>(x);
            haveSections = true;
        } else if (!std::strcmp(a, "--ripple")) {
            if (!cli::parseNumber(value(), ripple) || !(ripple > 0.0))
                return usageError("--ripple needs a number above 0");
            haveRipple = true;
        } else if (!std::strcmp(a, "--points")) {
            if (!cli::parseNumber(value(), x) || x < equalizer::kMinGridPoints ||
                x > equalizer::kMaxGridPoints || x != static_cast<int>(x))
                return usageError("--points needs a whole number from 5 to 400");
            points = static_cast<int>(x);
        } else if (!std::strcmp(a, "--data")) {
            const char* d = value();
            if (!d || !*d) return usageError("--data needs a file name");
            dataFile = d;
        } else if (!std::strcmp(a, "--end")) {
            const char* e = value();
            if (!e || (std::strcmp(e, "source") && std::strcmp(e, "load")))
                return usageError("--end must be source or load");
            sourceEnd = !std::strcmp(e, "source");
        } else if (!std::strcmp(a, "--save-data")) {
            saveData = true;
        } else if (!std::strcmp(a, "--out")) {
            const char* o = value();
            if (!o || !*o) return usageError("--out needs a design name");
            out = o;
        } else if (a[0] == '-' && a[1] == '-') {
            return usageError("unknown option", a);
        } else if (name.empty()) {
            name = a;
        } else {
            return usageError("unexpected argument", a);
        }
    }
    if (name.empty()) return usageError("no design name given");
    if (mode < 0) return usageError("--delay or --amplitude is required");
    if (haveSections && haveRipple) return usageError("give --sections or --ripple, not both");
    if (haveFrom != haveTo) return usageError("--from and --to go together");
    if (!haveFrom && dataFile.empty()) return usageError("--from and --to are required");
    if (haveFrom && !(from > 0.0 && to > from))
        return usageError("--from and --to need 0 < from < to");
    if (out.empty()) out = name;

    ConsoleToolkit toolkit;
    auto design = std::make_unique<Design>();
    const int loaded = loadDesign(*design, "", name, toolkit);
    if (loaded & (kDznFailed | kNetworkTooBig | kFileMalformed | kNameTooLong)) {
        std::fprintf(stderr, "tanvex equalize: cannot read the design '%s' (%s.dzn)\n",
                     name.c_str(), name.c_str());
        return 2;
    }
    analysis::DataFileServices data(*design, toolkit);
    data.stopOnMissingFile = true;
    equalizer::Job job;
    job.mode = mode == 0 ? equalizer::Mode::kDelay : equalizer::Mode::kAmplitude;
    const double mult = design->notation.frequency.multiplier;
    job.from = haveFrom ? from / mult : 0.0;
    job.to = haveFrom ? to / mult : 0.0;
    job.points = points;
    job.sections = haveRipple ? 0 : sections;
    const double unit =
        job.mode == equalizer::Mode::kDelay ? design->notation.time.multiplier : 1.0;
    job.ripple = ripple / unit;
    job.sourceEnd = sourceEnd;
    if (!dataFile.empty()) {
        std::filesystem::path p(dataFile);
        if (p.extension() == ".eqd" || p.extension() == ".EQD") p.replace_extension();
        data.directory = p.parent_path().string();
        toolkit.dataName = p.filename().string();
        job.fromData = true;
    }

    equalizer::Equalizer eq(*design, toolkit, &data);
    const auto start = std::chrono::steady_clock::now();
    if (!eq.takeTarget(job) || !eq.fit()) return 1;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::string u = job.mode == equalizer::Mode::kDelay
                              ? equalizer::trimmedUnit(design->notation.time.name)
                              : "dB";
    std::printf("band %.6g .. %.6g %s, %d points, sections at %g ohms (%s end)\n",
                eq.job().from * mult, eq.job().to * mult,
                equalizer::trimmedUnit(design->notation.frequency.name).c_str(), eq.points(),
                eq.impedance(), sourceEnd ? "source" : "load");
    std::printf("peak-to-peak before  %.6g %s\n", eq.report().rippleBefore * unit, u.c_str());
    for (std::size_t k = 0; k < eq.sections().size(); ++k)
        std::printf(
            "section %zu  %s   spread %.6g %s\n", k + 1, eq.describe(eq.sections()[k]).c_str(),
            k < eq.report().stepRipple.size() ? eq.report().stepRipple[k] * unit : 0.0, u.c_str());
    std::printf("peak-to-peak after   %.6g %s  (%d sweeps, %.3f s)\n",
                eq.report().rippleAfter * unit, u.c_str(), eq.report().sweeps, seconds);
    if (eq.report().stalled)
        std::printf("Note: a further section would not lower the spread; %zu added\n",
                    eq.sections().size());
    if (haveRipple && !eq.report().reachedRipple)
        std::printf("Note: the ripple of %g %s was not reached\n", ripple, u.c_str());
    if (eq.sections().empty()) {
        std::printf("The response is already within the ripple: no sections added\n");
    } else if (eq.append(*design) < 0) {
        return 1;
    }
    if (saveData) {
        data.directory.clear(); // kbd_data.eqd goes to the working directory
        if (eq.saveData() != 0) return 1;
    }
    // The whole design, so that NAME2 is a design of its own.
    if (saveDesign(*design, "", out, toolkit) != 0) {
        std::fprintf(stderr, "tanvex equalize: cannot write %s\n", out.c_str());
        return 1;
    }
    return 0;
}
