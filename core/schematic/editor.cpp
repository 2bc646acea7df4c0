#include "schematic/editor.h"

#include "design/design_file.h"
#include "design/operations.h"
#include "schematic/network_edit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tanvex::schematic {

namespace {

// Numbers of a typed answer: one or more numbers separated by commas or blanks.
std::vector<double> numbersOf(const std::string& text) {
    std::vector<double> out;
    const char* p = text.c_str();
    while (*p) {
        while (*p == ' ' || *p == ',' || *p == '\t') ++p;
        if (!*p) break;
        char* end = nullptr;
        double v = std::strtod(p, &end);
        if (end == p) break;
        out.push_back(v);
        p = end;
    }
    return out;
}

bool blank(const std::string& s) {
    return s.find_first_not_of(" \t") == std::string::npos;
}

constexpr double kNormalizedBelow = 0.16;

bool sameNetwork(const EntryList& a, const EntryList& b) {
    for (int i = 0; i < kEntrySlots; ++i)
        if (a[i].code != b[i].code || a[i].letter != b[i].letter ||
            std::memcmp(&a[i].value, &b[i].value, sizeof(double)) != 0)
            return false;
    return true;
}

} // namespace

const char* editorHelpFile(int command) {
    static const char* kFiles[6] = {"ED_M.HLW", "ED_1.HLW", "ED_2.HLW",
                                    "ED_3.HLW", "ED_S.HLW", "ED_N.HLW"};
    if (command < kCmdHelpMain || command > kCmdHelpMain + 5) return "";
    return kFiles[command - kCmdHelpMain];
}

Editor::Editor(Design& design, ui::Toolkit& toolkit) : design_(design), tk_(toolkit) {
    renderer_.toolkit = &toolkit;
}

void Editor::open() {
    top_ = 0;
    normFrequency_ = normTermination_ = 0.0;
    openNotation_ = reapplyStoredNotation(design_);
    presetRatio_ = 1.0;
    first_ = second_ = -1;
    spread_ = false;
    if (referenceFrequency(design_.entries) < kNormalizedBelow)
        applyElectricalNotation(design_.notation, kNotationNormalized);
    status_.clear();
    for (auto& buffer : ring_) buffer.reset();
    ringIndex_ = 0;
    backedUp_ = false;
}

void Editor::closed() {
    applyElectricalNotation(design_.notation, openNotation_);
    for (auto& buffer : ring_) buffer.reset();
    ringIndex_ = 0;
    first_ = second_ = -1;
}

bool Editor::unchanged() const {
    return isSaved(design_.record);
}

std::string Editor::takeHelpRequest() {
    std::string h = help_;
    help_.clear();
    return h;
}

int Editor::undoCount() const {
    int count = 0;
    for (const auto& buffer : ring_)
        if (buffer && (*buffer)[0].code != 0) ++count;
    return count;
}

// ---- Undo ring ---------------------------------------------------------------

void Editor::snapshot() {
    snapshotOf(design_.entries);
}

void Editor::snapshotOf(const EntryList& list) {
    auto& buffer = ring_[ringIndex_];
    if (!buffer) buffer = std::make_unique<EntryList>();
    *buffer = list;
    ringIndex_ = (ringIndex_ + 1) % kUndoDepth;
}

void Editor::oops() {
    ringIndex_ = ringIndex_ == 0 ? kUndoDepth - 1 : ringIndex_ - 1;
    auto& buffer = ring_[ringIndex_];
    if (buffer && (*buffer)[0].code != 0) {
        design_.entries = *buffer;
        (*buffer)[0].code = 0;
    } else {
        tk_.beep();
    }
}

// ---- Registers -----------------------------------------------------------------

void Editor::saveRegister(const std::string& name) {
    if (transferDesign(design_, name, 'w', kTransferWhole, tk_) == 0) status_ = " ** Done **";
}

