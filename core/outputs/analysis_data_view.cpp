#include "outputs/analysis_data_view.h"

#include <algorithm>

namespace tanvex::outputs {

void AnalysisDataView::setClientRows(int rows) {
    rows_ = std::max(1, rows - kReservedRows);
    moveTo(p_);
}

int AnalysisDataView::maxTop() const {
    return std::max(1, count_ - rows_ + 1);
}

int AnalysisDataView::last() const {
    return std::min(count_, p_ + rows_ - 1);
}

bool AnalysisDataView::moveTo(int p) {
    const int q = std::clamp(p, 1, maxTop());
    const bool changed = q != p_;
    p_ = q;
    return changed;
}

bool AnalysisDataView::setTop(int p) {
    return moveTo(p);
}

bool AnalysisDataView::scroll(Move move) {
    switch (move) {
    case kLineUp:
        return moveTo(p_ - 1);
    case kLineDown:
        return moveTo(p_ + 1);
    case kPageUp:
        return moveTo(p_ - rows_);
    case kPageDown:
        return moveTo(p_ + rows_);
    case kTop:
        return moveTo(1);
    case kBottom:
        return moveTo(maxTop());
    }
    return false;
}

} // namespace tanvex::outputs
