// The equalizer designer: flattens the group delay or the attenuation of the
// current design (or of measured or typed equalizer data) over a band with
// constant-resistance sections, and appends them to the design.
//
//   equalizer::Equalizer eq(design, toolkit, &dataFiles);
//   equalizer::Job job;                     // mode, band, sections or ripple
//   if (!eq.takeTarget(job)) return;        // the design's sweep or the .eqd table
//   if (!eq.fit()) return;
//   eq.append(design);                      // cascaded at the chosen end
//   eq.saveData();                          // kbd_data.eqd through the data services
//
// The window (gui/equalizer), the console verb (tanvex equalize) and the
// design types "All-pass delay equalizer" and "Amplitude equalizer" of
// Calculate drive the same object.
#pragma once

#include "analysis/data_files.h"
#include "design/design_record.h"
#include "equalizer/fitter.h"
#include "synthesis/prototype.h"
#include "ui/toolkit.h"

#include <string>
#include <vector>

namespace tanvex::equalizer {

struct Job {
    Mode mode = Mode::kDelay;
    double from = 0.0; // hertz; with data, 0 and 0 take the table's range
    double to = 0.0;
    int points = kDefaultGridPoints;
    int sections = 4;      // 0: add sections until the ripple is reached
    double ripple = 0.0;   // peak-to-peak wanted (seconds or dB) when sections is 0
    bool fromData = false; // the target is the equalizer data table
    bool sourceEnd = true; // where the sections are cascaded
    double r = 0.0;        // impedance of the sections; 0: the design's end resistance
};

class Equalizer {
public:
    Equalizer(Design& design, ui::Toolkit& toolkit, analysis::DataFileServices* data);

    // Sets the band and the target: the design's analysed response, or the
    // equalizer data table (loaded through the data services, which ask for
    // the file). False after a notice that tells why.
    bool takeTarget(const Job& job);
    // Fits the sections (adding to any fitted before). False when a sweep failed.
    bool fit();
    // Forgets the fitted sections.
    void clearSections() { sections_.clear(); }

    // Cascades the sections into the design at the job's end. The number of
    // entries added, or -1 after the notice "Network too big" (the design is
    // then unchanged).
    int append(Design& design) const;
    // The sections alone between two ends of resistance r, as a new network.
    void writeAlone(EntryList& list, double r) const;
    // Saves the equalizer's response over the grid as "kbd_data.eqd"
    // (amplitude or delay data) through the data services. 0 done, -1 failed.
    int saveData();

    const Job& job() const { return job_; }
    double impedance() const { return r_; }
    const std::vector<Section>& sections() const { return sections_; }
    const FitReport& report() const { return report_; }
    int points() const { return fitter_.points(); }
    double frequency(int k) const { return fitter_.frequency(k); }
    const std::vector<double>& target() const { return target_; }
    // The equalizer's own response and the sum, after fit().
    const std::vector<double>& response() const { return response_; }
    const std::vector<double>& sum() const { return sum_; }
    Fitter& fitter() { return fitter_; }

    // A one-line description of a section: "all-pass 2  f0 = 10.2 MHz  Q = 3.1".
    std::string describe(const Section& s) const;

private:
    Design& design_;
    ui::Toolkit& toolkit_;
    analysis::DataFileServices* data_;
    Fitter fitter_;
    Job job_;
    double r_ = 50.0;
    std::vector<double> target_, response_, sum_;
    std::vector<Section> sections_;
    FitReport report_;
};

// A unit name without its padding ("MHz " -> "MHz").
std::string trimmedUnit(const std::string& name);

// Design types 12 ("All-pass delay equalizer") and 13 ("Amplitude
// equalizer") for Calculate: the equalizer alone, at the design Zo, for the
// group delay (12) or attenuation (13) of the equalizer data table
// (reference kind 0) or of the reference lowpass of the chosen kind (order,
// ripple and cutoff as the lowpass design holds them; the band is 2 % to
// 80 % of the cutoff). Returns a synthesis result code, or
// CalculateHooks::kNotMine for other design types.
int equalizerDesign(synthesis::PrototypeContext& ctx, analysis::DataFileServices& data);

} // namespace tanvex::equalizer
