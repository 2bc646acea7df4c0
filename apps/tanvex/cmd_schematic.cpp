#include "commands.h"

#include <cstdio>

int cmdSchematic(int, char**) {
    std::fprintf(stderr, "tanvex schematic: not built yet\n");
    return 1;
}
