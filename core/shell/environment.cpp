#include "shell/environment.h"

#include "design/paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tanvex::shell {

std::string currentDirectory() {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::current_path(ec);
    if (ec) return std::string();
    return trimTrailingSeparators(p.string());
}

ShellEnvironment readEnvironment() {
    ShellEnvironment env;
    env.home = homeDirectory();
    env.library = libraryDirectory();
    env.temp = tempDirectory();
    const char* user = std::getenv("USERNAME");
    env.userName = (user && *user) ? user : "?";
    env.working = currentDirectory();
    env.start = env.working;
    return env;
}

bool changeDirectory(const std::string& directory) {
    if (directory.empty()) return false;
    std::error_code ec;
    std::filesystem::current_path(directory, ec);
    return !ec;
}

} // namespace tanvex::shell
