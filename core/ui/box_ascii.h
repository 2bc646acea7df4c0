// Plain-ASCII stand-ins for the code page 437 line-drawing characters, used
// when the ASCII drawing switch is on (printers and files that cannot show
// box characters). Codes below 179 and 255 pass through unchanged.
#pragma once

#include <string>

namespace tanvex::ui {

unsigned char boxToAscii(unsigned char ch);
std::string boxToAscii(const std::string& text);

} // namespace tanvex::ui
