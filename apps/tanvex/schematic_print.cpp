#include "schematic_print.h"

#include "schematic/renderer.h"
#include "ui/cp437.h"

#include <cstdio>
#include <string>

void printSchematic(const tanvex::Design& design, bool ascii) {
    tanvex::schematic::Renderer renderer;
    renderer.config.plainCharacters = ascii;
    renderer.draw(design, tanvex::schematic::SinkKind::Document, 0, 0);
    for (const auto& line : renderer.document()) {
        std::string text = line;
        while (!text.empty() && text.back() == ' ') text.pop_back();
        if (!ascii) text = tanvex::ui::cp437ToUtf8(text);
        std::printf("%s\n", text.c_str());
    }
}
