// The help viewer's model: the topic index HLW_NDX.DAT, the combined help
// file tanvexw.hlw (or a separate .HLW page), paging, colour codes and the
// run-length packing of help text. The Qt window (gui/ui/help_window.h)
// draws the page this model holds.
//
//   HelpViewer help(toolkit, homeDirectory);
//   help.show("MAIN.HLW");            // notices when files are missing
//   for (const HelpLine& line : help.lines()) ...   // pieces with attributes
//   help.next();                      // past the topic's end closes it
#pragma once

#include <array>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace tanvex::ui {

class Toolkit;

struct HelpIndexEntry {
    std::string name; // up to 15 characters
    long offset = 0;
};

// Reads the index file (offset at column 0, topic name from column 11; CR
// LF or LF line ends); at most 49 entries. False when it cannot be opened.
bool readHelpIndex(const std::string& path, std::vector<HelpIndexEntry>& entries);

// Attribute of a help colour code (1, 2, 6, 15, 16, 19, 21, 22), else -1.
int helpCodeAttribute(unsigned char code);

// Run-length expansion: 178 c n writes c (n - 48) times; a byte from 131
// to 177 writes (byte - 130) blanks; anything else is copied.
std::string expandHelpRuns(const std::string& packed);
// The packer's side: runs of 4 or more equal characters become codes.
std::string packHelpRuns(const std::string& text);

struct HelpPiece {
    std::string text; // expanded, code page 437
    int attribute = 7;
};
using HelpLine = std::vector<HelpPiece>;

// One line of topic text (no line end) cut at its colour codes into
// pieces drawn alternately in attribute 7 and in the attribute of the code
// that ended the piece before; other codes below 23 are dropped.
HelpLine parseHelpLine(const std::string& raw);

class HelpViewer {
public:
    static constexpr int kMaxIndex = 49;
    static constexpr int kMaxPages = 50;
    // Text rows a page can show (rows 3..28 of the window's frame); a page
    // without a form feed continues on the next page after this many.
    static constexpr int kPageRows = 26;

    HelpViewer(Toolkit& toolkit, std::string homeDirectory);
    ~HelpViewer();
    HelpViewer(const HelpViewer&) = delete;
    HelpViewer& operator=(const HelpViewer&) = delete;

    void setHomeDirectory(const std::string& home) { home_ = home; }
    const std::string& homeDirectory() const { return home_; }

    // Opens the topic (nothing happens when it is already shown; another
    // open topic is closed first). False, after the notice, when its file
    // is missing.
    bool show(const std::string& topic);
    bool isOpen() const { return file_ != nullptr; }
    const std::string& topic() const { return topic_; }
    int page() const { return page_; }
    const std::vector<HelpLine>& lines() const { return lines_; }
    // The page's text without colours, one string per row (tests, logs).
    std::vector<std::string> pageText() const;

    void top();
    void previous();
    // The next page; past the end of an indexed topic the viewer closes.
    void next();
    void close();

    // Front-end hooks: a topic was opened, the page changed, the viewer
    // closed (the window goes away).
    std::function<void()> onOpen;
    std::function<void()> onChange;
    std::function<void()> onClose;

    // Saved window rectangle (kept by the front end).
    std::array<int, 4> rect{5, 5, 640, 480};

private:
    // Reads the current page from the file; closes at the topic's end.
    void loadPage();

    Toolkit& toolkit_;
    std::string home_;
    bool indexRead_ = false;
    std::vector<HelpIndexEntry> index_;
    std::FILE* file_ = nullptr;
    std::string topic_;
    long start_ = 0;
    long end_ = 0; // 0: runs to the end of the file
    std::vector<long> pages_;
    int page_ = 0;
    long reached_ = 0; // file position after the page just read
    std::vector<HelpLine> lines_;
};

} // namespace tanvex::ui
