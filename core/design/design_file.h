// Design files: the specification file NAME.spk (DesignRecord slots 0..20
// and the optional marker, stub generator and mask blocks), the circuit
// design file NAME.dzn (the network entry list, one "%15.8e %c %d" line per
// entry) and, for pole placer designs, NAME.ppd.
//
// How to use it
// -------------
//   #include "design/design_file.h"
//
//   tanvex::Design d;                       // zero-filled, as at start-up
//   int r = tanvex::loadDesign(d, dir, "bandpass", toolkit);   // reads dir/bandpass.*
//   if (r & tanvex::kDznFailed) ...         // no network was read
//   r = tanvex::saveDesign(d, dir, "bandpass", toolkit);       // writes them back
//
//   // The main program's own entry point (name relative to the working
//   // directory; names starting with "tmp"/"TMP" go to the temporary directory):
//   int r = tanvex::transferDesign(d, "bandpass", 'r', tanvex::kTransferWhole, toolkit);
//
//   // Programs that need only the network (SPICE converter, layout program):
//   tanvex::NetworkFile net;
//   if (tanvex::readNetworkFile(path, net, toolkit) == 0) use(net.entries, net.names);
//
// Every result is a bit set, 0 on full success (kSpkFailed ... kFileMalformed
// below). Every failure has already been reported to the user through the
// toolkit ("Can't open: %s", "Network is too big!", "File name is too long!",
// ...). A file that cannot be opened or is malformed leaves the part of the
// design it would have filled unchanged.
//
// Files are written with CR LF line ends, to a temporary file that is then
// renamed over the old one. CR LF and bare LF files are read alike.
#pragma once

#include "design/design_record.h"
#include "ui/toolkit.h"

#include <string>

namespace tanvex {

// Result bits of the design file transfer.
constexpr int kSpkFailed = 1;         // the .spk file could not be opened / written
constexpr int kPpdFailed = 2;         // the .ppd file could not be opened / written
constexpr int kDznFailed = 4;         // the .dzn file could not be opened / written
constexpr int kNameTooLong = 8;       // a name component over 29 characters; nothing done
constexpr int kOverwriteRefused = 16; // the user would not overwrite; nothing written
constexpr int kNetworkTooBig = 32;    // the .dzn file needs more than 150 entries
constexpr int kFileMalformed = 64;    // a file was read but is not a valid design file

// Transfer kinds.
constexpr int kTransferWhole = 0;        // .spk, .ppd if the design uses it, .dzn
constexpr int kTransferNetwork = 1;      // .dzn only
constexpr int kTransferJoinSeries = 2;   // read a second network and join it in series
constexpr int kTransferJoinSidePort = 3; // read a second network as a multiplexer side port

// The design file transfer. mode 'r' reads, 'w' writes. name may carry a
// directory; a bare name is relative to the working directory, or to the
// temporary directory when it starts with "tmp_"/"TMP_". Joins read the second
// design named by name and join it onto design. On writing, an existing .dzn
// of a name that is not default, not temporary and does not start with
// "save" is overwritten only after "File exists: Overwrite it ?" is answered
// yes. Reading a whole design or a network sets the default sweep from the
// reference frequency when no sweep was set yet (AnalysisSettings[6] == 0).
int transferDesign(Design& design, const std::string& name, char mode, int kind,
                   ui::Toolkit& toolkit);

// dir/name.spk, .ppd, .dzn read into design (kind 0). Sets the design name to
// name. dir may be empty (working directory).
int loadDesign(Design& design, const std::string& dir, const std::string& name,
               ui::Toolkit& toolkit);
// dir/name.spk and, when the design uses one, dir/name.ppd read into design;
// the network is left as it is (Calculate builds a new one and needs nothing
// of the old). Sets the design name.
int loadDesignParameters(Design& design, const std::string& dir, const std::string& name,
                         ui::Toolkit& toolkit);
// Writes design as dir/name.* (kind 0). Does not ask before overwriting.
int saveDesign(Design& design, const std::string& dir, const std::string& name,
               ui::Toolkit& toolkit);

// Path of a design file: the temporary directory for temporary names, else
// name as given; ext includes the dot (".dzn").
std::string designFilePath(const std::string& name, const std::string& ext);

// ---- The network file alone ------------------------------------------------

struct NetworkFile {
    EntryList entries{};
    ElementNameTable names{};
    bool layoutData = false; // lines with extra text that this program does not keep
};

// Reads a .dzn file into net (entries from index 0). Returns 0, kDznFailed
// (cannot open), kNetworkTooBig or kFileMalformed (no terminator line, no
// source entry, ...). Shows the notices itself. The layout program's extra
// text is reported with "KORVADEX data in the file will be lost if you save
// the design later" unless quiet is set.
int readNetworkFile(const std::string& path, NetworkFile& net, ui::Toolkit& toolkit,
                    bool quiet = false);

// Reads into entries starting at index first (a join starts over the first
// design's terminator). On failure list and names are left unchanged.
int readNetworkInto(const std::string& path, EntryList& list, ElementNameTable& names, int first,
                    ui::Toolkit& toolkit, bool quiet = false);

// Writes entries 0 .. count+1 (setting the letter of entry count+1 to 'x'
// first). Returns 0, kDznFailed or kFileMalformed (no source entry).
int writeNetworkFile(const std::string& path, EntryList& list, const ElementNameTable& names,
                     ui::Toolkit& toolkit);

// ---- The specification and pole placer files -------------------------------

// Reads / writes the .spk file of design. defaultDesign is true for the
// design names "default" and "DEFAULT". Returns 0, kSpkFailed or kFileMalformed.
int readSpecFile(const std::string& path, Design& design, bool defaultDesign, ui::Toolkit& toolkit);
int writeSpecFile(const std::string& path, Design& design, bool defaultDesign,
                  ui::Toolkit& toolkit);

// True when the design needs a .ppd file (pole placer design type 23 or
// pole placer reference lowpass 6).
bool usesPolePlacerFile(const Design& design);
int readPolePlacerFile(const std::string& path, PolePlacerData& data, ui::Toolkit& toolkit);
int writePolePlacerFile(const std::string& path, const PolePlacerData& data, ui::Toolkit& toolkit);

} // namespace tanvex
