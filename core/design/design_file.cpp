#include "design/design_file.h"

#include "design/operations.h"
#include "design/paths.h"
#include "design/text_io.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace tanvex {

namespace {

const char* const kInstructionNames[11] = {"P",    "S",   "STORE",  "PSUB",   "SSUB", "PNET",
                                           "SNET", "D-Y", "RECALL", "------", "Y-D"};

constexpr std::size_t kShortLine = 18; // lines of this length or less are skipped
constexpr std::size_t kExtraTextAfter = 22;
constexpr std::size_t kNameColumn = 24;
constexpr std::size_t kSpecTextColumn = 34;
// The longest first line of the current layout (a 29-character text from
// column 34); only a longer one is the older layout, whose slot 1 letter
// stands at column 63 or later.
constexpr std::size_t kSpecLongLine = 63;

// Shows the notice for an unreadable file and returns whether it could be opened.
bool loadLines(const std::string& path, std::vector<std::string>& lines, ui::Toolkit& tk,
               int& result, int openBit) {
    ReadStatus st = readTextLines(resolveForReading(path), lines);
    if (st == ReadStatus::kCannotOpen) {
        tk.notice(formatText("Can't open: %s", path.c_str()));
        result |= openBit;
        return false;
    }
    if (st == ReadStatus::kTooLarge) {
        tk.notice(formatText("Not a design file (too large): %s", path.c_str()));
        result |= kFileMalformed;
        return false;
    }
    return true;
}

// A character that can stand in a one-character field of a text line.
char printable(char c, char fallback) {
    unsigned char u = static_cast<unsigned char>(c);
    return (u < ' ' || u > '~') ? fallback : c;
}

// Text as saved: cut at the first character below blank or above '}', and
// after 29 characters.
std::string savedText(const std::string& text) {
    std::size_t n = 0;
    while (n < text.size() && n < 29) {
        unsigned char u = static_cast<unsigned char>(text[n]);
        if (u < ' ' || u > '}') break;
        ++n;
    }
    return text.substr(0, n);
}

std::string trimRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    return s;
}

int firstCodeOne(const EntryList& list, int from, int to) {
    for (int i = from; i <= to && i < kEntrySlots; ++i)
        if (list[i].code == 1) return i;
    return -1;
}

} // namespace

// ---------------------------------------------------------------- network --

