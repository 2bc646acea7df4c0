#include "ui/help.h"

#include "ui/toolkit.h"

#include <cstdlib>
#include <filesystem>
#include <utility>

namespace tanvex::ui {

namespace {

// Help lines are a screen wide; what lies beyond this in a damaged file is
// passed over instead of kept.
constexpr std::size_t kMaxHelpLine = 1024;

// One line from f without its line end (CR LF or LF); false at end of file.
bool readLine(std::FILE* f, std::string& line) {
    line.clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(f)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (line.size() < kMaxHelpLine) line += static_cast<char>(c);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

// Help files are regular files; a device or a pipe given in their place
// would be read for ever.
std::FILE* openRegular(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return nullptr;
    return std::fopen(path.c_str(), "rb");
}

std::string joinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

} // namespace

bool readHelpIndex(const std::string& path, std::vector<HelpIndexEntry>& entries) {
    entries.clear();
    std::FILE* f = openRegular(path);
    if (!f) return false;
    std::string line;
    while (static_cast<int>(entries.size()) < HelpViewer::kMaxIndex && readLine(f, line)) {
        if (line.size() <= 11) continue; // no name: not an entry
        HelpIndexEntry e;
        e.offset = std::strtol(line.c_str(), nullptr, 10);
        e.name = line.substr(11, 15);
        while (!e.name.empty() && (e.name.back() == ' ' || e.name.back() == '\t'))
            e.name.pop_back();
        if (e.offset < 0 || e.name.empty()) continue;
        entries.push_back(e);
    }
    std::fclose(f);
    return true;
}

int helpCodeAttribute(unsigned char code) {
    switch (code) {
    case 1:
        return 128;
    case 2:
        return 14;
    case 6:
        return 6;
    case 15:
        return 23;
    case 16:
        return 2;
    case 19:
        return 71;
    case 21:
        return 4;
    case 22:
        return 3;
    default:
        return -1;
    }
}

std::string expandHelpRuns(const std::string& packed) {
    std::string out;
    for (std::size_t i = 0; i < packed.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(packed[i]);
        if (b == 178) {
            // A run cut off by the end of the line is dropped.
            if (i + 2 >= packed.size()) break;
            int n = static_cast<unsigned char>(packed[i + 2]) - 48;
            if (n > 0) out.append(static_cast<std::size_t>(n), packed[i + 1]);
            i += 2;
        } else if (b >= 131 && b <= 177) {
            out.append(static_cast<std::size_t>(b - 130), ' ');
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

std::string packHelpRuns(const std::string& text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t j = i;
        while (j < text.size() && text[j] == text[i]) ++j;
        std::size_t n = j - i;
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ' ' && n >= 2) {
            while (n > 0) {
                std::size_t k = std::min<std::size_t>(n, 47);
                out += static_cast<char>(130 + k);
                n -= k;
            }
        } else if (n >= 4 && c >= 23) {
            while (n > 0) {
                std::size_t k = std::min<std::size_t>(n, 255 - 48);
                out += static_cast<char>(178);
                out += static_cast<char>(c);
                out += static_cast<char>(48 + k);
                n -= k;
            }
        } else {
            out.append(n, static_cast<char>(c));
        }
        i = j;
    }
    return out;
}

HelpLine parseHelpLine(const std::string& raw) {
    HelpLine line;
    std::string piece;
    int attr = 7;      // attribute of the piece being collected
    bool plain = true; // pieces alternate: plain, coloured, plain, ...
    for (unsigned char b : raw) {
        int code = helpCodeAttribute(b);
        if (code >= 0) {
            if (!piece.empty()) line.push_back({expandHelpRuns(piece), attr});
            piece.clear();
            plain = !plain;
            attr = plain ? 7 : code;
            continue;
        }
        if (b < 23) continue;
        piece += static_cast<char>(b);
    }
    if (!piece.empty()) line.push_back({expandHelpRuns(piece), attr});
    return line;
}

HelpViewer::HelpViewer(Toolkit& toolkit, std::string homeDirectory)
    : toolkit_(toolkit), home_(std::move(homeDirectory)) {}

HelpViewer::~HelpViewer() {
    if (file_) std::fclose(file_);
}

bool HelpViewer::show(const std::string& topic) {
    if (file_ && topic == topic_) return true;
    if (file_) close();

    if (!indexRead_) indexRead_ = readHelpIndex(joinPath(home_, "HLW_NDX.DAT"), index_);
    const HelpIndexEntry* found = nullptr;
    std::size_t at = 0;
    if (indexRead_) {
        for (; at < index_.size(); ++at)
            if (index_[at].name == topic) {
                found = &index_[at];
                break;
            }
    }
    std::string path;
    if (found) {
        path = joinPath(home_, "tanvexw.hlw");
        start_ = found->offset;
        // The topic ends where the next one in the file starts. The index
        // lists topics in file order; one that does not (a hand-edited
        // index) still gives each topic its own text, not an empty page.
        end_ = 0;
        for (const HelpIndexEntry& e : index_)
            if (e.offset > start_ && (end_ == 0 || e.offset < end_)) end_ = e.offset;
    } else {
        path = joinPath(home_, topic);
        start_ = 0;
        end_ = 0;
        indexRead_ = false; // tried again at the next request
    }
    file_ = openRegular(path);
    if (!file_) {
        if (found)
            toolkit_.notice(path + " file missing!");
        else
            toolkit_.notice("HLW_NDX.DAT or " + topic + " files missing!");
        topic_.clear();
        return false;
    }
    topic_ = topic;
    pages_.assign(1, start_);
    page_ = 0;
    if (onOpen) onOpen();
    loadPage();
    return isOpen();
}

void HelpViewer::loadPage() {
    lines_.clear();
    if (!file_) return;
    if (std::fseek(file_, pages_[page_], SEEK_SET) != 0) {
        close();
        return;
    }
    std::string raw;
    for (int row = 0; row < kPageRows; ++row) {
        long pos = std::ftell(file_);
        if (end_ > 0 && pos >= end_) {
            // Nothing of this topic left on the page: it is finished. (A
            // last page of one line is still shown.)
            if (lines_.empty()) {
                close();
                return;
            }
            break;
        }
        if (!readLine(file_, raw)) {
            // Paging past the last page closes, as at an indexed topic's end.
            if (row == 0 && page_ > 0) {
                close();
                return;
            }
            break;
        }
        if (!raw.empty() && raw[0] == '\f') {
            // A form feed that only leads to the topic's end is no page.
            if (lines_.empty() && end_ > 0 && std::ftell(file_) >= end_) {
                close();
                return;
            }
            break;
        }
        lines_.push_back(parseHelpLine(raw));
    }
    reached_ = std::ftell(file_);
    if (onChange) onChange();
}

std::vector<std::string> HelpViewer::pageText() const {
    std::vector<std::string> out;
    for (const auto& line : lines_) {
        std::string s;
        for (const auto& piece : line) s += piece.text;
        out.push_back(s);
    }
    return out;
}

void HelpViewer::top() {
    if (!file_) return;
    page_ = 0;
    loadPage();
}

void HelpViewer::previous() {
    if (!file_) return;
    if (page_ > 0) --page_;
    loadPage();
}

void HelpViewer::next() {
    if (!file_) return;
    if (page_ + 1 >= kMaxPages) return; // the page table is full
    pages_.resize(static_cast<std::size_t>(page_) + 1);
    pages_.push_back(reached_);
    ++page_;
    loadPage();
}

void HelpViewer::close() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    topic_.clear();
    lines_.clear();
    if (onClose) onClose();
}

} // namespace tanvex::ui
