// Analysis snapshots: the whole analysis results table kept in a raw file
// ("ANAL.dat", or "ANAL1.dat" .. "ANAL9.dat") so that an earlier analysis
// can be plotted again beside the current one.
//
// Layout (little-endian, no header): records 0..N of the table, 28 bytes
// each (record 0's first float is N); 20 bytes of flags (the table's four
// integers, then 4 zero bytes); 32 bytes of units: time multiplier (float)
// and the first 4 bytes of the time unit name, the 8-byte time unit name
// whose bytes 5, 6 and 7 carry the logarithmic-sweep flag, the fast-delay
// flag and the sweep spacing setting, then the same 16 bytes for frequency.
//
//   analysis::SnapshotFlags f{logSweep, fastDelay, spacing};
//   if (analysis::saveSnapshot(dir, 3, table, design.notation, f) != 0) ...;
//   if (analysis::recallSnapshot(dir, 3, table, f) == 0) options.fastDelay = f.fastDelay;
#pragma once

#include "analysis/sweep.h"
#include "design/notation.h"

#include <cstddef>
#include <string>

namespace tanvex::analysis {

constexpr std::size_t kSnapshotRecordBytes = 28;
constexpr std::size_t kSnapshotFlagBytes = 20;
constexpr std::size_t kSnapshotUnitBytes = 32;
// Recall needs only the first half of the unit block.
constexpr std::size_t kSnapshotUnitBytesRead = 16;

struct SnapshotFlags {
    bool logSweep = false;
    bool fastDelay = false;
    char spacing = '1'; // the sweep spacing setting at the time of saving
};

// "ANAL.dat" for 0, "ANAL%d.dat" for 1..9.
std::string snapshotFileName(int number);
// Bytes a snapshot of n points occupies.
std::size_t snapshotSize(int points);

// Builds the bytes of a snapshot of the table.
std::string encodeSnapshot(const ResultsTable& table, const Notation& notation,
                           const SnapshotFlags& flags);
// Checks and decodes snapshot bytes into table. The point count must be a
// whole number from 0 to 1000 and the bytes long enough for it; otherwise
// the reason is returned and table is left as it was. Empty on success.
std::string decodeSnapshot(const std::string& bytes, ResultsTable& table, SnapshotFlags& flags);

// 0 ok, 1 failed (the file could not be written; an old one is kept).
int saveSnapshot(const std::string& directory, int number, const ResultsTable& table,
                 const Notation& notation, const SnapshotFlags& flags);
// 0 ok, 1 failed: missing, short or damaged file; the table is unchanged.
// why (when given) receives the reason.
int recallSnapshot(const std::string& directory, int number, ResultsTable& table,
                   SnapshotFlags& flags, std::string* why = nullptr);

} // namespace tanvex::analysis
