#include "commands.h"

#include <cstdio>

int cmdCalc(int, char**) {
    std::fprintf(stderr, "tanvex calc: not built yet\n");
    return 1;
}
