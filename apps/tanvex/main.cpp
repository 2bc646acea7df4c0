// tanvex: the console front end over the design engine.
#include <cstdio>
#include <cstring>

static void usage(std::FILE* f) {
    std::fprintf(f, "Usage: tanvex COMMAND [options]\n"
                    "\n"
                    "Commands:\n"
                    "  --help    show this text\n");
}

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
        usage(stdout);
        return 0;
    }
    std::fprintf(stderr, "tanvex: unknown command '%s'\n", argv[1]);
    usage(stderr);
    return 2;
}
