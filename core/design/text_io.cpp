#include "design/text_io.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

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

} // namespace tanvex
