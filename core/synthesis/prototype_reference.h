// Choosing the reference lowpass: the "Reference values" choice of kind and
// the "Standard library lp" choice of family and symmetry, both through the
// toolkit, and the parameter usage flags each kind sets.
#pragma once

#include "design/design_record.h"
#include "ui/toolkit.h"

#include <string>

namespace tanvex::synthesis {

// Name of a reference kind as shown on the parameter display ("" for 0 or an
// unknown kind).
const char* referenceKindName(int kind);

// Button text of a kind in the "Reference values" dialog ("calc &Chev or
// Butt", ...); nullptr for kinds 0 and unknown ones.
const char* referenceKindButton(int kind);

// Sets slot 0's value to kind and writes its used / unused marks into the
// usage flags (slot 0's text); other flags are kept. Kinds outside 1..7 only
// set the value.
void applyReferenceKind(DesignRecord& rec, int kind);

// The "Reference values" dialog: one key per button (the letter after '&').
// Returns the chosen kind (applied to rec), or 0 when the dialog was left
// without a choice (rec unchanged). Kind 7 continues with the library dialog;
// when that is cancelled the kind is still set.
int referenceValuesDialog(ui::Toolkit& tk, DesignRecord& rec);

// The "Standard library lp" dialog: response family (slot 13's letter '1'..'6')
// and symmetry (slot 14's letter '1' symmetrical, '2' asymmetrical). An empty
// library path (slot 13's text) becomes "x", the default directory. Returns
// false when cancelled (rec unchanged).
bool standardLibraryDialog(ui::Toolkit& tk, DesignRecord& rec);

} // namespace tanvex::synthesis