namespace {

int readNetworkImpl(const std::string& path, EntryList& list, ElementNameTable& names, int first,
                    ui::Toolkit& toolkit, bool& layoutData) {
    int result = 0;
    layoutData = false;
    std::vector<std::string> lines;
    if (!loadLines(path, lines, toolkit, result, kDznFailed)) return result;
    if (first < 0 || first >= kMaxLoadEntries) {
        toolkit.notice("Network is too big!");
        return kNetworkTooBig;
    }

    EntryList tmp = list;
    ElementNameTable tmpNames = names;
    int index = first;
    int terminator = -1;
    // Joining: a data branch slot of the joined design that the first design
    // already uses for another file moves to a free slot, so that neither
    // design's branches are pointed at the other's data.
    std::array<int, 10> slotMap;
    slotMap.fill(-1);
    std::array<bool, 10> slotTaken{};
    for (int i = 0; i < first; ++i) {
        const NetEntry& e = list[static_cast<std::size_t>(i)];
        if (e.code == 22 && e.value < 0.0 && e.letter >= '0' && e.letter <= '9')
            slotTaken[static_cast<std::size_t>(e.letter - '0')] = true;
    }
    auto joinedSlot = [&](int d, const std::string& name) {
        if (slotMap[static_cast<std::size_t>(d)] >= 0) return slotMap[static_cast<std::size_t>(d)];
        int chosen = d;
        if (slotTaken[static_cast<std::size_t>(d)] && names[static_cast<std::size_t>(d)] != name) {
            for (int f = 0; f < 10; ++f)
                if (!slotTaken[static_cast<std::size_t>(f)]) {
                    chosen = f;
                    break;
                }
            if (chosen == d)
                toolkit.notice(formatText("All ten data branch slots are in use: data branch slot "
                                          "%d now names %s for both designs!",
                                          d, name.c_str()));
        }
        slotMap[static_cast<std::size_t>(d)] = chosen;
        slotTaken[static_cast<std::size_t>(chosen)] = true;
        return chosen;
    };
    for (const std::string& line : lines) {
        if (line.size() <= kShortLine) continue;
        if (index >= kMaxLoadEntries) {
            toolkit.notice("Network is too big!");
            return kNetworkTooBig;
        }
        NetEntry e{numberAt(line, 0), charAt(line, 16), integerAt(line, 18)};
        if (first > 0 && e.code == 22 && e.value < 0.0 && e.letter >= '0' && e.letter <= '9') {
            const std::string name = line.size() > kExtraTextAfter && line.size() > kNameColumn
                                         ? trimRight(line.substr(kNameColumn, 29))
                                         : std::string();
            e.letter = static_cast<char>('0' + joinedSlot(e.letter - '0', name));
        }
        if (line.size() > kExtraTextAfter) {
            if (e.code == 22) {
                if (e.value < 0.0 && e.letter >= '0' && e.letter <= '9')
                    tmpNames[static_cast<std::size_t>(e.letter - '0')] =
                        trimRight(line.size() > kNameColumn ? line.substr(kNameColumn, 29) : "");
            } else if (e.code == 99) {
                std::size_t p = kExtraTextAfter;
                while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
                std::string name = trimRight(line.substr(p));
                for (int i = 0; i < 11; ++i)
                    if (std::strncmp(name.c_str(), kInstructionNames[i], 7) == 0) {
                        e.code = 90 + i;
                        break;
                    }
            } else {
                layoutData = true;
            }
        }
        tmp[static_cast<std::size_t>(index)] = e;
        if (e.letter == 'x') {
            terminator = index;
            break;
        }
        ++index;
    }

    if (terminator < 0) {
        toolkit.notice(
            formatText("Not a complete network file (no terminator line 'x'): %s", path.c_str()));
        return kFileMalformed;
    }
    int source = firstCodeOne(tmp, first + 1, terminator - 1);
    if (source < 0 || source != terminator - 1) {
        toolkit.notice(
            formatText("Not a valid network file (the source entry must precede the 'x' line): %s",
                       path.c_str()));
        return kFileMalformed;
    }
    for (int i = terminator + 1; i < kEntrySlots; ++i) tmp[static_cast<std::size_t>(i)] = {};
    list = tmp;
    names = tmpNames;
    return 0;
}

} // namespace

int readNetworkInto(const std::string& path, EntryList& list, ElementNameTable& names, int first,
                    ui::Toolkit& toolkit, bool quiet) {
    bool layoutData = false;
    int r = readNetworkImpl(path, list, names, first, toolkit, layoutData);
    if (r == 0 && layoutData && !quiet)
        toolkit.notice("KORVADEX data in the file will be lost if you save the design later");
    return r;
}

int readNetworkFile(const std::string& path, NetworkFile& net, ui::Toolkit& toolkit, bool quiet) {
    EntryList list{};
    ElementNameTable names{};
    bool layoutData = false;
    int r = readNetworkImpl(path, list, names, 0, toolkit, layoutData);
    if (r != 0) return r;
    net.entries = list;
    net.names = names;
    net.layoutData = layoutData;
    if (layoutData && !quiet)
        toolkit.notice("KORVADEX data in the file will be lost if you save the design later");
    return 0;
}

int writeNetworkFile(const std::string& path, EntryList& list, const ElementNameTable& names,
                     ui::Toolkit& toolkit) {
    int n = entryCount(list);
    if (n + 1 >= kEntrySlots) {
        toolkit.notice("Network has no source entry!");
        return kFileMalformed;
    }
    list[static_cast<std::size_t>(n + 1)].letter = 'x';
    AtomicTextFile f(path);
    for (int i = 0; i <= n + 1; ++i) {
        const NetEntry& e = list[static_cast<std::size_t>(i)];
        std::string line = formatText("%s %c %d", fixedE(e.value, 15, 8).c_str(),
                                      printable(e.letter, ' '), e.code);
        if (e.code == 22 && e.value < 0 && e.letter >= '0' && e.letter <= '9')
            line += "    " + savedText(names[static_cast<std::size_t>(e.letter - '0')]);
        f.line(line);
    }
    if (!f.commit()) {
        toolkit.notice(formatText("Can't open: %s", path.c_str()));
        return kDznFailed;
    }
    return 0;
}

