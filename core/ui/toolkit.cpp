#include "ui/toolkit.h"

#include "ui/gen_win.h"

namespace tanvex::ui {

Toolkit::Toolkit() = default;
Toolkit::~Toolkit() = default;

GenWin& Toolkit::genWin() {
    if (!genWin_) genWin_ = std::make_unique<GenWin>(*this);
    return *genWin_;
}

char Toolkit::continueBox(int line) {
    if (line >= 0 && line < kPromptLines) prompt[line].attribute = 4;
    prompt[0].text = kContinueText;
    return keyBox(" ");
}

} // namespace tanvex::ui
