// Painting of the response plot.
#include "analysis/plot_window.h"

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace tanvex::gui {

using namespace plot;

namespace {

constexpr int kPanelChars = 23;

QColor qc(const ui::Rgb& c, int alpha = 255) {
    return QColor(c.r, c.g, c.b, alpha);
}

// Splits text into lines no wider than `width` pixels at blanks.
QStringList wrap(const QString& text, const QFontMetrics& fm, int width) {
    QStringList out;
    QString rest = text;
    while (fm.horizontalAdvance(rest) > width && rest.size() > 1) {
        int cut = rest.size();
        while (cut > 1 && fm.horizontalAdvance(rest.left(cut)) > width) --cut;
        const int blank = rest.lastIndexOf(QLatin1Char(' '), cut);
        if (blank > 0) cut = blank;
        out << rest.left(cut);
        rest = rest.mid(cut).trimmed();
    }
    out << rest;
    return out;
}

} // namespace

PlotCanvas::PlotCanvas(PlotModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    font_ = QFont(QStringLiteral("DejaVu Sans Mono"));
    font_.setStyleHint(QFont::TypeWriter);
    font_.setFixedPitch(true);
    font_.setPointSize(9);
    setMouseTracking(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(420, 260);
}

int PlotCanvas::plotWidth() const {
    const QFontMetrics fm(font_);
    const int cw = fm.horizontalAdvance(QLatin1Char('0'));
    int w = width() - kPanelChars * cw;
    if (model_.smith) w /= 2;
    return std::max(40, w - cw);
}

QColor PlotCanvas::itemColour(int item, bool onWhite) const {
    if (item == kItemText) return onWhite ? QColor(0, 0, 0) : QColor(235, 235, 235);
    if (item == kItemYellow) return onWhite ? QColor(170, 130, 0) : QColor(255, 255, 0);
    if (item == kItemGrey) return onWhite ? QColor(120, 120, 120) : QColor(150, 150, 150);
    const int digit = model_.colours[std::clamp(item, 0, kPlotItems - 1)];
    if (onWhite) {
        // Light colours that vanish on paper are drawn darker there.
        switch (digit) {
        case 7:
            return QColor(0, 0, 0);
        case 9:
        case 14:
            return QColor(170, 130, 0);
        case 2:
            return QColor(0, 150, 0);
        case 3:
            return QColor(0, 135, 170);
        case 8:
            return QColor(110, 110, 110);
        default:
            break;
        }
    }
    return qc(plotColour(digit));
}

void PlotCanvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (model_.tableChanged()) {
        p.fillRect(rect(), model_.white ? Qt::white : Qt::black);
        if (staleTable) staleTable();
        return;
    }
    render(p, printing);
}

void PlotCanvas::render(QPainter& p, bool forPaper) {
    const bool onWhite = forPaper || model_.white;
    const QColor bg = onWhite ? Qt::white : Qt::black;
    p.fillRect(rect(), bg);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(font_);
    const QFontMetrics fm(font_);
    const int cw = fm.horizontalAdvance(QLatin1Char('0'));
    const int ch = fm.lineSpacing();
    const int asc = fm.ascent();
    if (model_.points() < 2) return;

    const int W = plotWidth();
    frame_ = model_.frame(W, cw);
    const Frame& f = frame_;
    const bool captions = model_.captionOn[0] || model_.captionOn[1];
    const int top = ch / 2 + (captions ? 2 * ch : 0) + 2;
    const int bottomRows = 1 + (f.bottom.empty() ? 0 : 1) + (f.message.empty() ? 0 : 1);
    int H = (height() - top - bottomRows * ch - ch / 2 - 6) / kDivisions * kDivisions;
    H = std::max(H, 8 * 8);
    plotLeft_ = cw;
    const double left = plotLeft_;
    const double right = left + f.plotPixels;
    const double div = H / double(kDivisions);
    const QRectF box(left, top, f.plotPixels, H);
    const QColor scale = itemColour(kItemScale, onWhite);
    const QColor text = itemColour(kItemText, onWhite);
    const double lineWidth = model_.bold ? 2.6 : 1.5;

    // Captions.
    p.setPen(text);
    for (int i = 0; i < 2; ++i)
        if (model_.captionOn[i])
            p.drawText(QPointF(left, ch / 2 + i * ch + asc),
                       QString::fromStdString(model_.caption[i]));

    // Scale: frame, divisions, ticks.
    QColor minor = scale;
    minor.setAlpha(onWhite ? 110 : 150);
    QPen minorPen(minor, 1.0, Qt::DotLine);
    for (int d = 1; d < kDivisions; ++d) {
        const double y = top + d * div;
        switch (f.scaleStyle) {
        case 0: // lines
        case 3: // grid
            p.setPen(minorPen);
            p.drawLine(QPointF(left, y), QPointF(right, y));
            break;
        case 1: // ticks on both sides
            p.setPen(QPen(scale, 1.0));
            p.drawLine(QPointF(left, y), QPointF(left + 6, y));
            p.drawLine(QPointF(right - 6, y), QPointF(right, y));
            break;
        default:
            break;
        }
    }
    for (const Tick& t : f.ticks) {
        const double x = left + t.x;
        p.setPen(QPen(scale, 1.0));
        const double len = t.label.empty() ? 3 : 6;
        p.drawLine(QPointF(x, top + H), QPointF(x, top + H - len));
        p.drawLine(QPointF(x, top), QPointF(x, top + len));
        if (f.scaleStyle == 3) {
            p.setPen(minorPen);
            p.drawLine(QPointF(x, top), QPointF(x, top + H));
        } else if (f.scaleStyle == 2) {
            p.setPen(QPen(minor, 1.0));
            for (int d = 1; d < kDivisions; ++d) {
                const double y = top + d * div;
                p.drawLine(QPointF(x - 3, y), QPointF(x + 3, y));
                p.drawLine(QPointF(x, y - 3), QPointF(x, y + 3));
            }
        }
        if (!t.label.empty()) {
            const QString s = QString::fromStdString(t.label);
            const int w = fm.horizontalAdvance(s);
            double lx = std::clamp(x - w / 2.0, 0.0, double(width() - w));
            p.setPen(text);
            p.drawText(QPointF(lx, top + H + 2 + asc), s);
        }
    }
    p.setPen(QPen(scale, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(box);
    if (!f.bottom.empty()) {
        p.setPen(text);
        const QString s = QString::fromStdString(f.bottom[0]);
        p.drawText(
            QPointF(left + (f.plotPixels - fm.horizontalAdvance(s)) / 2, top + H + 2 + ch + asc),
            s);
    }

    if (!f.message.empty()) {
        p.setPen(text);
        p.drawText(QPointF(left, top + H + 2 + (bottomRows - 1) * ch + asc),
                   QString::fromStdString(f.message));
    }

    // Mask: the forbidden region above each step hatched, the step in red.
    p.save();
    p.setClipRect(box.adjusted(-1, -1, 1, 1));
    const QColor maskColour = onWhite ? QColor(200, 0, 0) : QColor(255, 60, 60);
    for (const MaskStep& m : f.mask) {
        const double y = top + m.y * div;
        const QRectF zone(left + m.x0, top, m.x1 - m.x0, std::max(0.0, y - top));
        QColor hatch = maskColour;
        hatch.setAlpha(110);
        p.fillRect(zone, QBrush(hatch, Qt::BDiagPattern));
        p.setPen(QPen(maskColour, 2.0));
        p.drawLine(QPointF(left + m.x0, y), QPointF(left + m.x1, y));
        p.setPen(QPen(maskColour, 1.0));
        p.drawLine(QPointF(left + m.x0, y), QPointF(left + m.x0, top));
        p.drawLine(QPointF(left + m.x1, y), QPointF(left + m.x1, top));
    }

    // Traces.
    for (const Curve& c : f.curves) {
        QPainterPath path;
        bool pen = false;
        for (std::size_t i = 0; i < c.y.size(); ++i) {
            const double yv = c.y[i];
            if (!std::isfinite(yv)) {
                pen = false;
                continue;
            }
            // Far outside the box the path is clamped so the clip stays exact.
            const QPointF pt(left + double(i) * f.pixelsPerPoint,
                             top + std::clamp(yv, -50.0, 58.0) * div);
            if (pen)
                path.lineTo(pt);
            else
                path.moveTo(pt);
            pen = true;
        }
        p.setPen(QPen(itemColour(c.item, onWhite), lineWidth, Qt::SolidLine, Qt::RoundCap,
                      Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }

    // Markers.
    for (const MarkerMark& m : f.markers) {
        const double x = left + m.x;
        QColor c = qc(m.colour);
        if (onWhite && m.colour == ui::Rgb{255, 255, 0}) c = QColor(170, 130, 0);
        p.setPen(QPen(c, 1.0, Qt::DashLine));
        p.drawLine(QPointF(x, top), QPointF(x, top + H));
        if (std::isfinite(m.levelY)) {
            const double y = top + m.levelY * div;
            p.setPen(QPen(c, 2.0));
            p.drawLine(QPointF(x - 7, y), QPointF(x + 7, y));
        }
        const QString label = QStringLiteral("F%1").arg(m.index + 1);
        const int w = fm.horizontalAdvance(label);
        const double lx = std::clamp(x - w / 2.0 - 2, left + 1, right - w - 5);
        const QRectF lr(lx, top + 2 + (m.index % 2) * ch, w + 4, ch);
        p.fillRect(lr, bg);
        p.setPen(c);
        p.drawText(lr, Qt::AlignCenter, label);
    }
    p.restore();

    // Cursor, with a dot where it meets each trace.
    const QColor cursorColour = onWhite ? QColor(0, 90, 200) : QColor(90, 200, 255);
    const double cx = left + f.cursorX;
    p.setPen(QPen(cursorColour, 1.0));
    p.drawLine(QPointF(cx, top), QPointF(cx, top + H));
    p.setBrush(cursorColour);
    p.setPen(Qt::NoPen);
    {
        const double t0 = top, t1 = top + H;
        const QPointF up[3] = {{cx - 5, t0 - 1}, {cx + 5, t0 - 1}, {cx, t0 + 7}};
        const QPointF dn[3] = {{cx - 5, t1 + 1}, {cx + 5, t1 + 1}, {cx, t1 - 7}};
        p.drawPolygon(up, 3);
        p.drawPolygon(dn, 3);
    }
    const int ci = model_.cursor - f.lo;
    const double t = model_.interpolation ? double(model_.interpOffset) / f.pixelsPerPoint : 0.0;
    for (const Curve& c : f.curves) {
        if (ci < 0 || ci >= static_cast<int>(c.y.size())) continue;
        double yv = c.y[ci];
        if (t > 0.0 && ci + 1 < static_cast<int>(c.y.size())) yv = lerp(yv, c.y[ci + 1], t);
        if (!std::isfinite(yv) || yv < 0.0 || yv > kDivisions) continue;
        p.setPen(QPen(bg, 1.0));
        p.setBrush(itemColour(c.item, onWhite));
        p.drawEllipse(QPointF(cx, top + yv * div), 3.5, 3.5);
    }
    p.setBrush(Qt::NoBrush);

    // Marker table in the lower part of the plot. It stays inside the plot:
    // where the plot is narrow (the Smith chart takes half the width) the
    // table is set in a smaller type, never over the read-out panel.
    tableRect_ = QRectF();
    if (!f.table.empty()) {
        QFont tableFont = font_;
        QFontMetrics tfm(tableFont);
        auto widestLine = [&] {
            int widest = 0;
            for (const PanelLine& l : f.table)
                widest = std::max(widest, tfm.horizontalAdvance(QString::fromStdString(l.text)));
            return widest;
        };
        int widest = widestLine();
        while (widest + 22 > W && tableFont.pointSize() > 5) {
            tableFont.setPointSize(tableFont.pointSize() - 1);
            tfm = QFontMetrics(tableFont);
            widest = widestLine();
        }
        const int tch = tfm.height();
        const int rows = static_cast<int>(f.table.size());
        const QRectF tr(left + 6, top + H - rows * tch - 10, std::min(widest + 10, W - 12),
                        rows * tch + 6);
        tableRect_ = tr;
        p.save();
        p.setFont(tableFont);
        p.fillRect(tr, bg);
        p.setPen(QPen(scale, 1.0));
        p.drawRect(tr);
        p.setClipRect(tr);
        p.setPen(text);
        for (int i = 0; i < rows; ++i)
            p.drawText(QPointF(tr.left() + 5, tr.top() + 3 + i * tch + tfm.ascent()),
                       QString::fromStdString(f.table[i].text));
        p.restore();
    }

    // Read-out panel.
    // Half a character after the plot leaves the widest read-out line (22
    // characters, "f change = ...") half a character clear of the edge.
    const int panelX = plotLeft_ + W + cw / 2;
    panelLeft_ = panelX;
    int y = top;
    for (const PanelLine& l : f.panel) {
        p.setPen(itemColour(l.item, onWhite));
        p.drawText(QPointF(panelX, y + asc), QString::fromStdString(l.text));
        y += ch;
    }
    if (model_.logoOn && toolkit)
        logo.draw(p, panelX, std::max(y + ch, top + H - 90), homeDirectory, *toolkit);

    // Smith chart.
    smithRect_ = QRectF();
    if (f.smith.on) {
        const int sx0 = panelX + kPanelChars * cw;
        const int sw = width() - sx0 - cw / 2;
        QStringList lines;
        for (const std::string& s : f.smith.lines)
            lines << wrap(QString::fromStdString(s), fm, std::max(sw, 10 * cw));
        const int textRows = static_cast<int>(lines.size());
        const double R = std::max(
            20.0,
            std::min(double(sw), double(height() - top - (textRows + 1) * ch - 4)) / 2.0 - 2.0);
        const QPointF c0(sx0 + sw / 2.0, top + R + 1);
        smithRect_ = QRectF(c0.x() - R, c0.y() - R, 2 * R, 2 * R);
        auto at = [&](double u, double v) { return QPointF(c0.x() + u * R, c0.y() - v * R); };
        const QColor grid = onWhite ? QColor(150, 150, 150) : QColor(95, 95, 95);
        QPainterPath disc;
        disc.addEllipse(c0, R, R);
        p.save();
        p.setClipPath(disc);
        p.setPen(QPen(grid, 1.0));
        for (double r : {0.2, 0.5, 1.0, 2.0, 5.0}) {
            const Circle k = resistanceCircle(r);
            p.drawEllipse(at(k.cu, k.cv), k.radius * R, k.radius * R);
            for (double sgn : {1.0, -1.0}) {
                const Circle x = reactanceCircle(sgn * r);
                p.drawEllipse(at(x.cu, x.cv), x.radius * R, x.radius * R);
            }
        }
        p.setPen(QPen(grid, 1.0, Qt::DashLine));
        const double vr = vswrRadius(1.5) * R;
        p.drawEllipse(c0, vr, vr);
        p.restore();
        p.setPen(QPen(scale, 1.4));
        p.drawEllipse(c0, R, R);
        p.drawLine(at(-1, 0), at(1, 0));
        // Resistance values where their circles cross the axis.
        p.setPen(itemColour(kItemGrey, onWhite));
        for (double r : {0.2, 0.5, 1.0, 2.0, 5.0}) {
            const QString s = QString::number(r * f.smith.z0, 'g', 4);
            const QPointF q = at((r - 1) / (r + 1), 0);
            if (R > 60) p.drawText(QPointF(q.x() + 2, q.y() - 3), s);
        }
        // The trace: points outside the displayed range in grey.
        const QColor traceColour = itemColour(kItemSmith, onWhite);
        const QColor outside = itemColour(kItemGrey, onWhite);
        for (std::size_t i = 1; i < f.smith.points.size(); ++i) {
            const SmithPoint& a = f.smith.points[i - 1];
            const SmithPoint& b = f.smith.points[i];
            const bool in = f.smith.displayed[i - 1] && f.smith.displayed[i];
            p.setPen(QPen(in ? traceColour : outside, in ? lineWidth : 1.0, Qt::SolidLine,
                          Qt::RoundCap));
            p.drawLine(at(a.u(), a.v()), at(b.u(), b.v()));
        }
        p.setPen(QPen(bg, 1.0));
        p.setBrush(cursorColour);
        p.drawEllipse(at(f.smith.cursor.u(), f.smith.cursor.v()), 4.0, 4.0);
        p.setBrush(Qt::NoBrush);
        double ty = c0.y() + R + 4;
        for (int i = 0; i < textRows; ++i) {
            p.setPen(i < 2 ? itemColour(kItemGrey, onWhite) : traceColour);
            if (i >= 2) p.setPen(text);
            p.drawText(QPointF(sx0, ty + asc), lines[i]);
            ty += ch;
        }
    }
}

void PlotCanvas::dragTo(int x) {
    model_.cursorToX(x - plotLeft_);
    update();
}

void PlotCanvas::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        dragging_ = true;
        dragTo(e->position().toPoint().x());
    }
}

void PlotCanvas::mouseMoveEvent(QMouseEvent* e) {
    if (dragging_) dragTo(e->position().toPoint().x());
}

void PlotCanvas::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) dragging_ = false;
    if (e->button() == Qt::RightButton && rightClicked) rightClicked();
}

} // namespace tanvex::gui
