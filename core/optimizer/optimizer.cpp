#include "optimizer/optimizer.h"

#include "design/design_file.h"
#include "design/operations.h"
#include "design/text_io.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace tanvex::optimizer {

namespace {

// Escape and the key left of 1 stop a search.
constexpr int kVkEscape = 27;
constexpr int kVkAccent = 192;

} // namespace

const char* noteText(ItemNote note) {
    switch (note) {
    case ItemNote::kWorse:
        return "WORSE";
    case ItemNote::kZero:
        return "ZERO";
    case ItemNote::kNext:
        return "Next!";
    case ItemNote::kAbort:
        return "Abort";
    case ItemNote::kFailed:
        return "FAILED";
    default:
        return "";
    }
}

bool parseRange(const std::string& text, double& lower, double& upper) {
    const char* p = text.c_str();
    char* end = nullptr;
    lower = std::strtod(p, &end);
    if (end == p) return false;
    p = end;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p != ',') return false;
    ++p;
    upper = std::strtod(p, &end);
    if (end == p) return false;
    for (p = end; *p; ++p)
        if (*p != ' ' && *p != '\t') return false;
    return std::isfinite(lower) && std::isfinite(upper);
}

Optimizer::Optimizer(Design& design, analysis::ResultsTable& table, analysis::SweepOptions& options,
                     ui::Toolkit& toolkit, analysis::DataServices& data, OptimizerHost& host)
    : design_(design), table_(table), options_(options), toolkit_(toolkit), host_(host),
      sweep_(design, table, options, toolkit, data, views_) {}

// ---------------------------------------------------------------- opening --

bool Optimizer::open() {
    const double mult = design_.notation.frequency.multiplier;
    double lower = 0.0, upper = 0.0;
    if (options_.markerLow > 0.0 && options_.markerHigh > 0.0) {
        lower = options_.markerLow * mult;
        upper = options_.markerHigh * mult;
    } else {
        const Setup& main = setups[0];
        const bool previous = main.lower != 0.0f || main.upper != 0.0f;
        for (;;) {
            toolkit_.clearPrompt();
            toolkit_.setPrompt(
                0, formatText("Optimize from, to (%s) ?", design_.notation.frequency.name.c_str()));
            toolkit_.setPrompt(1, previous ? "<Enter> to repeat range:" : "<Enter> to abort");
            toolkit_.defaultAnswer =
                previous ? formatText("%g, %g", double(main.lower), double(main.upper)) : "";
            toolkit_.inputBox();
            const std::string& t = toolkit_.textResult;
            if (t.find_first_not_of(" \t") == std::string::npos) {
                if (!previous) return false;
                lower = main.lower;
                upper = main.upper;
                break;
            }
            if (parseRange(t, lower, upper)) break;
            toolkit_.beep();
        }
    }
    if (!begin(lower, upper)) return false;
    askJob();
    return true;
}

bool Optimizer::begin(double lower, double upper) {
    if (!(lower < upper) || lower <= 0.0) {
        toolkit_.notice("Bad frequency range!");
        return false;
    }
    if (!tempSave("tmp_op", savedAtOpen_)) return false;
    setups[0].lower = static_cast<float>(lower);
    setups[0].upper = static_cast<float>(upper);
    savedSettings_ = design_.analysis;
    options_.markerLow = 0.0;
    options_.markerHigh = 0.0;
    finalStage = kDefaultFinalStage;
    tuneBranch = 0;
    tunePartner = 0;
    tuning_ = false;
    items_.clear();
    next_ = 0;
    passesLeft_ = 0;
    stepTaken_ = false;
    branchesAtOpen_ = entryCount(design_.entries);
    opened_ = true;
    return true;
}

