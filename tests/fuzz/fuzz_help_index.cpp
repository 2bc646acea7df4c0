// The help index (HLW_NDX.DAT).
#include "fuzz_file.h"
#include "ui/help.h"

using namespace tanvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::scratchFile(data, size, ".ndx");
    std::vector<ui::HelpIndexEntry> entries;
    ui::readHelpIndex(path, entries);
    return 0;
}
