#include "synthesis/catalogue.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace tanvex::synthesis {

namespace {

const char* const kLumpedMask = "-____--1--11-___-----";
const char* const kDirectMask = "-____11111-1-___-----";
const char* const kNarrowMask = "-____11111-11___-----";
const char* const kEllipticBpMask = "-111111111-1-1-------";
const char* const kForcedMask = "-____11111-1-__------";
const char* const kEqualizerMask = "-------1-------------";
const char* const kInterdigitalMask = "1____1111--1-___-111-";

const DesignTypeInfo kTypes[kDesignTypes] = {
    {1, "L-C Lowpass", 121, -1, kLumpedMask},
    {2, "Highpass", 124, -1, kLumpedMask},
    {3, "Basic direct scaled bandpass", 106, -1, kDirectMask},
    {4, "Narrow band bandpass", 109, -1, kNarrowMask},
    {5, "Wide band linear phase", 113, 0, "-1---11111-1---------"},
    {6, "Elliptic Zig-Zag bandpass", 114, 4, kEllipticBpMask},
    {7, "Basic direct scaled notch", 125, -1, "-____111---1-___-----"},
    {8, "Narrow band notch", 126, -1, "-____111---1-___--1--"},
    {9, "Forced shunt direct scaled", 107, -1, kForcedMask},
    {10, "Min. component direct scaled", 108, -1, kForcedMask},
    {11, "Narrow band bp. (Pi coupling)", 110, -1, kNarrowMask},
    {12, "All-pass delay equalizer", 129, 0, kEqualizerMask},
    {13, "Amplitude equalizer", 130, 0, kEqualizerMask},
    {14, "5 Resonator Elliptic", 112, 4, kEllipticBpMask},
    {15, "Resistor pad", 131, 0, "----1---11-1---------"},
    {16, "Combline bandpass", 116, -1, "1____1111--1-___-11--"},
    {17, "Coaxial (tubular)", 111, 1, "-111-11111-----------"},
    {18, "OCTL Interdigital", 117, -1, "1____1111----___-111-"},
    {19, "Wideband direct connected", 119, -1, "-____11-1--1-___-----"},
    {20, "SCTL Interdigital", 118, -1, kInterdigitalMask},
    {21, "Cap. coupled stub notch", 127, -1, "-____1111----___-----"},
    {22, "General TEM Stub notch", 128, -1, "-____111---1-___-----"},
    {23, "Conventional pole placer", 115, 0, "--1--11111---1-------"},
    {24, "Dielectric resonator", 120, -1, "1____11111--1___-1--1"},
    {25, "Coaxial Lowpass - Coil L", 122, -1, kLumpedMask},
    {26, "Coaxial Lowpass - Rod L", 123, -1, kLumpedMask},
};

const char* const kRefNames[8] = {"",
                                  "All pole",
                                  "External G val.",
                                  "External k and q val.",
                                  "Elliptic function",
                                  "External lowpass",
                                  "lowpass Pole Placer",
                                  "Standard library lp"};

// Picker sketches: element letters on a small ladder drawing.
const PresetBandpass kPresets[kPresetBandpassCount] = {
    {"Top C Coupled Node (Tank)",
     110,
     'P',
     1,
     {"     C       C       C", "o---||--+--||---+--||---o", "        |       |",
      "      L C     L C", "        |       |", "o-------+-------+-------o"}},
    {"Shunt C coupled Mesh",
     109,
     'S',
     1,
     {"   L  C      L  C      L  C", "o--@--||--+--@--||--+--@--||--o", "          |          |",
      "          C          C", "          |          |", "o---------+----------+--------o"}},
    {"Blinchikoff linear phase",
     113,
     'P',
     0,
     {"    L  C       L  C", "o---@--||--+---@--||--+---o", "           |          |",
      "          L C        L C", "           |          |", "o----------+----------+---o"}},
    {"Parallel input direct scaled",
     106,
     'P',
     1,
     {"          L  C", "o---+-----@--||---+---o", "    |             |", "   L C           L C",
      "    |             |", "o---+-------------+---o"}},
    {"L-C Tubular",
     110,
     'T',
     1,
     {"   C   L      C       L  C", "o--||--@--+---||---+--@--||--o", "          |        |",
      "          C        C", "          |        |", "o---------+--------+---------o"}},
    {"Narrow band elliptic",
     112,
     'P',
     4,
     {"       C          C", "o-+---||---+-----||---+-o", "  |         |          |",
      " L C       L C        L C", "  |         L          |", "  |         C          |",
      "o-+---------+----------+-o"}},
    {"Even order elliptic Zig-Zag",
     114,
     'S',
     4,
     {"   L  C        L  C", "o--@--||--+----@--||--+--o", "          |            |",
      "         L C          L C", "          |            |", "o---------+------------+--o"}},
    {"Direct scaled elliptic",
     106,
     'P',
     4,
     {"          L C", "o---+-----[L C]----+---o", "    |              |", "   L C            L C",
      "    |              |", "o---+--------------+---o"}},
    {"Forced shunt direct scaled",
     107,
     'P',
     1,
     {"        C        C", "o---+---||---+---||---+---o", "    |        |        |",
      "   L C      L C      L C", "    |        |        |", "o---+--------+--------+---o"}},
    {"Coaxial tubular",
     111,
     'T',
     1,
     {"  _____________________________", " |  C   L   C   L   C   L   C  |",
      "o|==||==[]==||==[]==||==[]==||=|o", " |__________C_______C__________|"}},
    {"Tap input Combline",
     116,
     'T',
     1,
     {" +----+----+----+", " |    |    |    |", " Z    Z    Z    Z", " |    |    |    |",
      "o+    C    C    +o", "      |    |"}},
    {"SCTL Combline",
     116,
     'S',
     1,
     {"      +----+----+", "      |    |    |", "o--Z--Z    Z    Z--Z--o", "      |    |    |",
      "      C    C    C"}},
    {"Tap input ~ interdigital",
     118,
     'T',
     1,
     {" +--------+", " |  +-----|--+", " Z  |     Z  |", " |  Z     |  Z", "o+  |     +--|--o",
      "    +--------+"}},
    {"SCTL ~ interdigital",
     118,
     'S',
     1,
     {" +--------+", " |  +-----|--+", "o-Z-Z     Z  |", "    |     |  Z-Z-o", "    +-----+--+"}},
};

} // namespace

