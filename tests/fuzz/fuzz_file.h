// The readers take file names, as the programs give them: each fuzz input is
// written to a scratch file of this process first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace tanvex::fuzz {

inline std::string scratchFile(const uint8_t* data, size_t size, const char* ext) {
    const std::string path =
        "/tmp/tanvex_fuzz_" + std::to_string(static_cast<long>(getpid())) + ext;
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}

} // namespace tanvex::fuzz
