// Response of a built network through the network analysis engine, and the
// ideal responses the builders must reproduce.
#pragma once

#include "analysis/data_services.h"
#include "analysis/interpreter.h"
#include "design/design_record.h"
#include "ladder_eval.h"
#include "synthesis/catalogue.h"
#include "synthesis/prototype.h"
#include "ui/scripted_toolkit.h"

#include <cmath>
#include <memory>

namespace buildertest {

// Transducer loss in dB of the entry list at f hertz (interpreter walk).
inline double lossDb(const tanvex::EntryList& list, double f) {
    using namespace tanvex::analysis;
    tanvex::ui::ScriptedToolkit tk;
    NoDataServices data(tk);
    NetworkInterpreter in(tk, data);
    InterpreterSettings is;
    in.prepare(list, is);
    const int n = tanvex::entryCount(list);
    const double rs = list[n].value, rl = list[0].value;
    WalkRequest rq;
    rq.f = f;
    rq.load = rl;
    rq.lambdaStart = std::log(2.0 * std::sqrt(rs * rl) / rl);
    if (in.walk(list, rq) != 0) return NAN;
    return -in.lambda() * 20.0 / std::log(10.0);
}

// Input impedance at the source end (without the source resistance).
inline std::complex<double> inputZ(const tanvex::EntryList& list, double f) {
    using namespace tanvex::analysis;
    tanvex::ui::ScriptedToolkit tk;
    NoDataServices data(tk);
    NetworkInterpreter in(tk, data);
    InterpreterSettings is;
    in.prepare(list, is);
    WalkRequest rq;
    rq.f = f;
    rq.load = list[0].value;
    rq.lambdaStart = 0;
    in.walk(list, rq);
    return {in.sourceEndImpedance().r, in.sourceEndImpedance().x};
}

// Loss of the normalized prototype at radian frequency w (its own ABCD
// evaluation), for the ideal mapped responses.
inline double prototypeLossDb(const tanvex::synthesis::LowpassPrototype& lp, double w) {
    return testeval::lossDb(testeval::fromPrototype(lp), lp.element[lp.n + 1].value, 1.0,
                            std::fabs(w));
}

// A design with the slots the lumped builders read.
struct Fixture {
    std::unique_ptr<tanvex::Design> design = std::make_unique<tanvex::Design>();
    std::unique_ptr<tanvex::synthesis::LowpassPrototype> proto =
        std::make_unique<tanvex::synthesis::LowpassPrototype>();
    tanvex::ui::ScriptedToolkit tk;
    tanvex::synthesis::PrototypeContext ctx{*design, *proto, tk, "", true, {}};

    tanvex::DesignRecord& rec() { return design->record; }
    tanvex::EntryList& list() { return design->entries; }

    // Chooses a design type by its menu command and fills the common slots.
    void choose(int command, int kind, int n, double ar, double as, double amin = 60) {
        tanvex::newDesign(design->entries);
        tanvex::synthesis::applyDesignType(*design, command);
        rec()[0].value = kind;
        if (kind == 1) tanvex::synthesis::writeMask(rec(), tanvex::synthesis::kAllPoleMask);
        if (kind == 4) tanvex::synthesis::writeMask(rec(), tanvex::synthesis::kEllipticMask);
        tanvex::synthesis::writeMask(rec(), tanvex::synthesis::designTypeInfo(
                                                tanvex::synthesis::designTypeOfCommand(command))
                                                .mask);
        rec()[1].value = n;
        rec()[2].value = ar;
        rec()[3].value = as;
        rec()[4].value = amin;
        rec()[13].value = 2;
        rec()[7].value = 50;
        rec()[8].value = 50;
        rec()[9].value = 50;
    }
};

} // namespace buildertest
