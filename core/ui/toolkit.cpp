#include "ui/toolkit.h"

#include "ui/gen_win.h"

namespace tanvex::ui {

Toolkit::Toolkit() = default;
Toolkit::~Toolkit() = default;

GenWin& Toolkit::genWin() {
    if (!genWin_) genWin_ = std::make_unique<GenWin>(*this);
    return *genWin_;
}

} // namespace tanvex::ui
