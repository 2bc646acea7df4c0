#include "terminal_console.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <termios.h>
#include <unistd.h>

namespace tanvex::vorlinks {

namespace {

// The terminal settings in force before a key read, and whether they must be
// put back. Kept where a signal handler can reach them.
termios savedSettings;
volatile std::sig_atomic_t rawActive = 0;

void restoreTerminal() {
    if (rawActive) {
        tcsetattr(STDIN_FILENO, TCSANOW, &savedSettings);
        rawActive = 0;
    }
}

extern "C" void onSignal(int sig) {
    restoreTerminal();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void installHandlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    std::atexit(restoreTerminal);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) std::signal(sig, onSignal);
}

} // namespace

TerminalConsole::TerminalConsole() : terminal_(isatty(STDIN_FILENO) != 0) {}

void TerminalConsole::write(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

bool TerminalConsole::readLine(std::string& line) {
    line.clear();
    int ch;
    bool any = false;
    while ((ch = std::getchar()) != EOF) {
        any = true;
        if (ch == '\n') return true;
        line += static_cast<char>(ch);
    }
    return any;
}

int TerminalConsole::readKey() {
    if (!terminal_) {
        // A pipe: skip blank separators, take one character, drop the rest of its line.
        int ch;
        do {
            ch = std::getchar();
        } while (ch == '\n' || ch == '\r' || ch == ' ' || ch == '\t');
        if (ch == EOF) return -1;
        int rest = ch;
        while (rest != '\n' && rest != EOF) rest = std::getchar();
        return ch & 0xff;
    }
    installHandlers();
    if (tcgetattr(STDIN_FILENO, &savedSettings) != 0) {
        int ch = std::getchar();
        return ch == EOF ? -1 : (ch & 0xff);
    }
    termios raw = savedSettings;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    rawActive = 1;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    unsigned char byte = 0;
    ssize_t n;
    do {
        n = read(STDIN_FILENO, &byte, 1);
    } while (n < 0 && errno == EINTR);
    restoreTerminal();
    return n == 1 ? byte : -1;
}

} // namespace tanvex::vorlinks
