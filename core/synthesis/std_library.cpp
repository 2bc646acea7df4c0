#include "synthesis/std_library.h"

#include <cctype>
#include <cstdlib>
#include <dirent.h>
#include <strings.h>

namespace tanvex::synthesis {

namespace {

const char* const kFamilies[6] = {"BESS", "LPH05", "GAUS", "GTO6", "GTO12", "LEGEN"};
const char* const kTitles[6] = {"Bessel",           "Linear phase 0.05 deg", "Gaussian",
                                "Gaussian to 6 dB", "Gaussian to 12 dB",     "Legendre"};

double leadingNumber(const std::string& s, size_t from) {
    if (from >= s.size()) return 0.0;
    const char* p = s.c_str() + from;
    char* end = nullptr;
    double v = std::strtod(p, &end);
    return end == p ? 0.0 : v;
}

} // namespace

const char* libraryFamily(char d) {
    return d >= '1' && d <= '6' ? kFamilies[d - '1'] : nullptr;
}
const char* libraryFamilyTitle(char d) {
    return d >= '1' && d <= '6' ? kTitles[d - '1'] : nullptr;
}

std::string libraryFileName(char symmetryDigit, const std::string& family, int n) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%c%s%d.DZN", symmetryDigit, family.c_str(), n);
    return buf;
}

std::string libraryDirectory(const std::string& typedPath, const std::string& homeDir) {
    std::string path = typedPath;
    if (path.empty() || path == "x") {
        path = homeDir;
        if (!path.empty() && path.back() != '/') path += '/';
        path += "_LIB/";
    }
    if (path.back() == '\\') path.back() = '/';
    if (path.back() != '/') path += '/';
    return path;
}

std::FILE* openReadFolded(const std::string& path) {
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) return f;
    size_t slash = path.find_last_of('/');
    std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    DIR* d = opendir(dir.c_str());
    if (!d) return nullptr;
    std::FILE* found = nullptr;
    while (dirent* ent = readdir(d)) {
        if (strcasecmp(ent->d_name, base.c_str()) == 0) {
            found = std::fopen((dir + "/" + ent->d_name).c_str(), "rb");
            if (found) break;
        }
    }
    closedir(d);
    return found;
}

bool readLine(std::FILE* f, std::string& line) {
    line.clear();
    int c;
    while ((c = std::fgetc(f)) != EOF) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return true;
        }
        line.push_back(static_cast<char>(c));
        if (line.size() > 4096) return true; // runaway line: hand back what we have
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return !line.empty();
}

bool readEntryLines(std::FILE* f, EntryList& list, ui::Toolkit& tk) {
    std::string line;
    int index = 0;
    while (readLine(f, line)) {
        if (line.size() <= 18) continue;
        if (index >= kMaxLoadEntries) {
            tk.notice("Network is too big!");
            return false;
        }
        NetEntry e;
        e.value = leadingNumber(line, 0);
        e.letter = line[16];
        e.code = static_cast<int>(std::strtol(line.c_str() + 18, nullptr, 10));
        list[index++] = e;
        if (e.letter == 'x') return true;
    }
    return false;
}

int readFromIndex(const std::string& indexPath, const std::string& name, EntryList& list,
                  ui::Toolkit& tk) {
    std::FILE* f = openReadFolded(indexPath);
    if (!f) {
        tk.notice("Can't open: " + indexPath);
        return -1;
    }
    std::string line;
    int result = 0;
    while (readLine(f, line)) {
        // Trailing blanks of a hand-edited index do not hide the name.
        while (!line.empty() && line.back() == ' ') line.pop_back();
        if (line == name) {
            result = readEntryLines(f, list, tk) ? 1 : 0;
            break;
        }
    }
    std::fclose(f);
    return result;
}

bool readDesignNetwork(const std::string& pathNoExt, EntryList& list, ui::Toolkit& tk) {
    std::string path = pathNoExt + ".dzn";
    std::FILE* f = openReadFolded(path);
    if (!f) {
        tk.notice("Can't open: " + path);
        return false;
    }
    bool ok = readEntryLines(f, list, tk);
    std::fclose(f);
    return ok;
}

std::string entryLine(const NetEntry& e) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%15.8e %c %d\r\n", e.value, e.letter ? e.letter : ' ', e.code);
    return buf;
}

std::string networkText(const EntryList& list) {
    int n = entryCount(list);
    std::string out;
    for (int i = 0; i <= n + 1 && i < kEntrySlots; ++i) out += entryLine(list[i]);
    return out;
}

} // namespace tanvex::synthesis
