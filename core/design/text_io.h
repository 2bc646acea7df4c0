// Plain-text file helpers shared by the design file readers and writers.
//
// Lines end in CR LF when written. When read, a line ends at LF; one CR
// before it is dropped, so CR LF and bare LF files read alike and a bare LF
// never costs the last character. A last line without LF is still a line.
// Numbers are parsed like the C library's strtod/strtol in the "C" locale:
// leading blanks skipped, parsing stops at the first character that does not
// fit, no number gives 0.
#pragma once

#include <cstdarg>
#include <string>
#include <vector>

namespace tanvex {

// Files larger than this are refused by readTextLines (no design file comes
// near it; it keeps a stray binary file from filling memory).
constexpr std::size_t kMaxTextFileBytes = 16u << 20;

enum class ReadStatus { kOk, kCannotOpen, kTooLarge };

// Reads path into lines (without line ends).
ReadStatus readTextLines(const std::string& path, std::vector<std::string>& lines);

// A sequential reader over the lines of a file.
class LineReader {
public:
    explicit LineReader(std::vector<std::string> lines) : lines_(std::move(lines)) {}
    // Next line into out; false at end of file.
    bool next(std::string& out);
    bool atEnd() const { return pos_ >= lines_.size(); }

private:
    std::vector<std::string> lines_;
    std::size_t pos_ = 0;
};

// Number at column col of line; 0 when col is past the end or no number is there.
double numberAt(const std::string& line, std::size_t col);
// Integer at column col (clamped to the int range).
int integerAt(const std::string& line, std::size_t col);
// Character at column col, or 0 past the end.
char charAt(const std::string& line, std::size_t col);

// Number-list parser: letters (other than E and e) and '?' are blanked, the
// text is cut at ',' and '/', each field ended by ',' or the end is parsed
// into values[0], values[1], ... (at most maxValues); a field ended by '/'
// leaves its value unchanged. Returns the number of fields.
int parseNumberFields(const std::string& text, double* values, int maxValues);

// printf into a std::string.
std::string formatText(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// "%{width}.{precision}e" of v, with the precision lowered as far as needed
// to keep the field within width (a negative value with a three-digit
// exponent would otherwise push every later column of the line one place on).
std::string fixedE(double v, int width, int precision);

// printf's "%.{precision}g" of v (precision 1..17) written at first, which
// must have room for 32 characters; returns the end. Several times faster
// than the C library: the rounding is done exactly in integers.
char* formatGeneral(char* first, double v, int precision);

// Flushes and closes standard output at the end of a console program. False,
// with the reason in error, when anything written to it was lost (a full
// disk, /dev/full): the program must then not report success.
bool closeStandardOutput(std::string& error);
// Writes bytes to path + ".tmp~" and renames it over path; false (path
// untouched, the temporary removed) when anything fails.
bool writeFileAtomically(const std::string& path, const std::string& bytes);

// Collects the text of a file and writes it in one go: to path + ".tmp~"
// first, then renamed over path, so a failed write never leaves half a file.
class AtomicTextFile {
public:
    explicit AtomicTextFile(std::string path) : path_(std::move(path)) {}
    // Appends text + "\r\n".
    void line(const std::string& text);
    void linef(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    // Writes and renames; false when the file could not be written.
    bool commit();

private:
    std::string path_;
    std::string text_;
};

} // namespace tanvex
