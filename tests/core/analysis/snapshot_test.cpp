// Analysis snapshots: the byte layout of a saved table, the round trip, and
// files that must be refused without touching the table in memory.
#include "analysis/snapshot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

using namespace tanvex;
using namespace tanvex::analysis;

namespace {

std::string scratchDir(const char* name) {
    auto dir = std::filesystem::temp_directory_path() / ("tanvex_snapshot_" + std::string(name));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

std::string readAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void writeAll(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

template <class T> T at(const std::string& bytes, std::size_t offset) {
    T v;
    std::memcpy(&v, bytes.data() + offset, sizeof v);
    return v;
}

// A table of n points with distinct values in every field.
std::unique_ptr<ResultsTable> sampleTable(int n) {
    auto t = std::make_unique<ResultsTable>();
    t->records[0] = {static_cast<float>(n), 1e6f, 1e8f, 150.f, 500.f, 1e11f, 50.f};
    for (int k = 1; k <= n; ++k)
        for (int f = 0; f < 7; ++f) t->records[k][f] = static_cast<float>(k * 10 + f) + 0.25f;
    t->flags = {kImpedanceFieldsFlag, 0, 7, -3};
    return t;
}

TEST(Snapshot, HundredPointLayoutHasEveryFieldAtItsOffset) {
    const std::string dir = scratchDir("layout");
    Notation notation; // V.H.F.: ns and MHz
    auto table = sampleTable(100);
    ASSERT_EQ(saveSnapshot(dir, 0, *table, notation, {true, false, '2'}), 0);
    const std::string bytes = readAll(dir + "/ANAL.dat");
    ASSERT_EQ(bytes.size(), 2880u);
    EXPECT_EQ(snapshotSize(100), 2880u);
    EXPECT_EQ(at<float>(bytes, 0), 100.0f);
    EXPECT_EQ(at<float>(bytes, 4), 1e6f);
    EXPECT_EQ(at<float>(bytes, 28 * 37 + 4 * 3), 373.25f); // record 37, field 3
    EXPECT_EQ(at<float>(bytes, 28 * 100 + 4 * 6), 1006.25f);
    EXPECT_EQ(at<std::int32_t>(bytes, 2828), kImpedanceFieldsFlag);
    EXPECT_EQ(at<std::int32_t>(bytes, 2840), -3);
    EXPECT_EQ(at<std::int32_t>(bytes, 2844), 0);
    const std::size_t units = 2848;
    EXPECT_EQ(at<float>(bytes, units), 1e9f);
    EXPECT_EQ(bytes.substr(units + 4, 4), "nSec");
    EXPECT_EQ(bytes.substr(units + 8, 4), "nSec");
    EXPECT_EQ(bytes[units + 13], 1);   // logarithmic sweep
    EXPECT_EQ(bytes[units + 14], 0);   // fast delay
    EXPECT_EQ(bytes[units + 15], '2'); // spacing setting
    EXPECT_EQ(at<float>(bytes, units + 16), 1e-6f);
    EXPECT_EQ(bytes.substr(units + 20, 4), "MHz ");
    EXPECT_EQ(bytes.substr(units + 24, 4), "MHz ");

    EXPECT_EQ(snapshotFileName(0), "ANAL.dat");
    EXPECT_EQ(snapshotFileName(9), "ANAL9.dat");
}

TEST(Snapshot, RecallRestoresTableAndFlags) {
    const std::string dir = scratchDir("roundtrip");
    Notation notation;
    for (int n : {0, 1, 225, 1000}) {
        auto table = sampleTable(n);
        ASSERT_EQ(saveSnapshot(dir, 3, *table, notation, {n % 2 == 1, n > 200, '1'}), 0);
        auto back = std::make_unique<ResultsTable>();
        SnapshotFlags flags;
        ASSERT_EQ(recallSnapshot(dir, 3, *back, flags), 0) << n;
        for (int k = 0; k <= n; ++k)
            ASSERT_EQ(back->records[k], table->records[k]) << n << " " << k;
        EXPECT_EQ(back->flags, table->flags);
        EXPECT_EQ(flags.logSweep, n % 2 == 1);
        EXPECT_EQ(flags.fastDelay, n > 200);
    }
}

TEST(Snapshot, DamagedFilesAreRefusedAndLeaveTheTableAlone) {
    const std::string dir = scratchDir("damaged");
    Notation notation;
    auto good = sampleTable(20);
    const std::string bytes = encodeSnapshot(*good, notation, {});
    auto before = sampleTable(5);
    auto check = [&](const std::string& content, const char* what) {
        writeAll(dir + "/ANAL4.dat", content);
        auto table = std::make_unique<ResultsTable>(*before);
        SnapshotFlags flags;
        std::string why;
        EXPECT_EQ(recallSnapshot(dir, 4, *table, flags, &why), 1) << what;
        EXPECT_FALSE(why.empty()) << what;
        EXPECT_EQ(table->records, before->records) << what;
        EXPECT_EQ(table->flags, before->flags) << what;
    };
    auto withCount = [&](float n) {
        std::string b = bytes;
        std::memcpy(b.data(), &n, 4);
        return b;
    };
    check(withCount(20.5f), "fractional count");
    check(withCount(-1.0f), "negative count");
    check(withCount(1001.0f), "count above 1000");
    check(withCount(NAN), "count not a number");
    check(withCount(INFINITY), "infinite count");
    check(withCount(21.0f), "count beyond the records present");
    // Every cut inside the part a recall needs is refused.
    const std::size_t needed = 28 * 21 + 20 + 16;
    for (std::size_t cut :
         {std::size_t{0}, std::size_t{3}, std::size_t{27}, std::size_t{28 * 21}, needed - 1})
        check(bytes.substr(0, cut), "short file");
    // The last 16 unit bytes are not needed.
    writeAll(dir + "/ANAL4.dat", bytes.substr(0, needed));
    auto table = std::make_unique<ResultsTable>();
    SnapshotFlags flags;
    EXPECT_EQ(recallSnapshot(dir, 4, *table, flags), 0);
    EXPECT_EQ(table->records[20], good->records[20]);

    std::filesystem::remove(dir + "/ANAL4.dat");
    check(std::string(), "empty file");
    auto untouched = std::make_unique<ResultsTable>(*before);
    EXPECT_EQ(recallSnapshot(dir, 7, *untouched, flags), 1); // missing
    EXPECT_EQ(untouched->records, before->records);
}

TEST(Snapshot, RandomBytesNeverCrashAndEitherLoadOrChangeNothing) {
    std::mt19937 rng(18);
    auto before = sampleTable(3);
    for (int trial = 0; trial < 2000; ++trial) {
        std::string b(rng() % 400, '\0');
        for (char& c : b) c = static_cast<char>(rng());
        if (trial % 3 == 0 && b.size() >= 4) { // a plausible count now and then
            const float n = static_cast<float>(rng() % 16);
            std::memcpy(b.data(), &n, 4);
        }
        auto table = std::make_unique<ResultsTable>(*before);
        SnapshotFlags flags;
        if (!decodeSnapshot(b, *table, flags).empty()) {
            ASSERT_EQ(table->records, before->records);
        } else {
            const int n = table->pointCount();
            ASSERT_GE(n, 0);
            ASSERT_LE(n, 1000);
            ASSERT_GE(b.size(), 28u * (n + 1) + 36u);
        }
    }
}

TEST(Snapshot, SaveIntoMissingDirectoryFailsWithoutLeavingFiles) {
    auto table = sampleTable(4);
    EXPECT_EQ(saveSnapshot("/nonexistent/dir/for/tanvex", 0, *table, Notation{}, {}), 1);
}

} // namespace
