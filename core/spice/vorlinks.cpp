#include "spice/vorlinks.h"

#include "spice/entry_reader.h"
#include "spice/spice_converter.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tanvex::spice {

namespace {

std::string formatted(const char* format, const std::string& text) {
    std::string out(text.size() + 128, '\0');
    int n = std::snprintf(out.data(), out.size(), format, text.c_str());
    out.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    return out;
}

std::string trimLineEnd(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n')) s.pop_back();
    return s;
}

// Asks for the analysis domain until one of F, T, H is pressed. False when the
// input ends first (a pipe that runs dry would otherwise ask for ever).
bool askDomain(Console& console, Domain& domain) {
    for (;;) {
        console.write("Analysis domain:\n");
        console.write(" (F)-Frequency  (T)-Transient  (H)-Harmonic fourier ? ");
        int key = console.readKey();
        if (key < 0) {
            console.write("\n\aInput ended before an analysis domain was chosen\n");
            return false;
        }
        if (key > 'Z') key -= 32;
        std::string echo;
        if (key >= ' ' && key < 127) echo += static_cast<char>(key);
        echo += '\n';
        console.write(echo);
        if (domainFromKey(key, domain)) return true;
        console.write("\a");
    }
}

// Reads the starting node; an empty answer, 0 or the end of input mean 1.
// A negative node or one beyond any sensible deck is asked for again.
int askStartNode(Console& console) {
    for (;;) {
        console.write("What is starting node number (Cr = 1) ? ");
        std::string line;
        if (!console.readLine(line)) {
            console.write("\n");
            return 1;
        }
        long v = std::strtol(trimLineEnd(line).c_str(), nullptr, 10);
        if (v == 0) return 1;
        if (v > 0 && v <= 999999) return static_cast<int>(v);
        console.write("\a");
    }
}

// The path itself when it exists, else a file of the same directory whose
// name matches without regard to case (designs copied from a case-insensitive
// file system), else the path unchanged so that opening it fails.
std::string resolveForReading(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(path, ec)) return path;
    fs::path p(path);
    fs::path dir = p.parent_path().empty() ? fs::path(".") : p.parent_path();
    auto lower = [](std::string s) {
        for (char& ch : s) {
            if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
        }
        return s;
    };
    const std::string wanted = lower(p.filename().string());
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (lower(it->path().filename().string()) == wanted && it->is_regular_file(ec)) {
            return (p.parent_path().empty() ? it->path().filename() : it->path()).string();
        }
    }
    return path;
}

} // namespace

int runVorlinks(Console& console, const std::vector<std::string>& args) {
    console.write("  --> TANVEX to SPICE design file converter Vs 2.3 <--\n");
    if (args.size() > 1) {
        console.write("Usage: VORLINKS [design name]\n");
        return 1;
    }

    std::string name;
    if (args.empty()) {
        console.write(" (Cr = Default) File name ? ");
        std::string line;
        if (!console.readLine(line)) console.write("\n");
        name = trimLineEnd(line);
        if (name.empty()) name = "default";
    } else {
        name = args[0];
        console.write(formatted(" Converting file: %s.cir\n", name));
    }

    const std::string dznName = name + ".dzn";
    const std::string cirName = name + ".cir";

    std::vector<NetEntry> entries;
    {
        // Only a regular file is a design file: a device or a pipe would be
        // read for ever.
        const std::string path = resolveForReading(dznName);
        std::error_code ec;
        std::ifstream in;
        if (std::filesystem::is_regular_file(path, ec)) in.open(path, std::ios::binary);
        if (!in.is_open() || !in) {
            console.write(formatted("\aCan't open file %s\n", dznName));
            return 1;
        }
        switch (readEntries(in, entries)) {
        case ReadStatus::Ok:
            break;
        case ReadStatus::TooBig:
            console.write(
                formatted("\aNetwork is too big! (more than 150 entries in %s)\n", dznName));
            return 1;
        case ReadStatus::NoTerminator:
            console.write(formatted("\aNo terminator (x) line in file %s\n", dznName));
            return 1;
        case ReadStatus::LineTooLong:
            console.write(formatted("\aNot a design file (line too long): %s\n", dznName));
            return 1;
        }
    }
    // A file the converter cannot walk is refused before the deck is touched.
    {
        NetworkPlan plan;
        std::string message;
        if (!planNetwork(entries, plan, message)) {
            console.write("\a" + message + formatted(" (file %s)\n", dznName));
            return 1;
        }
    }

    std::ofstream out(cirName, std::ios::binary | std::ios::trunc);
    if (!out) {
        console.write(formatted("\aCan't open file %s\n", cirName));
        return 1;
    }
    console.write(formatted("SPICE file will be: %s\n", cirName));
    console.write("  (file must be edited)\n\n");

    ConvertOptions options;
    options.name = name;
    if (!askDomain(console, options.domain)) {
        out.close();
        std::error_code ec;
        std::filesystem::remove(cirName, ec);
        return 1;
    }
    options.startNode = askStartNode(console);

    ConvertResult result = convert(entries, options);
    console.write(result.console);
    if (!result.ok) { // planNetwork accepted the list above, so this does not happen
        console.write("\a" + result.message + "\n");
        return 1;
    }
    out << result.deck;
    out.flush();
    if (!out) {
        console.write(formatted("\aCan't write file %s\n", cirName));
        return 1;
    }
    out.close();
    char text[64];
    std::snprintf(text, sizeof text, "Last node number used is %d\n", result.lastNode);
    console.write(text);
    return 0;
}

} // namespace tanvex::spice
