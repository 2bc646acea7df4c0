// Runs a shell command line as a user's script would and collects what it
// wrote to standard output (and standard error where the line redirects it)
// with its exit status. Shared by the tests of the console programs.
#pragma once

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace tanvex::test {

struct CommandRun {
    int status = -1; // the exit status, -1 when the command did not exit
    std::string out;
};

inline CommandRun runCommand(const std::string& line) {
    CommandRun r;
    FILE* p = popen(line.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf{};
    std::size_t got;
    while ((got = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), got);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

// program with args in directory dir, standard error discarded: what it
// printed, and its exit status in status.
inline std::string runIn(const std::string& dir, const std::string& program,
                         const std::string& args, int& status) {
    const CommandRun r =
        runCommand("cd '" + dir + "' && '" + program + "' " + args + " 2>/dev/null");
    status = r.status;
    return r.out;
}

// An empty directory of that name under the temporary directory.
inline std::string freshDir(const std::string& name) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

#ifdef TANVEX_CLI
// The test target's console program (TANVEX_CLI) run in dir.
inline std::string runTanvex(const std::string& dir, const std::string& args, int& status) {
    return runIn(dir, TANVEX_CLI, args, status);
}
#endif

} // namespace tanvex::test
