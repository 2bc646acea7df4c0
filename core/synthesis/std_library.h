// The standard library of reference lowpass designs: file names, the index
// file LIB_REF.DAT, and the design-file entry lines they are written in.
#pragma once

#include "design/network.h"
#include "ui/toolkit.h"

#include <cstdio>
#include <string>

namespace tanvex::synthesis {

// Family names by response digit '1'..'6'; nullptr for any other digit.
const char* libraryFamily(char responseDigit);
// Human-readable family titles, same order ("Bessel", ...).
const char* libraryFamilyTitle(char responseDigit);

// "%c%s%d.DZN": symmetry digit ('1' symmetrical, '2' asymmetrical), family, N.
std::string libraryFileName(char symmetryDigit, const std::string& family, int n);

// The library directory with a trailing separator: path as typed, or the
// default "_LIB/" under homeDir when it is empty or "x". A typed backslash
// separator is accepted and ends the path like a slash.
std::string libraryDirectory(const std::string& typedPath, const std::string& homeDir);

// Opens a file for reading; when the exact name does not exist, a file whose
// name differs only in letter case in the same directory is taken.
std::FILE* openReadFolded(const std::string& path);

// Reads one line (CR LF or bare LF); false at end of file without a line feed
// and nothing read.
bool readLine(std::FILE* f, std::string& line);

// Reads design-file entry lines into list from index 0 until the terminator
// (letter x). Lines of 18 characters or fewer are skipped. Returns false (with
// "Network is too big!" through tk) when index 150 would be needed, or when the
// file ends before the terminator.
bool readEntryLines(std::FILE* f, EntryList& list, ui::Toolkit& tk);

// Searches the index file for a line equal to name and reads the design that
// follows. 1 found, 0 not found, -1 index cannot be opened ("Can't open: %s").
int readFromIndex(const std::string& indexPath, const std::string& name, EntryList& list,
                  ui::Toolkit& tk);

// Reads a design file's network (path + ".dzn"). false and "Can't open: %s"
// when it cannot be opened.
bool readDesignNetwork(const std::string& pathNoExt, EntryList& list, ui::Toolkit& tk);

// One entry line as the design file writes it: "%15.8e %c %d" + CR LF.
std::string entryLine(const NetEntry& e);
// Entries 0 .. count+1 as design-file lines.
std::string networkText(const EntryList& list);

} // namespace tanvex::synthesis
