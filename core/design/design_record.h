// DesignRecord, AnalysisSettings and the data-branch name table: the design
// parameters and settings kept beside the network entry list.
#pragma once

#include "design/network.h"

#include <array>
#include <string>

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
using DesignRecord = std::array<ParamSlot, kParamSlots>;

// [0] sweep start, [1] sweep stop, [2] step (< -1: minus the point count),
// [3] Ql, [4] Qc, [5] Qt, [6] last sweep start used. Sweep values are in
// display frequency units.
using AnalysisSettings = std::array<double, 7>;

// Names of the data files of data-branch slots '0'..'9'.
using ElementNameTable = std::array<std::string, 10>;

// Everything that makes up the current design.
struct Design {
    EntryList entries{};
    DesignRecord record{};
    AnalysisSettings analysis{};
    ElementNameTable names{};
};

} // namespace tanvex
