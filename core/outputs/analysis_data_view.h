// What the "Analysis data" window shows: the table's first three lines fixed
// at rows 1-3 and a page of point lines from row 5, scrolled by position p
// (the first point shown). The window is only the painter of this model.
//
//   AnalysisDataView v(count);
//   v.setClientRows(height / cellHeight);  // on every size change
//   v.scroll(AnalysisDataView::kPageDown);
//   for (int k = v.top(); k <= v.last(); ++k) paint(v.rowOf(k), table.pointLine(k));
#pragma once

namespace tanvex::outputs {

class AnalysisDataView {
public:
    enum Move { kLineUp, kLineDown, kPageUp, kPageDown, kTop, kBottom };
    static constexpr int kFirstPointRow = 5;
    // Rows of the window not used for points: the three header lines, the
    // empty row and a margin at the bottom.
    static constexpr int kReservedRows = 6;

    explicit AnalysisDataView(int count) : count_(count) {}

    // Rows per page from the window height in rows (at least one).
    void setClientRows(int rows);
    int rowsPerPage() const { return rows_; }
    int count() const { return count_; }
    // The first point shown (1 .. maxTop()).
    int top() const { return p_; }
    // The last point shown.
    int last() const;
    // The largest first point: the last page ends with the last point,
    // whatever the window size.
    int maxTop() const;
    // Returns true when the position changed.
    bool scroll(Move move);
    bool setTop(int p); // the thumb
    int rowOf(int k) const { return kFirstPointRow + (k - p_); }

private:
    bool moveTo(int p);
    int count_;
    int rows_ = 1;
    int p_ = 1;
};

} // namespace tanvex::outputs