const char* const kAllPoleMask = "_111-________1--_____";
const char* const kEllipticMask = "_1111________1--_____";

const DesignTypeInfo& designTypeInfo(int type) {
    if (type < 1 || type > kDesignTypes) type = 1;
    return kTypes[type - 1];
}

int designTypeOfCommand(int command) {
    for (const auto& t : kTypes)
        if (t.command == command) return t.type;
    return 0;
}

std::string nameTable(int index) {
    if (index >= 1 && index <= 7) return kRefNames[index];
    if (index >= 9 && index <= 8 + kDesignTypes) return kTypes[index - 9].name;
    return "";
}

std::string designTypeName(int type) {
    if (type < 1 || type > kDesignTypes) return "";
    return kTypes[type - 1].name;
}

std::string referenceName(int kind) {
    return kind >= 1 && kind <= 7 ? kRefNames[kind] : "";
}

bool isUsed(const DesignRecord& rec, int slot) {
    return slot >= 0 && slot <= 20 && rec[kSlotRefLowpass].text[slot] == '1';
}

static void completeFlags(DesignRecord& rec) {
    char* t = rec[kSlotRefLowpass].text;
    for (int i = 0; i <= 20; ++i)
        if (t[i] != '1' && t[i] != '-') t[i] = '-';
    t[21] = 0;
}

void setUsed(DesignRecord& rec, int slot, bool used) {
    if (slot < 0 || slot > 20) return;
    completeFlags(rec);
    rec[kSlotRefLowpass].text[slot] = used ? '1' : '-';
}

void writeMask(DesignRecord& rec, const char* mask) {
    completeFlags(rec);
    for (int i = 0; i <= 20 && mask[i]; ++i)
        if (mask[i] != '_') rec[kSlotRefLowpass].text[i] = mask[i];
}

int faultIndex(const DesignRecord& rec) {
    return static_cast<unsigned char>(rec[kSlotStatus].letter);
}
void setFaultIndex(DesignRecord& rec, int slot) {
    rec[kSlotStatus].letter = static_cast<char>(slot);
}

