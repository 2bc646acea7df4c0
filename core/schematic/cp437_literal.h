// Compile-time conversion of UTF-8 string literals to code page 437 bytes.
// The schematic's templates are written readably in the source (box-drawing
// characters as themselves) and held by the program as the code page 437
// bytes every text-cell screen stores; a character that has no code page 437
// byte stops the build.
#pragma once

#include <cstddef>

namespace tanvex::schematic {

namespace detail {

// Unicode code points of bytes 128..255.
inline constexpr char32_t kCp437Upper[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

consteval unsigned char cp437Byte(char32_t c) {
    if (c < 0x80) return static_cast<unsigned char>(c);
    for (int b = 0; b < 128; ++b)
        if (kCp437Upper[b] == c) return static_cast<unsigned char>(128 + b);
    throw "character without a code page 437 byte"; // compile-time error
}

} // namespace detail

// A NUL-terminated code page 437 string made from a UTF-8 literal of N bytes
// (the converted text is never longer than its UTF-8 form).
template <std::size_t N> struct Cp437Literal {
    char bytes[N] = {};
    consteval Cp437Literal(const char (&utf8)[N]) {
        std::size_t out = 0;
        for (std::size_t i = 0; i + 1 < N;) {
            auto u = static_cast<unsigned char>(utf8[i]);
            char32_t c = 0;
            int more = 0;
            if (u < 0x80) {
                c = u;
            } else if ((u & 0xE0) == 0xC0) {
                c = u & 0x1F;
                more = 1;
            } else if ((u & 0xF0) == 0xE0) {
                c = u & 0x0F;
                more = 2;
            } else {
                throw "unsupported UTF-8 sequence";
            }
            ++i;
            for (int k = 0; k < more; ++k, ++i)
                c = (c << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
            bytes[out++] = static_cast<char>(detail::cp437Byte(c));
        }
        bytes[out] = 0;
    }
};

} // namespace tanvex::schematic

// CP437("┌─") is a const char* to the converted bytes, made at compile time.
#define CP437(text)                                                                                \
    ([]() -> const char* {                                                                         \
        static constexpr ::tanvex::schematic::Cp437Literal<sizeof(text)> lit{text};                \
        return lit.bytes;                                                                          \
    }())
