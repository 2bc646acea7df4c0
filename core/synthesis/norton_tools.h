// The Norton design tools: "Forced shunt direct scaled" (design type 9) and
// "Min. component direct scaled" (design type 10). Both build the direct
// scaled bandpass and then apply Norton transformations at the series
// capacitors of the coupling resonators, from the source end:
//   type 9 forces every shunt inductor to L1 (the shunt inductor nearest the
//          source), so that the shunt resonators all have one inductance;
//   type 10 forces the shunt capacitor on the termination side of each
//          coupling but the last to vanish into the transformation's new
//          element (one part less than forcing equal inductors). In narrow
//          bands this raises the impedance level of the termination side a
//          lot (the ratio is about the square of the coupling's loaded Q).
// Both then show the sections in the text window with a key menu that lets
// the engineer force single parts, switch between local and network-wide
// changes, restore the automatic forcing, edit or go back to the parameters.
#pragma once

#include "synthesis/prototype.h"

#include <functional>
#include <string>
#include <vector>

namespace tanvex::synthesis {

inline constexpr const char* kForcedShuntHeading = "> Force Shunt Norton Transformation <";
inline constexpr const char* kMinComponentHeading = "> Minimum Component Norton Transform <";
inline constexpr const char* kForcedShuntMenu =
    "Section &L.,&Shunt C,&Parameters,&Edit,e&Xit,&Mode,&Restore";
inline constexpr const char* kMinComponentMenu =
    "Section &L.,&Parameters,e&Xit,&Edit,&Mode,&Restore";
inline constexpr const char* kLocalMode = "Local changes Mode";
inline constexpr const char* kNetworkMode = "Network scale Mode";
inline constexpr int kMaxNortonSections = 18;

// What the tools call back into the program around them.
struct NortonToolHooks {
    // false: the automatic forcing only, no key menu (batch runs).
    bool interactive = true;
    // E: the schematic editor on the current network.
    std::function<void()> editor;
    // Type 10: the source-end matcher, run after the build.
    std::function<void(int end)> matcher;
    // Receives the tool's screen lines when set (batch report).
    std::vector<std::string>* report = nullptr;
};

// Design type 9. Results: 0 done, 2 negative values left by the forcing
// (the network is kept), 3 elliptic reference, 4 wrong configuration,
// 5 more than 18 sections (fault index 1), -1 parameters asked for, and the
// direct scaled bandpass's own refusals.
int forcedShunt(PrototypeContext& ctx, NortonToolHooks& hooks);

// Design type 10. Results as type 9, with -2 on eXit (the termination
// matcher follows), 5 for N of 21 or more, -2 also when a series tank makes
// the forcing impossible ("Changes not possible.").
int minimumComponent(PrototypeContext& ctx, NortonToolHooks& hooks);

// The coupling sections of a network: the series capacitor of every series
// L-C pair (code 3) that has a shunt inductor on its termination side,
// listed from the source end.
std::vector<int> couplingSections(const EntryList& list);

// Forces the shunt inductor (capacitor: isCapacitor) on the termination side
// of the coupling capacitor at entry i to value by one Norton
// transformation there. A capacitor forced to 0 vanishes. Returns the ratio
// applied (1 when the part already has the value), 0 when the section
// cannot take it (nothing changed).
double forceSection(EntryList& list, int i, double value, bool isCapacitor);

} // namespace tanvex::synthesis
