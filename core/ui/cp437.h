// Code page 437: the byte set every text-cell screen holds. Box-drawing and
// the other upper-half characters are kept as bytes and mapped to Unicode
// only when drawn or written to a UTF-8 file.
#pragma once

#include <string>

namespace tanvex::ui {

// Unicode code point of a code page 437 byte (0 and control bytes map to
// a blank, printable ASCII to itself).
char32_t cp437ToUnicode(unsigned char byte);

// UTF-8 text of a string of code page 437 bytes.
std::string cp437ToUtf8(const std::string& bytes);

} // namespace tanvex::ui