// ------------------------------------------------------------ pole placer --

bool usesPolePlacerFile(const Design& design) {
    return design.record[kSlotDesignType].value == 23 || design.record[kSlotRefLowpass].value == 6;
}

namespace {

// The numbers of a line, separated by blanks (a field that is no number
// reads as 0, as the column reader does).
std::vector<double> numbersOf(const std::string& line) {
    std::vector<double> out;
    const char* p = line.c_str();
    while (*p) {
        while (*p == ' ' || *p == '\t') ++p;
        if (!*p) break;
        char* end = nullptr;
        double v = std::strtod(p, &end);
        if (end == p) {
            out.push_back(0);
            while (*p && *p != ' ' && *p != '\t') ++p;
        } else {
            out.push_back(v);
            p = end;
        }
    }
    return out;
}

// Counts above these are damage, not data.
constexpr int kMaxPpdRows = 10;
constexpr int kMaxPpdDegree = 200;

} // namespace

int readPolePlacerFile(const std::string& path, PolePlacerData& data, ui::Toolkit& toolkit) {
    int result = 0;
    std::vector<std::string> lines;
    if (!loadLines(path, lines, toolkit, result, kPpdFailed)) return result;
    auto malformed = [&]() {
        toolkit.notice(formatText("Pole placer data file is damaged: %s", path.c_str()));
        return kFileMalformed;
    };
    LineReader in(std::move(lines));
    PolePlacerData d;
    std::string line;
    if (!in.next(line)) return malformed();
    // The ten numbers, separated by blanks: counts of 10 and degrees above 9
    // are data too.
    std::vector<double> nums = numbersOf(line);
    if (nums.size() < 10) return malformed();
    for (std::size_t i = 0; i < 10; ++i) {
        double v = nums[i];
        if (v < 0 || v > kMaxPpdDegree || v != std::floor(v)) return malformed();
        d.numbers[i] = static_cast<int>(v);
    }
    int countA = d.numbers[1], countB = d.numbers[4] + 1, countC = d.numbers[5];
    if (countA > kMaxPpdRows || countC > kMaxPpdRows) return malformed();
    auto row = [&](std::size_t want, std::vector<double>& v) {
        if (!in.next(line)) return false;
        v = numbersOf(line);
        v.resize(want, 0.0);
        return true;
    };
    std::vector<double> v;
    for (int i = 0; i < countA; ++i) {
        if (!row(2, v)) return malformed();
        d.tableA.push_back({v[0], v[1]});
    }
    for (int i = 0; i < countB; ++i) {
        if (!row(3, v)) return malformed();
        d.tableB.push_back({v[0], v[1], v[2]});
    }
    for (int i = 0; i < countC; ++i) {
        if (!row(2, v)) return malformed();
        d.tableCIndex.push_back(wholeNumberOf(v[0]));
        d.tableC.push_back(v[1]);
    }
    if (in.next(line)) d.title = line;
    data = d;
    return 0;
}

