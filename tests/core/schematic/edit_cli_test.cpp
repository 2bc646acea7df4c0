// `tanvex edit` on the sample bandpass: the exact transforms leave the
// analysed response (`tanvex analyse --q 0,0,0 --csv`) as it was, the result
// is written under --out, and a refusal writes nothing and exits 1.
#include "scratch_dir_test.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

int run(const std::string& command, std::string* out = nullptr) {
    std::string text;
    FILE* f = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!f) return -1;
    char buf[4096];
    std::size_t k;
    while ((k = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, k);
    int status = ::pclose(f);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Attenuation and return loss columns of the lossless analysis.
std::vector<std::vector<double>> analysed(const std::string& name) {
    std::string csv;
    EXPECT_EQ(run(std::string(TANVEX_CLI_PATH) + " analyse " + name +
                      " --q 0,0,0 --from 60 --to 140 --points 17 --csv",
                  &csv),
              0);
    std::vector<std::vector<double>> rows;
    std::istringstream in(csv);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<double> v;
        std::istringstream cells(line);
        std::string cell;
        while (std::getline(cells, cell, ',')) v.push_back(std::strtod(cell.c_str(), nullptr));
        if (v.size() >= 3 && v[0] > 0) rows.push_back({v[1], v[2]});
    }
    return rows;
}

class EditCliTest : public tanvex::test::ScratchDirTest {
protected:
    void SetUp() override {
        ScratchDirTest::SetUp();
        for (const char* ext : {".spk", ".dzn"})
            fs::copy_file(fs::path(TANVEX_SOURCE_DIR) / "resources/examples" /
                              (std::string("bandpass") + ext),
                          dir_ / (std::string("bandpass") + ext));
        cli_ = TANVEX_CLI_PATH;
    }
    std::string cli_;
};

} // namespace

TEST_F(EditCliTest, ExactTransformsKeepTheAnalysis) {
    const auto before = analysed("bandpass");
    ASSERT_EQ(before.size(), 17u);
    const std::vector<std::string> ops = {"xform 3 1.5", "xform 1 0.7", "force 5 150 4",
                                          "force 2 12 3"};
    for (const auto& op : ops) {
        std::string out;
        ASSERT_EQ(run(cli_ + " edit bandpass " + op + " --out edited", &out), 0) << op;
        EXPECT_NE(out.find("Value spread"), std::string::npos) << op;
        const auto after = analysed("edited");
        ASSERT_EQ(after.size(), before.size()) << op;
        for (std::size_t k = 0; k < before.size(); ++k) {
            // The table holds single-precision figures; a deep match is
            // compared as the power it reflects.
            EXPECT_NEAR(after[k][1], before[k][1], 2e-5 * std::max(1.0, before[k][1])) << op;
            EXPECT_NEAR(std::pow(10.0, -after[k][0] / 10), std::pow(10.0, -before[k][0] / 10), 1e-6)
                << op;
        }
        fs::remove("edited.dzn");
        fs::remove("edited.spk");
    }
}

TEST_F(EditCliTest, RefusalsWriteNothing) {
    std::string out;
    EXPECT_EQ(run(cli_ + " edit bandpass pit 2 --out edited", &out), 1);
    EXPECT_FALSE(fs::exists("edited.dzn"));
    EXPECT_EQ(run(cli_ + " edit bandpass force 3 10 3 --out edited"), 1);
    EXPECT_FALSE(fs::exists("edited.dzn"));
    EXPECT_EQ(run(cli_ + " edit bandpass equal X"), 2);
    EXPECT_EQ(run(cli_ + " edit bandpass xform 3"), 2);
    EXPECT_EQ(run(cli_ + " edit no_such_design xform 3 2"), 2);
    // The worked -Value figure, written in place.
    EXPECT_EQ(run(cli_ + " edit bandpass negval 4 --ascii", &out), 0);
    EXPECT_NE(out.find("  Negative Values!"), std::string::npos);
}
