// tanvex parts NAME [--changed]: prints the parts list of a design worked
// out by the layout program (the part descriptions stored in NAME.dzn), as
// the layout program files it in NAME.6HC.
#include "commands.h"

#include "layout/layout_commands.h"
#include "layout/parts_list.h"
#include "ui/scripted_toolkit.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void partsUsage(std::FILE* f) {
    std::fprintf(f, "Usage: tanvex parts NAME [--changed]\n\n"
                    "Prints the parts list of the design NAME (NAME.dzn): every capacitor,\n"
                    "inductor and line section that has a part description.\n"
                    "  --changed   only the parts marked changed (a design just read has none)\n");
}

} // namespace

int cmdParts(int argc, char** argv) {
    std::string name;
    bool changed = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--changed") == 0) {
            changed = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            partsUsage(stdout);
            return 0;
        } else if (argv[i][0] == '-' || !name.empty()) {
            std::fprintf(stderr, "tanvex parts: unexpected argument '%s'\n", argv[i]);
            partsUsage(stderr);
            return 2;
        } else {
            name = argv[i];
        }
    }
    if (name.empty()) {
        partsUsage(stderr);
        return 2;
    }
    tanvex::ui::BatchToolkit toolkit;
    tanvex::layout::Layout k;
    if (k.open(name, toolkit) != 0) {
        std::fprintf(stderr, "tanvex parts: cannot read the design '%s'\n", name.c_str());
        return 1;
    }
    for (const auto& line : tanvex::layout::partsList(k.design, changed))
        std::printf("%s\n", line.c_str());
    return 0;
}
