// Generates the standard library of reference lowpass designs: one design
// file per family, order and symmetry, and the index LIB_REF.DAT holding them
// all. Usage: tanvex_libgen [output directory] (default resources/_LIB).
#include "synthesis/std_library.h"
#include "synthesis/std_library_families.h"

#include <cstdio>
#include <string>

using namespace tanvex::synthesis;

namespace {

bool writeFile(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    std::string dir = argc > 1 ? argv[1] : "resources/_LIB";
    if (!dir.empty() && dir.back() != '/') dir += '/';
    std::string index;
    int made = 0, failed = 0;
    for (char symmetry : {'1', '2'}) {
        for (char digit = '1'; digit <= '6'; ++digit) {
            for (int n = 2; n <= 10; ++n) {
                std::string name = libraryFileName(symmetry, libraryFamily(digit), n);
                std::string text;
                if (!libraryFileText(digit, n, symmetry, text)) {
                    std::fprintf(stderr, "cannot make %s\n", name.c_str());
                    ++failed;
                    continue;
                }
                if (!writeFile(dir + name, text)) {
                    std::fprintf(stderr, "cannot write %s%s\n", dir.c_str(), name.c_str());
                    return 1;
                }
                index += name + "\r\n" + text;
                ++made;
            }
        }
    }
    if (!writeFile(dir + "LIB_REF.DAT", index)) {
        std::fprintf(stderr, "cannot write %sLIB_REF.DAT\n", dir.c_str());
        return 1;
    }
    std::printf("%d library designs written to %s (%d failed)\n", made, dir.c_str(), failed);
    return failed ? 1 : 0;
}
