// helppack: packs the help source pages (resources/help/*.HLW) into the
// combined help file tanvexw.hlw and its index HLW_NDX.DAT.
//
//   helppack <output folder> <page> [<page> ...]
//
// Source pages are UTF-8 text in the help page layout: one screen row per
// line, a line "^page" (or a line starting with a form feed) ends a page.
// Colour markup: ^k black on grey, ^y yellow, ^o orange, ^b white on blue,
// ^g green, ^r white on red, ^R red, ^c cyan; a marker opens a coloured
// piece and the next marker closes it ("press ^yF1^y"); ^^ is a caret.
// Output lines end in CR LF, characters are code page 437, runs of blanks
// and of repeated characters are run-length packed. Each topic is named
// after its file; the index line is the topic's offset, padded to column
// 11, then the name.
#include "ui/cp437.h"
#include "ui/help.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace tanvex::ui;

namespace {

struct Failure {
    std::string message;
};

std::map<char32_t, unsigned char> unicodeToCp437() {
    std::map<char32_t, unsigned char> m;
    for (int b = 128; b < 256; ++b) m[cp437ToUnicode(static_cast<unsigned char>(b))] = b;
    return m;
}

// Decodes UTF-8; throws on malformed input.
std::u32string decodeUtf8(const std::string& s, const std::string& where) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0) throw Failure{where + ": malformed UTF-8"};
        char32_t u = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= s.size()) throw Failure{where + ": malformed UTF-8"};
            unsigned char t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) throw Failure{where + ": malformed UTF-8"};
            u = (u << 6) | (t & 0x3F);
        }
        out += u;
        i += 1 + extra;
    }
    return out;
}

int codeOf(char marker) {
    switch (marker) {
    case 'k':
        return 1;
    case 'y':
        return 2;
    case 'o':
        return 6;
    case 'b':
        return 15;
    case 'g':
        return 16;
    case 'r':
        return 19;
    case 'R':
        return 21;
    case 'c':
        return 22;
    default:
        return -1;
    }
}

// One source line to one packed line of the combined file.
std::string packLine(const std::string& source, const std::string& where) {
    static const auto table = unicodeToCp437();
    std::u32string text = decodeUtf8(source, where);
    std::string out;
    std::string piece;
    auto flush = [&] {
        out += packHelpRuns(piece);
        piece.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t u = text[i];
        if (u == U'^') {
            if (i + 1 >= text.size()) throw Failure{where + ": '^' at the end of a line"};
            char32_t m = text[++i];
            if (m == U'^') {
                piece += '^';
                continue;
            }
            int code = m < 128 ? codeOf(static_cast<char>(m)) : -1;
            if (code < 0) throw Failure{where + ": unknown colour marker"};
            flush();
            out += static_cast<char>(code);
            continue;
        }
        if (u == U'\t') throw Failure{where + ": tab (use blanks)"};
        if (u < 32) throw Failure{where + ": control character"};
        unsigned char b;
        if (u < 128) {
            b = static_cast<unsigned char>(u);
        } else {
            auto it = table.find(u);
            if (it == table.end()) throw Failure{where + ": character not in code page 437"};
            b = it->second;
        }
        // These bytes are the packing's own codes and cannot stand for
        // themselves in a help page.
        if (b >= 131 && b <= 178) throw Failure{where + ": character reserved by the packing"};
        piece += static_cast<char>(b);
    }
    flush();
    return out;
}

std::string baseName(const std::string& path) {
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: helppack <output folder> <page.HLW>...\n");
        return 2;
    }
    const std::string outDir = argv[1];
    if (argc - 2 > HelpViewer::kMaxIndex) {
        std::fprintf(stderr, "helppack: %d pages, the index holds %d\n", argc - 2,
                     HelpViewer::kMaxIndex);
        return 1;
    }
    std::string combined;
    std::string index;
    try {
        for (int a = 2; a < argc; ++a) {
            const std::string path = argv[a];
            const std::string name = baseName(path);
            if (name.size() > 15) throw Failure{name + ": topic names have at most 15 characters"};
            std::ifstream in(path, std::ios::binary);
            if (!in) throw Failure{path + ": cannot be read"};
            char entry[64];
            std::snprintf(entry, sizeof entry, "%-11ld%s\r\n", static_cast<long>(combined.size()),
                          name.c_str());
            index += entry;
            std::string line;
            int lineNo = 0;
            int rowsOnPage = 0;
            while (std::getline(in, line)) {
                ++lineNo;
                if (!line.empty() && line.back() == '\r') line.pop_back();
                std::string where = path + ":" + std::to_string(lineNo);
                if (line.rfind("^page", 0) == 0 || (!line.empty() && line[0] == '\f')) {
                    combined += "\f\r\n";
                    rowsOnPage = 0;
                    continue;
                }
                if (++rowsOnPage > HelpViewer::kPageRows)
                    throw Failure{where + ": page longer than " +
                                  std::to_string(HelpViewer::kPageRows) + " rows"};
                std::string packed = packLine(line, where);
                if (expandHelpRuns(packed).size() > 80)
                    throw Failure{where + ": line wider than 80 columns"};
                combined += packed + "\r\n";
            }
        }
    } catch (const Failure& f) {
        std::fprintf(stderr, "helppack: %s\n", f.message.c_str());
        return 1;
    }
    auto write = [&](const std::string& file, const std::string& bytes) {
        std::ofstream out(outDir + "/" + file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(out);
    };
    if (!write("tanvexw.hlw", combined) || !write("HLW_NDX.DAT", index)) {
        std::fprintf(stderr, "helppack: cannot write to %s\n", outDir.c_str());
        return 1;
    }
    return 0;
}