int writePolePlacerFile(const std::string& path, const PolePlacerData& data, ui::Toolkit& toolkit) {
    PolePlacerData d = data;
    // Counts follow the tables actually held, so that the file reads back.
    d.numbers[1] = static_cast<int>(std::min<std::size_t>(d.tableA.size(), kMaxPpdRows));
    d.numbers[5] = static_cast<int>(std::min<std::size_t>(d.tableC.size(), kMaxPpdRows));
    d.tableCIndex.resize(d.tableC.size(), 0);
    if (d.tableB.empty()) d.tableB.push_back({0, 0, 0});
    d.numbers[4] = static_cast<int>(std::min<std::size_t>(d.tableB.size(), kMaxPpdDegree + 1)) - 1;
    for (int& n : d.numbers) n = std::clamp(n, 0, kMaxPpdDegree);
    AtomicTextFile f(path);
    std::string first;
    for (int n : d.numbers) first += formatText("%d ", n);
    f.line(first);
    for (int i = 0; i < d.numbers[1]; ++i)
        f.linef("%s %s", fixedE(d.tableA[static_cast<std::size_t>(i)][0], 15, 8).c_str(),
                fixedE(d.tableA[static_cast<std::size_t>(i)][1], 15, 8).c_str());
    for (int i = 0; i <= d.numbers[4]; ++i) {
        const auto& b = d.tableB[static_cast<std::size_t>(i)];
        f.linef("%s %s %s", fixedE(b[0], 23, 16).c_str(), fixedE(b[1], 23, 16).c_str(),
                fixedE(b[2], 23, 16).c_str());
    }
    for (int i = 0; i < d.numbers[5]; ++i)
        f.linef("%d %s", d.tableCIndex[static_cast<std::size_t>(i)],
                fixedE(d.tableC[static_cast<std::size_t>(i)], 23, 16).c_str());
    std::string title;
    for (char c : d.title) title += printable(c, ' ');
    f.line(title);
    if (!f.commit()) {
        toolkit.notice(formatText("Can't open: %s", path.c_str()));
        return kPpdFailed;
    }
    return 0;
}

// ---------------------------------------------------------- specification --

namespace {

// Positions of the eight plot display digits in slot 1's text.
constexpr int kDisplayDigitPos[8] = {0, 1, 2, 3, 4, 5, 6, 12};

void setTextChar(ParamSlot& slot, std::size_t pos, char c) {
    std::string s = slot.str();
    if (s.size() <= pos) {
        std::string def = kDefaultSettings;
        while (s.size() <= pos) s += s.size() < def.size() ? def[s.size()] : '0';
    }
    s[pos] = c;
    slot.setText(s);
}

std::string fiveValues(const double* v) {
    return formatText("%e,%e,%e,%e,%e", v[0], v[1], v[2], v[3], v[4]);
}

} // namespace

