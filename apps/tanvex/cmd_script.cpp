// tanvex script NAME [--cad acad|gcadd] [--no-blocks] [--out FILE]: writes
// the CAD drawing script of a design worked out by the layout program: an
// AutoCAD script (NAME.scr) or a General CADD Pro. macro (NAME.mcr) in the
// working directory, or FILE.
#include "commands.h"

#include "layout/cad_script.h"
#include "layout/layout_commands.h"
#include "ui/scripted_toolkit.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void scriptUsage(std::FILE* f) {
    std::fprintf(f, "Usage: tanvex script NAME [--cad acad|gcadd] [--no-blocks] [--out FILE]\n\n"
                    "Writes the drawing script of the parts of the design NAME (NAME.dzn).\n"
                    "  --cad acad    AutoCAD script NAME.scr (the default)\n"
                    "  --cad gcadd   General CADD Pro. macro NAME.mcr\n"
                    "  --no-blocks   draw the parts without making them blocks\n"
                    "  --out FILE    write to FILE instead\n");
}

} // namespace

int cmdScript(int argc, char** argv) {
    std::string name, out;
    tanvex::layout::ScriptOptions opt;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--cad" && i + 1 < argc) {
            std::string c = argv[++i];
            if (c == "acad") {
                opt.cad = tanvex::layout::CadProgram::AutoCad;
            } else if (c == "gcadd") {
                opt.cad = tanvex::layout::CadProgram::GeneralCadd;
            } else {
                std::fprintf(stderr, "tanvex script: unknown CAD program '%s'\n", c.c_str());
                return 2;
            }
        } else if (a == "--no-blocks") {
            opt.blocks = false;
        } else if (a == "--out" && i + 1 < argc) {
            out = argv[++i];
        } else if (a == "--help" || a == "-h") {
            scriptUsage(stdout);
            return 0;
        } else if (a[0] == '-' || !name.empty()) {
            std::fprintf(stderr, "tanvex script: unexpected argument '%s'\n", a.c_str());
            scriptUsage(stderr);
            return 2;
        } else {
            name = a;
        }
    }
    if (name.empty()) {
        scriptUsage(stderr);
        return 2;
    }
    tanvex::ui::BatchToolkit toolkit;
    tanvex::layout::Layout k;
    if (k.open(name, toolkit) != 0) {
        std::fprintf(stderr, "tanvex script: cannot read the design '%s'\n", name.c_str());
        return 1;
    }
    if (out.empty()) out = tanvex::layout::scriptPath("", k.design.name, opt);
    // BatchToolkit shows "Bad file: %s" on standard error.
    return tanvex::layout::writeScript(out, k.design, opt, toolkit) ? 0 : 1;
}
