#include "ui/hard_copy.h"

#include <cstdio>

namespace tanvex::ui {

int hardCopyScale(int width, int height, int pageWidth, int pageHeight) {
    for (int s = 15; s > 1; --s)
        if (s * width <= pageWidth && s * height <= pageHeight) return s;
    return 1;
}

std::vector<PixelRun> pixelRuns(const std::uint32_t* row, int width) {
    std::vector<PixelRun> runs;
    int x = 0;
    while (x < width) {
        std::uint32_t c = row[x] & 0xFFFFFF;
        int end = x + 1;
        while (end < width && (row[end] & 0xFFFFFF) == c) ++end;
        if (c != 0xFFFFFF) runs.push_back({x, end - x, c});
        x = end;
    }
    return runs;
}

std::string hardCopyCaption(const std::string& file, double ql, double qc, double qt,
                            const std::string& user) {
    char buf[512];
    std::snprintf(buf, sizeof buf, "File: %s    Ql=%g Qc=%g Qt=%g   User: %s", file.c_str(), ql, qc,
                  qt, user.c_str());
    return buf;
}

HardCopyMode hardCopyMode(char setting, bool printerTakesBlocks) {
    if (setting == '1') return printerTakesBlocks ? HardCopyMode::Block : HardCopyMode::PixelRects;
    if (setting == '2') return HardCopyMode::PixelRects;
    return HardCopyMode::Stretch;
}

} // namespace tanvex::ui