int writeSpecFile(const std::string& path, Design& design, bool defaultDesign,
                  ui::Toolkit& toolkit) {
    DesignRecord& rec = design.record;
    PlotFileSettings& plot = design.plot;

    // 1. Display digits, layout marker.
    for (int i = 0; i < 8; ++i) {
        int d = std::clamp(plot.displayDigits[static_cast<std::size_t>(i)], 0, 5);
        setTextChar(rec[kSlotSettings], static_cast<std::size_t>(kDisplayDigitPos[i]),
                    static_cast<char>('0' + d));
    }
    setTextChar(rec[kSlotSettings], 7, plot.thickLines ? '1' : '0');
    rec[kSlotSettings].letter = 'y';

    // 2. Marker and mask flags.
    rec[kSlotMarkers].letter = 'x';
    if (!defaultDesign) {
        if (std::any_of(plot.markers.begin(), plot.markers.end(), [](double v) { return v > 0; }))
            rec[kSlotMarkers].letter = '1';
        if (std::any_of(plot.maskLevels.begin(), plot.maskLevels.end(),
                        [](double v) { return v > 0; }))
            rec[kSlotMasks].letter = '1';
    }

    // 3. Associated file names.
    if (defaultDesign) {
        for (int i = 0; i < 8; ++i) rec[static_cast<std::size_t>(kSlotFirstFile + i)].setText("x");
    } else if (design.listEdited) {
        for (int i = 0; i < 8; ++i) {
            const std::string& n = design.fileList[static_cast<std::size_t>(i)];
            rec[static_cast<std::size_t>(kSlotFirstFile + i)].setText(n.empty() ? "x" : n);
        }
    }

    // 4. Caption areas.
    bool anyCaption = !defaultDesign && (plot.captionOn[0] || plot.captionOn[1]);
    rec[kSlotCaptions].letter = anyCaption ? '1' : 'x';
    for (int area = 0; area < 2; ++area) {
        bool on = !defaultDesign && plot.captionOn[static_cast<std::size_t>(area)];
        const std::string& text = plot.caption[static_cast<std::size_t>(area)];
        for (int piece = 0; piece < 3; ++piece) {
            ParamSlot& slot = rec[static_cast<std::size_t>(15 + 3 * area + piece)];
            std::size_t start = static_cast<std::size_t>(28 * piece);
            slot.setText(on ? (start < text.size() ? text.substr(start, 28) : "") : "x");
        }
    }

    // 5. Analysis settings.
    for (int i = 3; i < 6; ++i)
        design.analysis[static_cast<std::size_t>(i)] =
            normalizeQ(design.analysis[static_cast<std::size_t>(i)]);
    if (!defaultDesign)
        for (int i = 0; i < 3; ++i)
            rec[static_cast<std::size_t>(i)].value2 = design.analysis[static_cast<std::size_t>(i)];
    for (int i = 0; i < 3; ++i)
        rec[static_cast<std::size_t>(11 + i)].value2 =
            design.analysis[static_cast<std::size_t>(3 + i)];

    AtomicTextFile f(path);
    for (int i = 0; i < kSavedSlots; ++i) {
        const ParamSlot& s = rec[static_cast<std::size_t>(i)];
        char letter = printable(s.letter, i == 0 ? 'Y' : 'x');
        if (letter == ' ' && s.letter == 0) letter = i == 0 ? 'Y' : 'x';
        f.linef("%s %s %c %-s", fixedE(s.value, 15, 8).c_str(), fixedE(s.value2, 15, 8).c_str(),
                letter, savedText(s.str()).c_str());
    }
    if (rec[kSlotMarkers].letter == '1') {
        f.line(fiveValues(plot.markers.data()));
        f.line(fiveValues(plot.markers.data() + 5));
    }
    // As many pairs as the reader takes back: none for a one-character text,
    // else nine (the reader pads a short text to ten characters).
    if (rec[kSlotStubGen].text[0] == '1' && rec[kSlotStubGen].text[1] != 0)
        for (const StubPair& p : design.stubPairs)
            f.linef("%s %c", fixedE(p.value, 15, 8).c_str(), printable(p.letter, 'x'));
    if (rec[kSlotMasks].letter == '1') {
        f.line(fiveValues(plot.maskLevels.data()));
        f.line(fiveValues(plot.maskLevels.data() + 5));
        std::string sw;
        for (int i = 0; i < 10; ++i)
            sw += formatText(i ? ",%d" : "%d", plot.maskSwitches[static_cast<std::size_t>(i)]);
        f.line(sw);
    }
    if (!f.commit()) {
        toolkit.notice(formatText("Can't open: %s", path.c_str()));
        return kSpkFailed;
    }
    return 0;
}

