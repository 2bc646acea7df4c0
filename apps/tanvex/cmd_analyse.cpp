#include "commands.h"

#include <cstdio>

int cmdAnalyse(int, char**) {
    std::fprintf(stderr, "tanvex analyse: not built yet\n");
    return 1;
}
