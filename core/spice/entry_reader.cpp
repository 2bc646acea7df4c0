#include "spice/entry_reader.h"

#include <climits>
#include <cstdlib>
#include <string>

namespace tanvex::spice {

namespace {

std::string_view skipBlanks(std::string_view s) {
    std::size_t k = 0;
    while (k < s.size() && (s[k] == ' ' || s[k] == '\t')) ++k;
    return s.substr(k);
}

// strtod semantics (leading blanks, stops at the first character that does not
// fit, 0 when there is no number). The programs run in the C numeric locale.
double parseNumber(std::string_view s) {
    std::string text(s);
    return std::strtod(text.c_str(), nullptr);
}

int parseInteger(std::string_view s) {
    s = skipBlanks(s);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    long long v = 0;
    for (char ch : s) {
        if (ch < '0' || ch > '9') break;
        v = v * 10 + (ch - '0');
        if (v > INT_MAX) v = INT_MAX; // saturate: any such code is simply unknown
    }
    return static_cast<int>(negative ? -v : v);
}

} // namespace

NetEntry parseEntryLine(std::string_view line) {
    if (line.size() > kLineChars) line = line.substr(0, kLineChars);
    NetEntry e;
    e.value = parseNumber(line);
    e.letter = line.size() > 16 ? line[16] : '\0';
    e.code = line.size() > 18 ? parseInteger(line.substr(18)) : 0;
    return e;
}

ReadStatus readEntries(std::istream& in, std::vector<NetEntry>& entries) {
    entries.clear();
    std::string line;
    while (in) {
        line.clear();
        int ch;
        bool any = false;
        while ((ch = in.get()) != std::char_traits<char>::eof() && ch != '\n') {
            any = true;
            if (line.size() >= kMaxLineBytes) return ReadStatus::LineTooLong;
            line += static_cast<char>(ch);
        }
        if (!any && ch != '\n') break;
        while (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() <= 18) continue;
        if (entries.size() >= static_cast<std::size_t>(kMaxLoadEntries)) return ReadStatus::TooBig;
        NetEntry e = parseEntryLine(line);
        entries.push_back(e);
        if (e.letter == 'x') return ReadStatus::Ok;
    }
    return ReadStatus::NoTerminator;
}

} // namespace tanvex::spice
