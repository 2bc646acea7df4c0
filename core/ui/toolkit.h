// The toolkit: the only door between the engine and the user. Every notice,
// question, input box, single-key box and selection in core/ goes through it.
// Implementations: Qt windows (gui/ui), scripted (tests, drives whole
// interactive procedures from a queue) and batch (console front end).
#pragma once

#include <array>
#include <memory>
#include <string>

namespace tanvex::ui {

class GenWin;

struct PromptLine {
    std::string text; // up to 59 characters; empty lines are not shown
    int attribute = 7;
};

constexpr int kPromptLines = 10;
// The two fixed prompt texts.
inline constexpr const char* kContinueText = "(Cr) to continue";
inline constexpr const char* kAbortText = " [Esc] to abort ";

class Toolkit {
public:
    Toolkit();
    virtual ~Toolkit();
    Toolkit(const Toolkit&) = delete;
    Toolkit& operator=(const Toolkit&) = delete;

    // The generic 80 x 25 text window every report, table and text menu is
    // written into (ui/gen_win.h). One per toolkit; the Qt toolkit shows it
    // in the "** TANVEX **" window.
    GenWin& genWin();

    // Prompt lines filled by callers before a box opens; cleared when it closes.
    std::array<PromptLine, kPromptLines> prompt{};
    // Initial text of the input box's edit field (cleared when the box opens).
    std::string defaultAnswer;
    // Results of the last input box.
    std::string textResult;
    double numberResult = 0.0;
    // Set by the input box when it was left with Esc (it still accepts the
    // text); callers that can be abandoned check it.
    bool inputEscaped = false;

    void setPrompt(int line, const std::string& text, int attribute = 7) {
        prompt[line].text = text.substr(0, 59);
        prompt[line].attribute = attribute;
    }
    void clearPrompt() { prompt.fill(PromptLine{}); }

    // Message box titled "NOTICE!" with an OK button.
    virtual void notice(const std::string& text) = 0;
    // Yes/No box titled "Respond"; def 'Y' makes Yes the default button.
    // Returns 'Y' for Yes, 'N' otherwise.
    virtual char respond(const std::string& text, char def) = 0;
    // OK/Cancel box with its own title and the question icon, OK the default
    // button. Returns 'Y' for OK, 'N' otherwise. Toolkits without windows
    // ask respond(text, 'Y').
    virtual char confirm(const std::string& /*title*/, const std::string& text) {
        return respond(text, 'Y');
    }
    // Shows the prompt lines and an edit field holding defaultAnswer; OK,
    // Enter and Esc all accept. Fills textResult and numberResult (0 when
    // the text is not a number) and clears the prompt lines.
    virtual void inputBox() = 0;
    // Shows the prompt lines and one button per character of keys; returns
    // the character pressed. Clears the prompt lines.
    virtual char keyBox(const std::string& keys) = 0;
    // The continue box: prompt line `line` turns red (attribute 4), line 0
    // becomes "(Cr) to continue", and a single blank key is offered.
    char continueBox(int line);
    // Selection bar; see the generic text window. Returns the option number
    // (from 1), 27 for Esc, 140 for help, 130 for a click outside.
    virtual int select(int preselected, int markerColumn, int firstRow, bool markerSwitch,
                       int lastRow, const std::string& options) = 0;

    // Opens the help viewer on a help page ("MAIN.HLW"); toolkits without
    // windows ignore it (the scripted one records it).
    virtual void showHelp(const std::string& /*topic*/) {}

    virtual void beep() {}
    virtual void wait(int /*milliseconds*/) {}
    // Returns the virtual key of a pending key-down, else 0.
    virtual int keyPoll() { return 0; }

private:
    std::unique_ptr<GenWin> genWin_;
};

} // namespace tanvex::ui
