// Directories and file names of the design programs.
//
//   homeDirectory()      TANVEX_HOME (trailing separators removed), else the
//                        data directory installed next to the executable:
//                        <exedir>/../resources (the build tree copies
//                        resources/ to build/resources), else
//                        <exedir>/../share/tanvex (make install).
//   libraryDirectory()   homeDirectory() + "/_LIB/".
//   tempDirectory()      the first of TMTANVEX, TEMP, TMP, TMPDIR that is set,
//                        else "/tmp" (trailing separators removed).
//   nameComponent(p)     the text after the last '/', '\' or ':'.
//   nameTooLong(p)       nameComponent(p) is longer than 29 characters
//                        (callers show "File name is too long!").
//   isTemporaryName(n)   n starts with "tmp_" or "TMP_": such designs live in
//                        the temporary directory.
//   resolveForReading(p) p itself when it exists, else a file of the same
//                        directory whose name matches case-insensitively,
//                        else p (so the open fails as it should).
#pragma once

#include <string>

namespace tanvex {

constexpr int kMaxNameComponent = 29;

std::string homeDirectory();
std::string libraryDirectory();
std::string tempDirectory();

std::string nameComponent(const std::string& path);
bool nameTooLong(const std::string& path);
bool isTemporaryName(const std::string& name);

// dir + "/" + name; name alone when dir is empty or name is absolute.
std::string joinPath(const std::string& dir, const std::string& name);
// Removes trailing '/' and '\' (a lone "/" stays).
std::string trimTrailingSeparators(std::string dir);

bool fileExists(const std::string& path);
std::string resolveForReading(const std::string& path);

// The directory holding the running executable (empty when unknown).
std::string executableDirectory();

} // namespace tanvex
