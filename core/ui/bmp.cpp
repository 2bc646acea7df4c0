#include "ui/bmp.h"

#include "ui/toolkit.h"

#include <cstdio>
#include <cstring>

namespace tanvex::ui {

namespace {

void put16(std::vector<unsigned char>& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<unsigned char>(v & 0xFF);
    out[at + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}

void put32(std::vector<unsigned char>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t get16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}
std::uint32_t get32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

} // namespace

std::vector<unsigned char> encodeBmp32(int width, int height, const std::uint32_t* pixels) {
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    const std::size_t data = static_cast<std::size_t>(width) * height * 4;
    std::vector<unsigned char> out(54 + data, 0);
    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, static_cast<std::uint32_t>(54 + data));
    put32(out, 10, 54);
    put32(out, 14, 40);
    put32(out, 18, static_cast<std::uint32_t>(width));
    put32(out, 22, static_cast<std::uint32_t>(height));
    put16(out, 26, 1);
    put16(out, 28, 32);
    std::size_t at = 54;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
            out[at++] = static_cast<unsigned char>(p & 0xFF);
            out[at++] = static_cast<unsigned char>((p >> 8) & 0xFF);
            out[at++] = static_cast<unsigned char>((p >> 16) & 0xFF);
            out[at++] = 0;
        }
    }
    return out;
}

bool writeBmp32(const std::string& path, int width, int height, const std::uint32_t* pixels) {
    std::vector<unsigned char> bytes = encodeBmp32(width, height, pixels);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}

bool readBmp(const std::string& path, int& width, int& height, std::vector<std::uint32_t>& pixels) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::vector<unsigned char> b;
    unsigned char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        b.insert(b.end(), buf, buf + n);
        if (b.size() > (256u << 20)) break; // far beyond any logo
    }
    std::fclose(f);
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return false;
    std::uint32_t offset = get32(&b[10]);
    std::uint32_t headerSize = get32(&b[14]);
    if (headerSize < 40) return false;
    auto w = static_cast<std::int32_t>(get32(&b[18]));
    auto h = static_cast<std::int32_t>(get32(&b[22]));
    std::uint32_t bits = get16(&b[28]);
    std::uint32_t compression = get32(&b[30]);
    if ((bits != 24 && bits != 32) || (compression != 0 && compression != 3)) return false;
    bool topDown = h < 0;
    if (topDown) h = -h;
    if (w <= 0 || h <= 0 || w > 20000 || h > 20000) return false;
    std::size_t stride = ((static_cast<std::size_t>(w) * bits + 31) / 32) * 4;
    if (offset > b.size() || stride * h > b.size() - offset) return false;
    pixels.assign(static_cast<std::size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y) {
        const unsigned char* row = &b[offset + stride * (topDown ? y : h - 1 - y)];
        for (int x = 0; x < w; ++x) {
            const unsigned char* p = row + x * (bits / 8);
            pixels[static_cast<std::size_t>(y) * w + x] =
                (static_cast<std::uint32_t>(p[2]) << 16) | (p[1] << 8) | p[0];
        }
    }
    width = w;
    height = h;
    return true;
}

std::string exportBitmap(Toolkit& toolkit, const std::string& name,
                         const std::string& workingDirectory, int width, int height,
                         const std::uint32_t* pixels, bool shortForm) {
    std::string file = name + ".bmp";
    if (!writeBmp32(file, width, height, pixels)) {
        toolkit.notice("Can't open bitmap file");
        return std::string();
    }
    char buf[600];
    if (shortForm || (!file.empty() && file[0] == '/'))
        std::snprintf(buf, sizeof buf, "* Done *  File is: %s ", file.c_str());
    else
        std::snprintf(buf, sizeof buf, "* Done *  File is: %s%c%s ", workingDirectory.c_str(), '/',
                      file.c_str());
    return buf;
}

} // namespace tanvex::ui
