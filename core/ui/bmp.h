// 32-bit BMP files: a 14-byte file header ("BM", file size, offset 54), a
// 40-byte information header (width, height, 1 plane, 32 bits, no
// compression, the rest 0) and the pixels bottom-up, 4 bytes each as
// blue, green, red, 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tanvex::ui {

// pixels: width * height values 0xRRGGBB (top byte ignored), top row first.
std::vector<unsigned char> encodeBmp32(int width, int height, const std::uint32_t* pixels);
// Writes the file; false when it cannot be created or written.
bool writeBmp32(const std::string& path, int width, int height, const std::uint32_t* pixels);

// Reads a BMP of 24 or 32 bits per pixel, uncompressed (the logo); pixels
// come back top row first as 0xRRGGBB. False for anything else.
bool readBmp(const std::string& path, int& width, int& height, std::vector<std::uint32_t>& pixels);

// Bitmap export of a window picture: writes "<name>.bmp" and returns the
// text the window shows ("* Done *  File is: <dir>/<name>.bmp ", or the
// short form "* Done *  File is: <name>.bmp " when shortForm); shows the
// notice "Can't open bitmap file" and returns "" when it cannot be written.
class Toolkit;
std::string exportBitmap(Toolkit& toolkit, const std::string& name,
                         const std::string& workingDirectory, int width, int height,
                         const std::uint32_t* pixels, bool shortForm = false);

} // namespace tanvex::ui
