// Reads the entries of a circuit design file (.dzn) the way the SPICE
// converter needs them: value, letter and code of every line up to and
// including the terminator (`x`) entry.
#pragma once

#include "design/network.h"

#include <istream>
#include <string_view>
#include <vector>

namespace tanvex::spice {

// Only the first 29 characters of a line carry what the converter reads
// (value in columns 0-14, letter in 16, code from 18); the rest of a longer
// line (a data-branch name, layout text) is passed over.
constexpr std::size_t kLineChars = 29;

enum class ReadStatus {
    Ok,           // the terminator was read
    TooBig,       // more than kMaxLoadEntries entries before a terminator
    NoTerminator, // the file ended without an `x` line
    LineTooLong,  // a line longer than kMaxLineBytes: not a design file
};

// The longest line a design file holds (an entry with a data-branch name or
// the layout program's part description) with a wide margin. Nothing longer
// is read into memory: a binary file or a device never ends its line.
constexpr std::size_t kMaxLineBytes = 1024;

// Parses one line: value = number at column 0, letter = column 16, code =
// integer at column 18. Numbers are read with leading blanks skipped and
// independently of the locale; a field without a number reads as 0.
NetEntry parseEntryLine(std::string_view line);

// Reads lines (CR LF or LF ends) until the entry whose letter is `x`. Lines of
// 18 characters or fewer carry no entry and are skipped, as the design file
// reader does. On TooBig and NoTerminator `entries` holds what was read; a
// line over kMaxLineBytes ends the reading with LineTooLong.
ReadStatus readEntries(std::istream& in, std::vector<NetEntry>& entries);

} // namespace tanvex::spice
