#include "analysis/data_files.h"

#include "analysis/sweep.h"
#include "design/file_dialogs.h"
#include "design/paths.h"
#include "design/text_io.h"

#include <cctype>
#include <cstdlib>

namespace tanvex::analysis {

namespace {

constexpr int kPromptBlue = 1;
constexpr int kPromptRed = 4;
constexpr const char* kResetHint = "Press [eXit] from analysis to reset.";

std::string trimmed(const std::string& s) {
    std::size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
    return s.substr(a, b - a);
}

bool isSign(char c) {
    return c == '-' || c == '+';
}

} // namespace

bool isDataBranch(const NetEntry& e) {
    return e.code == 22 && e.value < 0.0;
}

int readDataFields(const std::string& line, double* values, int maxValues) {
    int fields = 0;
    bool anyText = false;
    std::string field;
    auto finish = [&] {
        if (fields < maxValues) values[fields] = std::strtod(field.c_str(), nullptr);
        ++fields;
        field.clear();
    };
    for (char c : line) {
        if (c == ',') {
            finish();
            anyText = true;
            continue;
        }
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::isalpha(u) && c != 'e' && c != 'E') continue; // "j10", units
        if (std::isspace(u)) {
            // A blank after a sign ("- j10" once j is gone) would end the
            // number before its digits.
            if (!field.empty() && isSign(field.back())) continue;
            if (field.find_first_not_of(' ') == std::string::npos) continue;
        } else {
            anyText = true;
        }
        field += c;
    }
    if (!anyText) return 0;
    finish();
    return fields;
}

void interpolate(const std::vector<DataPoint>& pts, int count, int& p, double f, double& r,
                 double& x) {
    if (p < 2) p = 2;
    if (p > count) p = count;
    while (pts[static_cast<std::size_t>(p)].f < f && p < count) ++p;
    while (pts[static_cast<std::size_t>(p - 1)].f > f && p >= 3) --p;
    const DataPoint& hi = pts[static_cast<std::size_t>(p)];
    const DataPoint& lo = pts[static_cast<std::size_t>(p - 1)];
    const double t = (f - hi.f) / (lo.f - hi.f);
    r = hi.r + t * (lo.r - hi.r);
    x = hi.x + t * (lo.x - hi.x);
}

int smoothPoints(std::vector<DataPoint>& pts, int count, int k) {
    if (k < 1 || count - 2 * k < 2) return count;
    const int width = 2 * k + 1;
    for (int m = 1; m <= count - 2 * k; ++m) {
        double sr = 0.0, sx = 0.0;
        for (int j = m; j < m + width; ++j) {
            sr += pts[static_cast<std::size_t>(j)].r;
            sx += pts[static_cast<std::size_t>(j)].x;
        }
        // Point m + k is not yet overwritten: only points below m + 1 are.
        const double f = pts[static_cast<std::size_t>(m + k)].f;
        pts[static_cast<std::size_t>(m)] = {f, sr / width, sx / width};
    }
    return count - 2 * k;
}

DataFileServices::DataFileServices(Design& design, ui::Toolkit& toolkit)
    : design_(design), toolkit_(toolkit) {}

std::string DataFileServices::pathOf(const std::string& file) const {
    return joinPath(directory, file);
}

void DataFileServices::resetImpedance() {
    for (DataSlot& s : slots_) s.loaded = false;
}

void DataFileServices::reset() {
    table_ = EqualizerTable{};
    resetImpedance();
}

int DataFileServices::assignSlot(int entryIndex) {
    const int n = entryCount(design_.entries);
    std::array<bool, kDataSlots> used{};
    for (int i = 1; i < n; ++i) {
        const NetEntry& e = design_.entries[static_cast<std::size_t>(i)];
        if (isDataBranch(e) && e.letter >= '0' && e.letter <= '9')
            used[static_cast<std::size_t>(e.letter - '0')] = true;
    }
    int chosen = -1;
    for (int s = 0; s < kDataSlots; ++s) {
        if (used[static_cast<std::size_t>(s)]) continue;
        slots_[static_cast<std::size_t>(s)].loaded = false;
        if (chosen < 0) chosen = s;
    }
    if (chosen < 0) {
        // Sharing slot 9 would serve this branch from another branch's file.
        toolkit_.notice("All data branches used");
        toolkit_.notice(formatText("Data branch %d has no free data slot: a design holds at "
                                   "most ten data branches.",
                                   entryIndex));
        return -1;
    }
    if (chosen == kDataSlots - 1) toolkit_.notice("All data branches used");
    design_.entries[static_cast<std::size_t>(entryIndex)].letter = static_cast<char>('0' + chosen);
    design_.names[static_cast<std::size_t>(chosen)] =
        std::string(design_.record[14].text).substr(0, kMaxNameComponent);
    return chosen;
}