int designType(const DesignRecord& rec) {
    return wholeNumberOf(rec[kSlotDesignType].value);
}
int referenceKind(const DesignRecord& rec) {
    return wholeNumberOf(rec[kSlotRefLowpass].value);
}
char configuration(const DesignRecord& rec) {
    return rec[kSlotDesignType].letter;
}
int orderN(const DesignRecord& rec) {
    return wholeNumberOf(rec[1].value);
}

char coupling(const DesignRecord& rec, int i) {
    if (i < 1 || i > kCouplings) return ' ';
    char c = rec[12].text[i];
    return c == 0 ? ' ' : c;
}

void setCoupling(DesignRecord& rec, int i, char c) {
    if (i < 1 || i > kCouplings) return;
    char* t = rec[12].text;
    for (int k = 0; k < i; ++k)
        if (t[k] == 0) t[k] = ' ';
    t[i] = c;
}

void setAllCouplings(DesignRecord& rec, char c) {
    for (int i = 1; i <= kCouplings; ++i) setCoupling(rec, i, c);
}

bool commandAsksReference(int command) {
    return (command >= 106 && command <= 110) || (command >= 116 && command <= 128);
}

int applyDesignType(Design& design, int command) {
    const int type = designTypeOfCommand(command);
    if (type == 0) return 0;
    DesignRecord& rec = design.record;
    const DesignTypeInfo& info = designTypeInfo(type);
    rec[kSlotDesignType].value = type;
    if (info.refKind >= 0) rec[kSlotRefLowpass].value = info.refKind;
    writeMask(rec, info.mask);
    if (type == 17) {
        rec[13].value = 2;
        rec[8].letter = 'F';
        rec[9].letter = 'F';
        rec[kSlotDesignType].letter = 'T';
        setAllCouplings(rec, 'C');
    }
    if (type == 18 || type == 20) rec[19].value = 0.5;
    return type;
}

void applyPreset(DesignRecord& rec) {
    const int type = designType(rec);
    if (rec[4].value < 10) rec[4].value = 60;
    rec[13].value = 2;
    if (rec[8].value == 0) {
        rec[8].value = 50;
        rec[9].value = 50;
    }
    char& cfg = rec[kSlotDesignType].letter;
    auto zoSource = [&] { rec[7].value = rec[8].value; };
    auto letters = [&](char c) {
        rec[8].letter = c;
        rec[9].letter = c;
    };
    auto narrow = [&](const char* allowed) {
        if (cfg == 0 || !std::strchr(allowed, cfg)) cfg = 'P';
        rec[7].value = cfg == 'P' ? 200 : 20;
        setAllCouplings(rec, 'C');
        letters('x');
    };
    switch (type) {
    case 1:
    case 25:
    case 26:
        zoSource();
        cfg = 'P';
        break;
    case 2:
        zoSource();
        cfg = 'S';
        break;
    case 3:
        zoSource();
        cfg = 'P';
        letters('X');
        break;
    case 4:
        rec[7].value = 20;
        cfg = 'S';
        setAllCouplings(rec, 'C');
        letters('x');
        break;
    case 5:
        zoSource();
        rec[1].value = 4;
        cfg = 'P';
        letters('X');
        break;
    case 6:
        if (orderN(rec) % 2 == 1) rec[1].value = orderN(rec) + 1;
        zoSource();
        cfg = 'S';
        letters('X');
        break;
    case 7:
        zoSource();
        cfg = 'P';
        rec[19].value = 0.5;
        rec[18].letter = 'Y';
        break;
    case 8:
        rec[7].value = 50;
        cfg = 'P';
        rec[18].letter = 'L';
        break;
    case 9:
        narrow("SP");
        break;
    case 10:
    case 11:
        narrow("SPT");
        break;
    case 12:
    case 13:
        zoSource();
        break;
    case 14:
        rec[7].value = 200;
        cfg = 'P';
        letters('x');
        break;
    case 15:
        zoSource();
        rec[4].value = 3;
        cfg = 'P';
        break;
    case 16:
        rec[7].value = 75;
        cfg = 'T';
        rec[0].letter = 'Y';
        rec[14].value = 1;
        rec[17].value = 45;
        rec[20].value = 1e-9;
        rec[18].letter = 'N';
        break;
    case 17:
        rec[7].value = 20;
        letters('F');
        cfg = 'T';
        rec[13].value = 2;
        setAllCouplings(rec, 'C');
        break;
    case 18:
    case 20:
        rec[7].value = 75;
        rec[0].letter = 'Y';
        rec[19].value = 0.5;
        rec[14].value = 1;
        rec[17].value = 85;
        rec[18].letter = 'N';
        if (type == 20) {
            cfg = 'T';
            rec[20].value = 1e-9;
        }
        break;
    case 19:
        zoSource();
        cfg = 'P';
        if (orderN(rec) < 6) rec[1].value = 6;
        break;
    case 21:
        rec[7].value = 75;
        rec[14].value = 1;
        break;
    case 22:
        zoSource();
        cfg = 'K';
        break;
    case 24:
        rec[7].value = 11;
        rec[0].letter = 'Y';
        rec[17].value = 85;
        setAllCouplings(rec, 'C');
        letters('x');
        rec[20].value = 2e-9;
        break;
    default:
        break;
    }
}

