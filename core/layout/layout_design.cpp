#include "layout/layout_design.h"

#include "design/paths.h"
#include "design/text_io.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace tanvex::layout {

namespace {

bool isPartLetter(char c) {
    return c == 'C' || c == 'L' || c == 'D';
}

std::string withoutLineEnds(std::string s) {
    std::size_t cut = s.find_first_of("\r\n");
    if (cut != std::string::npos) s.erase(cut);
    return s;
}

std::string rightTrimmed(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    return s;
}

// Column after the connection code's digits (and sign).
std::size_t afterCode(const std::string& line) {
    std::size_t k = 18;
    while (k < line.size() && line[k] == ' ') ++k;
    if (k < line.size() && (line[k] == '-' || line[k] == '+')) ++k;
    while (k < line.size() && line[k] >= '0' && line[k] <= '9') ++k;
    return k;
}

} // namespace

double LayoutDesign::referenceFrequency() const {
    double f = count + 1 < kEntrySlots ? branches[count + 1].value : 0.0;
    return f == 0.0 ? 1.0 : f;
}

Design LayoutDesign::toDesign() const {
    Design d;
    for (int i = 0; i < kEntrySlots; ++i)
        d.entries[i] = NetEntry{branches[i].value, branches[i].letter, branches[i].code};
    return d;
}

std::string LayoutDesign::path(const std::string& ext) const {
    return joinPath(directory, name + ext);
}

bool LayoutDesign::isPartBranch(int i) const {
    return i >= 1 && i < count && isPartLetter(branches[i].letter);
}

int readLayoutFile(const std::string& path, LayoutDesign& d, ui::Toolkit& tk) {
    std::vector<std::string> lines;
    if (readTextLines(resolveForReading(path), lines) != ReadStatus::kOk) {
        tk.notice("Bad file");
        return kLayoutCannotOpen;
    }
    std::array<BranchRecord, kEntrySlots> b{};
    int index = 0;
    bool closed = false;
    for (const std::string& raw : lines) {
        std::string line = withoutLineEnds(raw);
        if (line.size() < 19) continue;
        if (index >= kMaxLoadEntries) {
            tk.notice("Network too big!");
            return kLayoutTooBig;
        }
        BranchRecord& r = b[index];
        r.value = numberAt(line, 0);
        r.letter = charAt(line, 16);
        r.code = integerAt(line, 18); // the whole number: code 100 is not 10
        if (isPartLetter(r.letter)) {
            std::string text = line.size() > 25 ? line.substr(21) : std::string();
            if (r.letter == 'C' && text.size() > kCapDescription) {
                // A link is written after the description padded with a
                // blank to 41 characters; a 41st character that is not blank
                // belongs to an over-long description, not to a link.
                if (text[kCapDescription] == ' ') r.sitsOn = integerAt(text, kCapDescription);
                text.erase(kCapDescription);
            }
            text = rightTrimmed(text.substr(0, kDescriptionMax));
            if (text.size() < 2 || text[1] == ' ') text.clear();
            r.description = text;
        } else {
            r.rawTail = rightTrimmed(line.substr(std::min(afterCode(line), line.size())));
        }
        ++index;
        if (r.letter == 'x') {
            closed = true;
            break;
        }
    }
    int n = 0;
    for (int i = 1; i < index; ++i)
        if (b[i].code == 1) {
            n = i;
            break;
        }
    // A file without its terminator, or without a source before it, is not a
    // design this program could write back faithfully.
    if (!closed || n == 0 || n + 1 >= index) {
        tk.notice("Bad file");
        return kLayoutMalformed;
    }
    for (int i = 1; i < n; ++i) {
        BranchRecord& r = b[i];
        if (r.sitsOn < 0 || r.sitsOn >= n) r.sitsOn = 0;
    }
    d.branches = b;
    d.count = n;
    d.modified = false;
    d.splitMade = false;
    return 0;
}

std::string branchText(const BranchRecord& b) {
    if (!isPartLetter(b.letter)) return b.rawTail;
    std::string text = withoutLineEnds(b.description);
    if (b.letter == 'C') {
        // Cut to its 40 characters so that none of its digits can stand in
        // the sits-on column.
        if (text.size() > kCapDescription) text.erase(kCapDescription);
        if (b.sitsOn != 0) return formatText("%-41s%d", text.c_str(), b.sitsOn);
    }
    return text.substr(0, kDescriptionMax);
}

int writeLayoutFile(const std::string& path, LayoutDesign& d, ui::Toolkit& tk, bool clearModified) {
    if (d.count < 1 || d.count + 1 >= kEntrySlots) {
        tk.notice("Bad file");
        return kLayoutMalformed;
    }
    AtomicTextFile f(path);
    for (int i = 0; i <= d.count + 1; ++i) {
        const BranchRecord& b = d.branches[i];
        char letter = i == d.count + 1 ? 'x' : (b.letter ? b.letter : ' ');
        std::string value = fixedE(b.value, 15, 8);
        if (!isPartLetter(letter) && !b.rawTail.empty()) {
            // The main program's own layout: the text follows the code directly.
            f.line(value + formatText(" %c %d", letter, b.code) + b.rawTail);
        } else {
            f.line(value + formatText(" %c %-2d %s", letter, b.code, branchText(b).c_str()));
        }
    }
    if (!f.commit()) {
        tk.notice("Bad file");
        return kLayoutCannotOpen;
    }
    if (clearModified) d.modified = false;
    return 0;
}

int averageQ(const LayoutDesign& d) {
    double sum = 0.0;
    int found = 0;
    for (int i = 1; i < d.count; ++i) {
        const BranchRecord& b = d.branches[i];
        if (b.letter != 'L') continue;
        std::size_t at = b.description.find("Qu=");
        if (at == std::string::npos) continue;
        sum += std::atof(b.description.c_str() + at + 3);
        ++found;
    }
    return found ? static_cast<int>(sum / found) : 0;
}

double pairResonance(const LayoutDesign& d, int i) {
    if (i < 1 || i >= d.count) return 0.0;
    const BranchRecord& a = d.branches[i];
    for (int j : {i - 1, i + 1}) {
        if (j < 1 || j >= d.count) continue;
        const BranchRecord& b = d.branches[j];
        bool pair = (a.letter == 'L' && b.letter == 'C') || (a.letter == 'C' && b.letter == 'L');
        if (!pair || a.code != b.code) continue;
        double p = a.value * b.value;
        if (p > 0.0) return 1.0 / (2.0 * M_PI * std::sqrt(p));
    }
    return 0.0;
}

double lineFrequency(const LayoutDesign& d, int i) {
    for (int k = std::min(i, d.count) - 1; k >= 1; --k)
        if (d.branches[k].code == 22 && d.branches[k].value > 0.0) return d.branches[k].value;
    return d.referenceFrequency();
}

bool descriptionSize(const std::string& text, double& width, double& length) {
    const char* s = text.c_str();
    char* end = nullptr;
    width = std::strtod(s, &end);
    if (end == s) return false;
    const char* p = end;
    while (*p == ' ') ++p;
    if (*p != 'x') return false;
    ++p;
    const char* q = p;
    length = std::strtod(q, &end);
    if (end == q) return false;
    return width > 0.0 && length > 0.0 && std::isfinite(width) && std::isfinite(length);
}

} // namespace tanvex::layout
