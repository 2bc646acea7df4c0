// The position file: window rectangles and recent designs.
#include "shell/position_file.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    tanvex::shell::parsePositionFile(text, 768);
    return 0;
}