void Editor::recallRegister(const std::string& name) {
    snapshot();
    transferDesign(design_, name, 'r', kTransferWhole, tk_);
    if (referenceFrequency(design_.entries) <= kNormalizedBelow)
        applyElectricalNotation(design_.notation, kNotationNormalized);
    else
        applyElectricalNotation(design_.notation, openNotation_);
}

// ---- Commands --------------------------------------------------------------------

bool Editor::changesNetwork(int c) const {
    switch (c) {
    case kCmdChange:
    case kCmdCombine:
    case kCmdDelete:
    case kCmdInsert:
    case kCmdInterchange:
    case kCmdMove:
    case kCmdRotate:
    case kCmdCopy:
    case kCmdReverse:
    case kCmdQException:
    case kCmdSplit:
        return true;
    default:
        return c >= kCmdNorm && c <= kCmdFreq;
    }
}

Editor::Result Editor::run(int c) {
    // The status line and the value report stay up until the next command
    // (a window repaints more often than once per command).
    status_.clear();
    spread_ = false;
    error_.clear();
    given_.clear();
    promptLine_ = 0;
    if (c >= kCmdSaveRegister1 && c <= kCmdSaveRegister1 + 8) {
        saveRegister("save" + std::to_string(c - kCmdSaveRegister1 + 1));
        return Result::Stay;
    }
    if (c == kCmdSaveRegisterBlank) {
        saveRegister("save");
        return Result::Stay;
    }
    if (c >= kCmdRecallRegister1 && c <= kCmdRecallRegister1 + 8) {
        recallRegister("save" + std::to_string(c - kCmdRecallRegister1 + 1));
        return Result::Stay;
    }
    if (c == kCmdRecallRegisterBlank) {
        recallRegister("save");
        return Result::Stay;
    }
    if (c == kCmdExit) return requestClose() ? Result::Close : Result::Stay;
    if (c == kCmdPreviousMenu) return Result::Stay; // the window switches menus
    if (c >= kCmdHelpMain && c <= kCmdHelpMain + 5) {
        help_ = editorHelpFile(c);
        tk_.showHelp(help_);
        return Result::Stay;
    }

    // A transform that changes nothing (a refusal, an abandoned prompt)
    // leaves no snapshot and does not mark the design changed.
    const bool transform = isTransform(c);
    const bool wasUnchanged = unchanged();
    // The first change keeps the design as it was, to return to on "No".
    // The backup is taken once per opening, whatever the unchanged flag
    // says: a design changed before the editor opened (edits kept by an
    // earlier opening, a Calculate) must not fall back to an older "tmp_ed".
    if (!backedUp_ && c != kCmdOops && c != kCmdSpread) {
        savedAtBackup_ = unchanged();
        int notation = design_.notation.electrical;
        transferDesign(design_, "tmp_ed", 'w', kTransferWhole, tk_);
        // Writing re-applies the stored notation; the editor keeps its own.
        applyElectricalNotation(design_.notation, notation);
        setSaved(design_.record, false);
        backedUp_ = true;
    } else if (unchanged() && c != kCmdOops && c != kCmdSpread) {
        setSaved(design_.record, false);
    }
    groups_ = buildGroupMap(design_.entries);
    if (first_ >= 0) {
        char buf[32];
        if (second_ >= 0) {
            int a = first_, b = second_;
            if (c == kCmdMove)
                std::swap(a, b); // first clicked first
            else if (c != kCmdRatio && a > b)
                std::swap(a, b); // smaller first
            std::snprintf(buf, sizeof buf, "%d,%d", a, b);
        } else {
            std::snprintf(buf, sizeof buf, "%d", first_);
        }
        given_ = buf;
        first_ = second_ = -1;
    }
    if (changesNetwork(c)) snapshot();
    // A transform's snapshot is the network as it was before it, kept only
    // when it changed something (a refusal must not push the oldest state
    // out of the ring).
    const EntryList before = design_.entries;
    execute(c);
    given_.clear();
    if (transform) {
        if (sameNetwork(before, design_.entries))
            setSaved(design_.record, wasUnchanged);
        else
            snapshotOf(before);
    }
    if (!error_.empty()) tk_.notice(error_);
    return Result::Stay;
}

