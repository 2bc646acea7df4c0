// VORLINKS: converts a design file into a SPICE deck.
#include "design/text_io.h"
#include "spice/vorlinks.h"
#include "terminal_console.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    tanvex::vorlinks::TerminalConsole console;
    const int status = tanvex::spice::runVorlinks(console, args);
    // The dialogue and its closing line went to standard output: a script
    // that reads them must not be told all went well when they were lost.
    std::string error;
    if (!tanvex::closeStandardOutput(error)) {
        std::fprintf(stderr, "VORLINKS: cannot write standard output: %s\n", error.c_str());
        return status == 0 ? 1 : status;
    }
    return status;
}