bool DataFileServices::readPoints(DataSlot& s, const std::vector<std::string>& lines,
                                  const std::string& file, int entryIndex) {
    const double fm = design_.notation.frequency.multiplier;
    if (s.points.empty()) {
        s.points.resize(kMaxDataPoints + 1);
        s.slope.resize(kMaxDataPoints + 1);
    }
    int count = 0, skipped = 0;
    bool more = false;
    for (const std::string& line : lines) {
        double v[3];
        if (readDataFields(line, v, 3) != 3) continue;
        if (count == kMaxDataPoints) {
            more = true;
            break;
        }
        const double f = v[0] / fm;
        if (count > 0 && !(f > s.points[static_cast<std::size_t>(count)].f)) {
            ++skipped;
            continue;
        }
        s.points[static_cast<std::size_t>(++count)] = {f, v[1], v[2]};
    }
    if (skipped > 0)
        toolkit_.notice(formatText("%s: %d point%s skipped, the frequencies must ascend.",
                                   file.c_str(), skipped, skipped == 1 ? "" : "s"));
    if (more)
        toolkit_.notice(
            formatText("%s: only the first %d points are read.", file.c_str(), kMaxDataPoints));
    if (count < 2) {
        toolkit_.notice(formatText("%s holds fewer than two points.", file.c_str()));
        return false;
    }
    if (count > kSmoothingOfferedAbove) {
        toolkit_.setPrompt(0, formatText("  Smoothing factor branch %d  ", entryIndex),
                           kPromptBlue);
        toolkit_.setPrompt(1, "      [0] equals none.", kPromptBlue);
        const char c = toolkit_.keyBox("012345678");
        if (c >= '1' && c <= '8') count = smoothPoints(s.points, count, c - '0');
    }
    s.count = count;
    s.fit = false;
    return true;
}

bool DataFileServices::readFit(DataSlot& s, const std::vector<std::string>& lines,
                               const std::string& file) {
    int terms = 0;
    s.a.fill(0.0);
    s.b.fill(0.0);
    for (const std::string& line : lines) {
        double v[2];
        if (readDataFields(line, v, 2) != 2) continue;
        if (terms == kMaxFitTerms) break;
        s.a[static_cast<std::size_t>(terms)] = v[0];
        s.b[static_cast<std::size_t>(terms)] = v[1];
        ++terms;
    }
    if (terms == 0) {
        toolkit_.notice(formatText("%s holds no coefficients.", file.c_str()));
        return false;
    }
    s.count = terms - 1;
    s.fit = true;
    return true;
}

