// tanvex schematic NAME [--ascii]: prints the schematic drawing of a design
// (NAME.spk and NAME.dzn), one line per drawn line, value labels in the
// design's notation; box-drawing characters as UTF-8, or plain characters.
#include "commands.h"
#include "schematic_print.h"

#include "design/design_file.h"
#include "design/operations.h"
#include "design/paths.h"
#include "ui/scripted_toolkit.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void schematicUsage(std::FILE* f) {
    std::fprintf(f, "Usage: tanvex schematic NAME [--ascii]\n\n"
                    "Prints the schematic of the design NAME (NAME.spk, NAME.dzn).\n"
                    "  --ascii   draw with plain characters instead of box-drawing characters\n"
                    "\nExit status: 0 done, 1 standard output could not be written,\n"
                    "2 bad options or a design that cannot be read.\n");
}

} // namespace

int cmdSchematic(int argc, char** argv) {
    std::string name;
    bool ascii = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--ascii") == 0) {
            ascii = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            schematicUsage(stdout);
            return 0;
        } else if (argv[i][0] == '-' || !name.empty()) {
            std::fprintf(stderr, "tanvex schematic: unexpected argument '%s'\n", argv[i]);
            schematicUsage(stderr);
            return 2;
        } else {
            name = argv[i];
        }
    }
    if (name.empty()) {
        schematicUsage(stderr);
        return 2;
    }
    for (const char* ext : {".dzn", ".spk", ".DZN", ".SPK"}) {
        std::size_t len = std::strlen(ext);
        if (name.size() > len && name.compare(name.size() - len, len, ext) == 0)
            name.erase(name.size() - len);
    }

    tanvex::ui::BatchToolkit toolkit;
    tanvex::Design design;
    tanvex::newDesign(design.entries);
    tanvex::setDesignName(design, name.substr(name.find_last_of("/\\:") + 1));
    // Like analyse and calc: a name from the command line is the user's, read
    // where the user is (never from the temporary directory).
    int result = tanvex::transferDesign(design, tanvex::joinPath(".", name), 'r',
                                        tanvex::kTransferWhole, toolkit);
    if (result & (tanvex::kDznFailed | tanvex::kNetworkTooBig | tanvex::kNameTooLong |
                  tanvex::kFileMalformed)) {
        std::fprintf(stderr, "tanvex schematic: cannot read the network of '%s'\n", name.c_str());
        return 2;
    }
    tanvex::reapplyStoredNotation(design);

    printSchematic(design, ascii);
    return 0;
}
