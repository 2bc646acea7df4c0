// tanvex: the console front end over the design engine. Each subcommand
// lives in its own file (cmd_*.cpp).
#include "commands.h"

#include <clocale>
#include <cstdio>
#include <cstring>

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
};

void usage(std::FILE* f) {
    std::fprintf(f, "Usage: tanvex COMMAND [options]\n\nCommands:\n");
    for (const auto& c : kCommands) std::fprintf(f, "  %-10s %s\n", c.name, c.summary);
    std::fprintf(f, "\n`tanvex COMMAND --help` describes a command's options.\n");
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_NUMERIC, "C");
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        usage(stdout);
        return 0;
    }
    for (const auto& c : kCommands)
        if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 1, argv + 1);
    std::fprintf(stderr, "tanvex: unknown command '%s'\n", argv[1]);
    usage(stderr);
    return 2;
}
