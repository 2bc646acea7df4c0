// Random, truncated and mangled design files: the readers must never crash,
// must explain every refusal, and must leave the design as it was when they
// refuse.
#include "design/design_file.h"
#include "test_dir.h"
#include "ui/scripted_toolkit.h"

#include <gtest/gtest.h>

#include <random>

using namespace tanvex;
using tanvex::test::ScratchDir;

namespace {

const std::string kExamples = std::string(TANVEX_SOURCE_DIR) + "/resources/examples";

std::string readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::string mangle(std::mt19937& rng, const std::string& good) {
    std::string s = good;
    std::uniform_int_distribution<int> kind(0, 6);
    auto pos = [&](std::size_t n) {
        return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
    };
    const char interesting[] = "\r\n\t x1-+.eE9,/\0\xff";
    int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
        switch (kind(rng)) {
        case 0:
            s.resize(pos(s.size() + 1));
            break; // truncate
        case 1:
            if (!s.empty()) s[pos(s.size())] = static_cast<char>(rng());
            break;
        case 2:
            if (!s.empty()) s[pos(s.size())] = interesting[rng() % (sizeof interesting - 1)];
            break;
        case 3:
            s.insert(pos(s.size() + 1), std::string(rng() % 200, 'A' + rng() % 26));
            break;
        case 4: { // duplicate a slice, e.g. repeat lines
            std::size_t a = pos(s.size() + 1), b = pos(s.size() + 1);
            if (a > b) std::swap(a, b);
            std::string slice = s.substr(a, b - a);
            for (int k = static_cast<int>(rng() % 20); k > 0; --k) s.insert(a, slice);
            break;
        }
        case 5:
            s.erase(pos(s.size() + 1), rng() % 40);
            break;
        default: { // pure noise
            std::string noise(rng() % 600, '\0');
            for (char& c : noise) c = static_cast<char>(rng());
            s = noise;
            break;
        }
        }
    }
    return s;
}

bool sameEntries(const EntryList& a, const EntryList& b) {
    for (int i = 0; i < kEntrySlots; ++i)
        if (!(a[i].value == b[i].value || (a[i].value != a[i].value && b[i].value != b[i].value)) ||
            a[i].letter != b[i].letter || a[i].code != b[i].code)
            return false;
    return true;
}

} // namespace

TEST(DesignFuzz, MangledFilesNeverCrashAndRefusalsChangeNothing) {
    std::mt19937 rng(20261207);
    ScratchDir dir;
    const std::string goodSpk = readFile(kExamples + "/bandpass.spk");
    const std::string goodDzn = readFile(kExamples + "/bandpass.dzn");
    const std::string goodPpd = "1 2 0 0 1 1 0 0 0 0 \r\n 1.0e+00 2.0e+00\r\n 3.0e+00 4.0e+00\r\n"
                                " 1.0 2.0 3.0\r\n 4.0 5.0 6.0\r\n3  1.5\r\ntitle\r\n";
    int accepted = 0, refused = 0;
    for (int round = 0; round < 800; ++round) {
        SCOPED_TRACE(round);
        dir.write("f.spk", mangle(rng, goodSpk));
        dir.write("f.dzn", mangle(rng, goodDzn));
        dir.write("f.ppd", mangle(rng, goodPpd));

        ui::ScriptedToolkit tk;
        Design base;
        ASSERT_EQ(loadDesign(base, kExamples, "bandpass", tk), 0);

        // The network alone.
        Design d = base;
        int r = transferDesign(d, dir.file("f"), 'r', kTransferNetwork, tk);
        if (r != 0) {
            ++refused;
            EXPECT_FALSE(tk.notices().empty());
            EXPECT_TRUE(sameEntries(d.entries, base.entries));
        } else {
            ++accepted;
            int n = entryCount(d.entries);
            ASSERT_LT(n + 1, kMaxLoadEntries);
            EXPECT_EQ(d.entries[n + 1].letter, 'x');
        }

        // The whole design, and the pole placer file directly.
        Design w = base;
        w.record[kSlotDesignType].value = 23;
        ui::ScriptedToolkit t2;
        r = transferDesign(w, dir.file("f"), 'r', kTransferWhole, t2);
        if (r != 0) {
            EXPECT_FALSE(t2.notices().empty());
        }
        PolePlacerData p;
        p.title = "before";
        if (readPolePlacerFile(dir.file("f.ppd"), p, t2) != 0) {
            EXPECT_EQ(p.title, "before");
        }
        // Whatever was read can be written and read back.
        if (r == 0) {
            ASSERT_EQ(transferDesign(w, dir.file("g"), 'w', kTransferWhole, t2), 0);
            Design again;
            EXPECT_EQ(transferDesign(again, dir.file("g"), 'r', kTransferWhole, t2) & ~kPpdFailed,
                      0);
        }

        // Joining the mangled network onto the sample.
        Design j = base;
        ui::ScriptedToolkit t3;
        r = transferDesign(j, dir.file("f"), 'r', kTransferJoinSeries + round % 2, t3);
        if (r != 0) {
            EXPECT_TRUE(sameEntries(j.entries, base.entries));
        } else {
            int n = entryCount(j.entries);
            ASSERT_LT(n + 1, kEntrySlots);
            EXPECT_EQ(j.entries[n + 1].letter, 'x');
        }
    }
    // The mangling must exercise both outcomes.
    std::printf("accepted %d refused %d\n", accepted, refused);
    EXPECT_GT(accepted, 50);
    EXPECT_GT(refused, 50);
}
