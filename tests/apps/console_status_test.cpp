// The console programs judged by their exit status, as scripts and CI judge
// them: lost output, unreadable designs, damaged numbers, old networks that
// calc replaces, names that look temporary, and files that are not files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    std::string err;
};

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class Console : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tanvex_status_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        fs::create_directory(dir / "tmpdir");
        for (const char* ext : {".spk", ".dzn"})
            fs::copy_file(fs::path(TANVEX_SOURCE_DIR) / "resources/examples" /
                              (std::string("lowpass") + ext),
                          dir / (std::string("lowpass") + ext));
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs a shell command line in the scratch directory with a time limit,
    // standard error kept in a file; stdout redirection is part of `line`.
    Outcome run(const std::string& line) {
        const std::string cmd = "cd '" + dir.string() + "' && TMTANVEX='" +
                                (dir / "tmpdir").string() + "/' timeout 20 sh -c '" + line +
                                "' 2> err.txt";
        Outcome r;
        const int st = std::system(cmd.c_str());
        r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        r.err = slurp(dir / "err.txt");
        return r;
    }

    // The design `from` (default the lowpass sample) with line `line`
    // (1-based) of its .spk replaced.
    void writeSpkWith(const std::string& name, int line, const std::string& text,
                      const std::string& from = "lowpass") {
        std::istringstream in(slurp(dir / (from + ".spk")));
        std::ofstream out(dir / (name + ".spk"), std::ios::binary);
        std::string l;
        for (int n = 1; std::getline(in, l); ++n) out << (n == line ? text + "\r" : l) << "\n";
    }

    fs::path dir;
    const std::string tanvex = TANVEX_CLI;
    const std::string vorlinks = VORLINKS_PATH;
};

TEST_F(Console, OutputThatCannotBeWrittenIsAFailure) {
    for (const std::string& cmd : {tanvex + " analyse lowpass --csv", tanvex + " schematic lowpass",
                                   tanvex + " calc lowpass", tanvex + " --help",
                                   "printf \"F\\n\\n\" | " + vorlinks + " lowpass"}) {
        SCOPED_TRACE(cmd);
        // The same command to a real file succeeds...
        Outcome ok = run(cmd + " > out.txt");
        EXPECT_EQ(ok.status, 0) << ok.err;
        EXPECT_FALSE(slurp(dir / "out.txt").empty());
        // ...and to a full device fails with a message.
        Outcome full = run(cmd + " > /dev/full");
        EXPECT_EQ(full.status, 1);
        EXPECT_NE(full.err.find("cannot write standard output"), std::string::npos) << full.err;
    }
}

TEST_F(Console, UnreadableDesignsAreExitStatusTwo) {
    for (const char* verb : {"analyse", "schematic", "calc"}) {
        SCOPED_TRACE(verb);
        EXPECT_EQ(run(tanvex + " " + verb + " nosuchdesign > out.txt").status, 2);
    }
    // A pipe or a device where a design file should be is not read at all
    // (reading would wait or run for ever).
    ASSERT_EQ(mkfifo((dir / "pipe.dzn").c_str(), 0600), 0);
    fs::copy_file(dir / "lowpass.spk", dir / "pipe.spk");
    EXPECT_EQ(run(tanvex + " analyse pipe > out.txt").status, 2);
    EXPECT_EQ(run(tanvex + " schematic pipe > out.txt").status, 2);
    Outcome v = run("printf \"F\\n\\n\" | " + vorlinks + " pipe > out.txt");
    EXPECT_EQ(v.status, 1);
    EXPECT_NE(slurp(dir / "out.txt").find("Can't open file pipe.dzn"), std::string::npos);
    fs::create_symlink("/dev/zero", dir / "zero.dzn");
    EXPECT_EQ(run("printf \"F\\n\\n\" | " + vorlinks + " zero > out.txt").status, 1);
}

