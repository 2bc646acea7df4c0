// VORLINKS: converts a design file into a SPICE deck.
#include "spice/vorlinks.h"
#include "terminal_console.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    tanvex::vorlinks::TerminalConsole console;
    return tanvex::spice::runVorlinks(console, args);
}
