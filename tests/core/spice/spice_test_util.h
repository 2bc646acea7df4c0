// Helpers shared by the converter tests: design files written the way the
// main program writes them, a scripted console and a scratch directory.
#pragma once

#include "design/network.h"
#include "spice/vorlinks.h"

#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace spicetest {

using tanvex::NetEntry;
using Entries = std::vector<NetEntry>;

// One design-file line, "%15.8e %c %d" with CR LF.
inline std::string dznLine(const NetEntry& e) {
    char text[64];
    std::snprintf(text, sizeof text, "%15.8e %c %d\r\n", e.value, e.letter, e.code);
    return text;
}

inline std::string dznText(const Entries& entries) {
    std::string s;
    for (const NetEntry& e : entries) s += dznLine(e);
    return s;
}

inline void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A fresh directory under the test's working directory.
inline std::filesystem::path scratchDir(const std::string& name) {
    auto dir = std::filesystem::current_path() / ("spice_scratch_" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// Answers lines and keys from queues; everything written is kept.
class ScriptConsole : public tanvex::spice::Console {
public:
    std::deque<std::string> lines;
    std::deque<int> keys;
    std::string output;
    int keyReads = 0;

    void write(const std::string& text) override { output += text; }
    bool readLine(std::string& line) override {
        if (lines.empty()) return false;
        line = lines.front();
        lines.pop_front();
        return true;
    }
    int readKey() override {
        ++keyReads;
        if (keys.empty()) return -1;
        int k = keys.front();
        keys.pop_front();
        return k;
    }
};

// Converts `entries` as the program does: the design file is written to dir,
// the dialogue answers the domain key and the starting node.
struct Conversion {
    int status = 0;
    std::string console;
    std::string deck;
};

inline Conversion runConversion(const std::filesystem::path& dir, const std::string& name,
                                const std::string& fileText, int key = 'F',
                                const std::string& startNode = "") {
    writeFile(dir / (name + ".dzn"), fileText);
    ScriptConsole con;
    con.keys.push_back(key);
    con.lines.push_back(startNode);
    Conversion c;
    c.status = tanvex::spice::runVorlinks(con, {(dir / name).string()});
    c.console = con.output;
    if (std::filesystem::exists(dir / (name + ".cir"))) c.deck = readFile(dir / (name + ".cir"));
    return c;
}

} // namespace spicetest
