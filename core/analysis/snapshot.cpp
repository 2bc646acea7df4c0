#include "analysis/snapshot.h"

#include "design/paths.h"
#include "design/text_io.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

namespace tanvex::analysis {

static_assert(std::endian::native == std::endian::little, "snapshots are little-endian");
static_assert(sizeof(float) == 4 && sizeof(std::int32_t) == 4);

namespace {

// Snapshot files are small; anything far larger is not one of ours.
constexpr std::size_t kMaxSnapshotBytes = 1u << 20;

void put(std::string& out, const void* data, std::size_t n) {
    out.append(static_cast<const char*>(data), n);
}

void putUnit(std::string& out, const UnitBlock& unit, const char* flags) {
    const float m = static_cast<float>(unit.multiplier);
    char name[8] = {};
    std::memcpy(name, unit.name.data(), std::min<std::size_t>(unit.name.size(), 8));
    if (flags) std::memcpy(name + 5, flags, 3);
    put(out, &m, 4);
    put(out, name, 4);
    put(out, name, 8);
}

} // namespace

std::string snapshotFileName(int number) {
    if (number <= 0) return "ANAL.dat";
    return "ANAL" + std::to_string(number) + ".dat";
}

std::size_t snapshotSize(int points) {
    return kSnapshotRecordBytes * static_cast<std::size_t>(points + 1) + kSnapshotFlagBytes +
           kSnapshotUnitBytes;
}

std::string encodeSnapshot(const ResultsTable& table, const Notation& notation,
                           const SnapshotFlags& flags) {
    int n = table.pointCount();
    if (n < 0) n = 0;
    if (n > kMaxSweepPoints) n = kMaxSweepPoints;
    std::string out;
    out.reserve(snapshotSize(n));
    for (int k = 0; k <= n; ++k) put(out, table.records[k].data(), kSnapshotRecordBytes);
    for (std::int32_t f : table.flags) put(out, &f, 4);
    out.append(4, '\0');
    const char bytes[3] = {static_cast<char>(flags.logSweep ? 1 : 0),
                           static_cast<char>(flags.fastDelay ? 1 : 0), flags.spacing};
    putUnit(out, notation.time, bytes);
    putUnit(out, notation.frequency, nullptr);
    return out;
}

std::string decodeSnapshot(const std::string& bytes, ResultsTable& table, SnapshotFlags& flags) {
    if (bytes.size() < kSnapshotRecordBytes) return "the file is shorter than its header";
    float count = 0.0f;
    std::memcpy(&count, bytes.data(), 4);
    if (!std::isfinite(count) || count < 0.0f || count > static_cast<float>(kMaxSweepPoints) ||
        count != std::floor(count))
        return "the point count is not a whole number from 0 to 1000";
    const int n = static_cast<int>(count);
    const std::size_t tableBytes = kSnapshotRecordBytes * static_cast<std::size_t>(n + 1);
    if (bytes.size() < tableBytes + kSnapshotFlagBytes + kSnapshotUnitBytesRead)
        return "the file is too short for its point count";
    // Decode into a scratch copy so that a bad file leaves the table alone.
    auto scratch = std::make_unique<ResultsTable>(table);
    for (int k = 0; k <= n; ++k)
        std::memcpy(scratch->records[k].data(), bytes.data() + kSnapshotRecordBytes * k,
                    kSnapshotRecordBytes);
    for (int i = 0; i < 4; ++i)
        std::memcpy(&scratch->flags[i], bytes.data() + tableBytes + 4 * i, 4);
    const char* units = bytes.data() + tableBytes + kSnapshotFlagBytes;
    flags.logSweep = units[13] == 1;
    flags.fastDelay = units[14] == 1;
    flags.spacing = units[15];
    table = *scratch;
    return {};
}

int saveSnapshot(const std::string& directory, int number, const ResultsTable& table,
                 const Notation& notation, const SnapshotFlags& flags) {
    const std::string path = joinPath(directory, snapshotFileName(number));
    return writeFileAtomically(path, encodeSnapshot(table, notation, flags)) ? 0 : 1;
}

int recallSnapshot(const std::string& directory, int number, ResultsTable& table,
                   SnapshotFlags& flags, std::string* why) {
    auto fail = [&](const char* reason) {
        if (why) *why = reason;
        return 1;
    };
    const std::string path = resolveForReading(joinPath(directory, snapshotFileName(number)));
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return fail("the file cannot be opened");
    std::string bytes;
    char buf[65536];
    std::size_t got = 0;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) {
        bytes.append(buf, got);
        if (bytes.size() > kMaxSnapshotBytes) break;
    }
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError) return fail("the file cannot be read");
    if (bytes.size() > kMaxSnapshotBytes) return fail("the file is too large for a snapshot");
    const std::string problem = decodeSnapshot(bytes, table, flags);
    if (!problem.empty()) {
        if (why) *why = problem;
        return 1;
    }
    return 0;
}

} // namespace tanvex::analysis
