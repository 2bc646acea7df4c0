// The VORLINKS program itself: answers from a pipe, and from a terminal (a
// pseudo-terminal here) where the domain key is taken without Enter and the
// terminal's settings are put back afterwards.
#include "spice_test_util.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using namespace spicetest;

namespace {

const Entries kDesign = {
    {50.0, 'R', 1}, {1e-9, 'C', 2}, {1e-6, 'L', 3}, {50.0, 'R', 1}, {1.0e6, 'x', 1}};

struct ProgramRun {
    int status = -1;
    std::string output;
};

// Runs the program in `dir` with `input` on a pipe.
ProgramRun runPiped(const std::filesystem::path& dir, const std::string& args,
                    const std::string& input) {
    writeFile(dir / "input.txt", input);
    const std::string command = "cd '" + dir.string() + "' && '" VORLINKS_PATH "' " + args +
                                " < input.txt > output.txt 2>&1";
    ProgramRun r;
    int rc = std::system(command.c_str());
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.output = readFile(dir / "output.txt");
    return r;
}

// Reads from the terminal's master side until `text` has appeared (or a
// timeout); returns everything read so far.
bool readUntil(int fd, std::string& seen, const std::string& text, int timeoutMs = 5000) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (seen.find(text) == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        until - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        char buffer[512];
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) return false;
        seen.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

bool canonicalWithEcho(int masterFd) {
    termios t{};
    if (tcgetattr(masterFd, &t) != 0) return false;
    return (t.c_lflag & ICANON) && (t.c_lflag & ECHO);
}

// Waits until the terminal's line mode is (or is not) canonical.
bool waitForMode(int masterFd, bool canonical) {
    for (int k = 0; k < 200; ++k) {
        if (canonicalWithEcho(masterFd) == canonical) return true;
        usleep(10000);
    }
    return false;
}

} // namespace

TEST(VorlinksProgram, AnswersFromAPipe) {
    auto dir = scratchDir("app_pipe");
    writeFile(dir / "lp.dzn", dznText(kDesign));
    // Name, then the key on a line of its own, then the starting node.
    ProgramRun r = runPiped(dir, "", "lp\nf\n3\n");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("fourier ? F\nWhat is starting node number (Cr = 1) ? "),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("Last node number used is 5"), std::string::npos) << r.output;
    EXPECT_NE(readFile(dir / "lp.cir").find("Vin  0   3   AC  2.0"), std::string::npos);

    // Wrong keys and blank lines before the key; the name as an argument.
    ProgramRun k = runPiped(dir, "lp", "x\n\nh\n\n");
    EXPECT_EQ(k.status, 0) << k.output;
    EXPECT_NE(k.output.find(" Converting file: lp.cir\n"), std::string::npos);
    EXPECT_NE(k.output.find("? X\n\aAnalysis domain:"), std::string::npos) << k.output;
    EXPECT_NE(readFile(dir / "lp.cir").find(".FOUR  freq V(3)"), std::string::npos);

    // Input that runs dry before the domain key: status 1, no endless asking.
    ProgramRun dry = runPiped(dir, "lp", "");
    EXPECT_EQ(dry.status, 1) << dry.output;
    EXPECT_NE(dry.output.find("Input ended before an analysis domain was chosen"),
              std::string::npos);

    ProgramRun missing = runPiped(dir, "absent", "");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find("\aCan't open file absent.dzn"), std::string::npos);

    ProgramRun many = runPiped(dir, "a b", "");
    EXPECT_EQ(many.status, 1);
}

TEST(VorlinksProgram, KeyWithoutEnterOnATerminal) {
    auto dir = scratchDir("app_pty");
    writeFile(dir / "lp.dzn", dznText(kDesign));
    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0) GTEST_SKIP() << "no pseudo-terminal available on this machine";
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(99);
        execl(VORLINKS_PATH, "VORLINKS", "lp", static_cast<char*>(nullptr));
        _exit(98);
    }
    std::string seen;
    ASSERT_TRUE(readUntil(master, seen, "fourier ? ")) << seen;
    // While the program waits for the key the terminal is in raw mode.
    EXPECT_TRUE(waitForMode(master, false)) << "the key is read in line mode";
    // One key, no Enter: the next question follows at once.
    ASSERT_EQ(write(master, "t", 1), 1);
    ASSERT_TRUE(readUntil(master, seen, "starting node number (Cr = 1) ? ")) << seen;
    EXPECT_NE(seen.find("fourier ? T\r\n"), std::string::npos) << seen;
    EXPECT_TRUE(waitForMode(master, true)) << "line mode and echo not restored";
    ASSERT_EQ(write(master, "2\n", 2), 2);
    ASSERT_TRUE(readUntil(master, seen, "Last node number used is")) << seen;
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    close(master);
    EXPECT_NE(readFile(dir / "lp.cir").find("Vin  0   2   PULSE"), std::string::npos);
}

TEST(VorlinksProgram, InterruptRestoresTheTerminal) {
    auto dir = scratchDir("app_int");
    writeFile(dir / "lp.dzn", dznText(kDesign));
    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0) GTEST_SKIP() << "no pseudo-terminal available on this machine";
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(99);
        execl(VORLINKS_PATH, "VORLINKS", "lp", static_cast<char*>(nullptr));
        _exit(98);
    }
    std::string seen;
    ASSERT_TRUE(readUntil(master, seen, "fourier ? ")) << seen;
    ASSERT_TRUE(waitForMode(master, false));
    // Ctrl-C at the key prompt: the program ends and the terminal is usable.
    ASSERT_EQ(write(master, "\x03", 1), 1);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_TRUE(canonicalWithEcho(master)) << "terminal left in raw mode";
    close(master);
}