void Optimizer::askJob() {
    toolkit_.clearPrompt();
    toolkit_.setPrompt(0, "Optimization   (R)-Return loss");
    toolkit_.setPrompt(1, "      Job is: (A)-Amplitude flatness");
    toolkit_.setPrompt(2, "             (D)-Delay");
    const char k =
        static_cast<char>(std::toupper(static_cast<unsigned char>(toolkit_.keyBox("RDA"))));
    job = k == 'D' ? kJobDelay : k == 'R' ? kJobReturnLoss : kJobAmplitude;
    setups[0].job = job;
}

bool Optimizer::requestClose() {
    toolkit_.clearPrompt();
    toolkit_.setPrompt(0, "Exit and save work");
    toolkit_.setPrompt(1, "[Yes] save work - [No] abort changes - [Cancel] no exit");
    const char k =
        static_cast<char>(std::toupper(static_cast<unsigned char>(toolkit_.keyBox("YNC"))));
    if (k == 'C') return false;
    cancelCommand();
    if (k == 'N' && opened_) tempRecall("tmp_op", savedAtOpen_);
    close();
    return true;
}

void Optimizer::close() {
    if (opened_) design_.analysis = savedSettings_;
    opened_ = false;
    tuning_ = false;
}

bool Optimizer::lengthChanged() const {
    return opened_ && entryCount(design_.entries) != branchesAtOpen_;
}

// ------------------------------------------------------------ temporaries --

bool Optimizer::tempSave(const char* name, bool& savedFlag) {
    savedFlag = isSaved(design_.record);
    const int notation = design_.notation.electrical;
    const int r = transferDesign(design_, name, 'w', kTransferWhole, toolkit_);
    // Writing re-applies the stored notation and marks the design saved; a
    // temporary copy is neither a save nor a change of notation.
    applyElectricalNotation(design_.notation, notation);
    setSaved(design_.record, savedFlag);
    if (r != 0) {
        toolkit_.notice(formatText("Can't save the work copy \"%s\": nothing was changed.", name));
        return false;
    }
    return true;
}

bool Optimizer::tempRecall(const char* name, bool savedFlag) {
    const int notation = design_.notation.electrical;
    const Setup keep = setups[0];
    const int r = transferDesign(design_, name, 'r', kTransferWhole, toolkit_);
    applyElectricalNotation(design_.notation, notation);
    setSaved(design_.record, savedFlag && r == 0);
    setups[0] = keep;
    return r == 0;
}

// ---------------------------------------------------------------- measure --

int Optimizer::points() {
    if (fixedPoints >= 2 && fixedPoints <= kMaxPoints) return fixedPoints;
    int width = host_.plotWidth();
    // A plot window that was just closed reports no width: the last one seen
    // stands in for it.
    if (width > 0)
        lastPlotWidth_ = width;
    else
        width = lastPlotWidth_ > 0 ? lastPlotWidth_ : 400;
    int n = width / 2;
    if (n < 150) n *= 2;
    return std::clamp(n, 2, kMaxPoints);
}

void Optimizer::setSweep(int n) {
    const Setup& main = setups[0];
    AnalysisSettings& as = design_.analysis;
    as[0] = main.lower;
    as[6] = main.lower;
    as[1] = main.upper;
    as[2] = -static_cast<double>(n); // minus the point count
}

std::optional<Measure> Optimizer::sweepMeasure(bool withDelay) {
    if (sweep_.analyse(withDelay ? 1 : 2) != 0) return std::nullopt;
    return measureError(table_, job, &segments);
}

bool Optimizer::refresh() {
    setSweep(points());
    if (sweep_.analyse(1) != 0) return false;
    error_ = measureError(table_, job).error;
    return true;
}

