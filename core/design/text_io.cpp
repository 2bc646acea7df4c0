#include "design/text_io.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>

namespace tanvex {

ReadStatus readTextLines(const std::string& path, std::vector<std::string>& lines) {
    lines.clear();
    // Only a regular file is a text file here: a device such as /dev/zero or
    // a pipe would be read until the size limit, or wait for ever.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return ReadStatus::kCannotOpen;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return ReadStatus::kCannotOpen;
    std::string data;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        data.append(buf, n);
        if (data.size() > kMaxTextFileBytes) {
            std::fclose(f);
            return ReadStatus::kTooLarge;
        }
    }
    bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError) return ReadStatus::kCannotOpen;

    std::size_t start = 0;
    while (start < data.size()) {
        std::size_t lf = data.find('\n', start);
        std::size_t end = lf == std::string::npos ? data.size() : lf;
        std::size_t stop = end;
        if (lf != std::string::npos && stop > start && data[stop - 1] == '\r') --stop;
        lines.emplace_back(data, start, stop - start);
        if (lf == std::string::npos) break;
        start = lf + 1;
    }
    return ReadStatus::kOk;
}

bool closeStandardOutput(std::string& error) {
    errno = 0;
    const bool failedBefore = std::ferror(stdout) != 0;
    const bool flushFailed = std::fflush(stdout) != 0;
    const int flushErrno = errno;
    const bool closeFailed = std::fclose(stdout) != 0;
    if (!failedBefore && !flushFailed && !closeFailed) return true;
    const int e = flushErrno != 0 ? flushErrno : errno;
    error = e != 0 ? std::strerror(e) : "write error";
    return false;
}

bool LineReader::next(std::string& out) {
    if (pos_ >= lines_.size()) return false;
    out = lines_[pos_++];
    return true;
}