bool updateDependentFlags(DesignRecord& rec) {
    std::string before(rec[kSlotRefLowpass].text);
    const int type = designType(rec);
    const int kind = referenceKind(rec);
    const bool tem = type == 16 || type == 18 || type == 20;
    if (kind == 1 && !tem) setUsed(rec, 15, wholeNumberOf(rec[13].value) == 3);
    if (isUsed(rec, 12)) {
        bool z = false;
        for (int i = 1; i <= orderN(rec) - 1 && i <= kCouplings; ++i)
            if (coupling(rec, i) == 'Z') z = true;
        setUsed(rec, 16, z);
    } else {
        setUsed(rec, 16, false);
    }
    if (type == 7) {
        const bool n = configuration(rec) == 'N';
        setUsed(rec, 18, n);
        setUsed(rec, 19, n);
    }
    if (type == 16 || type == 20) setUsed(rec, 20, configuration(rec) == 'T');
    return before != std::string(rec[kSlotRefLowpass].text);
}

const PresetBandpass& presetBandpass(int index) {
    if (index < 0 || index >= kPresetBandpassCount) index = 0;
    return kPresets[index];
}

std::vector<std::string> presetPage(int index) {
    const PresetBandpass& p = presetBandpass(index);
    std::vector<std::string> lines;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%-33s", p.title);
    lines.emplace_back(buf);
    lines.emplace_back("");
    for (const char* s : p.sketch) {
        if (!s) break;
        std::snprintf(buf, sizeof buf, "%-33s", s);
        lines.emplace_back(buf);
    }
    while (lines.size() < 14) lines.emplace_back(std::string(33, ' '));
    lines.emplace_back(" Pick the filter you want:");
    lines.emplace_back("  [N] - No, maybe the next one.");
    lines.emplace_back("  [Y] - Yes, this one!");
    lines.emplace_back("  [C] - Cancell.");
    return lines;
}

int applyPresetBandpass(DesignRecord& rec, int index) {
    const PresetBandpass& p = presetBandpass(index);
    rec[kSlotDesignType].letter = p.configuration;
    rec[kSlotRefLowpass].value = p.refKind;
    writeMask(rec, p.refKind == 1 ? kAllPoleMask : kEllipticMask);
    return p.command;
}

} // namespace tanvex::synthesis

#include "ui/gen_win.h"

namespace tanvex::synthesis {

int presetPicker(DesignRecord& rec, ui::Toolkit& toolkit) {
    ui::GenWin& win = toolkit.genWin();
    for (int shown = 0; shown < 2 * kPresetBandpassCount; ++shown) {
        const int index = shown % kPresetBandpassCount;
        win.clear();
        const std::vector<std::string> lines = presetPage(index);
        for (size_t i = 0; i < lines.size(); ++i) {
            win.gotoCell(2, static_cast<int>(i) + 1);
            win.write(lines[i], i == 0 ? 14 : (i >= 14 ? 11 : 7));
        }
        win.changed();
        const char key =
            static_cast<char>(std::toupper(static_cast<unsigned char>(toolkit.keyBox("NYC"))));
        if (key == 'Y') {
            win.close();
            return applyPresetBandpass(rec, index);
        }
        if (key == 'C' || key == 27) break;
    }
    win.close();
    return 0;
}

} // namespace tanvex::synthesis