std::vector<PanelLine> Optimizer::panel() const {
    std::vector<PanelLine> out;
    const Notation& n = design_.notation;
    if (lengthChanged()) out.push_back({"Network length has changed", 4});
    out.push_back({"> Optimization <", 15});
    out.push_back({std::string("Optimizing: ") + jobName(job), jobColour(job)});
    if (job == kJobDelay) {
        if (options_.fastDelay) out.push_back({"(Fast)", 4});
        out.push_back(
            {formatText("Error =%8.3f %s", error_ * n.time.multiplier, n.time.name.c_str()), 7});
    } else if (job == kJobReturnLoss) {
        out.push_back({formatText("Worst case =%8.3f dB", error_ != 0.0 ? 1.0 / error_ : 0.0), 7});
    } else {
        out.push_back({formatText("Error =%8.3f dB", error_), 7});
    }
    if (inProgress()) {
        out.push_back({"Command: " + running_, 14});
        if (passesLeft_ > 0) out.push_back({"> Continuous <", 4});
        if (currentBranch_ > 0) out.push_back({formatText("Branch: %d ", currentBranch_), 14});
    }
    const int pts = fixedPoints >= 2 ? fixedPoints : const_cast<Optimizer*>(this)->points();
    out.push_back({formatText("Resolution: %2d points %s", pts, fixedPoints >= 2 ? "#" : ""), 7});
    out.push_back({"Main frequency range:", 11});
    out.push_back({formatText(" %.2f - %.2f %s", double(setups[0].lower), double(setups[0].upper),
                              n.frequency.name.c_str()),
                   7});
    out.push_back({"Transferred range:", 11});
    out.push_back({formatText(" %.2f - %.2f %s", transferredLower, transferredUpper,
                              n.frequency.name.c_str()),
                   7});
    auto q = [](double v) { return v >= 1e6 ? std::string("Inf.") : formatText("%g", v); };
    out.push_back({"Component Q:", 11});
    out.push_back({"QL=" + q(design_.analysis[3]) + " Qc=" + q(design_.analysis[4]) +
                       " Qt=" + q(design_.analysis[5]),
                   7});
    if (tuning_) {
        out.push_back({"Tune: ", 11});
        if (tuneBranch == 0)
            out.push_back({"Branch: ?", 14});
        else if (tunePartner == 0)
            out.push_back({formatText("Branch: %d", tuneBranch), 14});
        else
            out.push_back({formatText("Branch: %d,%d", tuneBranch, tunePartner), 14});
        const UnitBlock* u = tuneBranch ? unitFor(tuneBranch) : nullptr;
        if (tuneBranch > 0)
            out.push_back({formatText("Tune value:%8.3f (%s)",
                                      design_.entries[static_cast<std::size_t>(tuneBranch)].value *
                                          (u ? u->multiplier : 1.0),
                                      u ? u->name.c_str() : ""),
                           7});
        else
            out.push_back({"Tune value: -----", 7});
        out.push_back({formatText("Value step = %-6.3f%c", tuneStep_ * 100.0, '%'), 7});
    } else {
        out.push_back({"Tune: Off", 11});
    }
    out.push_back({formatText("Final stage = %d", finalStage), 7});
    return out;
}

// --------------------------------------------------------------- commands --

int Optimizer::lastBranch() const {
    return entryCount(design_.entries);
}

bool Optimizer::commandPrompt() {
    toolkit_.clearPrompt();
    toolkit_.setPrompt(0, "  #,#-#,#/#,#&#");
    toolkit_.setPrompt(1, "  L,AB..G and R");
    toolkit_.setPrompt(2, "Command >", 14);
    toolkit_.defaultAnswer = setups[0].command;
    toolkit_.inputBox();
    return startCommand(toolkit_.textResult);
}

bool Optimizer::startCommand(const std::string& typed) {
    if (typed.find_first_not_of(" \t") == std::string::npos) return false;
    bool continuous = false;
    std::string command;
    std::string trimmed = typed;
    trimmed.erase(0, trimmed.find_first_not_of(" \t"));
    trimmed.erase(trimmed.find_last_not_of(" \t") + 1);
    if (trimmed == "R" || trimmed == "r") {
        continuous = true;
        command = setups[0].command;
    } else {
        command = rewriteCommand(typed, continuous);
    }
    ParsedCommand parsed = parseCommand(command, design_.entries, setups);
    if (!parsed.ok) {
        toolkit_.beep();
        toolkit_.notice(parsed.message);
        return false;
    }
    setups[0].command = command;
    if (parsed.items.empty()) return false;
    // The whole command is one step back for "<-- Back up".
    if (!tempSave("tmp_op2", savedAtCommand_)) return false;
    items_ = std::move(parsed.items);
    next_ = 0;
    running_ = command;
    passesLeft_ = continuous ? kContinuousPasses - 1 : 0;
    activeSetup_ = 0;
    stepTaken_ = true;
    return true;
}

