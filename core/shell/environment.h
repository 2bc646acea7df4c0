// Directories and names the main program takes from its environment.
#pragma once

#include <string>

namespace tanvex::shell {

// Longest working directory the status screen and the recent list were laid
// out for; a longer one is reported but still used in full.
inline constexpr std::size_t kMaxWorkingDirectory = 178;

struct ShellEnvironment {
    std::string home;          // TANVEX_HOME, else the data directory next to the program
    std::string library;       // home + "/_LIB/": the standard lowpass library
    std::string temp;          // TMTANVEX, TEMP, TMP, TMPDIR, else /tmp
    std::string userName;      // USERNAME, "?" when not set (hard-copy captions)
    std::string working;       // the current directory
    std::string start;         // the working directory at start-up
    bool workingStale = false; // re-read before the status screen is painted
};

// The current directory (trailing separators removed; empty when unknown).
std::string currentDirectory();

// Reads every field; working and start are both the current directory.
ShellEnvironment readEnvironment();

// Changes the current directory; true on success. Marks nothing: callers
// set workingStale.
bool changeDirectory(const std::string& directory);

} // namespace tanvex::shell
