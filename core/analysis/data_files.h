// The data file services behind data branches and data terms.
//
//  - Data impedance: a code-22 entry with a negative value is a shunt element
//    whose impedance comes from a file: "NAME.fit" (polynomial coefficients of
//    R and X in the display frequency) for the value -8, "NAME.frx" (points
//    of frequency, R, X, interpolated linearly) for any other negative value.
//    Ten slots hold what was read; an entry's letter '0'..'9' names its slot,
//    any other letter gets the lowest free slot at its first request.
//  - Data value: the equalizer data table read from "NAME.eqd" (frequency,
//    value pairs), interpolated for code-50 data terms and the equalizer.
//
// Both keep what they read until reset() (leaving the analysis dialog with
// eXit, recalling a design), so that edited files are read again.
//
//   analysis::DataFileServices data(design, toolkit);
//   data.directory = workingDirectory;            // where the files are
//   data.stopOnMissingFile = true;                // batch use: no asking again
//   analysis::SweepEvaluator sweep(design, table, options, toolkit, data, views);
#pragma once

#include "analysis/data_services.h"
#include "design/design_record.h"
#include "ui/toolkit.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace tanvex::analysis {

struct ResultsTable;

constexpr int kDataSlots = 10;
constexpr int kMaxDataPoints = 900;
constexpr int kMaxFitTerms = 10;
constexpr int kMaxEqualizerPoints = 100;
// More points than this offer smoothing.
constexpr int kSmoothingOfferedAbove = 29;
// The entry value that reads a curve-fit file; every other negative value
// reads an impedance data file.
constexpr double kFitBranchValue = -8.0;

// Kinds of the data value service.
constexpr int kValueAt = 2;          // value at f; loads the table first when none is held
constexpr int kLoadForEqualizer = 1; // loads the table, hands first/last to the equalizer
constexpr int kLoadAndValue = -1;    // loads the table, then the value at f
constexpr int kSaveAmplitude = 3;    // saves amplitude data to kbd_data.eqd
constexpr int kSaveDelay = -3;       // saves delay data to kbd_data.eqd
constexpr int kResetData = 4;        // releases the table, resets every slot

inline constexpr const char* kKeyboardDataFile = "kbd_data.eqd";

// A data branch entry is a code-22 entry with a negative value (a positive
// value is a reference frequency; 0 is neither).
bool isDataBranch(const NetEntry& e);

// One point of a table: frequency in hertz, then R and X (or a value in y).
struct DataPoint {
    double f = 0.0;
    double r = 0.0;
    double x = 0.0;
};

// Linear interpolation over points[1..count] (index 0 unused) with the search
// position kept in *search (2 after loading): moves forward while the upper
// point lies below f, back while the lower one lies above it; below the first
// and above the last point the end segments are extended. The frequencies
// must ascend strictly.
void interpolate(const std::vector<DataPoint>& points, int count, int& search, double f, double& r,
                 double& x);

// Centred running mean of width 2k + 1 over points[1..count]: point m takes
// the frequency of point m + k and the mean R and X of points m .. m + 2k.
// Returns the new count (count - 2k; unchanged when that would leave fewer
// than two points).
int smoothPoints(std::vector<DataPoint>& points, int count, int k);

// Reads the lines of a data file into fields. A field is cut at ','; letters
// other than E and e are dropped, as are blanks after a sign, so "-j10",
// "+j10", "j-10" and "- j 10" all read -10 or 10. Returns the field count
// (0 for a blank line).
int readDataFields(const std::string& line, double* values, int maxValues);

struct DataSlot {
    bool loaded = false;
    bool fit = false;
    int count = 0;        // points, or the polynomial degree
    int search = 2;       // upper point of the last interpolation
    std::string nameRead; // the slot's name when its file was read
    // Points 1..count (index 0 unused); sized kMaxDataPoints + 1 when the
    // slot first reads a point file, empty until then (a sweep without data
    // branches leaves all ten slots unallocated).
    std::vector<DataPoint> points;
    // Slopes of R and X over the segment that ends at point p (p >= 2),
    // worked out once when the file is read: a sweep then interpolates
    // without a division.
    std::vector<DataPoint> slope;
    std::array<double, kMaxFitTerms> a{}; // R coefficients a0..a9
    std::array<double, kMaxFitTerms> b{}; // X coefficients b0..b9
};

struct EqualizerTable {
    bool held = false;
    int count = 0;
    int search = 2;
    double first = 0.0; // hertz
    double last = 0.0;
    std::vector<DataPoint> points; // 1..count; value in r
};

class DataFileServices : public DataServices {
public:
    DataFileServices(Design& design, ui::Toolkit& toolkit);

    // Directory the data files are read from and kbd_data.eqd written to
    // ("" = the process's working directory).
    std::string directory;
    // Batch use: a file that cannot be read ends the analysis at once
    // instead of asking for the name again.
    bool stopOnMissingFile = false;
    // The file-open dialog for kind 1 (impedance data) or 2 (curve fit):
    // returns the chosen path or "" when cancelled. Unset: no dialog.
    std::function<std::string(int kind)> chooseFile;
    // The equalizer's analysis grid step (hertz); values are given up to
    // one step beyond the table's ends. 0 until the equalizer sets a grid.
    double margin = 0.0;
    // For saving kbd_data.eqd: the analysis results table whose points are
    // written, and the equalizer's value at point k (1-based).
    const ResultsTable* results = nullptr;
    std::function<double(int k)> equalizerValue;
    // Filled by kind 1 for the equalizer.
    double equalizerFirst = 0.0;
    double equalizerLast = 0.0;

    DataAnswer dataImpedance(double fHz, int entryIndex, double& r, double& x) override;
    DataAnswer dataValue(double fHz, int kind, double& value) override;

    // The data value service with its numeric result as the equalizer sees
    // it: the value, 0 for kinds 1, 3, -3 and 4 when done, -1 on failure.
    double value(double fHz, int kind);
    // Kind 4: releases the equalizer table and marks every slot not loaded.
    void reset();
    // Marks every slot not loaded (the first half of reset()).
    void resetImpedance();

    const DataSlot& slot(int i) const { return slots_[static_cast<std::size_t>(i)]; }
    const EqualizerTable& table() const { return table_; }
    const std::string& rememberedName() const { return eqdName_; }

private:
    int assignSlot(int entryIndex);
    DataAnswer loadSlot(int slot, int entryIndex, bool fit);
    bool readPoints(DataSlot& s, const std::vector<std::string>& lines, const std::string& file,
                    int entryIndex);
    bool readFit(DataSlot& s, const std::vector<std::string>& lines, const std::string& file);
    bool loadTable();
    double tableValue(double fHz);
    int save(bool delay);
    std::string pathOf(const std::string& file) const;

    Design& design_;
    ui::Toolkit& toolkit_;
    std::array<DataSlot, kDataSlots> slots_;
    EqualizerTable table_;
    std::string eqdName_;
};

} // namespace tanvex::analysis