void Optimizer::switchSetup(int setup) {
    if (setup == activeSetup_) return;
    // Record 0 keeps the current job and range while a saved setup runs.
    if (activeSetup_ == 0) held_ = setups[0];
    activeSetup_ = setup;
    if (setup == 0) {
        setups[0] = held_;
        job = held_.job != 0 ? held_.job : job;
        return;
    }
    const Setup& s = setups[static_cast<std::size_t>(setup)];
    job = s.job;
    setups[0].lower = s.lower;
    setups[0].upper = s.upper;
}

void Optimizer::finishCommand() {
    switchSetup(0);
    items_.clear();
    next_ = 0;
    currentBranch_ = 0;
}

void Optimizer::cancelCommand() {
    passesLeft_ = 0;
    if (!items_.empty()) finishCommand();
}

void Optimizer::setPartner(int partner, double product, double increment) {
    if (partner > 0) value(partner) = product / value(currentBranch_);
    if (partner < 0) value(-partner) += increment;
}

ItemReport Optimizer::runNext() {
    ItemReport rep;
    if (!inProgress()) return rep;
    const CommandItem item = items_[next_++];
    switchSetup(item.setup);
    const int b = item.branch;
    const int p = item.partner;
    const int pb = std::abs(p);
    currentBranch_ = b;
    rep.branch = b;
    rep.partner = p;
    // A setup may have been recorded on a larger network.
    if (b > lastBranch() || pb > lastBranch()) {
        toolkit_.beep();
        toolkit_.notice(
            formatText("Branch %d is not in the network (1-%d)!", std::max(b, pb), lastBranch()));
        rep.note = ItemNote::kFailed;
        cancelCommand();
        return rep;
    }

    const AnalysisSettings before = design_.analysis;
    const double savedB = value(b);
    const double savedP = p ? value(pb) : 0.0;
    const double product = p > 0 ? savedB * savedP : 0.0;
    const bool withDelay = job == kJobDelay;
    rep.valueBefore = savedB;
    rep.partnerBefore = savedP;
    auto restore = [&] {
        value(b) = savedB;
        if (p) value(pb) = savedP;
    };
    auto endItem = [&](ItemNote note) {
        rep.note = note;
        design_.analysis = before;
        rep.valueAfter = value(b);
        rep.partnerAfter = p ? value(pb) : 0.0;
        if (note == ItemNote::kAbort || note == ItemNote::kFailed) cancelCommand();
        if (value(b) != savedB) setSaved(design_.record, false);
        if (!inProgress() && passesLeft_ > 0) {
            --passesLeft_;
            next_ = 0;
        }
        if (!inProgress()) finishCommand();
        return rep;
    };

    setSweep(points());
    // The reference: the same points the search measures.
    const std::optional<Measure> ref = sweepMeasure(withDelay);
    ++rep.sweeps;
    if (!ref) return endItem(ItemNote::kFailed);
    if (ref->points == 0) {
        toolkit_.beep();
        toolkit_.notice("No sweep point lies inside the frequency segments!");
        return endItem(ItemNote::kFailed);
    }
    rep.errorBefore = ref->error;
    rep.errorAfter = ref->error;

    double step = 0.03 * savedB;
    value(b) += 0.2 * step;
    setPartner(p, product, 0.2 * step);
    double bestError = ref->error;
    double bestB = savedB;
    double bestP = savedP;
    double previous = ref->error;
    int stage = 0;
    for (int iteration = 1; stage < finalStage; ++iteration) {
        const std::optional<Measure> m = sweepMeasure(withDelay);
        ++rep.sweeps;
        if (!m) {
            restore();
            host_.message("Abort");
            return endItem(ItemNote::kFailed);
        }
        if (m->error < bestError) {
            bestError = m->error;
            bestB = value(b);
            bestP = p ? value(pb) : 0.0;
        }
        if (m->error > previous) {
            step = -step;
            if (stage > 1) step *= 0.25;
            ++stage;
        }
        const double moved = value(b) + step;
        const bool zero =
            moved < 0.0 || (p > 0 && moved == 0.0) || (p < 0 && value(pb) + step < 0.0);
        if (zero) {
            restore();
            toolkit_.beep();
            host_.message("Value went through ZERO ! ");
            rep.stages = stage;
            return endItem(ItemNote::kZero);
        }
        value(b) = moved;
        setPartner(p, product, step);
        if (stage == 0) stage = 1;
        previous = m->error;
        rep.stages = stage;
        if (iteration > 11 * finalStage) {
            toolkit_.beep();
            host_.message("Next!");
            rep.note = ItemNote::kNext;
            toolkit_.wait(500);
            break;
        }
        const int key = toolkit_.keyPoll();
        if (key == kVkEscape || key == kVkAccent) {
            restore();
            host_.message("Abort");
            return endItem(ItemNote::kAbort);
        }
        host_.showStage(stage);
    }

    // The search ends one step past its last measurement: the value kept is
    // measured too. When the best value seen beats it, that one is kept; when
    // nothing beat the start, the start is put back ("WORSE").
    const std::optional<Measure> kept = sweepMeasure(withDelay);
    ++rep.sweeps;
    if (!kept) {
        restore();
        return endItem(ItemNote::kFailed);
    }
    double finalError = kept->error;
    if (bestError < finalError) {
        if (bestError >= ref->error) {
            host_.message("WORSE - backing up!");
            toolkit_.wait(500);
            rep.note = ItemNote::kWorse;
        }
        value(b) = bestB;
        if (p) value(pb) = bestP;
        finalError = bestError;
    }
    rep.errorAfter = finalError;
    return endItem(rep.note);
}