DataAnswer DataFileServices::loadSlot(int slot, int entryIndex, bool fit) {
    DataSlot& s = slots_[static_cast<std::size_t>(slot)];
    std::string& name = design_.names[static_cast<std::size_t>(slot)];
    toolkit_.setPrompt(
        0, fit ? "  File containing R, jX coefficients" : "   File containing F, R, jX data",
        kPromptBlue);
    toolkit_.setPrompt(1, "  [    ] [OK] for list of files.", kPromptBlue);
    toolkit_.setPrompt(2, kResetHint, kPromptRed);
    toolkit_.setPrompt(
        3, formatText("File name for branch %d (__%s assumed)", entryIndex, fit ? ".FIT" : ".FRX"));
    toolkit_.defaultAnswer = name;
    toolkit_.inputBox();
    if (toolkit_.inputEscaped) return DataAnswer::kUnavailable;
    const std::string answer = trimmed(toolkit_.textResult).substr(0, kMaxNameComponent);
    name = answer;
    const std::string ext = fit ? ".fit" : ".frx";
    const std::string file = answer + ext;
    if ((answer.empty() || answer[0] == '.') && chooseFile && !stopOnMissingFile) {
        const std::string chosen = chooseFile(fit ? kOpenCurveFit : kOpenImpedanceData);
        if (!chosen.empty()) name = nameWithoutDirectoryAndExtension(chosen);
        return DataAnswer::kNotReady;
    }
    const std::string path = resolveForReading(pathOf(file));
    std::vector<std::string> lines;
    if (readTextLines(path, lines) != ReadStatus::kOk) {
        toolkit_.notice(formatText("Can't open: %s", file.c_str()));
        return stopOnMissingFile ? DataAnswer::kUnavailable : DataAnswer::kNotReady;
    }
    // An unusable file (a notice said why) is asked for again, like a
    // missing one.
    if (!(fit ? readFit(s, lines, file) : readPoints(s, lines, file, entryIndex)))
        return stopOnMissingFile ? DataAnswer::kUnavailable : DataAnswer::kNotReady;
    if (!s.fit)
        for (int p = 2; p <= s.count; ++p) {
            const DataPoint& hi = s.points[static_cast<std::size_t>(p)];
            const DataPoint& lo = s.points[static_cast<std::size_t>(p - 1)];
            const double df = lo.f - hi.f;
            s.slope[static_cast<std::size_t>(p)] = {0.0, (lo.r - hi.r) / df, (lo.x - hi.x) / df};
        }
    s.loaded = true;
    s.search = 2;
    s.nameRead = name;
    return DataAnswer::kReady;
}

DataAnswer DataFileServices::dataImpedance(double fHz, int entryIndex, double& r, double& x) {
    r = 0.0;
    x = 0.0;
    if (entryIndex < 1 || entryIndex >= kEntrySlots) return DataAnswer::kUnavailable;
    const NetEntry& e = design_.entries[static_cast<std::size_t>(entryIndex)];
    const bool fit = e.value == kFitBranchValue;
    int slot = e.letter >= '0' && e.letter <= '9' ? e.letter - '0' : assignSlot(entryIndex);
    if (slot < 0) return DataAnswer::kUnavailable;
    DataSlot& s = slots_[static_cast<std::size_t>(slot)];
    // A slot read as points and now asked for a fit (or the other way) is
    // read again from the other file.
    if (s.loaded && s.fit != fit) s.loaded = false;
    if (!s.loaded) {
        const DataAnswer a = loadSlot(slot, entryIndex, fit);
        if (a != DataAnswer::kReady) return a;
    }
    if (s.fit) {
        const double xf = fHz * design_.notation.frequency.multiplier;
        for (int i = s.count; i >= 0; --i) {
            r = r * xf + s.a[static_cast<std::size_t>(i)];
            x = x * xf + s.b[static_cast<std::size_t>(i)];
        }
    } else {
        // The search of interpolate(), with the segment slopes read back.
        int p = s.search;
        const DataPoint* pts = s.points.data();
        while (pts[p].f < fHz && p < s.count) ++p;
        while (pts[p - 1].f > fHz && p >= 3) --p;
        s.search = p;
        const DataPoint& hi = pts[p];
        const DataPoint& k = s.slope[static_cast<std::size_t>(p)];
        r = hi.r + (fHz - hi.f) * k.r;
        x = hi.x + (fHz - hi.f) * k.x;
    }
    // A design with other file names was read: this answer still comes from
    // the table in hand, the next request reads the files again.
    if (design_.names[static_cast<std::size_t>(slot)] != s.nameRead) resetImpedance();
    return DataAnswer::kReady;
}

