#include "design/paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tanvex {

namespace fs = std::filesystem;

namespace {

std::string envDir(const char* name) {
    const char* v = std::getenv(name);
    if (v == nullptr || *v == '\0') return {};
    return trimTrailingSeparators(v);
}

bool equalNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

} // namespace

std::string trimTrailingSeparators(std::string dir) {
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
    return dir;
}

std::string executableDirectory() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return exe.parent_path().string();
}

std::string homeDirectory() {
    std::string home = envDir("TANVEX_HOME");
    if (!home.empty()) return home;
    std::string exeDir = executableDirectory();
    if (exeDir.empty()) return "resources";
    // The build tree keeps the data in resources/ beside bin/; an installed
    // program (make install) finds it in share/tanvex under its prefix.
    std::error_code ec;
    const fs::path base = fs::path(exeDir).parent_path();
    fs::path data = base / "resources";
    if (!fs::is_directory(data, ec) && fs::is_directory(base / "share" / "tanvex", ec))
        data = base / "share" / "tanvex";
    fs::path canonical = fs::weakly_canonical(data, ec);
    return ec ? data.string() : canonical.string();
}

std::string libraryDirectory() {
    return homeDirectory() + "/_LIB/";
}

std::string tempDirectory() {
    for (const char* name : {"TMTANVEX", "TEMP", "TMP", "TMPDIR"}) {
        std::string d = envDir(name);
        if (!d.empty()) return d;
    }
    return "/tmp";
}

std::string nameComponent(const std::string& path) {
    std::size_t p = path.find_last_of("/\\:");
    return p == std::string::npos ? path : path.substr(p + 1);
}

bool nameTooLong(const std::string& path) {
    return nameComponent(path).size() > static_cast<std::size_t>(kMaxNameComponent);
}

bool isTemporaryName(const std::string& name) {
    // Only the names the program makes itself ("tmp_ed", "tmp_op", "tmp_k",
    // ...). A design the user calls "tmpfilter" is read and written where the
    // user works, by the windows and the console commands alike.
    return name.rfind("TMP_", 0) == 0 || name.rfind("tmp_", 0) == 0;
}

std::string joinPath(const std::string& dir, const std::string& name) {
    if (dir.empty() || (!name.empty() && name[0] == '/')) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

std::string resolveForReading(const std::string& path) {
    if (fileExists(path)) return path;
    fs::path p(path);
    fs::path dir = p.parent_path();
    std::string wanted = p.filename().string();
    if (wanted.empty()) return path;
    std::error_code ec;
    fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec);
    if (ec) return path;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        std::string name = it->path().filename().string();
        if (equalNoCase(name, wanted) && it->is_regular_file(ec))
            return dir.empty() ? name : (dir / name).string();
    }
    return path;
}

} // namespace tanvex
