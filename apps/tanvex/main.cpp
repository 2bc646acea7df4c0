// tanvex: the console front end over the design engine. Each subcommand
// lives in its own file (cmd_*.cpp).
#include "commands.h"

#include "design/text_io.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <string>

namespace {

struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* summary;
};

const Command kCommands[] = {
    {"analyse", cmdAnalyse, "sweep a design and print its analysis table"},
    {"calc", cmdCalc, "calculate a design from its parameters and save the network"},
    {"placer", cmdPlacer, "run the pole placer of a design: zeros, mask, solver, synthesis"},
    {"schematic", cmdSchematic, "print the schematic drawing of a design"},
    {"s2p", cmdS2p, "write the two-port S-parameter file (.S2P) of a design"},
    {"touchstone", cmdTouchstone, "write the Touchstone circuit file (.CKT) of a design"},
    {"edit", cmdEdit, "run a network transform of the schematic editor on a design"},
    {"optimise", cmdOptimise, "optimise branch values of a design against a response goal"},
    {"optimize", cmdOptimise, "the same as optimise"},
    {"power", cmdPower, "power distribution: levels of every branch, or their maxima"},
    {"timedomain", cmdTimeDomain, "response to a periodic pulse train or gated carrier"},
    {"report", cmdReport, "write a review item (analysis, parameters, ...) as its report file"},
    {"parts", cmdParts, "print the parts list of a design worked out by KORVADEX"},
    {"script", cmdScript, "write the CAD drawing script of a design's parts"},
    {"equalize", cmdEqualize, "add delay or amplitude equalizer sections to a design"},
    {"equalise", cmdEqualize, "the same as equalize"},
};

void usage(std::FILE* f) {
    std::fprintf(f, "Usage: tanvex COMMAND [options]\n\nCommands:\n");
    for (const auto& c : kCommands) std::fprintf(f, "  %-10s %s\n", c.name, c.summary);
    std::fprintf(f, "\n`tanvex COMMAND --help` describes a command's options.\n");
}

// A command whose output was lost did not do its work, whatever it returned.
int finished(int status) {
    std::string error;
    if (tanvex::closeStandardOutput(error)) return status;
    std::fprintf(stderr, "tanvex: cannot write standard output: %s\n", error.c_str());
    return status == 0 ? 1 : status;
}

} // namespace

int main(int argc, char** argv) {
    // The helper threads of a sweep free an allocation or two: from the one
    // arena, not from an arena of their own that would first be mapped.
    mallopt(M_ARENA_MAX, 1);
    std::setlocale(LC_NUMERIC, "C");
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        usage(stdout);
        return finished(0);
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("tanvex %s\n", TANVEX_VERSION);
        return finished(0);
    }
    for (const auto& c : kCommands)
        if (std::strcmp(argv[1], c.name) == 0) return finished(c.run(argc - 1, argv + 1));
    std::fprintf(stderr, "tanvex: unknown command '%s'\n", argv[1]);
    usage(stderr);
    return 2;
}
