// Small operations on the design shared by every part of the program: the
// entry list helpers (pair test, resonance, combine, insert, delete, swap),
// scaling, the dual transform, the value range report, the Q values and
// their backups, and the notation.
#pragma once

#include "design/design_record.h"
#include "ui/toolkit.h"

#include <string>
#include <vector>

namespace tanvex {

// ---- Numbers ---------------------------------------------------------------

// Q convention: a Q below 0.1 (typed as 0) means infinite and is stored as 1e11.
constexpr double kInfiniteQ = 1e11;
double normalizeQ(double q);
// "Inf." for a Q of 1e6 or more, else "%-6.0f" of it.
std::string formatQ(double q);

// Whole-number rounding: the integer part (toward zero), plus 1 when x is
// positive with an integer part of at least 1 and a fractional part above
// 0.5. Exactly .5 rounds down; any x below 1 gives 0; negative x truncates.
double wholeNumberRound(double x);

// a := 1/(1/a + 1/b) (a or b of 0 gives 0).
void parallelCombine(double& a, double b);
// |a - b| <= a * tolerance.
bool closeTo(double a, double b, double tolerance);

// ---- Entry list ------------------------------------------------------------

// The common code when entries i and j are an 'L' and a 'C' (either order)
// with the same code, else 0.
int pairTest(const EntryList& list, int i, int j);
// 1 / (2 pi sqrt(value_i * value_j)); 0 when the product is not positive.
double resonance(const EntryList& list, int i, int j);

// Inserts a slot after index i: entries i+1 .. count+1 (terminator
// included) move up by one and count grows by one. The new slot i+1 holds a
// copy of its old contents for the caller to overwrite. With count above
// 145 the notice "Edit memory full" is shown and 1 is returned (nothing
// moves); 0 on success.
int insertEntry(EntryList& list, int i, int& count, ui::Toolkit& toolkit);
// Removes entry i: entries i+1 .. count+1 move down by one, the freed slot
// is cleared and count shrinks by one.
void deleteEntry(EntryList& list, int i, int& count);
void swapEntries(EntryList& list, int i, int j);

// Removes entry i, moving entries i+1 .. last down by one and clearing the
// old slot `last` (last = the index of the last entry in use).
void removeEntryAt(EntryList& list, int i, int last);

// The reference frequency of the design in hertz: the terminator's value,
// with 0 read as 1.
double referenceFrequency(const EntryList& list);

// ---- Scaling and the dual transform ----------------------------------------

// Over entries last down to first: L, M, R, Z multiplied by k, C divided by
// k, stopping at a side-port termination (code 8). k <= 0 is refused:
// returns 1 and changes nothing; 0 on success.
int impedanceScale(EntryList& list, int first, int last, double k);
// Over entries first..last: L, C, M divided by k, F multiplied by k; then the
// terminator's value multiplied by k. k <= 0 is refused (returns 1).
int frequencyScale(EntryList& list, int first, int last, double k);

// Replaces every group of entries first..last by its dual about R0 = entry
// 0's value: codes become their DualCode; L becomes C of L/R0^2, C becomes L
// of C*R0^2, R and Z become R0^2/value, a transformer ratio N becomes 1/N;
// lengths, frequencies and other parameters stay. When any group in the
// range has no dual (or R0 is not positive, or a group runs past last) the
// whole transform is refused: returns 1 and changes nothing; 0 on success.
int dualTransform(EntryList& list, int first, int last);

// ---- Value range report ----------------------------------------------------

// The lines of the value range report over branches max(first,1) .. n-1
// (stopping after last when last > 0): the inductance and capacitance
// ranges in display units with their branches, " <- worst case." on the
// line with the larger spread, the spread, the branch range when one was
// given, and "  Negative Values!" (with a beep through beeper when not null)
// when a smallest value is negative. A kind of element that does not occur
// gets no range line.
std::vector<std::string> valueRangeReport(const Design& design, int first, int last,
                                          ui::Toolkit* beeper = nullptr);

// ---- Analysis settings and Q values ----------------------------------------

// Sets Ql, Qc, Qt with the Q convention.
void setQValues(Design& design, double ql, double qc, double qt);
void saveAnalysisBackup(Design& design);
void restoreAnalysisBackup(Design& design);
void swapAnalysisBackup(Design& design);
void saveQBackup(Design& design);
void restoreQBackup(Design& design);

// Asks "(0=Inf.) Inductor Q, Cap. Q, Trans. Q ?" and sets the Q values typed
// as a comma-separated list (a field left out or ended by '/' keeps its Q; an
// empty answer changes nothing). Returns the number of fields typed.
int promptAllQ(Design& design, ui::Toolkit& toolkit);
// Asks "(0=Inf.) %s?" for one Q (which: 0 Ql "  Ind. Ql", 1 Qc "  Cap. Qc",
// 2 Qt "Trans. Qt"); an empty answer keeps it. Returns true when set.
bool promptSingleQ(Design& design, int which, ui::Toolkit& toolkit);

// ---- Notation --------------------------------------------------------------

// The "Parameter notation" dialog belongs to the application shell; it is
// reached through this interface. choose() is called with the stored
// electrical notation (1..6) and mechanical unit (8..11); it returns false
// when cancelled, else true with the chosen values.
class NotationChooser {
public:
    virtual ~NotationChooser() = default;
    virtual bool choose(int& electrical, int& mechanical) = 0;
};

// Applies electrical notation n (1..6) and stores its digit in slot 16.
bool applyNotation(Design& design, int n);
// Applies mechanical unit code (8..11) and stores its digit in slot 19.
bool applyMechanical(Design& design, int code);

// set_notation: n == 63 re-applies the stored mechanical unit (inches when
// none is stored, storing '0') and the stored electrical notation (V.H.F.
// when none), returning the electrical digit. Any other n opens the chooser
// (when given) preset to the stored values and applies what is chosen.
// Returns the electrical notation in force afterwards.
int setNotation(Design& design, int n, NotationChooser* chooser = nullptr);
// The same as setNotation(design, 63).
int reapplyStoredNotation(Design& design);

} // namespace tanvex