bool DataFileServices::loadTable() {
    table_ = EqualizerTable{};
    toolkit_.setPrompt(0, "File containing data to equalize", kPromptRed);
    toolkit_.setPrompt(1, kResetHint);
    toolkit_.setPrompt(2, "File name (.eqd assumed)");
    toolkit_.defaultAnswer = eqdName_.empty() ? "kbd_data" : eqdName_;
    toolkit_.inputBox();
    if (toolkit_.inputEscaped) return false;
    eqdName_ = trimmed(toolkit_.textResult).substr(0, kMaxNameComponent);
    const std::string file = eqdName_ + ".eqd";
    std::vector<std::string> lines;
    if (readTextLines(resolveForReading(pathOf(file)), lines) != ReadStatus::kOk) {
        toolkit_.notice(formatText("Can't open: %s", file.c_str()));
        return false;
    }
    const double fm = design_.notation.frequency.multiplier;
    std::vector<DataPoint> pts(1);
    int skipped = 0;
    bool more = false;
    for (const std::string& line : lines) {
        double v[2];
        if (readDataFields(line, v, 2) != 2) continue;
        if (static_cast<int>(pts.size()) - 1 == kMaxEqualizerPoints) {
            more = true;
            break;
        }
        const double f = v[0] / fm;
        if (pts.size() > 1 && !(f > pts.back().f)) {
            ++skipped;
            continue;
        }
        pts.push_back({f, v[1], 0.0});
    }
    if (skipped > 0)
        toolkit_.notice(formatText("%s: %d point%s skipped, the frequencies must ascend.",
                                   file.c_str(), skipped, skipped == 1 ? "" : "s"));
    if (more)
        toolkit_.notice(formatText("%s: only the first %d points are read.", file.c_str(),
                                   kMaxEqualizerPoints));
    const int count = static_cast<int>(pts.size()) - 1;
    if (count < 2) {
        toolkit_.notice(formatText("%s holds fewer than two points.", file.c_str()));
        return false;
    }
    table_.points = std::move(pts);
    table_.count = count;
    table_.first = table_.points[1].f;
    table_.last = table_.points[static_cast<std::size_t>(count)].f;
    table_.search = 2;
    table_.held = true;
    return true;
}

double DataFileServices::tableValue(double fHz) {
    if (fHz < table_.first - margin || fHz > table_.last + margin) return 0.0;
    double v = 0.0, unused = 0.0;
    interpolate(table_.points, table_.count, table_.search, fHz, v, unused);
    return v;
}

int DataFileServices::save(bool delay) {
    const std::string path = pathOf(kKeyboardDataFile);
    AtomicTextFile f(path);
    const Notation& n = design_.notation;
    f.linef("%s %s", trimmed(n.frequency.name).c_str(),
            delay ? trimmed(n.time.name).c_str() : "dB");
    const int points = results ? results->pointCount() : 0;
    for (int k = 1; k <= points; ++k) {
        const double fr = results->records[static_cast<std::size_t>(k)][kFieldFrequency];
        f.linef("%g,%g", fr * n.frequency.multiplier, equalizerValue ? equalizerValue(k) : 0.0);
    }
    if (!f.commit()) {
        toolkit_.notice(formatText("Can't open: %s", kKeyboardDataFile));
        return -1;
    }
    toolkit_.notice("Data saved in file: KBD_DATA.EQD");
    if (points > kMaxEqualizerPoints)
        toolkit_.notice(formatText("KBD_DATA.EQD holds %d points; only the first %d are read "
                                   "back as equalizer data.",
                                   points, kMaxEqualizerPoints));
    return 0;
}

double DataFileServices::value(double fHz, int kind) {
    double v = 0.0;
    if (dataValue(fHz, kind, v) != DataAnswer::kReady) return -1.0;
    return v;
}

DataAnswer DataFileServices::dataValue(double fHz, int kind, double& value) {
    value = 0.0;
    switch (kind) {
    case kResetData:
        reset();
        return DataAnswer::kReady;
    case kSaveAmplitude:
    case kSaveDelay:
        return save(kind == kSaveDelay) == 0 ? DataAnswer::kReady : DataAnswer::kUnavailable;
    case kLoadForEqualizer:
        if (!loadTable()) return DataAnswer::kUnavailable;
        equalizerFirst = table_.first;
        equalizerLast = table_.last;
        return DataAnswer::kReady;
    case kLoadAndValue:
        if (!loadTable()) return DataAnswer::kUnavailable;
        value = tableValue(fHz);
        return DataAnswer::kReady;
    case kValueAt:
        // A failed load holds no table: the analysis stops, and the next
        // request asks for the file again.
        if (!table_.held && !loadTable()) return DataAnswer::kUnavailable;
        value = tableValue(fHz);
        return DataAnswer::kReady;
    default:
        return DataAnswer::kUnavailable;
    }
}

} // namespace tanvex::analysis