namespace {

// strtod-like parse of a decimal number starting at p (no locale).
double parseDouble(const char* p, const char* end) {
    while (p < end &&
           (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n' || *p == '\v' || *p == '\f'))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // Infinity is read as the C library reads it; NaN never enters a design.
    if (p < end && (*p == 'i' || *p == 'I')) {
        if (end - p >= 3 && (p[1] == 'n' || p[1] == 'N') && (p[2] == 'f' || p[2] == 'F'))
            return negative ? -HUGE_VAL : HUGE_VAL;
        return 0.0;
    }
    if (p < end && !((*p >= '0' && *p <= '9') || *p == '.')) return 0.0;
    double v = 0.0;
    auto r = std::from_chars(p, end, v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Overflow or underflow: mimic strtod (HUGE_VAL or 0), decided by the exponent sign.
        const char* e = p;
        while (e < end && *e != 'e' && *e != 'E') ++e;
        bool negExp = e + 1 < end && e[1] == '-';
        v = negExp ? 0.0 : HUGE_VAL;
    } else if (r.ec != std::errc()) {
        return 0.0;
    }
    return negative ? -v : v;
}

} // namespace

double numberAt(const std::string& line, std::size_t col) {
    if (col >= line.size()) return 0.0;
    return parseDouble(line.data() + col, line.data() + line.size());
}

int integerAt(const std::string& line, std::size_t col) {
    if (col >= line.size()) return 0;
    const char* p = line.data() + col;
    const char* end = line.data() + line.size();
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    long long v = 0;
    while (p < end && *p >= '0' && *p <= '9') {
        v = v * 10 + (*p - '0');
        if (v > INT_MAX) {
            v = static_cast<long long>(INT_MAX) + 1;
            break;
        }
        ++p;
    }
    if (negative) v = -v;
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

char charAt(const std::string& line, std::size_t col) {
    return col < line.size() ? line[col] : '\0';
}

int parseNumberFields(const std::string& text, double* values, int maxValues) {
    std::string t = text;
    for (char& c : t) {
        bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if ((letter && c != 'E' && c != 'e') || c == '?') c = ' ';
    }
    int count = 0;
    std::size_t start = 0;
    while (true) {
        std::size_t sep = t.find_first_of(",/", start);
        std::size_t end = sep == std::string::npos ? t.size() : sep;
        bool keep = sep != std::string::npos && t[sep] == '/';
        if (count < maxValues && !keep)
            values[count] = parseDouble(t.data() + start, t.data() + end);
        ++count;
        if (sep == std::string::npos) break;
        start = sep + 1;
    }
    return count;
}

std::string formatText(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    va_list copy;
    va_copy(copy, ap);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, ap);
        out.resize(static_cast<std::size_t>(n));
    }
    va_end(ap);
    return out;
}

std::string fixedE(double v, int width, int precision) {
    std::string s;
    for (int p = precision; p >= 0; --p) {
        s = formatText("%*.*e", width, p, v);
        if (static_cast<int>(s.size()) <= width) break;
    }
    return s;
}

void AtomicTextFile::line(const std::string& text) {
    text_ += text;
    text_ += "\r\n";
}

void AtomicTextFile::linef(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    va_list copy;
    va_copy(copy, ap);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (n > 0) {
        std::string s(static_cast<std::size_t>(n) + 1, '\0');
        std::vsnprintf(s.data(), s.size(), fmt, ap);
        s.resize(static_cast<std::size_t>(n));
        text_ += s;
    }
    va_end(ap);
    text_ += "\r\n";
}

bool writeFileAtomically(const std::string& path, const std::string& bytes) {
    std::string tmp = path + ".tmp~";
    std::FILE* f = std::fopen(tmp.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (ok) ok = std::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) std::remove(tmp.c_str());
    return ok;
}

bool AtomicTextFile::commit() {
    return writeFileAtomically(path_, text_);
}

namespace {

// round(m 2^e2 10^k), rounding half to even, when it can be taken exactly in
// 128-bit integers; false when the exponents leave that range.
bool scaledRound(std::uint64_t m, int e2, int k, std::uint64_t& q) {
    using U128 = unsigned __int128;
    static const std::uint64_t kPow5[28] = {1ull,
                                            5ull,
                                            25ull,
                                            125ull,
                                            625ull,
                                            3125ull,
                                            15625ull,
                                            78125ull,
                                            390625ull,
                                            1953125ull,
                                            9765625ull,
                                            48828125ull,
                                            244140625ull,
                                            1220703125ull,
                                            6103515625ull,
                                            30517578125ull,
                                            152587890625ull,
                                            762939453125ull,
                                            3814697265625ull,
                                            19073486328125ull,
                                            95367431640625ull,
                                            476837158203125ull,
                                            2384185791015625ull,
                                            11920928955078125ull,
                                            59604644775390625ull,
                                            298023223876953125ull,
                                            1490116119384765625ull,
                                            7450580596923828125ull};
    U128 num;
    U128 den;
    if (k >= 0) {
        // m 5^k 2^(e2 + k); 5^k up to 5^54 as two factors below 2^64.
        if (k > 54) return false;
        num = static_cast<U128>(m) * (k > 27 ? kPow5[27] : kPow5[k]);
        if (k > 27) {
            const U128 more = kPow5[k - 27];
            if (num > ~static_cast<U128>(0) / more) return false;
            num *= more;
        }
        const int s = e2 + k;
        if (s >= 0) {
            if (s > 10 || (num >> (64 - s)) != 0) return false;
            q = static_cast<std::uint64_t>(num << s);
            return true;
        }
        if (s <= -127) return false;
        // A division by 2^-s: a shift, the bits shifted out deciding.
        const U128 whole = num >> -s;
        if (whole >> 64) return false;
        q = static_cast<std::uint64_t>(whole);
        const U128 rest = num - (whole << -s);
        const U128 half = static_cast<U128>(1) << (-s - 1);
        if (rest > half || (rest == half && (q & 1))) ++q;
        return true;
    } else {
        // m 2^(e2 + k) / 5^-k.
        if (k < -27) return false;
        const int t = e2 + k;
        num = m;
        den = kPow5[-k];
        if (t >= 0) {
            if (t > 74) return false;
            num <<= t;
        } else {
            if (t < -60) return false;
            den <<= -t;
        }
    }
    const U128 whole = num / den;
    const U128 rest = num - whole * den;
    if (whole >> 64) return false;
    q = static_cast<std::uint64_t>(whole);
    const U128 twice = rest << 1;
    if (twice > den || (twice == den && (q & 1))) ++q;
    return true;
}

} // namespace

char* formatGeneral(char* first, double v, int precision) {
    char* const end = first + 32;
    if (precision < 1) precision = 1;
    // The digits: v rounded to the precision exactly, in integers, for the
    // exponents that fit; the rest is left to the library.
    const double av = std::fabs(v);
    char digits[20];
    int count = precision;
    int exponent = 0;
    if (v == 0.0) {
        digits[0] = '0';
        count = 1;
    } else {
        if (!(av >= std::numeric_limits<double>::min()) || precision > 17 || !std::isfinite(v))
            return std::to_chars(first, end, v, std::chars_format::general, precision).ptr;
        // av = m 2^e2 with the 53-bit significand m.
        std::uint64_t bits = 0;
        std::memcpy(&bits, &av, sizeof bits);
        const std::uint64_t m = (bits & ((1ull << 52) - 1)) | (1ull << 52);
        const int e2 = static_cast<int>(bits >> 52) - 1075;
        // 2^(e2+52) <= av < 2^(e2+53): floor((e2 + 52) log10 2) is the
        // decimal exponent or one below it (78913 / 2^18 is log10 2 to 6e-7,
        // exact enough for every double's exponent).
        exponent = ((e2 + 52) * 78913) >> 18;
        static const std::uint64_t kPow10[18] = {1ull,
                                                 10ull,
                                                 100ull,
                                                 1000ull,
                                                 10000ull,
                                                 100000ull,
                                                 1000000ull,
                                                 10000000ull,
                                                 100000000ull,
                                                 1000000000ull,
                                                 10000000000ull,
                                                 100000000000ull,
                                                 1000000000000ull,
                                                 10000000000000ull,
                                                 100000000000000ull,
                                                 1000000000000000ull,
                                                 10000000000000000ull,
                                                 100000000000000000ull};
        std::uint64_t q = 0;
        if (!scaledRound(m, e2, precision - 1 - exponent, q))
            return std::to_chars(first, end, v, std::chars_format::general, precision).ptr;
        if (q >= kPow10[precision]) {
            ++exponent;
            if (!scaledRound(m, e2, precision - 1 - exponent, q))
                return std::to_chars(first, end, v, std::chars_format::general, precision).ptr;
        }
        static const char kPairs[] = "00010203040506070809101112131415161718192021222324"
                                     "25262728293031323334353637383940414243444546474849"
                                     "50515253545556575859606162636465666768697071727374"
                                     "75767778798081828384858687888990919293949596979899";
        int i = precision;
        // Eight digits at a time from the right, as two halves of four that
        // do not wait on each other; the rest by pairs.
        while (i >= 8) {
            const auto low = static_cast<std::uint32_t>(q % 100000000u);
            q /= 100000000u;
            const std::uint32_t upper = low / 10000u;
            const std::uint32_t lower = low % 10000u;
            i -= 8;
            std::memcpy(digits + i, kPairs + 2 * (upper / 100u), 2);
            std::memcpy(digits + i + 2, kPairs + 2 * (upper % 100u), 2);
            std::memcpy(digits + i + 4, kPairs + 2 * (lower / 100u), 2);
            std::memcpy(digits + i + 6, kPairs + 2 * (lower % 100u), 2);
        }
        while (i >= 2) {
            const auto pair = static_cast<unsigned>(q % 100);
            q /= 100;
            digits[--i] = kPairs[2 * pair + 1];
            digits[--i] = kPairs[2 * pair];
        }
        if (i == 1) digits[0] = static_cast<char>('0' + q);
    }
    while (count > 1 && digits[count - 1] == '0') --count;
    char* out = first;
    if (std::signbit(v)) *out++ = '-';
    if (exponent < -4 || exponent >= precision) {
        *out++ = digits[0];
        if (count > 1) {
            *out++ = '.';
            for (int k = 1; k < count; ++k) *out++ = digits[k];
        }
        *out++ = 'e';
        *out++ = exponent < 0 ? '-' : '+';
        const int e = exponent < 0 ? -exponent : exponent;
        if (e < 10) *out++ = '0';
        return std::to_chars(out, end, e).ptr;
    }
    if (exponent < 0) {
        *out++ = '0';
        *out++ = '.';
        for (int k = -1; k > exponent; --k) *out++ = '0';
        for (int k = 0; k < count; ++k) *out++ = digits[k];
        return out;
    }
    for (int k = 0; k <= exponent; ++k) *out++ = k < count ? digits[k] : '0';
    if (count > exponent + 1) {
        *out++ = '.';
        for (int k = exponent + 1; k < count; ++k) *out++ = digits[k];
    }
    return out;
}

} // namespace tanvex
