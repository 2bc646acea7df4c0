// The layout program's readers: its design file with part descriptions and
// sits-on links (first byte even) and the capacitor material menu, .kdx
// (first byte odd).
#include "fuzz_file.h"
#include "layout/layout_design.h"
#include "layout/materials.h"
#include "ui/scripted_toolkit.h"

#include <memory>

using namespace tanvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    if (data[0] & 1) {
        const std::string path = fuzz::scratchFile(data + 1, size - 1, ".kdx");
        layout::MaterialMenu menu;
        if (layout::readMaterialMenu(path, menu)) {
            menu.defaultIndex();
            menu.find("Ceram");
        }
        return 0;
    }
    const std::string path = fuzz::scratchFile(data + 1, size - 1, ".dzn");
    ui::ScriptedToolkit tk;
    auto design = std::make_unique<layout::LayoutDesign>();
    if (layout::readLayoutFile(path, *design, tk) == 0) {
        design->referenceFrequency();
        design->toDesign();
    }
    return 0;
}
