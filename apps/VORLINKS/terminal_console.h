// The converter's console on the process's standard input and output. From a
// terminal a key is read without Enter (raw mode, always restored); from a
// pipe or file it is a plain character, one answer per line.
#pragma once

#include "spice/vorlinks.h"

namespace tanvex::vorlinks {

class TerminalConsole : public spice::Console {
public:
    TerminalConsole();
    void write(const std::string& text) override;
    bool readLine(std::string& line) override;
    int readKey() override;

private:
    bool terminal_ = false;
};

} // namespace tanvex::vorlinks