void Optimizer::backUp() {
    if (!stepTaken_) {
        toolkit_.beep();
        return;
    }
    cancelCommand();
    if (tempRecall("tmp_op2", savedAtCommand_)) stepTaken_ = false;
}

void Optimizer::resolution() {
    toolkit_.clearPrompt();
    toolkit_.setPrompt(0, formatText("Number of points (2-%d) ?", kMaxPoints));
    if (fixedPoints) toolkit_.setPrompt(1, " (Cr for automatic full plot)");
    toolkit_.defaultAnswer.clear();
    toolkit_.inputBox();
    const double n = toolkit_.numberResult;
    fixedPoints = n >= 2 && n <= kMaxPoints ? static_cast<int>(n) : 0;
}

void Optimizer::qFactor() {
    promptAllQ(design_, toolkit_);
}

void Optimizer::finalStagePrompt() {
    toolkit_.clearPrompt();
    toolkit_.setPrompt(0, "Continue optimization until what final stage?");
    toolkit_.setPrompt(1, formatText(" (Currently: %d)", finalStage));
    toolkit_.defaultAnswer.clear();
    toolkit_.inputBox();
    const double s = toolkit_.numberResult;
    if (s >= 1 && s <= 99) finalStage = static_cast<int>(s);
}

void Optimizer::takeHandOver() {
    const double mult = design_.notation.frequency.multiplier;
    if (options_.markerLow > 0.0) transferredLower = options_.markerLow * mult;
    if (options_.markerHigh > 0.0) transferredUpper = options_.markerHigh * mult;
    options_.markerLow = 0.0;
    options_.markerHigh = 0.0;
}

} // namespace tanvex::optimizer
