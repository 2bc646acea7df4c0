#include "equalizer/equalizer.h"

#include "design/text_io.h"
#include "synthesis/builders.h"
#include "synthesis/calculate.h"
#include "synthesis/catalogue.h"

#include <algorithm>
#include <memory>
#include <numbers>

namespace tanvex::equalizer {

std::string trimmedUnit(const std::string& s) {
    const std::size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

Equalizer::Equalizer(Design& design, ui::Toolkit& toolkit, analysis::DataFileServices* data)
    : design_(design), toolkit_(toolkit), data_(data), fitter_(toolkit, design.notation) {}

bool Equalizer::takeTarget(const Job& job) {
    job_ = job;
    sections_.clear();
    response_.clear();
    sum_.clear();
    report_ = FitReport{};
    const EntryList& list = design_.entries;
    const int n = entryCount(list);
    r_ = job.r > 0.0            ? job.r
         : n + 1 >= kEntrySlots ? 0.0
         : job.sourceEnd        ? list[n].value
                                : list[0].value;
    if (!(r_ > 0.0)) {
        toolkit_.notice("The equalizer needs a resistive end of the design.");
        return false;
    }
    if (job.fromData) {
        if (!data_) {
            toolkit_.notice("No equalizer data services.");
            return false;
        }
        if (data_->value(0.0, analysis::kLoadForEqualizer) != 0.0) return false;
        if (job_.from == 0.0 && job_.to == 0.0) {
            job_.from = data_->equalizerFirst;
            job_.to = data_->equalizerLast;
        }
    }
    if (!(job_.from > 0.0 && job_.to > job_.from)) {
        toolkit_.notice("Bad frequency range!");
        return false;
    }
    fitter_.setGrid(job_.from, job_.to, job_.points);
    // The sections are fitted as the analysis will see them, with the
    // design's component Q.
    const AnalysisSettings& as = design_.analysis;
    fitter_.setQ(as[3], as[4], as[5]);
    const int m = fitter_.points();
    if (job.fromData) {
        data_->margin = (job_.to - job_.from) / (m - 1);
        target_.assign(static_cast<std::size_t>(m), 0.0);
        const double unit = job.mode == Mode::kDelay ? design_.notation.time.multiplier : 1.0;
        for (int k = 0; k < m; ++k) {
            double v = 0.0;
            if (data_->dataValue(fitter_.frequency(k), analysis::kValueAt, v) !=
                analysis::DataAnswer::kReady)
                return false;
            target_[static_cast<std::size_t>(k)] = v / unit;
        }
        return true;
    }
    std::unique_ptr<analysis::NoDataServices> none;
    analysis::DataServices* services = data_;
    if (!services) {
        none = std::make_unique<analysis::NoDataServices>(toolkit_);
        services = none.get();
    }
    return analyseTarget(design_, *services, toolkit_, fitter_, job.mode, target_);
}

bool Equalizer::fit() {
    if (target_.empty()) return false;
    FitSettings s;
    s.mode = job_.mode;
    s.sections = job_.sections;
    s.ripple = job_.ripple;
    s.r = r_;
    if (!fitter_.run(target_, s, sections_, report_)) return false;
    const int m = fitter_.points();
    response_.assign(static_cast<std::size_t>(m), 0.0);
    if (!fitter_.evaluate(sections_, job_.mode, r_, response_.data())) return false;
    sum_.resize(static_cast<std::size_t>(m));
    for (int k = 0; k < m; ++k) sum_[k] = target_[k] + response_[k];
    return true;
}

int Equalizer::append(Design& design) const {
    EntryList& list = design.entries;
    const int n = entryCount(list);
    int size = 0;
    for (const Section& s : sections_) size += sectionSize(s);
    if (n + 1 + size >= kEntrySlots) {
        toolkit_.notice("Network too big");
        return -1;
    }
    const int at = job_.sourceEnd ? n : 1;
    for (int i = n + 1; i >= at; --i) list[i + size] = list[i];
    int i = at;
    for (const Section& s : sections_) i += writeSection(list, i, s, r_);
    return size;
}

void Equalizer::writeAlone(EntryList& list, double r) const {
    list = EntryList{};
    setEntry(list, 0, r, 'R', 1);
    int i = 1;
    for (const Section& s : sections_) i += writeSection(list, i, s, r);
    setEntry(list, i, r, 'R', 1);
    setEntry(list, i + 1, 0.5 * (job_.from + job_.to), 'x', 1);
}

int Equalizer::saveData() {
    if (!data_ || response_.empty()) return -1;
    auto table = std::make_unique<analysis::ResultsTable>();
    const int m = std::min(fitter_.points(), analysis::kMaxSweepPoints);
    table->records[0][analysis::kHeaderPoints] = static_cast<float>(m);
    for (int k = 1; k <= m; ++k)
        table->records[static_cast<std::size_t>(k)][analysis::kFieldFrequency] =
            static_cast<float>(fitter_.frequency(k - 1));
    const bool delay = job_.mode == Mode::kDelay;
    const double unit = delay ? design_.notation.time.multiplier : 1.0;
    const analysis::ResultsTable* keptTable = data_->results;
    auto keptValue = data_->equalizerValue;
    data_->results = table.get();
    data_->equalizerValue = [&](int k) {
        return response_[static_cast<std::size_t>(k - 1)] * unit;
    };
    double unused = 0.0;
    const analysis::DataAnswer a =
        data_->dataValue(0.0, delay ? analysis::kSaveDelay : analysis::kSaveAmplitude, unused);
    data_->results = keptTable;
    data_->equalizerValue = keptValue;
    return a == analysis::DataAnswer::kReady ? 0 : -1;
}

std::string Equalizer::describe(const Section& s) const {
    const UnitBlock& fu = design_.notation.frequency;
    std::string text = formatText("%-11s f0 = %.6g %s", sectionName(s.kind), s.f0 * fu.multiplier,
                                  trimmedUnit(fu.name).c_str());
    if (s.kind != SectionKind::kAllPass1) text += formatText("  Q = %.5g", s.q);
    if (s.kind == SectionKind::kAmplitude) text += formatText("  peak = %.4g dB", s.peakDb);
    return text;
}

int equalizerDesign(synthesis::PrototypeContext& ctx, analysis::DataFileServices& data) {
    DesignRecord& rec = ctx.design.record;
    const int type = synthesis::designType(rec);
    if (type != 12 && type != 13) return synthesis::CalculateHooks::kNotMine;
    const double r = rec[7].value;
    if (!(r > 0.0)) {
        synthesis::setFaultIndex(rec, 7);
        return synthesis::kBuildFault;
    }
    Job job;
    job.mode = type == 12 ? Mode::kDelay : Mode::kAmplitude;
    job.r = r;
    const int kind = synthesis::referenceKind(rec);
    if (kind == 0) {
        job.fromData = true;
        Equalizer eq(ctx.design, ctx.toolkit, &data);
        if (!eq.takeTarget(job)) return synthesis::kBuildAborted;
        if (!eq.fit()) return synthesis::kBuildAborted;
        eq.writeAlone(ctx.design.entries, r);
        return synthesis::kBuildOk;
    }
    // The reference lowpass of the chosen kind, built as the lowpass design
    // would build it, in a copy of the design.
    auto reference = std::make_unique<Design>(ctx.design);
    DesignRecord& rr = reference->record;
    rr[kSlotDesignType].value = 1;
    synthesis::writeMask(rr, synthesis::designTypeInfo(1).mask);
    if (rr[kSlotDesignType].letter != 'S') rr[kSlotDesignType].letter = 'P';
    const double fc = rr[10].value;
    if (!(fc > 0.0)) {
        synthesis::setFaultIndex(rec, 10);
        return synthesis::kBuildFault;
    }
    synthesis::PrototypeContext rc{*reference,  ctx.proto,      ctx.toolkit,
                                   ctx.homeDir, ctx.fileAccess, ctx.placer};
    const int built = synthesis::lowpassLadder(rc, 0);
    if (built != synthesis::kBuildOk) {
        rec[21].letter = rr[21].letter; // the parameter at fault
        return built;
    }
    job.from = 0.02 * fc;
    job.to = 0.8 * fc;
    Equalizer eq(*reference, ctx.toolkit, &data);
    if (!eq.takeTarget(job) || !eq.fit()) return synthesis::kBuildAborted;
    eq.writeAlone(ctx.design.entries, r);
    return synthesis::kBuildOk;
}

} // namespace tanvex::equalizer
