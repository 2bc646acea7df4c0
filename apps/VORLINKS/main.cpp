// VORLINKS: converts a design file into a SPICE deck.
#include <cstdio>

int main(int argc, char** argv) {
    (void)argv;
    if (argc > 2) {
        std::fprintf(stderr, "Usage: VORLINKS [design name]\n");
        return 1;
    }
    std::printf("Usage: VORLINKS [design name]\n");
    return 0;
}
