// The SPICE converter: turns the entries of a circuit design file into a SPICE
// deck. The deck is driven from the entry-0 end of the list (entry 0 becomes the
// source resistance, the last code-1 entry the termination) and carries
// placeholders for the analysis lines that the engineer completes by hand.
#pragma once

#include "design/network.h"

#include <string>
#include <vector>

namespace tanvex::spice {

// The converter keeps its own code tables. They match the main program's group
// sizes; the node advance differs for codes 16, 24, 46 and 47.
constexpr int kTableCodes = 50; // codes 0..49
int converterNodeAdvance(int code);
int converterEntries(int code);

// True for the codes the converter writes element lines for.
bool isImplemented(int code);

enum class Domain { Frequency, Transient, Harmonic };

// Maps a domain key (either case) to a domain; false for any other key.
bool domainFromKey(int key, Domain& domain);

// One group of the network as the converter walks it.
struct GroupPlan {
    int first = 0;              // index of the group's first entry
    int code = 0;               // code of the first entry
    int size = 0;               // entries the group consumes
    bool written = false;       // false: an entry the converter skips (listed as not implemented)
    int elements = 0;           // variant: element count of the shared-code families
    bool twoElementTap = false; // codes 11 and 12: tap branch with a far node of its own
    bool thirteenExtension = false; // codes 7, 13, 27: the five-element extension of code 13
};

// The whole walk, found once from the entries alone.
struct NetworkPlan {
    int terminator = 0;            // index of the `x` entry
    std::vector<GroupPlan> groups; // entries 1 .. terminator-1
};

// Finds the groups of entries 1 .. the terminator. Returns false with a message
// when the list cannot be converted: no terminator, no network before it, a
// group that runs past the terminator, an entry with code 0 (it has no entries,
// so a walk would never advance), or no code-1 entry to serve as termination.
bool planNetwork(const std::vector<NetEntry>& entries, NetworkPlan& plan, std::string& message);

struct ConvertOptions {
    std::string name; // design name without extension, as shown in the header
    Domain domain = Domain::Frequency;
    int startNode = 1; // S; values below 1 are read as 1
};

struct ConvertResult {
    bool ok = false;
    std::string message;             // why the conversion failed
    std::string deck;                // the text of the .cir file
    std::string console;             // what the conversion prints (bells, unimplemented codes)
    std::vector<int> notImplemented; // codes of the entries left out, in order
    int lastNode = 0;                // the highest node number used (N - 1)
    int reportNode = 0;              // R, 0 when there is none
    int loadNode = 0;                // the main node the termination is written at
};

// Writes the deck for entries read from a design file (entry 0 .. the `x` entry).
ConvertResult convert(const std::vector<NetEntry>& entries, const ConvertOptions& options);

} // namespace tanvex::spice
