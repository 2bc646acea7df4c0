// `tanvex schematic NAME [--ascii]` on designs that together use every
// connection code the renderer has a picture for (data/every_a, every_b and
// traps: both forms of code 13, both forms of code 48, side ports, lines,
// stubs, transformer, Q entries, markers). The expected drawings in data/*.txt
// were checked line by line against the renderer's templates; the plain
// drawing is derived here from them with the character table of the plain
// fallback, independently of the program's own table.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string run(const std::string& command) {
    std::string out;
    if (FILE* f = ::popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t k;
        while ((k = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, k);
        EXPECT_EQ(::pclose(f), 0) << command;
    }
    return out;
}

// The plain characters of the box-drawing characters used by the pictures.
std::string plain(const std::string& utf8) {
    static const std::map<std::string, char> kTable = {
        {"│", '|'}, {"┤", '|'}, {"╡", '|'},  {"├", '|'},  {"┼", '|'},  {"╞", '|'},
        {"╪", '|'}, {"║", 'I'}, {"┐", ','},  {"┬", ','},  {"╤", ','},  {"╕", ','},
        {"┌", ','}, {"╒", ','}, {"┘", '\''}, {"┴", '\''}, {"╧", '\''}, {"╛", '\''},
        {"└", '`'}, {"╘", '`'}, {"─", '-'},  {"═", '='},
    };
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += utf8[i++];
            continue;
        }
        std::size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        auto it = kTable.find(utf8.substr(i, len));
        EXPECT_NE(it, kTable.end()) << "no plain character for " << utf8.substr(i, len);
        out += it == kTable.end() ? '?' : it->second;
        i += len;
    }
    return out;
}

class EveryCode : public ::testing::TestWithParam<const char*> {};

} // namespace

TEST_P(EveryCode, DrawingMatchesLineByLine) {
    const std::string name = GetParam();
    const fs::path data = fs::path(TANVEX_SOURCE_DIR) / "tests/core/schematic/data";
    const fs::path dir = fs::temp_directory_path() /
                         ("tanvex_every_code_" + std::to_string(::getpid()) + "_" + name);
    fs::create_directories(dir);
    fs::copy_file(data / (name + ".dzn"), dir / (name + ".dzn"),
                  fs::copy_options::overwrite_existing);
    // Any saved .spk file will do: it gives the V.H.F. notation.
    fs::copy_file(fs::path(TANVEX_SOURCE_DIR) / "resources/examples/bandpass.spk",
                  dir / (name + ".spk"), fs::copy_options::overwrite_existing);
    const std::string design = (dir / name).string();

    std::istringstream want(readFile(data / (name + ".txt")));
    std::istringstream got(run("'" TANVEX_CLI_PATH "' schematic '" + design + "'"));
    std::istringstream gotPlain(run("'" TANVEX_CLI_PATH "' schematic '" + design + "' --ascii"));
    std::string w, g, p;
    int line = 0;
    while (std::getline(want, w)) {
        ++line;
        ASSERT_TRUE(std::getline(got, g)) << name << ": drawing ends before line " << line;
        EXPECT_EQ(g, w) << name << " line " << line;
        ASSERT_TRUE(std::getline(gotPlain, p)) << name << ": plain drawing ends early";
        EXPECT_EQ(p, plain(w)) << name << " plain line " << line;
    }
    EXPECT_FALSE(std::getline(got, g)) << name << ": extra line " << g;
    EXPECT_GT(line, 20);
    fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Designs, EveryCode, ::testing::Values("every_a", "every_b", "traps"));
