// tanvex edit NAME OP ARGS... [--out NAME2]: runs one network transform of
// the schematic editor on a saved design with the given answers, saves the
// result and prints the schematic and the value range report.
#include "commands.h"
#include "schematic_print.h"
#include "sweep_args.h"

#include "design/design_file.h"
#include "design/operations.h"
#include "schematic/editor.h"
#include "ui/scripted_toolkit.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace tanvex;

namespace {

const char* const kUsage =
    "Usage: tanvex edit NAME OP ARGS... [--out NAME2] [--ascii]\n"
    "\n"
    "Runs one network transform of the schematic editor on the design NAME\n"
    "(NAME.spk, NAME.dzn), saves the result (as NAME2 with --out) and prints the\n"
    "schematic and the value range report. Values are typed in the design's\n"
    "display units (for example nH, pF, MHz), branches by their numbers.\n"
    "\n"
    "Operations:\n"
    "  xform B R          Norton transform of branch B with impedance ratio R\n"
    "  force F D M        bring branch F to the value D by a Norton transform at M\n"
    "  pit B              Pi-T conversion about the centre branch B\n"
    "  jk B D             J-k inverter of the tank ending at B, inverted tank D\n"
    "  kuroda B           Kuroda's identity at the line and stub from B\n"
    "  negval B           the element of the other kind with B's reactance at Fo\n"
    "  equal L|C [D]      equal resonator L or C values (D: their common value)\n"
    "  iterate            the elliptic coupling iteration\n"
    "  lcd-insert B CD    distributed capacity CD across the inductor B\n"
    "  lcd-comp A B [F0]  compensate a distributed capacity (F0: reference freq.)\n"
    "  cp B CP            set the shunt C between two notch sections (0 removes it)\n"
    "  dipole B           pair conversion at B\n"
    "  triplet B V        the shunt element (or tank) at B to the value V by a\n"
    "                     Norton transform\n"
    "  stub B [ZO]        the stub of impedance ZO (default: the termination's) with\n"
    "                     branch B's reactance at the reference frequency\n"
    "\n"
    "Exit status: 0 done, 1 the transform refused (its message on standard error;\n"
    "nothing written), 2 bad arguments or a design that cannot be read.\n";

struct Operation {
    const char* name;
    int command;
    int minArgs, maxArgs;
};

const Operation kOperations[] = {
    {"xform", schematic::kCmdXform, 2, 2},
    {"force", schematic::kCmdForce, 3, 3},
    {"pit", schematic::kCmdPiT, 1, 1},
    {"jk", schematic::kCmdJkInverter, 2, 2},
    {"kuroda", schematic::kCmdKuroda, 1, 1},
    {"negval", schematic::kCmdNegativeValue, 1, 1},
    {"equal", schematic::kCmdEqualValue, 1, 2},
    {"iterate", schematic::kCmdIterate, 0, 0},
    {"lcd-insert", schematic::kCmdLcdInsert, 2, 2},
    {"lcd-comp", schematic::kCmdLcdCompensate, 2, 3},
    {"cp", schematic::kCmdCp, 2, 2},
    {"dipole", schematic::kCmdDipole, 1, 1},
    {"stub", schematic::kCmdStub, 1, 2},
    {"triplet", schematic::kCmdTriplet, 2, 2},
};

int usageError(const char* what, const char* arg = nullptr) {
    return cli::usageError("edit", what, arg);
}

// The answers the editor's prompts take, in the order it asks them.
std::vector<std::string> answersFor(const Operation& op, const std::vector<std::string>& args) {
    std::vector<std::string> a = args;
    switch (op.command) {
    case schematic::kCmdEqualValue:
        if (a.size() == 1) a.emplace_back(""); // keep the impedance level
        break;
    case schematic::kCmdLcdCompensate:
        // The two branches are one answer; without F0 the reference
        // frequency offered stays.
        a = {args[0] + "," + args[1]};
        if (args.size() == 3) a.push_back(args[2]);
        break;
    default:
        break;
    }
    return a;
}

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string withoutExtension(std::string name) {
    for (const char* ext : {".dzn", ".spk", ".DZN", ".SPK"}) {
        std::size_t len = std::strlen(ext);
        if (name.size() > len && name.compare(name.size() - len, len, ext) == 0)
            name.erase(name.size() - len);
    }
    return name;
}

void splitName(const std::string& path, std::string& dir, std::string& base) {
    std::size_t slash = path.find_last_of('/');
    dir = slash == std::string::npos ? "" : path.substr(0, slash);
    base = slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

int cmdEdit(int argc, char** argv) {
    std::vector<std::string> positional;
    std::string out;
    bool ascii = false;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (std::strcmp(a, "--out") == 0) {
            if (i + 1 >= argc) return usageError("--out needs a design name");
            out = argv[++i];
        } else if (std::strcmp(a, "--ascii") == 0) {
            ascii = true;
        } else if (a[0] == '-' && a[1] == '-') {
            return usageError("unknown option", a);
        } else {
            positional.emplace_back(a);
        }
    }
    if (positional.size() < 2) return usageError("a design name and an operation are needed");
    const std::string name = withoutExtension(positional[0]);
    const Operation* op = nullptr;
    for (const auto& o : kOperations)
        if (positional[1] == o.name) op = &o;
    if (!op) return usageError("unknown operation", positional[1].c_str());
    std::vector<std::string> args(positional.begin() + 2, positional.end());
    if (static_cast<int>(args.size()) < op->minArgs || static_cast<int>(args.size()) > op->maxArgs)
        return usageError("wrong number of arguments for", op->name);
    if (op->command == schematic::kCmdEqualValue && args[0] != "L" && args[0] != "C" &&
        args[0] != "l" && args[0] != "c")
        return usageError("equal takes L or C, not", args[0].c_str());

    ui::ScriptedToolkit toolkit;
    Design design;
    newDesign(design.entries);
    std::string dir, base;
    splitName(name, dir, base);
    const int loaded = loadDesign(design, dir, base, toolkit);
    if (loaded & (kDznFailed | kNetworkTooBig | kFileMalformed | kNameTooLong)) {
        std::fprintf(stderr, "tanvex edit: cannot read the design '%s' (%s.dzn)\n", name.c_str(),
                     name.c_str());
        return 2;
    }
    toolkit.log.clear();

    schematic::Editor editor(design, toolkit);
    editor.open();
    const EntryList before = design.entries;
    for (const auto& a : answersFor(*op, args)) toolkit.answer(a);
    editor.run(op->command);
    bool changed = false;
    for (int i = 0; i < kEntrySlots && !changed; ++i)
        changed = before[i].code != design.entries[i].code ||
                  before[i].letter != design.entries[i].letter ||
                  before[i].value != design.entries[i].value;
    for (const auto& message : toolkit.notices())
        std::fprintf(stderr, "tanvex edit: %s\n", message.c_str());
    if (!changed && !toolkit.notices().empty()) return 1; // refused: nothing written
    editor.closed();

    std::string outDir = dir, outBase = base;
    if (!out.empty()) splitName(withoutExtension(out), outDir, outBase);
    setDesignName(design, outBase);
    if (saveDesign(design, outDir, outBase, toolkit) != 0) {
        std::fprintf(stderr, "tanvex edit: cannot write the design '%s'\n", outBase.c_str());
        return 1;
    }
    reapplyStoredNotation(design);
    printSchematic(design, ascii);
    for (const auto& line : valueRangeReport(design, 1, entryCount(design.entries)))
        std::printf("%s\n", trimmed(line).c_str());
    if (!editor.statusMessage().empty()) std::printf("%s\n", editor.statusMessage().c_str());
    return 0;
}
