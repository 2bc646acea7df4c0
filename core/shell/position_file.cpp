#include "shell/position_file.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tanvex::shell {

namespace {

// Splits the text into lines at LF, dropping one CR before it, so files
// written with CR LF and files edited to bare LF read the same.
std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t lf = text.find('\n', start);
        std::size_t end = lf == std::string::npos ? text.size() : lf;
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        if (lf == std::string::npos) break;
        start = lf + 1;
    }
    return lines;
}

// A rectangle line is a number list: letters are ignored (except the
// exponent letters), fields end at ',' or '/'. Returns the field count and
// the first four values as integers.
int parseRectLine(const std::string& line, WindowRect& r) {
    std::string t = line;
    for (char& c : t) {
        unsigned char u = static_cast<unsigned char>(c);
        if ((std::isalpha(u) && c != 'e' && c != 'E') || c == '?') c = ' ';
    }
    int values[4] = {0, 0, 0, 0};
    int count = 0;
    std::size_t start = 0;
    while (true) {
        std::size_t end = t.find_first_of(",/", start);
        std::string field =
            t.substr(start, end == std::string::npos ? std::string::npos : end - start);
        ++count;
        if (count <= 4) {
            char* stop = nullptr;
            double v = std::strtod(field.c_str(), &stop);
            if (stop == field.c_str() || !std::isfinite(v)) v = 0.0;
            // Clamp before converting: a corrupt file must not overflow int.
            if (v > 1e6) v = 1e6;
            if (v < -1e6) v = -1e6;
            values[count - 1] = static_cast<int>(v);
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    r = WindowRect{values[0], values[1], values[2], values[3]};
    return count;
}

} // namespace

bool isDefaultDesignName(const std::string& name) {
    return name == "default" || name == "DEFAULT";
}

PositionData parsePositionFile(const std::string& text, int desktopHeight) {
    PositionData data;
    std::vector<std::string> lines = splitLines(text);
    std::size_t next = 0;
    for (int i = 0; i < kWindowSlots; ++i) {
        if (next >= lines.size()) break;
        WindowRect r;
        if (lines[next].empty() || parseRectLine(lines[next], r) != 4) break;
        ++next;
        if (r.y > 0.9 * desktopHeight) {
            r.x = 0;
            r.y = 0;
        }
        data.rects[i] = r;
    }
    // The recent pairs start after the tenth rectangle line, whether or not
    // the rectangles were all readable: skip to where they would begin.
    next = kWindowSlots;
    while (data.recent.size() < static_cast<std::size_t>(kMaxRecentDesigns) &&
           next + 1 < lines.size() + 0) {
        const std::string& dir = lines[next];
        const std::string& name = lines[next + 1];
        if (name.empty() || dir.size() > kMaxRecentLine || name.size() > kMaxRecentLine) break;
        data.recent.push_back(RecentDesign{dir, name, false});
        next += 2;
    }
    return data;
}

PositionData readPositionFile(const std::string& path, int desktopHeight) {
    // A few hundred bytes when sound; a device, a pipe or a huge file in its
    // place is taken as no position file.
    constexpr std::uintmax_t kMaxPositionFileBytes = 1u << 16;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec) ||
        std::filesystem::file_size(path, ec) > kMaxPositionFileBytes || ec)
        return PositionData{};
    std::ifstream in(path, std::ios::binary);
    if (!in) return PositionData{};
    std::ostringstream ss;
    ss << in.rdbuf();
    return parsePositionFile(ss.str(), desktopHeight);
}

std::vector<RecentDesign> recentForExit(const std::vector<RecentDesign>& recent,
                                        const std::string& workingDirectory,
                                        const std::string& designName) {
    std::vector<RecentDesign> out;
    bool isDefault = isDefaultDesignName(designName);
    if (!isDefault) out.push_back(RecentDesign{workingDirectory, designName, false});
    for (const RecentDesign& r : recent) {
        if (out.size() >= static_cast<std::size_t>(kMaxRecentDesigns)) break;
        if (r.missing || r.name.empty()) continue;
        if (!isDefault && r.name == designName) continue;
        out.push_back(RecentDesign{r.directory, r.name, false});
    }
    return out;
}

std::string formatPositionFile(const PositionData& data, const std::string& workingDirectory,
                               const std::string& designName) {
    std::string out;
    char buf[80];
    for (const WindowRect& r : data.rects) {
        std::snprintf(buf, sizeof buf, "%d,%d,%d,%d\r\n", r.x, r.y, r.width, r.height);
        out += buf;
    }
    for (const RecentDesign& r : recentForExit(data.recent, workingDirectory, designName)) {
        out += r.directory + "\r\n";
        out += r.name + "\r\n";
    }
    return out;
}

bool writePositionFile(const std::string& path, const PositionData& data,
                       const std::string& workingDirectory, const std::string& designName) {
    std::ofstream outFile(path, std::ios::binary | std::ios::trunc);
    if (!outFile) return false;
    outFile << formatPositionFile(data, workingDirectory, designName);
    return static_cast<bool>(outFile);
}

} // namespace tanvex::shell
