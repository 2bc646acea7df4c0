#include "design/network.h"

namespace tanvex {

namespace {

struct CodeInfo {
    int size;
    int advance;
    int dual;
};

// Codes 0..52. Codes 50..52 carry sizes only; their advance is never used
// by a walk of the list.
constexpr CodeInfo kCodes[kMaxGroupCode + 1] = {
    {0, 0, 0},       {1, 0, 1},        {1, 0, 3},        {1, 1, 2},       {2, 0, 5},
    {2, 1, 4},       {3, 0, 7},        {3, 1, 6},        {1, 0, kNoDual}, {1, 0, kNoDual},
    {5, 1, kNoDual}, {2, 1, kNoDual},  {4, 1, kNoDual},  {8, 1, kNoDual}, {3, 0, 15},
    {3, 1, 14},      {2, 0, 19},       {2, 1, 18},       {2, 0, 17},      {2, 1, 16},
    {3, 0, 35},      {1, 0, 21},       {1, 0, 22},       {2, 1, 23},      {1, 1, 24},
    {3, 1, 26},      {3, 0, 25},       {4, 1, 28},       {4, 0, 27},      {4, 1, 30},
    {4, 0, 29},      {6, 1, 32},       {6, 0, 31},       {3, 1, 34},      {3, 0, 33},
    {3, 1, 20},      {4, 0, 37},       {4, 1, 36},       {2, 0, 39},      {2, 1, 38},
    {4, 0, kNoDual}, {7, 1, kNoDual},  {2, 0, 43},       {2, 1, 42},      {1, 0, kNoDual},
    {8, 1, kNoDual}, {4, 0, 47},       {4, 1, 46},       {5, 0, 49},      {5, 1, 48},
    {1, 0, kNoDual}, {11, 1, kNoDual}, {11, 1, kNoDual},
};

} // namespace

int groupSize(int code) {
    if (code >= 0 && code <= kMaxGroupCode) return kCodes[code].size;
    if (code == 53 || (code >= 90 && code <= 100)) return 1;
    return 0;
}

int nodeAdvance(int code) {
    if (code >= 0 && code <= kMaxGroupCode) return kCodes[code].advance;
    return 0;
}

int dualCode(int code) {
    if (code >= 0 && code <= kMaxGroupCode) return kCodes[code].dual;
    return kNoDual;
}

int entryCount(const EntryList& list) {
    for (int i = 1; i < kEntrySlots; ++i)
        if (list[i].code == 1) return i;
    return kEntrySlots - 1;
}

void setEntry(EntryList& list, int index, double value, char letter, int code) {
    list[index] = NetEntry{value, letter, code};
}

void newDesign(EntryList& list) {
    list.fill(NetEntry{});
    setEntry(list, 0, 0.0, 'R', 1);
    setEntry(list, 1, 0.0, 'R', 1);
    setEntry(list, 2, 0.0, 'x', 1);
}

} // namespace tanvex
