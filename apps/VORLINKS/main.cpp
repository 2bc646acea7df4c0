// VORLINKS: converts a design file into a SPICE deck.
#include "design/text_io.h"
#include "spice/vorlinks.h"
#include "terminal_console.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::printf("Usage: VORLINKS [design name]\n\n"
                    "Converts the design file NAME.dzn of the working directory into the\n"
                    "SPICE deck NAME.cir. Asks for the design name when none is given, then\n"
                    "for the analysis domain (F frequency, T transient, H harmonic Fourier)\n"
                    "and the first node number. Stubs and transformers are not written to\n"
                    "the deck; side ports need the junction edit the deck names.\n\n"
                    "Exit status: 0 done, 1 the design could not be converted or standard\n"
                    "output could not be written.\n");
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::printf("VORLINKS 2.3\n");
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
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
