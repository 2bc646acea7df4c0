// A direct scaled bandpass (parallel input, 50 ohm) for the equalizer's
// tests and benchmark: reference kind 1 (all-pole of the ripple) or 7 (the
// library's Bessel ladder, read from homeDir's _LIB).
#pragma once

#include "synthesis/builders.h"
#include "synthesis/catalogue.h"
#include "ui/toolkit.h"

#include <memory>
#include <string>

namespace equalizertest {

inline std::unique_ptr<tanvex::Design> directBandpass(tanvex::ui::Toolkit& tk, int kind, int n,
                                                      double ripple, double fo, double bw,
                                                      const std::string& homeDir = "") {
    using namespace tanvex;
    auto design = std::make_unique<Design>();
    auto proto = std::make_unique<synthesis::LowpassPrototype>();
    newDesign(design->entries);
    synthesis::applyDesignType(*design, 106);
    DesignRecord& rec = design->record;
    rec[0].value = kind;
    synthesis::writeMask(rec, synthesis::kAllPoleMask);
    synthesis::writeMask(rec, synthesis::designTypeInfo(3).mask);
    rec[1].value = n;
    rec[2].value = ripple;
    rec[3].value = ripple > 0 ? ripple : 3.0103;
    rec[4].value = 60;
    rec[13].value = 2;
    if (kind == 7) {
        rec[13].letter = '1'; // Bessel
        rec[14].letter = '1'; // equal terminations
        rec[13].setText("x");
    }
    rec[5].value = fo;
    rec[6].value = bw;
    rec[7].value = rec[8].value = rec[9].value = 50;
    rec[11].letter = 'P';
    synthesis::PrototypeContext ctx{*design, *proto, tk, homeDir, true, {}};
    if (synthesis::directBandpass(ctx, 0) != 0) return nullptr;
    return design;
}

} // namespace equalizertest
