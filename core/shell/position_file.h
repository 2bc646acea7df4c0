// The window position file tanvexw_pos.dat: the rectangles of the ten
// windows the program remembers, then the recently used designs, most
// recent first. Text, CR LF line ends (bare LF read as well).
#pragma once

#include <array>
#include <string>
#include <vector>

namespace tanvex::shell {

inline constexpr const char* kPositionFileName = "tanvexw_pos.dat";

struct WindowRect {
    int x = 5;
    int y = 5;
    int width = 640;
    int height = 480;
    bool operator==(const WindowRect&) const = default;
};

// The remembered windows, in the order of the file.
enum WindowSlot {
    kMainWindow = 0,
    kSchematicEditorWindow,
    kAnalysisResultsWindow,
    kAnalysisDataWindow,
    kGenericWindow,
    kTimeDomainWindow,
    kCoaxialWindow,
    kOptimizerWindow,
    kEqualizerWindow,
    kHelpWindow,
    kWindowSlots
};

inline constexpr int kMaxRecentDesigns = 9;
// A directory or name line longer than this ends the recent list: it cannot
// be a path the program wrote, and a stray binary file must not be taken in.
inline constexpr std::size_t kMaxRecentLine = 4096;

struct RecentDesign {
    std::string directory;
    std::string name;
    bool missing = false; // its .dzn file could not be opened this run
    bool operator==(const RecentDesign&) const = default;
};

struct PositionData {
    std::array<WindowRect, kWindowSlots> rects{};
    std::vector<RecentDesign> recent; // at most kMaxRecentDesigns
};

// Parses the file's text. The ten rectangles are read in order; a line that
// is missing or does not hold exactly four numbers ends the rectangles, and
// it and all later ones keep the default 5, 5, 640, 480. A rectangle whose y
// lies beyond 0.9 x desktopHeight is moved to 0, 0. The recent pairs follow
// until the end, an empty name, or nine pairs. Never fails.
PositionData parsePositionFile(const std::string& text, int desktopHeight);

// Reads path; a missing or unreadable file gives the defaults.
PositionData readPositionFile(const std::string& path, int desktopHeight);

// What is written at exit: the rectangles, then the recent list. When the
// current design is not the default one, the working directory and the
// design name come first and any older entry of the same name is left out;
// entries marked missing are dropped. At most nine pairs.
std::string formatPositionFile(const PositionData& data, const std::string& workingDirectory,
                               const std::string& designName);

// The recent list as it would be written (the logic of formatPositionFile).
std::vector<RecentDesign> recentForExit(const std::vector<RecentDesign>& recent,
                                        const std::string& workingDirectory,
                                        const std::string& designName);

// Writes the file; false when it cannot be created.
bool writePositionFile(const std::string& path, const PositionData& data,
                       const std::string& workingDirectory, const std::string& designName);

// True for the design names that count as "no design": default / DEFAULT.
bool isDefaultDesignName(const std::string& name);

} // namespace tanvex::shell
