#include "synthesis/calculate.h"

#include "synthesis/catalogue.h"
#include "synthesis/narrow_band.h"
#include "synthesis/norton_tools.h"
#include "synthesis/parameters.h"
#include "synthesis/placer.h"

#include <cmath>

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
    case 19:
        return wideBandDirectConnected(ctx);
    case 21:
        return capCoupledStubNotch(ctx);
    case 16:
    case 18:
    case 20:
    case 24:
        return temNarrowBand(ctx);
    case 22:
        return temStubNotch(ctx);
    case 23:
        return polePlacerBuilder(ctx, PlacerUi{});
    case 25:
        return lowpassLadder(ctx, 2);
    case 26:
        return lowpassLadder(ctx, 3);
    default:
        // The Norton designs (9, 10) run from calculate() with its hooks; the
        // pole placer (23) plugs in through its own command; the TEM and
        // equalizer designs are not built here.
        return kBuildNotImplemented;
    }
}

int unusableParameter(const DesignRecord& rec) {
    const int type = designType(rec);
    if (type < 1 || type > kDesignTypes) return kSlotDesignType;
    for (int slot = 1; slot <= kLastParameter; ++slot)
        if (isUsed(rec, slot) && !std::isfinite(rec[slot].value)) return slot;
    if (isUsed(rec, 1) && (orderN(rec) < 1 || orderN(rec) > kMaxPrototypeOrder)) return 1;
    return 0;
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
    // A design file edited by hand or damaged may hold anything; no builder
    // sees a parameter it cannot use.
    if (const int bad = unusableParameter(rec); bad > 0) {
        setFaultIndex(rec, bad);
        ctx.toolkit.beep();
        if (hooks.reopenParameters) hooks.reopenParameters();
        return kBuildFault;
    }
    int r = CalculateHooks::kNotMine;
    if (hooks.otherBuilder) r = hooks.otherBuilder(designType(rec));
    const int type = designType(rec);
    if (r == CalculateHooks::kNotMine && (type == 9 || type == 10)) {
        NortonToolHooks tool;
        tool.interactive = hooks.interactiveTools;
        tool.editor = hooks.editor;
        tool.matcher = hooks.matcher;
        tool.report = hooks.toolReport;
        r = type == 9 ? forcedShunt(ctx, tool) : minimumComponent(ctx, tool);
    }
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
