// The optimizer's command line: a comma-separated list of branch items,
// ranges, partner pairs and saved setups.
//
//   "3-1"    branches 3, 2, 1 as separate items
//   "2/3"    branch 2, branch 3 following so that value2 * value3 stays
//   "2&4"    branch 2, branch 4 moving by the same increment
//   "L"      every inductor branch
//   "A".."F" the command of a saved setup, with its job and range
//   "R"      anywhere: repeat the whole command (continuous mode)
#pragma once

#include "design/network.h"

#include <array>
#include <string>
#include <vector>

namespace tanvex::optimizer {

// A saved (1..7, "A".."G") or the current (0) setup.
struct Setup {
    std::string command; // up to 40 characters
    float lower = 0.0f;  // display frequency units
    float upper = 0.0f;
    int job = 0; // 0: empty slot
};
constexpr int kSetupCount = 8;
constexpr int kCommandLength = 40;
using Setups = std::array<Setup, kSetupCount>;

struct CommandItem {
    int branch = 0;
    // 0 none; n > 0: branch n keeps value(branch) * value(n); n < 0: branch
    // -n moves by the same increment.
    int partner = 0;
    int setup = 0; // 0: the current setup's job and range, 1..6: saved setup A..F
};

// The typed text with its rewrites: upper case, every "R" switches on
// continuous mode, "G", "R", ":" and blanks are dropped, and a letter range
// such as "A-C" becomes "A,B,C" (no further than F). At most 40 characters.
std::string rewriteCommand(const std::string& typed, bool& continuous);

struct ParsedCommand {
    bool ok = false;
    std::vector<CommandItem> items;
    std::string message; // why it was refused (shown as a notice); empty when ok
};

// Parses a rewritten command against the network: branch numbers must lie
// in 1 .. the source entry (the terminator and what follows are not
// branches), partners must differ from their branch, setups must be
// recorded (else "Abort - Memory %c: is not recorded!").
ParsedCommand parseCommand(const std::string& command, const EntryList& entries,
                           const Setups& setups);

} // namespace tanvex::optimizer