void Editor::execute(int c) {
    switch (c) {
    case kCmdOops:
        oops();
        break;
    case kCmdSpread:
        spread_ = true;
        spreadBeep_ = true;
        break;
    case kCmdChange:
        change();
        break;
    case kCmdDelete:
        remove();
        break;
    case kCmdInsert:
        insert();
        break;
    case kCmdCombine:
        combine();
        break;
    case kCmdInterchange:
        interchange();
        break;
    case kCmdMove:
        move();
        break;
    case kCmdRotate:
        if (!rotate()) error_ = "* Incorrect configuration *";
        break;
    case kCmdCopy:
        copy();
        break;
    case kCmdReverse:
        reverse();
        break;
    case kCmdQException:
        qException();
        break;
    case kCmdRatio:
        ratio();
        break;
    case kCmdSplit:
        split();
        break;
    case kCmdNorm:
        norm();
        break;
    case kCmdUnNorm:
        unNorm();
        break;
    case kCmdTermZo:
    case kCmdSrcZo:
    case kCmdRatioZo:
        scaleZo(c);
        break;
    case kCmdInvert:
        invert();
        break;
    case kCmdDual:
        dual();
        break;
    case kCmdFreq:
        freq();
        break;
    case kCmdBandpass:
        bandpass();
        break;
    default:
        transform(c);
        break;
    }
}

bool Editor::requestClose() {
    if (unchanged()) return true;
    tk_.setPrompt(0, "Exit and save work");
    tk_.setPrompt(1, "[Yes] save work - [No] abort changes - [Cancel] no exit");
    char k = tk_.keyBox("YNC");
    if (k == 'Y' || k == 'y') return true;
    if (k == 'N' || k == 'n') {
        // Only this opening's edits are abandoned; a design that was already
        // changed when the editor opened stays marked as changed.
        if (backedUp_) {
            transferDesign(design_, "tmp_ed", 'r', kTransferWhole, tk_);
            backedUp_ = false;
        }
        setSaved(design_.record, savedAtBackup_);
        return true;
    }
    return false;
}

// ---- Prompts ---------------------------------------------------------------------

void Editor::addPrompt(const std::string& text, int attribute) {
    if (promptLine_ < ui::kPromptLines) tk_.setPrompt(promptLine_++, text, attribute);
}

bool Editor::askNumber(double& value) {
    tk_.inputBox();
    promptLine_ = 0;
    if (blank(tk_.textResult)) return false;
    value = tk_.numberResult;
    return true;
}

int Editor::askOne(char kind) {
    if (!given_.empty()) {
        std::vector<double> v = numbersOf(given_);
        given_.clear();
        if (v.size() >= 2 && static_cast<int>(v[0]) != static_cast<int>(v[1])) {
            tk_.beep();
            addPrompt("* Two branches are selected *", 4);
        } else if (!v.empty()) {
            return static_cast<int>(v[0]);
        }
    }
    switch (kind) {
    case '+':
        addPrompt("After what branch number ? ");
        break;
    case 'c':
        addPrompt("Branch number of center element ? ");
        break;
    default:
        addPrompt("At what branch number ? ");
        break;
    }
    tk_.inputBox();
    promptLine_ = 0;
    return static_cast<int>(std::trunc(tk_.numberResult));
}

int Editor::askBranch(std::initializer_list<const char*> lines) {
    if (!given_.empty()) return askOne('@');
    for (const char* line : lines) addPrompt(line);
    tk_.inputBox();
    promptLine_ = 0;
    return static_cast<int>(std::trunc(tk_.numberResult));
}

