#include "shell/shell.h"

#include "design/design_file.h"
#include "design/operations.h"
#include "design/paths.h"
#include "ui/gen_win.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numbers>

namespace tanvex::shell {

namespace {

std::string format(const char* fmt, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

// Splits a comma list the way the number-list parser does for plain
// numbers: fields end at ',' or '/'; a field ended by '/' keeps its old
// value. Returns how many fields there were; fills up to n values and marks
// which were given.
int parseList(const std::string& text, double* values, bool* given, int n) {
    int count = 0;
    std::size_t start = 0;
    while (true) {
        std::size_t end = text.find_first_of(",/", start);
        std::string field =
            text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        bool keep = end != std::string::npos && text[end] == '/';
        if (count < n && !keep) {
            char* stop = nullptr;
            double v = std::strtod(field.c_str(), &stop);
            values[count] = (stop == field.c_str() || !std::isfinite(v)) ? 0.0 : v;
            given[count] = true;
        }
        ++count;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return count;
}

bool blank(const std::string& s) {
    return s.find_first_not_of(" \t") == std::string::npos;
}

const char* const kQLabels[3] = {"  Ind. Ql", "  Cap. Qc", "Trans. Qt"};

} // namespace

bool designTypeUsesMatcher(int designType) {
    switch (designType) {
    case 3:
    case 4:
    case 5:
    case 6:
    case 9:
    case 10:
    case 11:
    case 14:
    case 17:
        return true;
    default:
        return false;
    }
}

double noiseBandwidth(const std::vector<double>& attenuationDb, double step, double multiplier) {
    double sum = 0.0;
    for (std::size_t i = 0; i + 1 < attenuationDb.size(); ++i)
        sum +=
            std::exp(-0.2302585 * attenuationDb[i]) + std::exp(-0.2302585 * attenuationDb[i + 1]);
    return 0.5 * step * sum * multiplier;
}

Shell::Shell(Design& d, ui::Toolkit& tk) : design(d), toolkit(tk) {
    transfer = [](Design& des, const std::string& name, char mode, int kind, ui::Toolkit& t) {
        return transferDesign(des, name, mode, kind, t);
    };
    registerBuiltIns();
}

void Shell::registerBuiltIns() {
    commands.add(kCmdMatcher, [this](int) {
        matcherSwitch();
        return 0;
    });
    commands.add(kCmdSetAllQ, [this](int) {
        setAllQ();
        return 0;
    });
    commands.addRange(kCmdSetQl, kCmdSetQt, [this](int id) {
        setOneQ(id - kCmdSetQl);
        return 0;
    });
    commands.add(kCmdSaveDesign, [this](int) { return saveCurrentDesign(); });
    commands.add(kCmdRecallDesign, [this](int) { return recallCurrentDesign(); });
    commands.addRange(kCmdRecentFirst, kCmdRecentLast,
                      [this](int id) { return openRecent(id - kCmdRecentFirst); });
    commands.addRange(kCmdMatchSource, kCmdMatchTermination, [this](int id) {
        // A reset match type makes the matcher start over for that end.
        design.record[id == kCmdMatchSource ? 8 : 9].letter = 'x';
        return impedanceMatcher ? impedanceMatcher(id == kCmdMatchSource ? 0 : 1) : 0;
    });
    commands.add(kCmdExternalRefLowpass, [this](int) { return makeExternalReference(); });
    commands.add(kCmdNoiseBandwidth, [this](int) { return noiseBandwidthCommand(); });
    commands.add(kCmdJoinDesigns, [this](int) { return fileOperations(); });
    commands.add(kCmdSetFileName, [this](int) { return setFileName(); });
    static const struct {
        int id;
        const char* page;
    } kHelpPages[] = {{kCmdBandpassHelp, "BP_MNU.HLW"},
                      {kCmdHelp, "MAIN.HLW"},
                      {kCmdNotchHelp, "REJ_MNU.HLW"},
                      {kCmdUtilitiesHelp, "UTIL_MNU.HLW"},
                      {kCmdFileHelp, "FILE.HLW"}};
    for (const auto& h : kHelpPages) {
        std::string page = h.page;
        commands.add(h.id, [this, page](int) {
            help(page);
            return 0;
        });
    }
    // 137: when the parameter dialog closes with CALCULATE (result 1), run
    // Calculate. The dialog itself is plugged in as "parameters dialog".
}

void Shell::setQ(int which, double value) {
    if (which < 0 || which > 2) return;
    // A Q below 0.1 (0 typed) means no loss.
    design.analysis[3 + which] = std::isfinite(value) ? normalizeQ(value) : kInfiniteQ;
}

void Shell::applySpecDefaults() {
    for (int i = 0; i < kSavedSlots; ++i) {
        design.record[i].letter = 'x';
        design.record[i].setText("x");
    }
    design.record[kSlotRefLowpass].setText("x_______________");
    design.record[kSlotSettings].setText(kDefaultSettings);
    setQ(0, 150.0);
    setQ(1, 500.0);
    setQ(2, 1000.0);
    design.record[kSlotNotation].letter = static_cast<char>('0' + kDefaultNotation);
    applyElectricalNotation(design.notation, kDefaultNotation);
}

void Shell::applyNetworkDefaults() {
    design.record[kSlotRefLowpass].value = 0.0;
    design.record[kSlotDesignType].value = 0.0;
    newDesign(design.entries);
}

void Shell::refreshMatcherFlag() {
    int type = wholeNumberOf(design.record[kSlotDesignType].value);
    design.record[kSlotMatcher].letter = designTypeUsesMatcher(type) ? 1 : 0;
}

int Shell::startUp(const std::string& designArgument) {
    env = readEnvironment();
    if (env.working.size() > kMaxWorkingDirectory)
        toolkit.notice("Path is too long! 178 characters max.");

    design.record[kSlotTemplate].setText(kValueTemplate);

    // Window positions and the recent designs: start directory first.
    std::string path = joinPath(env.start, kPositionFileName);
    if (!fileExists(path)) path = joinPath(env.home, kPositionFileName);
    positions = readPositionFile(path, desktopHeight);
    const WindowRect& g = positions.rects[kGenericWindow];
    toolkit.genWin().rect = {g.x, g.y, g.width, g.height};

    std::string name = blank(designArgument) ? "default" : designArgument;
    setDesignName(design, name);
    int r = transfer(design, name, 'r', kTransferWhole, toolkit);
    if (r & kNameTooLong) {
        // The name was refused; start on the default design instead.
        setDesignName(design, "default");
        r = transfer(design, "default", 'r', kTransferWhole, toolkit);
    }
    // A specification that was not read leaves slot 1 empty (a read one
    // always sets its layout letter).
    if ((r & kSpkFailed) || design.record[kSlotSettings].letter == 0) applySpecDefaults();
    // A network that was not read, or was refused, leaves no valid list.
    bool networkValid = design.entries[0].code == 1 && entryCount(design.entries) < kEntrySlots - 1;
    if ((r & kDznFailed) || !networkValid) applyNetworkDefaults();
    if (r == 0) refreshMatcherFlag();
    completeSettingsString(design.record);

    hardCopyFont = design.record[kSlotSettings].text[10];
    hardCopyRaster = design.record[kSlotSettings].text[11];

    // Re-apply the stored mechanical unit and electrical notation.
    reapplyStoredNotation(design);

    setSaved(design.record, true);

    std::ifstream help(joinPath(env.home, kHelpFileName));
    if (!help) {
        toolkit.notice("TANVEX is not installed correctly!\nInstall it in " + env.home +
                       " -OR- Environment must be:\n"
                       "TANVEX_HOME=[Path where the TANVEX data files are located]");
    }
    drawStatus();
    return r;
}

int Shell::runCommand(int id) {
    int result = 0;
    switch (id) {
    case kCmdParameters:
        // The parameter dialog returns 1 when closed with CALCULATE.
        result = commands.run(id);
        if (result == 1) result = commands.run(kCmdCalculate);
        break;
    case kCmdPresetBandpass: {
        // While the preset list runs, closing the window only beeps.
        bool was = busy;
        busy = true;
        result = commands.run(id);
        busy = was;
        // The list answers with the design command to run, 0 when cancelled.
        if (result >= kCmdDesignFirst && result <= kCmdDesignLast) result = runCommand(result);
        break;
    }
    case kCmdHardCopy:
        result = commands.run(id);
        // A non-zero answer of the review menu asks for the hard-copy
        // sequence, which ends in the review menu again.
        for (int rounds = 0; result != 0 && rounds < 1000; ++rounds)
            result = runCommand(kCmdHardCopySequence);
        break;
    case kCmdHardCopySequence:
        runCommand(kCmdMechanicalDimensions);
        if (mechanicalDimensionsQuiet) mechanicalDimensionsQuiet();
        commands.run(kCmdCalculate);
        result = commands.run(kCmdHardCopy);
        break;
    case kCmdMechanicalDimensions:
        result = commands.run(id);
        // Its result, if any, is run as a command.
        if (result > 0 && result != id && result != kCmdHardCopy) result = runCommand(result);
        break;
    default:
        result = commands.run(id);
        break;
    }
    return result;
}

int Shell::dispatch(int id) {
    // A menu entry whose facility this version does not have says so instead
    // of doing nothing.
    int result = 0;
    if (!commands.has(id) && !commandText(id).empty())
        toolkit.notice("Not implemented");
    else
        result = runCommand(id);
    drawStatus();
    if (repaint) repaint();
    return result;
}

void Shell::drawStatus() {
    if (env.workingStale || env.working.empty()) {
        env.working = currentDirectory();
        env.workingStale = false;
    }
    StatusInfo info = statusFromDesign(design);
    info.workingDirectory = env.working;
    info.noiseLine = noiseLine;
    info.columns = lastStatus_.columns;
    noiseLine.clear(); // shown once
    // The design's plain-character switch also holds for the text window
    // and the help pages.
    toolkit.genWin().asciiDrawing = info.asciiBoxes;
    lastStatus_ = info;
    drawStatusScreen(status, info);
}

void Shell::setStatusColumns(int columns) {
    if (columns == lastStatus_.columns) return;
    lastStatus_.columns = columns;
    // The design as it now is; a noise bandwidth line still on show stays.
    noiseLine = lastStatus_.noiseLine;
    drawStatus();
}

void Shell::click(int column, int row) {
    switch (statusClickAt(column, row)) {
    case StatusClick::MatcherSwitch:
        dispatch(kCmdMatcher);
        break;
    case StatusClick::StubOff:
        if (design.record[kSlotStubGen].text[0] == '1') {
            switchStubGeneratorOff();
            drawStatus();
            if (repaint) repaint();
        }
        break;
    case StatusClick::SetAllQ:
        dispatch(kCmdSetAllQ);
        break;
    case StatusClick::SetQl:
        dispatch(kCmdSetQl);
        break;
    case StatusClick::SetQc:
        dispatch(kCmdSetQc);
        break;
    case StatusClick::SetQt:
        dispatch(kCmdSetQt);
        break;
    case StatusClick::None:
        break;
    }
}

char Shell::typed(int character) {
    char key = statusMenuKey(character);
    if (key == 0) toolkit.beep();
    return key;
}

void Shell::switchStubGeneratorOff() {
    design.record[kSlotStubGen].text[0] = 'x';
}

void Shell::matcherSwitch() {
    ParamSlot& source = design.record[8];
    ParamSlot& term = design.record[9];
    char& flag = design.record[kSlotMatcher].letter;
    if (flag == 0) {
        // First use: enable both matching parameters and start disabled.
        ParamSlot& mask = design.record[kSlotRefLowpass];
        std::string m = mask.str();
        if (m.size() < 10) m.resize(10, '_');
        m[8] = '1';
        m[9] = '1';
        mask.setText(m);
        source.letter = 'X';
        term.letter = 'X';
        flag = 1;
    } else if (source.letter == 'x' && term.letter == 'x') {
        source.letter = 'X';
        term.letter = 'X';
    } else {
        source.letter = 'x';
        term.letter = 'x';
    }
}

void Shell::setAllQ() {
    toolkit.setPrompt(0, "(0=Inf.) Inductor Q, Cap. Q, Trans. Q ?");
    toolkit.defaultAnswer =
        format("%g", q(0)) + "," + format("%g", q(1)) + "," + format("%g", q(2));
    toolkit.inputBox();
    // An empty answer keeps the values (it would otherwise read as three
    // zeros, that is three infinite Qs).
    if (blank(toolkit.textResult)) return;
    double values[3] = {0, 0, 0};
    bool given[3] = {false, false, false};
    parseList(toolkit.textResult, values, given, 3);
    for (int i = 0; i < 3; ++i)
        if (given[i]) setQ(i, values[i]);
}

void Shell::setOneQ(int which) {
    if (which < 0 || which > 2) return;
    char prompt[64];
    std::snprintf(prompt, sizeof prompt, "(0=Inf.) %s?", kQLabels[which]);
    toolkit.setPrompt(0, prompt);
    toolkit.defaultAnswer = format("%g", q(which));
    toolkit.inputBox();
    if (blank(toolkit.textResult)) return;
    setQ(which, toolkit.numberResult);
}

int Shell::saveCurrentDesign() {
    return transfer(design, designName(design), 'w', kTransferWhole, toolkit);
}

int Shell::recallCurrentDesign() {
    int r = transfer(design, designName(design), 'r', kTransferWhole, toolkit);
    if ((r & kDznFailed) && recentOpening_ >= 0 &&
        recentOpening_ < static_cast<int>(positions.recent.size())) {
        positions.recent[recentOpening_].missing = true;
        setDesignName(design, "default");
        if (recentChanged) recentChanged();
    }
    // A network that could not be read must not leave an invalid list.
    if (design.entries[0].code != 1 || entryCount(design.entries) >= kEntrySlots - 1)
        applyNetworkDefaults();
    refreshMatcherFlag();
    completeSettingsString(design.record);
    for (auto& f : afterRecall) f();
    env.workingStale = true;
    return r;
}

int Shell::openRecent(int index) {
    if (index < 0 || index >= static_cast<int>(positions.recent.size())) return 0;
    RecentDesign& entry = positions.recent[index];
    if (!changeDirectory(entry.directory)) {
        // Without its directory the name would be looked up here, and a
        // different design of the same name could be opened by mistake.
        toolkit.notice("Can't open: " + entry.directory);
        entry.missing = true;
        if (recentChanged) recentChanged();
        return kDznFailed;
    }
    env.workingStale = true;
    setDesignName(design, entry.name);
    recentOpening_ = index;
    int r = recallCurrentDesign();
    recentOpening_ = -1;
    return r;
}

int Shell::fileOperations() {
    if (!chooseFileOperation) return 0;
    // Opening the dialog counts as a change: the exit question will ask.
    setSaved(design.record, false);
    while (true) {
        int choice = chooseFileOperation();
        switch (choice) {
        case 101:
            return transfer(design, designName(design), 'w', kTransferWhole, toolkit);
        case 102:
            return recallCurrentDesign();
        case 103:
            return transfer(design, designName(design), 'r', kTransferJoinSeries, toolkit);
        case 104:
            return transfer(design, designName(design), 'r', kTransferJoinSidePort, toolkit);
        case 105:
            help("JOIN.HLW");
            continue; // and the dialog opens again
        default:
            return 0;
        }
    }
}

int Shell::setFileName() {
    if (!chooseDesignFile) return 0;
    std::string path = chooseDesignFile();
    if (path.empty()) return 0;
    // The chosen folder becomes the working directory, as the design name
    // is looked up there.
    std::string name = nameComponent(path);
    std::string dir = path.substr(0, path.size() - name.size());
    if (!dir.empty() && changeDirectory(dir)) env.workingStale = true;
    std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    setDesignName(design, name);
    return fileOperations();
}

int Shell::storedNotation() const {
    char c = design.record[kSlotNotation].letter;
    return (c >= '1' && c <= '6') ? c - '0' : kDefaultNotation;
}

int Shell::storedMechanicalUnit() const {
    char c = design.record[kSlotMechUnit].letter;
    return (c >= '0' && c <= '3') ? kUnitInch + (c - '0') : kUnitInch;
}

bool Shell::applyNotationChoice(int electrical, int mechanical) {
    bool changed = false;
    if (mechanical >= kUnitInch && mechanical <= kUnitMm) {
        char digit = static_cast<char>('0' + mechanical - kUnitInch);
        changed |= design.record[kSlotMechUnit].letter != digit;
        design.record[kSlotMechUnit].letter = digit;
        applyMechanicalUnit(design.notation, mechanical);
    }
    if (electrical >= 1 && electrical <= 6) {
        char digit = static_cast<char>('0' + electrical);
        changed |= design.record[kSlotNotation].letter != digit;
        design.record[kSlotNotation].letter = digit;
        applyElectricalNotation(design.notation, electrical);
    }
    return changed;
}

void Shell::showNoiseBandwidth(double value) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "Equivalent noise Bw = %g %s", value,
                  design.notation.frequency.name.c_str());
    noiseLine = buf;
}

int Shell::noiseBandwidthCommand() {
    using namespace analysis;
    const int n = results.pointCount();
    const double step = results.records[0][kHeaderStep];
    // Linear means evenly spaced points a positive step apart.
    bool linear = n >= 2 && n <= kMaxSweepPoints && step > 0.0;
    for (int k = 1; linear && k < n; ++k) {
        double d = static_cast<double>(results.records[k + 1][kFieldFrequency]) -
                   results.records[k][kFieldFrequency];
        if (std::fabs(d - step) > 1e-3 * step) linear = false;
    }
    if (!linear) {
        toolkit.notice("Linear sweep required");
        return 1;
    }
    std::vector<double> att;
    for (int k = 1; k <= n; ++k) att.push_back(results.records[k][kFieldAttenuation]);
    showNoiseBandwidth(noiseBandwidth(att, step, design.notation.frequency.multiplier));
    return 0;
}

void Shell::help(const std::string& page) {
    if (showHelp)
        showHelp(page);
    else
        toolkit.showHelp(page);
}

int Shell::makeExternalReference() {
    if (!buildLumpedLowpass) return 0;
    // Everything below changes the design; it is put back from "tmp_k".
    if (transfer(design, "tmp_k", 'w', kTransferWhole, toolkit) != 0) return 1;
    const std::string name = designName(design);
    design.record[7].value = 1.0;
    design.record[10].value = 1.0 / (2.0 * std::numbers::pi);
    int lastCode = prototypeLastCode ? prototypeLastCode() : 0;
    design.record[kSlotDesignType].letter = (lastCode % 2 == 0) ? 'P' : 'S';
    int result = 0;
    if (buildLumpedLowpass() != 0) {
        toolkit.beep();
        result = 1;
    } else {
        toolkit.setPrompt(0, "What /Path/file_name for new reference?");
        toolkit.setPrompt(1, " (No extension)");
        toolkit.defaultAnswer = joinPath(env.working, "REF");
        toolkit.inputBox();
        std::string answer = toolkit.textResult;
        while (!answer.empty() && answer.back() == ' ') answer.pop_back();
        if (answer.empty()) {
            result = 1;
        } else if (answer == name) {
            toolkit.notice("ABORT - Ref. file name must be unique!");
            result = 1;
        } else {
            result = transfer(design, answer, 'w', kTransferNetwork, toolkit);
        }
    }
    transfer(design, "tmp_k", 'r', kTransferWhole, toolkit);
    setDesignName(design, name);
    return result;
}

bool Shell::closeRequested() {
    if (busy) {
        toolkit.beep();
        return false;
    }
    if (!isSaved(design.record)) {
        ExitAnswer a;
        if (askExit) {
            a = askExit();
        } else {
            a = toolkit.respond(kExitQuestion, 'Y') == 'Y' ? ExitAnswer::Save
                                                           : ExitAnswer::DontSave;
        }
        if (a == ExitAnswer::Cancel) return false;
        if (a == ExitAnswer::Save) {
            // A save that failed (refused overwrite, unwritable folder) keeps
            // the program open: leaving would throw the work away.
            if (saveCurrentDesign() != 0) return false;
        }
    }
    return true;
}

std::string Shell::positionFilePath() const {
    return joinPath(env.start.empty() ? currentDirectory() : env.start, kPositionFileName);
}

bool Shell::finish() {
    const auto& g = toolkit.genWin().rect;
    positions.rects[kGenericWindow] = WindowRect{g[0], g[1], g[2], g[3]};
    for (auto& f : beforeFinish) f();
    if (env.workingStale || env.working.empty()) {
        env.working = currentDirectory();
        env.workingStale = false;
    }
    return writePositionFile(positionFilePath(), positions, env.working, designName(design));
}

} // namespace tanvex::shell