TEST_F(Console, ConverterRefusesALineThatNeverEnds) {
    // Two megabytes without a line end: refused at once, memory bounded.
    std::ofstream(dir / "blob.dzn", std::ios::binary) << std::string(2 << 20, '7');
    Outcome v = run("printf \"F\\n\\n\" | " + vorlinks + " blob > out.txt");
    EXPECT_EQ(v.status, 1);
    EXPECT_NE(slurp(dir / "out.txt").find("Not a design file (line too long): blob.dzn"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "blob.cir"));
}

TEST_F(Console, ParametersBeyondTheirRangeAreRefusedWithTheirSlot) {
    // Line 2 holds the order N; line 12 the design type (lowpass, 1).
    const char* const orders[] = {" 1.00000000e+10  3.00000000e+02 y", " inf  3.00000000e+02 y",
                                  " 1.00000000e+308  3.00000000e+02 y",
                                  "-4.29000000e+09  3.00000000e+02 y"};
    for (const char* line : orders) {
        SCOPED_TRACE(line);
        writeSpkWith("damaged", 2, std::string(line) + " 0000000010010000000000001");
        Outcome r = run(tanvex + " calc damaged > out.txt");
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("Parameter at fault: 1 \"order N\""), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(dir / "damaged.dzn"));
    }
    // A design type beyond the catalogue is refused, not looked up.
    writeSpkWith("badtype", 12, " 1.00000000e+40  1.50000000e+02 P x");
    Outcome t = run(tanvex + " calc badtype > out.txt");
    EXPECT_EQ(t.status, 1);
    EXPECT_NE(t.err.find("Inappropriate parameter set!"), std::string::npos) << t.err;
    // A pad whose stored mask shows N: the order is checked like any other.
    writeSpkWith("pad", 12, " 1.50000000e+01  1.50000000e+02 P x");
    Outcome p = run(tanvex + " calc pad > out.txt");
    EXPECT_EQ(p.status, 0) << p.err;
    writeSpkWith("padn", 2, " 1.00000000e+10  3.00000000e+02 y 0000000010010000000000001", "pad");
    EXPECT_EQ(run(tanvex + " calc padn > out.txt").status, 1);
    // A NaN sweep range is refused by the analysis, not converted.
    Outcome a = run(tanvex + " analyse lowpass --from nan --to 10 > out.txt");
    EXPECT_EQ(a.status, 1);
    EXPECT_NE(a.err.find("Bad frequency range!"), std::string::npos) << a.err;
}

TEST_F(Console, CalcReplacesTheOldNetworkWithoutReadingIt) {
    // The reference: the same parameters calculated with no network file.
    fs::copy_file(dir / "lowpass.spk", dir / "fresh.spk");
    ASSERT_EQ(run(tanvex + " calc fresh > out.txt").status, 0);
    for (const std::string& old :
         {std::string("garbage\n"), std::string(200 * 20, 'x') + "\n", std::string()}) {
        fs::copy_file(dir / "lowpass.spk", dir / "redo.spk", fs::copy_options::overwrite_existing);
        std::ofstream(dir / "redo.dzn", std::ios::binary) << old;
        Outcome r = run(tanvex + " calc redo > out.txt");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        // The new network is whole: it analyses and draws.
        EXPECT_EQ(run(tanvex + " analyse redo --points 5 > out.txt").status, 0);
        EXPECT_EQ(slurp(dir / "redo.dzn"), slurp(dir / "fresh.dzn"));
    }
}

TEST_F(Console, AUsersNameStartingWithTmpStaysInTheWorkingDirectory) {
    for (const char* ext : {".spk", ".dzn"})
        fs::copy_file(dir / (std::string("lowpass") + ext), dir / (std::string("tmpfilter") + ext));
    fs::remove(dir / "tmpfilter.dzn");
    ASSERT_EQ(run(tanvex + " calc tmpfilter > out.txt").status, 0);
    EXPECT_TRUE(fs::exists(dir / "tmpfilter.dzn"));
    EXPECT_TRUE(fs::is_empty(dir / "tmpdir"));
    Outcome s = run(tanvex + " schematic tmpfilter > out.txt");
    EXPECT_EQ(s.status, 0) << s.err;
    EXPECT_EQ(run(tanvex + " analyse tmpfilter --points 3 > out.txt").status, 0);
}

} // namespace