int Editor::askTwo(bool required, int& a, int& b) {
    a = b = 0;
    for (;;) {
        std::vector<double> v;
        if (!given_.empty()) {
            v = numbersOf(given_);
            given_.clear();
        } else {
            addPrompt(" What two branch numbers ? ");
            tk_.inputBox();
            promptLine_ = 0;
            if (blank(tk_.textResult)) return 0; // nothing typed: branch 0
            v = numbersOf(tk_.textResult);
        }
        if (v.empty()) return 0;
        a = static_cast<int>(v[0]);
        b = v.size() >= 2 ? static_cast<int>(v[1]) : a;
        int count = v.size() >= 2 ? 2 : 1;
        if (!required || count == 2) return count;
        tk_.beep();
    }
}

// ---- Mouse, scrolling, painting ----------------------------------------------

void Editor::select(int branch) {
    if (branch < 0) return;
    if (first_ >= 0) second_ = first_;
    first_ = branch;
}

bool Editor::click(int row, int column) {
    int branch = renderer_.branchAtLine(row);
    if (branch < 0) return false;
    auto map = buildGroupMap(design_.entries);
    if (branch < static_cast<int>(map.size()) && map[branch] > 1) {
        int last = branch + map[branch] - 1;
        if (column > 40) ++branch;
        if (column > 58) ++branch;
        if (branch > last) branch = last;
    }
    select(branch);
    return true;
}

void Editor::scrollLines(int delta) {
    int count = n();
    int t = std::clamp(top_ + delta, 0, count);
    auto map = buildGroupMap(design_.entries);
    if (delta > 0) {
        while (t < count && map[t] <= 0) ++t;
    } else {
        t = groupStart(map, t);
    }
    top_ = t;
}

void Editor::scrollTop() {
    top_ = 0;
}

void Editor::scrollBottom() {
    top_ = 0;
    scrollLines(n() - 7);
}

void Editor::scrollThumb(int position) {
    int target = position * n() / 100;
    int old = top_;
    top_ = 0;
    scrollLines(target);
    if (top_ < old) {
        auto map = buildGroupMap(design_.entries);
        top_ = groupStart(map, top_);
    }
}

int Editor::scrollPosition() const {
    int count = n();
    return count > 0 ? top_ * 100 / count : 0;
}

void Editor::paint(ui::TextScreen& screen) {
    screen.clear();
    int rows = screen.rows();
    visibleLines_ = std::max(1, rows - kMessageRows);
    renderer_.window.screen = &screen;
    renderer_.window.topRow = 0;
    renderer_.window.leftColumn = 0;
    renderer_.window.visibleLines = visibleLines_;
    renderer_.window.firstSelected = first_;
    renderer_.window.secondSelected = second_;
    renderer_.config.plainCharacters = plainOnScreen(design_.record);
    renderer_.draw(design_, SinkKind::Window, top_, -1);

    // The message area: a frame around the status line or the value report.
    int top = rows - kMessageRows;
    if (top < 0) return;
    int cols = screen.columns();
    const unsigned char h = 196, v = 179;
    for (int c = 1; c < cols - 1; ++c) {
        screen.put(c, top, h, kAttrNormal);
        screen.put(c, rows - 1, h, kAttrNormal);
    }
    for (int r = top + 1; r < rows - 1; ++r) {
        screen.put(0, r, v, kAttrNormal);
        screen.put(cols - 1, r, v, kAttrNormal);
    }
    screen.put(0, top, 218, kAttrNormal);
    screen.put(cols - 1, top, 191, kAttrNormal);
    screen.put(0, rows - 1, 192, kAttrNormal);
    screen.put(cols - 1, rows - 1, 217, kAttrNormal);
    int row = top + 1;
    if (spread_) {
        auto lines = valueRangeReport(design_, 1, n(), spreadBeep_ ? &tk_ : nullptr);
        spreadBeep_ = false; // beep once, not at every repaint
        for (const auto& line : lines)
            if (row < rows - 1) screen.text(2, row++, line.substr(0, cols - 4), kAttrNormal);
    }
    if (!status_.empty() && row < rows - 1)
        screen.text(2, row, status_.substr(0, cols - 4), kAttrNormal);
    ++screen.revision;
}

} // namespace tanvex::schematic
