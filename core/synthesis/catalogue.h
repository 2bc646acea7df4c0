// The catalogue of design types: names, the Design menu commands that choose
// them, the reference lowpass each sets, the usage masks of the design
// parameters and the extra settings, plus the "&Preset" defaults and the
// common preset bandpass types.
#pragma once

#include "design/design_record.h"
#include "ui/toolkit.h"

#include <string>
#include <vector>

namespace tanvex::synthesis {

constexpr int kDesignTypes = 26;
constexpr int kCouplings = 19; // couplings 1..19 in slot 12's text

struct DesignTypeInfo {
    int type;
    const char* name;
    int command;      // Design menu command id
    int refKind;      // reference lowpass kind set by the command, -1 unchanged
    const char* mask; // 21 characters: '1' used, '-' unused, '_' unchanged
};

// Design type 1..26 (anything else gives the entry of type 1).
const DesignTypeInfo& designTypeInfo(int type);
// The design type a menu command chooses, 0 when the command is not one.
int designTypeOfCommand(int command);
// The name table: 0 empty, 1..7 reference lowpass names, 8 unused, 8+k the
// name of design type k.
std::string nameTable(int index);
std::string designTypeName(int type);
std::string referenceName(int kind);

// Usage flags in slot 0's text.
bool isUsed(const DesignRecord& rec, int slot);
void setUsed(DesignRecord& rec, int slot, bool used);
// Writes a 21-character mask: '_' leaves that flag unchanged.
void writeMask(DesignRecord& rec, const char* mask);
// The usage masks the reference kinds write (all-pole and elliptic), for the
// preset picker.
extern const char* const kAllPoleMask;
extern const char* const kEllipticMask;

// Fault index: slot 21's letter.
int faultIndex(const DesignRecord& rec);
void setFaultIndex(DesignRecord& rec, int slot);

// Design parameters of frequently used slots.
int designType(const DesignRecord& rec);
int referenceKind(const DesignRecord& rec);
char configuration(const DesignRecord& rec);
int orderN(const DesignRecord& rec);

// Couplings: character i (1..19) of slot 12's text; ' ' when unset.
char coupling(const DesignRecord& rec, int i);
void setCoupling(DesignRecord& rec, int i, char c);
// Couplings 1..19 := c.
void setAllCouplings(DesignRecord& rec, char c);

// Whether the command opens the "Reference values" dialog after choosing.
bool commandAsksReference(int command);

// Sets slot 11, the reference kind where the table says so, the usage mask
// and the extra settings of the command's design type. Returns the type, 0
// when the command is not a design type.
int applyDesignType(Design& design, int command);

// The "&Preset" defaults of the current design type.
void applyPreset(DesignRecord& rec);

// The dependent usage flags after an entry. Returns true when a flag changed.
bool updateDependentFlags(DesignRecord& rec);

// The common preset bandpass types of the picker.
struct PresetBandpass {
    const char* title;
    int command;
    char configuration;
    int refKind;
    const char* sketch[12]; // box drawing lines (plain ASCII/CP437 bytes)
};
constexpr int kPresetBandpassCount = 14;
const PresetBandpass& presetBandpass(int index); // 0..13
// The lines of the picker page for sketch index: title, sketch lines and the
// question (each "%-33s", 14 lines before the question).
std::vector<std::string> presetPage(int index);
// Applies the choice of sketch index: configuration, reference kind and mask.
// Returns the menu command to run.
int applyPresetBandpass(DesignRecord& rec, int index);

// The picker: shows the sketches one at a time in the text window and asks
// N (next), Y (take it) or C (cancel); after the last it starts again. Y
// applies the choice and returns the menu command to run; C returns 0. A
// toolkit that keeps answering N is given two rounds, then 0.
int presetPicker(DesignRecord& rec, ui::Toolkit& toolkit);

} // namespace tanvex::synthesis
