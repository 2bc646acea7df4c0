// The converter's console dialogue: design name, analysis domain, starting
// node, then the deck. The console itself is supplied by the caller (the
// terminal in the program, a script in tests).
#pragma once

#include <string>
#include <vector>

namespace tanvex::spice {

class Console {
public:
    virtual ~Console() = default;
    virtual void write(const std::string& text) = 0;
    // One line without its line end; false at end of input with nothing read.
    virtual bool readLine(std::string& line) = 0;
    // One key (a character code 0..255) without waiting for Enter; -1 at end of input.
    virtual int readKey() = 0;
};

// Runs the whole conversion. `args` are the command-line arguments after the
// program name. Files are opened relative to the working directory. Returns
// the exit status: 0 when the deck was written, 1 otherwise.
int runVorlinks(Console& console, const std::vector<std::string>& args);

} // namespace tanvex::spice
