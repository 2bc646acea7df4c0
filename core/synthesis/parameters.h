// The design parameters as the DESIGN PARAMETERS dialog shows them: prompt
// texts, kinds, row labels and values, hints, the entry rules, and the
// parameter report.
#pragma once

#include "design/design_record.h"
#include "synthesis/prototype.h"

#include <string>
#include <vector>

namespace tanvex::synthesis {

enum class ParamKind { Letter, Number, Frequency, Couplings, Text, Inductance };

constexpr int kMaxDialogRows = 14;
constexpr int kLastParameter = 20;

ParamKind parameterKind(int slot);
// The prompt of a parameter for the current design type and reference.
std::string parameterPrompt(const DesignRecord& rec, int slot);
// The configuration prompt of a design type (the slot 11 row).
std::string configurationPrompt(int designType, int refKind);
// Row label ("%-28s", frequency and inductance "%-24s%-4s", couplings "%-30s").
std::string rowLabel(const Design& design, int slot);
// The value as the edit control shows it.
std::string rowValue(const Design& design, int slot);
// The hint shown while the row has the focus.
std::string parameterHint(const Design& design, int slot);

// The used parameters in slot order, at most 14: the dialog rows. Applies
// the start-up adjustments of the flags first (slot 16 unused without
// couplings; slot 20 used for design types 16 and 20 with configuration T).
std::vector<int> dialogRows(Design& design);

// What an entry changed.
struct EntryEffect {
    bool refresh = false;      // other values changed: redraw the values
    bool flagsChanged = false; // a usage flag changed: rebuild the rows
    bool gridChanged = false;  // the couplings grid must be redrawn
};
// Takes the text typed into the row of slot, then updates the dependent
// flags.
EntryEffect enterParameter(Design& design, int slot, const std::string& text);
// A click on the couplings grid: row 1..18, column letter.
EntryEffect clickCoupling(Design& design, int row, char column);

// The parameter report (the dialog's mode 1): the lines before the
// reference lowpass listing.
std::vector<std::string> parameterReport(const Design& design);

// The reference lowpass part of the report: the prototype made again with
// file access off, listed as k-q values or element by element.
std::vector<std::string> referenceListing(PrototypeContext& ctx);

// The order estimate from a required attenuation at a frequency (hertz) for
// the current reference and band: the smallest N whose response reaches it;
// 0 when it cannot be estimated.
int estimateOrder(const Design& design, double attenuationDb, double frequencyHz);

} // namespace tanvex::synthesis
