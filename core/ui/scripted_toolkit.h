// A toolkit that answers from a queue and records everything the user would
// have seen, in order. Tests drive whole interactive procedures with it.
#pragma once

#include "ui/toolkit.h"

#include <deque>
#include <string>
#include <vector>

namespace tanvex::ui {

class ScriptedToolkit : public Toolkit {
public:
    // Answers, consumed in order by inputBox (text), respond (first char),
    // keyBox (first char) and select (number parsed from the text). An
    // input box answered with kEscAnswer is left with Esc (default kept).
    std::deque<std::string> answers;
    static constexpr const char* kEscAnswer = "\x1b";
    // What was shown: "NOTICE: text", "RESPOND: text", "PROMPT: line" (one per
    // non-empty prompt line), "INPUT: default", "KEYS: keys", "SELECT: options",
    // "HELP: topic".
    std::vector<std::string> log;
    int beeps = 0;

    void answer(const std::string& a) { answers.push_back(a); }
    // Notices recorded so far, texts only.
    std::vector<std::string> notices() const;
    bool sawNotice(const std::string& text) const;
    bool sawPrompt(const std::string& text) const;

    void notice(const std::string& text) override;
    char respond(const std::string& text, char def) override;
    void inputBox() override;
    char keyBox(const std::string& keys) override;
    int select(int preselected, int markerColumn, int firstRow, bool markerSwitch, int lastRow,
               const std::string& options) override;
    void beep() override { ++beeps; }
    // Recorded as "HELP: topic".
    void showHelp(const std::string& topic) override { log.push_back("HELP: " + topic); }

private:
    // Pops the next answer; an empty queue answers with fallback.
    std::string next(const std::string& fallback);
    void recordPrompt();
};

// The console front end's toolkit: every prompt takes its default, every
// question its default button, notices go to standard error.
class BatchToolkit : public Toolkit {
public:
    void notice(const std::string& text) override;
    char respond(const std::string& text, char def) override;
    void inputBox() override;
    char keyBox(const std::string& keys) override;
    int select(int preselected, int markerColumn, int firstRow, bool markerSwitch, int lastRow,
               const std::string& options) override;
};

} // namespace tanvex::ui