int readSpecFile(const std::string& path, Design& design, bool defaultDesign,
                 ui::Toolkit& toolkit) {
    int result = 0;
    std::vector<std::string> lines;
    if (!loadLines(path, lines, toolkit, result, kSpkFailed)) return result;
    auto truncated = [&]() {
        toolkit.notice(formatText("Specification file is incomplete: %s", path.c_str()));
        return kFileMalformed;
    };

    LineReader in(std::move(lines));
    DesignRecord rec = design.record;
    PlotFileSettings plot = design.plot;
    std::array<StubPair, 9> stubs = design.stubPairs;
    AnalysisSettings analysis = design.analysis;
    bool olderLayout = false;
    std::string line;

    for (int i = 0; i < kSavedSlots; ++i) {
        if (!in.next(line)) return truncated();
        ParamSlot& s = rec[static_cast<std::size_t>(i)];
        s.value = numberAt(line, 0);
        s.value2 = numberAt(line, 16);
        s.letter = charAt(line, 32);
        if (i == 0 && line.size() > kSpecLongLine) {
            // Older layout: slots 0 and 1 share the first line.
            olderLayout = true;
            s.letter = 'Y';
            s.setText("---------------------");
            ParamSlot& s1 = rec[kSlotSettings];
            std::size_t p = 32;
            while (p < line.size() && static_cast<unsigned char>(line[p]) < '-') ++p;
            s1.value = numberAt(line, p);
            s1.value2 = numberAt(line, p + 15);
            s1.letter = charAt(line, p + 31);
            s1.setText(p + 33 < line.size() ? line.substr(p + 33, 29) : "");
            i = 1;
            continue;
        }
        s.setText(line.size() > kSpecTextColumn ? line.substr(kSpecTextColumn, 29) : "");
    }

    // Slot 1's display switch.
    char thick = rec[kSlotSettings].text[7];
    if (thick == '0' || thick == '1') plot.thickLines = thick == '1';

    // Marker block.
    if (rec[kSlotMarkers].letter == '1') {
        plot.markers.fill(0.0);
        for (int half = 0; half < 2; ++half) {
            if (!in.next(line)) return truncated();
            parseNumberFields(line, plot.markers.data() + 5 * half, 5);
        }
        plot.maskLevels.fill(0.0);
    }

    // Stub generator block.
    ParamSlot& stub = rec[kSlotStubGen];
    std::string st = stub.str();
    if (st.size() > 1 && st.size() != 10) {
        st.resize(10, '0');
        st[9] = '9';
        stub.setText(st);
        stubs[8] = StubPair{0.0, '9'};
    }
    if (!st.empty() && st[0] == '1') {
        std::size_t pairs = std::min<std::size_t>(st.size() - 1, 9);
        for (std::size_t k = 0; k < pairs; ++k) {
            if (!in.next(line)) return truncated();
            stubs[k] = StubPair{numberAt(line, 0), charAt(line, 16)};
        }
    }

    // Mask block.
    if (rec[kSlotMasks].letter == '1') {
        plot.maskLevels.fill(0.0);
        for (int half = 0; half < 2; ++half) {
            if (!in.next(line)) return truncated();
            parseNumberFields(line, plot.maskLevels.data() + 5 * half, 5);
        }
        plot.maskSwitches.fill(0);
        if (in.next(line)) {
            double sw[10] = {};
            parseNumberFields(line, sw, 10);
            for (int i = 0; i < 10; ++i) {
                plot.maskSwitches[static_cast<std::size_t>(i)] = wholeNumberOf(sw[i]);
            }
        }
    }

    // Older files keep the sweep in slots 8-10; a 0 start marks a default file.
    AnalysisSettings oldSweep{};
    bool oldSweepLayout = rec[kSlotSettings].letter == 'x';
    if (oldSweepLayout) {
        for (int i = 0; i < 3; ++i)
            oldSweep[static_cast<std::size_t>(i)] =
                numberAt(rec[static_cast<std::size_t>(8 + i)].str(), 0);
        if (oldSweep[0] == 0.0) defaultDesign = true;
    }

    // Caption areas.
    for (int area = 0; area < 2; ++area) {
        const ParamSlot* pieces = &rec[static_cast<std::size_t>(15 + 3 * area)];
        bool on = !defaultDesign && rec[kSlotCaptions].letter != 'x' && pieces[0].str() != "x";
        plot.captionOn[static_cast<std::size_t>(area)] = on;
        if (on)
            plot.caption[static_cast<std::size_t>(area)] =
                (pieces[0].str() + pieces[1].str() + pieces[2].str()).substr(0, 79);
    }

    // Analysis settings.
    for (int i = 0; i < 3; ++i)
        analysis[static_cast<std::size_t>(3 + i)] =
            normalizeQ(rec[static_cast<std::size_t>(11 + i)].value2);
    if (!defaultDesign) {
        if (oldSweepLayout) {
            for (int i = 0; i < 3; ++i) {
                analysis[static_cast<std::size_t>(i)] = oldSweep[static_cast<std::size_t>(i)];
                rec[static_cast<std::size_t>(8 + i)].setText("x");
            }
        } else {
            for (int i = 0; i < 3; ++i)
                analysis[static_cast<std::size_t>(i)] = rec[static_cast<std::size_t>(i)].value2;
        }
        analysis[6] = analysis[0];
    } else {
        for (int i = 0; i < 8; ++i) rec[static_cast<std::size_t>(kSlotFirstFile + i)].setText("x");
    }

    // Plot display digits.
    for (int i = 0; i < 8; ++i) {
        char c = rec[kSlotSettings].text[kDisplayDigitPos[i]];
        plot.displayDigits[static_cast<std::size_t>(i)] = (c >= '0' && c <= '5') ? c - '0' : 0;
    }

    // Everything read: take it over.
    for (int i = 0; i < kSavedSlots; ++i)
        design.record[static_cast<std::size_t>(i)] = rec[static_cast<std::size_t>(i)];
    design.plot = plot;
    design.stubPairs = stubs;
    design.analysis = analysis;
    if (olderLayout)
        toolkit.notice("To restore the parameters, go through the\nnew design menus to select "
                       "the design shown\non the parameters menu:\n Hints:\n Design: "
                       "_____<---\n Warnings:");
    return 0;
}

