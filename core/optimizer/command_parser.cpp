#include "optimizer/command_parser.h"

#include "design/text_io.h"

#include <cctype>
#include <cstdlib>

namespace tanvex::optimizer {

std::string rewriteCommand(const std::string& typed, bool& continuous) {
    std::string s;
    for (char c : typed) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (c == 'R') continuous = true;
        if (c == 'G' || c == 'R' || c == ':' || c == ' ' || c == '\t') continue;
        s += c;
    }
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        const bool letter = c >= 'A' && c <= 'F';
        if (letter && i + 2 < s.size() && s[i + 1] == '-' && s[i + 2] >= 'A' && s[i + 2] <= 'Z') {
            const char last = std::min(s[i + 2], 'F');
            for (char l = c; l <= last; ++l) {
                if (l != c) out += ',';
                out += l;
            }
            i += 2;
            continue;
        }
        out += c;
    }
    if (out.size() > static_cast<std::size_t>(kCommandLength)) out.resize(kCommandLength);
    return out;
}

namespace {

// A whole number filling text[from, to); false when it is not one.
bool wholeNumber(const std::string& text, int& value) {
    if (text.empty() || text.size() > 6) return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    value = std::atoi(text.c_str());
    return true;
}

struct Parser {
    const EntryList& entries;
    const Setups& setups;
    int last = 0; // the source entry: the last branch
    ParsedCommand result;

    bool fail(const std::string& message) {
        result.ok = false;
        result.items.clear();
        result.message = message;
        return false;
    }

    bool checkBranch(int b) {
        if (b >= 1 && b <= last) return true;
        return fail(formatText("Branch %d is not in the network (1-%d)!", b, last));
    }

    bool parseList(const std::string& command, int setup, int depth) {
        std::size_t start = 0;
        while (start <= command.size()) {
            std::size_t comma = command.find(',', start);
            if (comma == std::string::npos) comma = command.size();
            const std::string item = command.substr(start, comma - start);
            start = comma + 1;
            if (!item.empty() && !parseItem(item, setup, depth)) return false;
        }
        return true;
    }

    bool parseItem(const std::string& item, int setup, int depth) {
        if (item == "L") {
            for (int b = 1; b < last; ++b)
                if (entries[static_cast<std::size_t>(b)].letter == 'L')
                    result.items.push_back({b, 0, setup});
            return true;
        }
        if (item.size() == 1 && item[0] >= 'A' && item[0] <= 'F') {
            const int slot = item[0] - 'A' + 1;
            const Setup& s = setups[static_cast<std::size_t>(slot)];
            if (s.job == 0) return fail(formatText("Abort - Memory %c: is not recorded!", item[0]));
            // Saved setups hold branch lists only; the depth guard keeps a
            // hand-made record from calling itself.
            if (depth > 0) return fail("Saved setups can't call each other");
            return parseList(s.command, slot, depth + 1);
        }
        if (item[0] == '-') return fail(formatText("Negative branch number: %s", item.c_str()));
        const std::size_t op = item.find_first_of("-/&");
        int a = 0;
        if (op == std::string::npos) {
            if (!wholeNumber(item, a)) return fail(formatText("Can't read \"%s\"", item.c_str()));
            if (!checkBranch(a)) return false;
            result.items.push_back({a, 0, setup});
            return true;
        }
        int b = 0;
        if (!wholeNumber(item.substr(0, op), a) || !wholeNumber(item.substr(op + 1), b)) {
            if (item.size() > op + 1 && item[op + 1] == '-')
                return fail(formatText("Negative branch number: %s", item.c_str()));
            return fail(formatText("Can't read \"%s\"", item.c_str()));
        }
        if (!checkBranch(a) || !checkBranch(b)) return false;
        switch (item[op]) {
        case '-': {
            const int dir = b >= a ? 1 : -1;
            for (int k = a;; k += dir) {
                result.items.push_back({k, 0, setup});
                if (k == b) break;
            }
            return true;
        }
        default:
            if (a == b) return fail(formatText("Branch %d can't be its own partner!", a));
            result.items.push_back({a, item[op] == '/' ? b : -b, setup});
            return true;
        }
    }
};

} // namespace

ParsedCommand parseCommand(const std::string& command, const EntryList& entries,
                           const Setups& setups) {
    Parser p{entries, setups, entryCount(entries), {}};
    if (p.last >= kEntrySlots - 1) {
        p.fail("Network has no source entry!");
        return p.result;
    }
    p.result.ok = true;
    if (!p.parseList(command, 0, 0)) return p.result;
    return p.result;
}

} // namespace tanvex::optimizer
