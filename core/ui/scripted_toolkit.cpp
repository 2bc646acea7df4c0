#include "ui/scripted_toolkit.h"

#include <cstdio>
#include <cstdlib>

namespace tanvex::ui {

namespace {

double numberOf(const std::string& s) {
    const char* p = s.c_str();
    char* end = nullptr;
    double v = std::strtod(p, &end);
    return end == p ? 0.0 : v;
}

} // namespace

std::string ScriptedToolkit::next(const std::string& fallback) {
    if (answers.empty()) return fallback;
    std::string a = answers.front();
    answers.pop_front();
    return a;
}

void ScriptedToolkit::recordPrompt() {
    for (const auto& line : prompt)
        if (!line.text.empty()) log.push_back("PROMPT: " + line.text);
}

std::vector<std::string> ScriptedToolkit::notices() const {
    std::vector<std::string> out;
    for (const auto& l : log)
        if (l.rfind("NOTICE: ", 0) == 0) out.push_back(l.substr(8));
    return out;
}

bool ScriptedToolkit::sawNotice(const std::string& text) const {
    for (const auto& n : notices())
        if (n == text) return true;
    return false;
}

bool ScriptedToolkit::sawPrompt(const std::string& text) const {
    for (const auto& l : log)
        if (l == "PROMPT: " + text) return true;
    return false;
}

void ScriptedToolkit::notice(const std::string& text) {
    log.push_back("NOTICE: " + text);
}

char ScriptedToolkit::respond(const std::string& text, char def) {
    log.push_back("RESPOND: " + text);
    std::string a = next(std::string(1, def == 'Y' ? 'Y' : 'N'));
    char c = a.empty() ? def : a[0];
    return (c == 'Y' || c == 'y') ? 'Y' : 'N';
}

void ScriptedToolkit::inputBox() {
    recordPrompt();
    log.push_back("INPUT: " + defaultAnswer);
    std::string d = defaultAnswer;
    defaultAnswer.clear();
    std::string a = next(d);
    inputEscaped = a == kEscAnswer;
    textResult = (inputEscaped ? d : a).substr(0, 80);
    numberResult = numberOf(textResult);
    clearPrompt();
}

char ScriptedToolkit::keyBox(const std::string& keys) {
    recordPrompt();
    log.push_back("KEYS: " + keys);
    std::string a = next(keys.substr(0, 1));
    clearPrompt();
    return a.empty() ? ' ' : a[0];
}

int ScriptedToolkit::select(int preselected, int, int, bool, int, const std::string& options) {
    log.push_back("SELECT: " + options);
    std::string a = next(std::to_string(preselected));
    return static_cast<int>(numberOf(a));
}

void BatchToolkit::notice(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
}

char BatchToolkit::respond(const std::string&, char def) {
    return def == 'Y' ? 'Y' : 'N';
}

void BatchToolkit::inputBox() {
    inputEscaped = false;
    textResult = defaultAnswer.substr(0, 80);
    defaultAnswer.clear();
    numberResult = numberOf(textResult);
    clearPrompt();
}

char BatchToolkit::keyBox(const std::string& keys) {
    clearPrompt();
    return keys.empty() ? ' ' : keys[0];
}

int BatchToolkit::select(int preselected, int, int, bool, int, const std::string&) {
    return preselected;
}

} // namespace tanvex::ui
