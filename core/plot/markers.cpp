#include "plot/markers.h"

#include "ui/number_list.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tanvex::plot {

int firstEmptyMarker(const MarkerSet& m) {
    for (int i = 0; i < kMarkers; ++i)
        if (!m[i].set()) return i;
    return -1;
}

void sortMarkers(MarkerSet& m) {
    std::vector<Marker> filled;
    for (const Marker& k : m)
        if (k.set()) filled.push_back(k);
    std::stable_sort(filled.begin(), filled.end(),
                     [](const Marker& a, const Marker& b) { return a.frequency < b.frequency; });
    clearMarkers(m);
    for (std::size_t i = 0; i < filled.size(); ++i) m[i] = filled[i];
}

void clearMarkers(MarkerSet& m) {
    m.fill(Marker{});
}

SearchRequest parseSearch(const std::string& text) {
    std::vector<double> v(8, 0.0);
    const int n = ui::parseNumberList(text, v);
    SearchRequest r;
    if (n <= 0 || !(v[1] > 0.0)) return r;
    r.frequency = v[1];
    if (n == 1) {
        r.kind = SearchRequest::MoveCursor;
    } else if (n == 2) {
        r.kind = SearchRequest::OneMarker;
        r.level = v[2];
    } else {
        r.kind = SearchRequest::TwoMarkers;
        r.bandwidth = v[2];
        r.level = v[3];
    }
    return r;
}

bool applyMarkerRequest(MarkerSet& m, const SearchRequest& r, double multiplier) {
    if (!(multiplier > 0.0)) multiplier = 1.0;
    if (r.kind == SearchRequest::OneMarker) {
        const int i = firstEmptyMarker(m);
        if (i < 0) return false;
        m[i] = {r.frequency / multiplier, r.level, false};
        return true;
    }
    if (r.kind == SearchRequest::TwoMarkers) {
        const int i = firstEmptyMarker(m);
        if (i < 0) return false;
        m[i].frequency = 1.0; // reserve while looking for the second slot
        const int j = firstEmptyMarker(m);
        m[i].frequency = 0.0;
        const double lower = (r.frequency - r.bandwidth / 2.0) / multiplier;
        const double upper = (r.frequency + r.bandwidth / 2.0) / multiplier;
        if (j < 0 || !(lower > 0.0)) return false;
        m[i] = {lower, r.level, false};
        m[j] = {upper, r.level, false};
        return true;
    }
    return false;
}

MappedPoint mapLowpassPoint(double x, const PassbandInfo& p) {
    MappedPoint r;
    if (!(x > 0.0)) return r;
    switch (p.type) {
    case ResponseType::Lowpass:
        r.first = x * p.cutoff;
        break;
    case ResponseType::Highpass:
        r.first = p.cutoff / x;
        break;
    case ResponseType::Bandpass:
    case ResponseType::Bandstop: {
        const double flo = p.centre - p.bandwidth / 2.0;
        const double fhi = flo + p.bandwidth;
        const double f0sq = flo * fhi;
        const double d = p.type == ResponseType::Bandpass ? p.bandwidth * x : p.bandwidth / x;
        r.first = (std::sqrt(4.0 * f0sq + d * d) - d) / 2.0;
        r.second = r.first + d;
        break;
    }
    }
    return r;
}

namespace {

constexpr double kOpen = std::numeric_limits<double>::infinity();

// Staircases of corner points that stand for "at and beyond this frequency,
// at least this level": the lower side reaches down, the upper side up.
void lowerSide(std::vector<MaskPoint> pts, std::vector<MaskSegment>& out) {
    std::sort(pts.begin(), pts.end(),
              [](const MaskPoint& a, const MaskPoint& b) { return a.frequency > b.frequency; });
    for (std::size_t i = 0; i < pts.size(); ++i) {
        const double next = i + 1 < pts.size() ? pts[i + 1].frequency : 0.0;
        out.push_back({next, pts[i].frequency, pts[i].level});
    }
}

void upperSide(std::vector<MaskPoint> pts, std::vector<MaskSegment>& out) {
    std::sort(pts.begin(), pts.end(),
              [](const MaskPoint& a, const MaskPoint& b) { return a.frequency < b.frequency; });
    for (std::size_t i = 0; i < pts.size(); ++i) {
        const double next = i + 1 < pts.size() ? pts[i + 1].frequency : kOpen;
        out.push_back({pts[i].frequency, next, pts[i].level});
    }
}

} // namespace

std::vector<MaskSegment> maskSegments(const Mask& mask, const PassbandInfo& p) {
    std::vector<MaskSegment> out;
    std::vector<MaskPoint> low, high;
    if (mask.kind == 1) {
        const double centre = p.centre > 0.0 ? p.centre : 0.0;
        for (const MaskPoint& m : mask.points) {
            if (!(m.frequency > 0.0)) continue;
            (m.frequency < centre ? low : high).push_back(m);
        }
    } else if (mask.kind == 2) {
        for (const MaskPoint& m : mask.points) {
            const MappedPoint f = mapLowpassPoint(m.frequency, p);
            if (!(f.first > 0.0)) continue;
            switch (p.type) {
            case ResponseType::Lowpass:
                high.push_back({f.first, m.level});
                break;
            case ResponseType::Highpass:
                low.push_back({f.first, m.level});
                break;
            case ResponseType::Bandpass:
                low.push_back({f.first, m.level});
                high.push_back({f.second, m.level});
                break;
            case ResponseType::Bandstop: {
                // The stopband lies between the pair: from the wider pair's
                // edges inwards.
                out.push_back({f.first, f.second, m.level});
                break;
            }
            }
        }
        if (p.type == ResponseType::Bandstop) {
            // Narrower pairs (higher levels) are drawn over wider ones.
            std::sort(out.begin(), out.end(), [](const MaskSegment& a, const MaskSegment& b) {
                return a.high - a.low > b.high - b.low;
            });
            return out;
        }
    }
    lowerSide(low, out);
    upperSide(high, out);
    return out;
}

int markersToMask(const MarkerSet& markers, const PassbandInfo& p, Mask& mask, double reference) {
    mask = Mask{};
    const double lo = p.centre - p.bandwidth / 2.0;
    const double hi = p.centre + p.bandwidth / 2.0;
    for (const Marker& m : markers) {
        if (!m.set() || !(m.level > 6.0)) continue;
        if (m.frequency < lo) {
            ++mask.below;
        } else if (m.frequency > hi) {
            ++mask.above;
        } else {
            continue;
        }
        mask.points.push_back({m.frequency, m.absolute ? m.level - reference : m.level});
    }
    std::sort(mask.points.begin(), mask.points.end(),
              [](const MaskPoint& a, const MaskPoint& b) { return a.frequency < b.frequency; });
    mask.kind = mask.points.empty() ? 0 : 1;
    return static_cast<int>(mask.points.size());
}

void maskToMarkers(const Mask& mask, MarkerSet& markers, double reference) {
    if (mask.kind != 1) return;
    clearMarkers(markers);
    for (std::size_t i = 0; i < mask.points.size() && i < kMarkers; ++i)
        markers[i] = {mask.points[i].frequency, mask.points[i].level + reference, true};
}

} // namespace tanvex::plot