// --------------------------------------------------------------- transfer --

std::string designFilePath(const std::string& name, const std::string& ext) {
    if (isTemporaryName(name)) return joinPath(tempDirectory(), name + ext);
    return name + ext;
}

namespace {

void setDefaultSweep(Design& design) {
    if (design.analysis[6] != 0.0) return;
    double f =
        wholeNumberRound(referenceFrequency(design.entries) * design.notation.frequency.multiplier);
    design.analysis[0] = f * 0.5;
    design.analysis[1] = f * 2.0;
    design.analysis[6] = design.analysis[0];
}

// After an .spk transfer: saved, list not edited, stored notation re-applied.
void afterSpecTransfer(Design& design) {
    setSaved(design.record, true);
    design.listEdited = false;
    reapplyStoredNotation(design);
}

int joinDesign(Design& design, const std::string& path, int kind, ui::Toolkit& tk) {
    EntryList list = design.entries;
    ElementNameTable names = design.names;
    int n1 = entryCount(list);
    if (n1 + 1 >= kEntrySlots) {
        tk.notice("Network has no source entry!");
        return kFileMalformed;
    }
    double f1 = referenceFrequency(list);
    int t = n1 + 1; // the second design's termination
    int r = readNetworkInto(path, list, names, t, tk);
    if (r != 0) return r;
    int s2 = firstCodeOne(list, t + 1, kEntrySlots - 1);
    double f2 = list[static_cast<std::size_t>(s2 + 1)].value;
    if (f2 == 0.0) f2 = 1.0;
    list[static_cast<std::size_t>(s2 + 1)].value = std::sqrt(f1 * f2);
    int last = s2 + 1;

    double r1 = list[static_cast<std::size_t>(n1)].value; // first design's source
    double r2 = list[static_cast<std::size_t>(t)].value;  // second design's termination
    const std::string& unit = design.notation.impedance.name;
    if (kind == kTransferJoinSeries) {
        bool transformer = false;
        if (r1 > 0 && r2 > 0) {
            double ratio = r2 / r1;
            ratio = std::max(ratio, 1.0 / ratio);
            transformer = static_cast<float>(ratio) >= 1.005f;
        }
        if (transformer) {
            list[static_cast<std::size_t>(t)] = NetEntry{std::sqrt(r2 / r1), 'N', 24};
            removeEntryAt(list, n1, last);
            last -= 1;
        } else {
            removeEntryAt(list, t, last);
            removeEntryAt(list, n1, last - 1);
            last -= 2;
        }
        double source = list[static_cast<std::size_t>(last - 1)].value;
        std::string note = formatText("Note: Source Zo = %g %s", source, unit.c_str());
        tk.notice(transformer ? "Impedances at the junction are NOT equal and will be joined by "
                                "a transformer. " +
                                    note
                              : note);
    } else {
        removeEntryAt(list, n1, last);
        last -= 1;
        list[static_cast<std::size_t>(n1)].code = 8;
        double& source = list[static_cast<std::size_t>(last - 1)].value;
        tk.clearPrompt();
        tk.setPrompt(0, formatText("Termination Zo of new side port = %g %s", r2, unit.c_str()));
        tk.setPrompt(1,
                     formatText("    Note: Zo at common junction = %g %s", source, unit.c_str()));
        tk.setPrompt(2, " Specify correct junction Zo or (Cr) if OK? ", 14);
        tk.defaultAnswer.clear();
        tk.inputBox();
        // Only a usable impedance replaces the junction value.
        if (tk.numberResult > 0 && std::isfinite(tk.numberResult)) source = tk.numberResult;
    }
    design.entries = list;
    design.names = names;
    setDefaultSweep(design);
    return 0;
}

} // namespace

