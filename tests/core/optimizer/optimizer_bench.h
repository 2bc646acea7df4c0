// A session for optimizer tests: a design, the results table, a scripted
// toolkit and the optimizer, in a scratch directory that is also the
// temporary directory.
#pragma once

#include "../schematic/scratch_dir_test.h"
#include "design/design_file.h"
#include "optimizer/optimizer.h"
#include "ui/scripted_toolkit.h"

#include <memory>
#include <string>
#include <vector>

namespace tanvex::test {

struct RecordingHost : optimizer::OptimizerHost {
    int width = 0;
    std::vector<std::string> messages;
    int plotWidth() override { return width; }
    void message(const std::string& text) override { messages.push_back(text); }
};

// Data services that answer a plain 50 ohm resistor until `failAfter`
// requests have been served, then refuse (the walk fails).
struct FlakyData : analysis::DataServices {
    long served = 0;
    long failAfter = -1; // -1: never fail
    analysis::DataAnswer dataImpedance(double, int, double& r, double& x) override {
        if (failAfter >= 0 && served >= failAfter) return analysis::DataAnswer::kUnavailable;
        ++served;
        r = 50.0;
        x = 0.0;
        return analysis::DataAnswer::kReady;
    }
    analysis::DataAnswer dataValue(double, int, double& v) override {
        v = 0.0;
        return analysis::DataAnswer::kReady;
    }
};

class OptimizerTest : public ScratchDirTest {
protected:
    Design design;
    analysis::ResultsTable table;
    analysis::SweepOptions options;
    ui::ScriptedToolkit tk;
    FlakyData data;
    RecordingHost host;
    std::unique_ptr<optimizer::Optimizer> op;

    void make() {
        op = std::make_unique<optimizer::Optimizer>(design, table, options, tk, data, host);
    }
    // The sample bandpass (50 ohm, 100 MHz centre) with branch `detune`
    // multiplied by factor.
    void sampleBandpass(int detune = 0, double factor = 1.0) {
        ASSERT_EQ(loadDesign(design, std::string(TANVEX_SOURCE_DIR) + "/resources/examples",
                             "bandpass", tk),
                  0);
        if (detune) design.entries[static_cast<std::size_t>(detune)].value *= factor;
        make();
    }
    // A series L-C resonator between two 50 ohm ends.
    void resonator(double l, double c) {
        newDesign(design.entries);
        setEntry(design.entries, 0, 50.0, 'R', 1);
        setEntry(design.entries, 1, l, 'L', 3);
        setEntry(design.entries, 2, c, 'C', 3);
        setEntry(design.entries, 3, 50.0, 'R', 1);
        setEntry(design.entries, 4, 1e8, 'x', 1);
        completeSettingsString(design.record);
        setDesignName(design, "res");
        make();
    }
    double& value(int b) { return design.entries[static_cast<std::size_t>(b)].value; }
    // Runs a whole command; returns the item reports.
    std::vector<optimizer::ItemReport> run(const std::string& command) {
        std::vector<optimizer::ItemReport> out;
        if (!op->startCommand(command)) return out;
        while (op->inProgress()) out.push_back(op->runNext());
        return out;
    }
};

} // namespace tanvex::test
