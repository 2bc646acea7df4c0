#include "synthesis/calculate.h"

#include "synthesis/catalogue.h"
#include "synthesis/narrow_band.h"
#include "synthesis/placer.h"

namespace tanvex::synthesis {

int runBuilder(PrototypeContext& ctx, NarrowBandView* view) {
    switch (designType(ctx.design.record)) {
    case 1:
        return lowpassLadder(ctx, 0);
    case 2:
        return lowpassLadder(ctx, 1);
    case 3:
        return directBandpass(ctx, 0);
    case 4:
        return narrowBandDialog(ctx, 0, view);
    case 5:
        return linearPhaseBandpass(ctx);
    case 6:
        return zigzagBandpass(ctx);
    case 7:
        return directNotch(ctx, 0);
    case 8:
        return narrowBandNotch(ctx);
    case 11:
        return narrowBandDialog(ctx, 1, view);
    case 14:
        return fiveResonatorElliptic(ctx);
    case 15:
        return resistorPad(ctx);
    case 17:
        return narrowBandDialog(ctx, 2, view);
    case 23:
        return polePlacerBuilder(ctx, PlacerUi{});
    case 25:
        return lowpassLadder(ctx, 2);
    case 26:
        return lowpassLadder(ctx, 3);
    default:
        // The Norton designs (9, 10) plug in through their own commands;
        // the TEM and equalizer designs are not built here.
        return kBuildNotImplemented;
    }
}

std::string resultMessage(int r) {
    switch (r) {
    case 2:
        return "Negative values in design";
    case 3:
        return "Inappropriate ref. lowpass";
    case 4:
        return "Not implemented";
    default:
        if (r > 0 && r != 5) return "Undefined error";
        return "";
    }
}

int calculate(PrototypeContext& ctx, CalculateHooks& hooks) {
    DesignRecord& rec = ctx.design.record;
    const int kind = referenceKind(rec);
    if (kind == 2 || kind == 3 || kind == 6) ctx.proto.newValuesRequest = 1;
    int r = CalculateHooks::kNotMine;
    if (hooks.otherBuilder) r = hooks.otherBuilder(designType(rec));
    if (r == CalculateHooks::kNotMine) r = runBuilder(ctx, hooks.narrowBand);
    if (r == 27) r = kBuildAborted;
    if (r > 0 && r != 5) ctx.toolkit.beep();
    switch (r) {
    case kBuildCoaxialCoil:
        if (hooks.coaxial) hooks.coaxial(0);
        break;
    case kBuildCoaxialRod:
        if (hooks.coaxial) hooks.coaxial(1);
        break;
    case kBuildAborted:
        break;
    case kBuildReissue:
        if (hooks.reissueLastCommand) hooks.reissueLastCommand();
        break;
    case kBuildTerminationMatcher:
        if (hooks.matcher) hooks.matcher(1);
        break;
    case kBuildReopen:
    case kBuildFault:
        if (hooks.reopenParameters) hooks.reopenParameters();
        break;
    case kBuildOk:
        if (hooks.matcher && isUsed(rec, 8)) hooks.matcher(0);
        if (hooks.matcher && isUsed(rec, 9)) hooks.matcher(1);
        if (hooks.refresh) hooks.refresh();
        break;
    default: {
        const std::string m = resultMessage(r);
        if (!m.empty()) ctx.toolkit.notice(m);
        break;
    }
    }
    return r;
}

} // namespace tanvex::synthesis