int transferDesign(Design& design, const std::string& name, char mode, int kind,
                   ui::Toolkit& toolkit) {
    if (nameTooLong(name)) {
        toolkit.notice("File name is too long!");
        return kNameTooLong;
    }
    std::string component = nameComponent(name);
    bool defaultDesign = isDefaultName(component);
    std::string spk = designFilePath(name, ".spk");
    std::string ppd = designFilePath(name, ".ppd");
    std::string dzn = designFilePath(name, ".dzn");
    int result = 0;

    if (mode == 'w') {
        if (kind != kTransferWhole && kind != kTransferNetwork) return kDznFailed;
        if (!defaultDesign && !isTemporaryName(name) && component.rfind("save", 0) != 0 &&
            fileExists(resolveForReading(dzn))) {
            toolkit.beep();
            if (toolkit.confirm("Warning", "File exists: Overwrite it ?") != 'Y')
                return kOverwriteRefused;
        }
        if (kind == kTransferWhole) {
            result |= writeSpecFile(spk, design, defaultDesign, toolkit);
            if (result == 0) afterSpecTransfer(design);
            if (usesPolePlacerFile(design))
                result |= writePolePlacerFile(ppd, design.placer, toolkit);
        }
        result |= writeNetworkFile(dzn, design.entries, design.names, toolkit);
        // A design counts as saved only when every file of it was written.
        if (kind == kTransferWhole && result != 0) setSaved(design.record, false);
        return result;
    }

    if (kind == kTransferJoinSeries || kind == kTransferJoinSidePort)
        return joinDesign(design, dzn, kind, toolkit);

    if (kind == kTransferWhole) {
        int r = readSpecFile(spk, design, defaultDesign, toolkit);
        result |= r;
        if (r == 0) afterSpecTransfer(design);
        if (usesPolePlacerFile(design)) result |= readPolePlacerFile(ppd, design.placer, toolkit);
    }
    int r = readNetworkInto(dzn, design.entries, design.names, 0, toolkit);
    result |= r;
    if (r == 0) setDefaultSweep(design);
    return result;
}

int loadDesign(Design& design, const std::string& dir, const std::string& name,
               ui::Toolkit& toolkit) {
    if (nameTooLong(name)) {
        toolkit.notice("File name is too long!");
        return kNameTooLong;
    }
    int r = transferDesign(design, joinPath(dir.empty() ? "." : dir, name), 'r', kTransferWhole,
                           toolkit);
    setDesignName(design, name);
    return r;
}

int loadDesignParameters(Design& design, const std::string& dir, const std::string& name,
                         ui::Toolkit& toolkit) {
    if (nameTooLong(name)) {
        toolkit.notice("File name is too long!");
        return kNameTooLong;
    }
    const std::string base = joinPath(dir.empty() ? "." : dir, name);
    int result = readSpecFile(base + ".spk", design, isDefaultName(nameComponent(name)), toolkit);
    if (result == 0) afterSpecTransfer(design);
    if (usesPolePlacerFile(design))
        result |= readPolePlacerFile(base + ".ppd", design.placer, toolkit);
    setDesignName(design, name);
    return result;
}

int saveDesign(Design& design, const std::string& dir, const std::string& name,
               ui::Toolkit& toolkit) {
    if (nameTooLong(name)) {
        toolkit.notice("File name is too long!");
        return kNameTooLong;
    }
    std::string base = joinPath(dir.empty() ? "." : dir, name);
    bool def = isDefaultName(name);
    int result = writeSpecFile(base + ".spk", design, def, toolkit);
    if (result == 0) afterSpecTransfer(design);
    if (usesPolePlacerFile(design))
        result |= writePolePlacerFile(base + ".ppd", design.placer, toolkit);
    result |= writeNetworkFile(base + ".dzn", design.entries, design.names, toolkit);
    if (result != 0) setSaved(design.record, false);
    return result;
}

} // namespace tanvex
