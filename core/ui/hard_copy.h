// The arithmetic of a printed hard copy of a window: the pixel scale, the
// runs of equal colour drawn as rectangles, and the caption line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tanvex::ui {

// Largest s of 15, 14, ... 1 for which s*width and s*height fit the page;
// 1 when even that does not fit.
int hardCopyScale(int width, int height, int pageWidth, int pageHeight);

struct PixelRun {
    int x = 0;      // first pixel
    int length = 0; // pixels
    std::uint32_t colour = 0;
};

// Runs of equal colour in one row of 0xRRGGBB pixels; white runs are left
// out (the paper is white).
std::vector<PixelRun> pixelRuns(const std::uint32_t* row, int width);

// "File: %s    Ql=%g Qc=%g Qt=%g   User: %s"
std::string hardCopyCaption(const std::string& file, double ql, double qc, double qt,
                            const std::string& user);

// How the picture reaches the printer, from the hard-copy setting
// character: '1' block transfer (pixel rectangles when the printer cannot
// take blocks), '2' pixel rectangles, anything else stretched.
enum class HardCopyMode { Block, PixelRects, Stretch };
HardCopyMode hardCopyMode(char setting, bool printerTakesBlocks);

} // namespace tanvex::ui
