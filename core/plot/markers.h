// The ten plot markers F1..F10 and the stopband mask.
//
// Markers hold frequencies in hertz (0 = empty), a level in dB and an
// absolute flag. The mask is a list of stopband corner points: a bandpass
// mask made from markers (kind 1) holds real frequencies; a lowpass mask
// handed over by the pole placer (kind 2) holds normalised frequencies and
// is mapped onto the design's response type before drawing.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace tanvex::plot {

constexpr int kMarkers = 10;

struct Marker {
    double frequency = 0.0; // hertz, 0 = empty
    double level = 0.0;     // dB
    bool absolute = false;
    bool set() const { return frequency > 0.0; }
};

using MarkerSet = std::array<Marker, kMarkers>;

// Index of the first empty marker, -1 when all are set.
int firstEmptyMarker(const MarkerSet& m);
// Orders the set markers by frequency (levels and flags travel with them)
// and clears the rest.
void sortMarkers(MarkerSet& m);
void clearMarkers(MarkerSet& m);

// What a marker search typed as a number list asks for.
struct SearchRequest {
    enum Kind { None, MoveCursor, OneMarker, TwoMarkers } kind = None;
    double frequency = 0.0; // display units
    double bandwidth = 0.0;
    double level = 0.0;
};
SearchRequest parseSearch(const std::string& text);
// Applies a marker request (frequencies converted by the multiplier,
// display units per hertz). False when there is no empty slot for it.
bool applyMarkerRequest(MarkerSet& m, const SearchRequest& r, double multiplier);

// Design response types a mask is mapped by.
enum class ResponseType { Lowpass, Highpass, Bandpass, Bandstop };

struct MaskPoint {
    double frequency = 0.0; // hertz (kind 1) or normalised (kind 2)
    double level = 0.0;     // dB
};

struct Mask {
    int kind = 0; // 0 none, 1 bandpass from markers, 2 lowpass (normalised)
    std::vector<MaskPoint> points;
    int below = 0; // stopband points below / above the passband (kind 1)
    int above = 0;
    bool shown = true;
};

// A horizontal segment of the drawn staircase (hertz, dB). An open end
// runs to the edge of the plot: low = 0 or high = infinity.
struct MaskSegment {
    double low = 0.0;
    double high = 0.0;
    double level = 0.0;
};

struct PassbandInfo {
    ResponseType type = ResponseType::Bandpass;
    double centre = 0.0;    // hertz (bandpass, bandstop)
    double bandwidth = 0.0; // hertz
    double cutoff = 0.0;    // hertz (lowpass, highpass)
};

// Frequencies of a lowpass mask point x mapped to the design's response:
// one frequency for lowpass / highpass, a symmetrical pair (lower, upper)
// otherwise (second = 0 when there is no pair).
struct MappedPoint {
    double first = 0.0;
    double second = 0.0;
};
MappedPoint mapLowpassPoint(double x, const PassbandInfo& p);

// The staircase to draw, in hertz. Kind 1 points below the centre reach
// down to the next lower point (or the plot's edge), points above reach up.
std::vector<MaskSegment> maskSegments(const Mask& mask, const PassbandInfo& p);

// Markers-to-mask: every marker above 6 dB outside centre +- bandwidth/2
// becomes a mask point (kind 1, sorted by frequency). Returns the number
// of points. Mask levels count from the attenuation minimum `reference`,
// as relative marker levels do; an absolute marker's level is converted.
int markersToMask(const MarkerSet& markers, const PassbandInfo& p, Mask& mask,
                  double reference = 0.0);
// Mask-to-markers for a bandpass mask: the points fill the markers in order,
// as absolute markers at the mask's levels above `reference`, so that each
// mark sits on its mask step and turns red where the response meets it.
void maskToMarkers(const Mask& mask, MarkerSet& markers, double reference = 0.0);

} // namespace tanvex::plot
