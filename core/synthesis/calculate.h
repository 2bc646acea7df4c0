// "Calculate": runs the builder of the current design type and handles its
// result (messages, matchers, follow-up windows).
#pragma once

#include "synthesis/builders.h"
#include "synthesis/prototype.h"

#include <functional>
#include <string>
#include <vector>

namespace tanvex::synthesis {

class NarrowBandView;

// What Calculate calls back into the program around it. Unset hooks do
// nothing.
struct CalculateHooks {
    std::function<int()> reopenParameters;    // -1 and 5
    std::function<void(int end)> matcher;     // 0 source end, 1 termination end
    std::function<void(int mode)> coaxial;    // -6 coil form (0), -5 rod form (1)
    std::function<void()> reissueLastCommand; // -3
    std::function<void()> refresh;            // after success
    NarrowBandView* narrowBand = nullptr;     // the narrow band dialog's window
    // Builders of other subsystems (Norton design tools 9 and 10, the pole
    // placer 23, ...): called with the design type before the builders here;
    // a result other than kNotMine is the builder's result.
    static constexpr int kNotMine = 1000;
    std::function<int(int designType)> otherBuilder;
    // The Norton design tools (9, 10): false runs their automatic forcing
    // without the key menu; editor serves their Edit key; toolReport, when
    // set, receives their screen lines.
    bool interactiveTools = true;
    std::function<void()> editor;
    std::vector<std::string>* toolReport = nullptr;
};

// Runs the builder of slot 11 and returns its raw result.
int runBuilder(PrototypeContext& ctx, NarrowBandView* view);

// The first parameter slot Calculate must refuse before any builder runs: a
// design type outside the catalogue (slot 11), a used parameter that is not a
// finite number, or an order N outside 1..kMaxPrototypeOrder. 0 when none.
int unusableParameter(const DesignRecord& rec);

// The message Calculate shows for a result, "" when none.
std::string resultMessage(int result);

// Calculate: the new-values request, the builder, and the result handling.
// Returns the builder's result (27 reported as -4).
int calculate(PrototypeContext& ctx, CalculateHooks& hooks);

} // namespace tanvex::synthesis
