// DesignRecord, AnalysisSettings and the data-branch name table: the design
// parameters and settings kept beside the network entry list.
#pragma once

#include "design/network.h"
#include "design/notation.h"

#include <array>
#include <string>
#include <vector>

namespace tanvex {

// One parameter slot. text holds at most 29 significant characters (30 for
// the caption pieces' 28 plus terminator); it is always NUL-terminated.
struct ParamSlot {
    double value = 0.0;
    double value2 = 0.0;
    char letter = 0;
    char text[31] = {};

    std::string str() const { return std::string(text); }
    void setText(const std::string& s);
};

constexpr int kParamSlots = 28;

// The whole number a stored value stands for (an order, a design type, a
// reference kind, a count), truncated toward zero. A value read from a damaged
// file may be anything: one that is not finite or lies beyond
// +-kWholeNumberLimit gives kNotAWholeNumber, which every range check refuses,
// instead of an undefined conversion.
constexpr double kWholeNumberLimit = 1e9;
constexpr int kNotAWholeNumber = -1000000000;
constexpr int wholeNumberOf(double v) {
    return v >= -kWholeNumberLimit && v <= kWholeNumberLimit ? static_cast<int>(v)
                                                             : kNotAWholeNumber;
}
using DesignRecord = std::array<ParamSlot, kParamSlots>;

// [0] sweep start, [1] sweep stop, [2] step (< -1: minus the point count),
// [3] Ql, [4] Qc, [5] Qt, [6] last sweep start used. Sweep values are in
// display frequency units.
using AnalysisSettings = std::array<double, 7>;

// Names of the data files of data-branch slots '0'..'9'.
using ElementNameTable = std::array<std::string, 10>;

// DesignRecord slots with fixed roles.
constexpr int kSlotRefLowpass = 0;  // value: reference lowpass kind 0..7; text: parameter mask
constexpr int kSlotSettings = 1;    // letter 'y'/'x' layout marker; text: settings string
constexpr int kSlotStubGen = 2;     // text: stub generator settings
constexpr int kSlotFirstFile = 3;   // texts of slots 3..10: associated file names f1..f8
constexpr int kSlotMarkers = 10;    // letter '1': marker frequencies saved
constexpr int kSlotDesignType = 11; // value: design type 1..26
constexpr int kSlotMasks = 12;      // letter '1': mask levels saved
constexpr int kSlotNotation = 16;   // letter: electrical notation digit '1'..'6'
constexpr int kSlotCaptions = 17;   // letter '1': a caption area is on
constexpr int kSlotMechUnit = 19;   // letter: mechanical unit digit '0'..'3', 'x' none
constexpr int kSlotStatus = 21;     // letter: fault index; text[9]: saved flag
constexpr int kSlotTemplate = 23;   // text: value display template
constexpr int kSlotName = 24;       // text: design file name, "default" when none
constexpr int kSlotMatcher = 25;    // letter: matcher set-up flag
constexpr int kSlotLastNumber = 27; // value: the number typed in the last input box
constexpr int kSavedSlots = 21;     // slots 0..20 go to the specification file

// Settings of the plot and analysis windows that the specification file
// carries besides the DesignRecord slots.
struct PlotFileSettings {
    std::array<int, 8> displayDigits{}; // 0..5 each; slot 1 text positions 0-6 and 12
    bool thickLines = false;            // slot 1 text position 7
    std::array<double, 10> markers{};   // marker frequencies (display units)
    std::array<double, 10> maskLevels{};
    std::array<int, 10> maskSwitches{};
    std::array<bool, 2> captionOn{};
    std::array<std::string, 2> caption{}; // up to 79 characters each
};

// One (value, letter) pair of the programmable stub generator.
struct StubPair {
    double value = 0.0;
    char letter = 0;
};

// Pole placer data (.ppd): ten small numbers (0 = mode, 1 = count A, 4 =
// count B, 5 = count C) and three value tables sized by them (A: count A
// rows, B: count B + 1 rows, C: count C rows).
struct PolePlacerData {
    std::array<int, 10> numbers{};
    std::vector<std::array<double, 2>> tableA;
    std::vector<std::array<double, 3>> tableB;
    std::vector<int> tableCIndex;
    std::vector<double> tableC;
    std::string title;
};

// Everything that makes up the current design.
struct Design {
    EntryList entries{};
    DesignRecord record{};
    AnalysisSettings analysis{};
    ElementNameTable names{};
    Notation notation{};
    PlotFileSettings plot{};
    std::array<StubPair, 9> stubPairs{};
    PolePlacerData placer{};
    // Associated files f1..f8 of the Filename list; listEdited is set when the
    // list was stored and cleared by every specification file transfer.
    std::array<std::string, 8> fileList{};
    bool listEdited = false;
    // Backups of the analysis settings for operations that change them for a
    // while: all seven values, and the three Q values alone.
    AnalysisSettings analysisBackup{};
    std::array<double, 3> qBackup{};
};

// Slot 1's settings string: a row of single-character settings (plot display
// digits at 0-6 and 12, thick lines 7, plot window 8, automatic group delay 9,
// hard-copy font 10 and raster mode 11, box characters in reports 13, Num Lock
// off 15, plot colours 16-22, ASCII box characters 23, sweep spacing 24).
// The default: plot window on, automatic raster, automatic sweep spacing.
constexpr const char* kDefaultSettings = "0000000010010000000000001";
// Pads slot 1's text to the length of kDefaultSettings with the defaults.
void completeSettingsString(DesignRecord& record);

// The design's file name (slot 24's text) and the test for the default name.
std::string designName(const Design& design);
void setDesignName(Design& design, const std::string& name);
bool isDefaultName(const std::string& name); // "default" or "DEFAULT"

// Saved flag: DesignRecord slot 21's text position 9 (memory only).
bool isSaved(const DesignRecord& record);
void setSaved(DesignRecord& record, bool saved);

} // namespace tanvex
