#include "ui/gradient_paint.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>

namespace ostrel {

QColor toQColor(Color c) {
    const Color rgb = resolveColor(c);
    return QColor(colorRed(rgb), colorGreen(rgb), colorBlue(rgb));
}

Color fromQColor(const QColor& c) { return makeColor(c.red(), c.green(), c.blue()); }

namespace {

Color paletteColor(int index) {
    const QPalette pal = QApplication::palette();
    QPalette::ColorRole role = QPalette::Window;
    switch (index) {
        case 4:
        case 15:
        case 30: role = QPalette::Button; break;  // menu, button face, menu bar
        case 5: role = QPalette::Base; break;     // window
        case 7:
        case 8: role = QPalette::WindowText; break;  // menu text, window text
        case 13:
        case 29: role = QPalette::Highlight; break;  // highlight, menu highlight
        case 14: role = QPalette::HighlightedText; break;
        case 16: role = QPalette::Mid; break;  // button shadow
        case 17: return fromQColor(pal.color(QPalette::Disabled, QPalette::Text));
        case 18: role = QPalette::ButtonText; break;
        case 20: role = QPalette::Light; break;  // button highlight
        case 21: role = QPalette::Shadow; break;
        case 22: role = QPalette::Midlight; break;
        case 23: role = QPalette::ToolTipText; break;
        case 24: role = QPalette::ToolTipBase; break;
        case 26: role = QPalette::Link; break;
        default: role = QPalette::Window; break;
    }
    return fromQColor(pal.color(QPalette::Active, role));
}

}  // namespace

void installPaletteColorResolver() { setSystemColorResolver(&paletteColor); }

void GradientFillRect(QPainter& painter, const QRect& rect, bool leftToRight, const std::vector<Color>& colors) {
    // Widths as right - left, exclusive of the right edge.
    const int left = rect.left(), top = rect.top();
    const int right = rect.left() + rect.width(), bottom = rect.top() + rect.height();
    const int size = leftToRight ? right - left : bottom - top;
    const std::vector<GradientLine> lines = GradientLines(size, colors);  // throws before drawing

    const QPen saved = painter.pen();
    QPen pen(Qt::SolidLine);
    pen.setWidth(1);
    for (const GradientLine& line : lines) {
        pen.setColor(toQColor(line.color));
        painter.setPen(pen);
        // The end point is not painted: a line from top to bottom covers
        // bottom - top pixels.
        if (leftToRight) {
            if (bottom > top) painter.drawLine(left + line.pos, top, left + line.pos, bottom - 1);
        } else {
            if (right > left) painter.drawLine(left, top + line.pos, right - 1, top + line.pos);
        }
    }
    painter.setPen(saved);
}

QString gradientCellText(const QString& text, const QFont& font, const QRect& cell) {
    QFont bold = font;
    bold.setBold(true);
    // The frame's pixel on the right stays clear.
    return QFontMetrics(bold).elidedText(text, Qt::ElideRight, cell.width() - 4, Qt::TextSingleLine);
}

void DrawGradientCell(QPainter& painter, const QRect& cell, const QString& text, const QFont& font,
                      const QColor& textColor, bool selected) {
    if (!selected) return;
    painter.save();
    GradientFillRect(painter, cell, false, {Color(0x44EED5), Color(0x0F9F83)});
    painter.setPen(QPen(toQColor(Color(0x947C7C)), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(cell.adjusted(0, 0, -1, -1));
    QFont bold = font;
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(textColor);
    painter.setClipRect(cell);
    const QRect textRect(cell.left() + 2, cell.top() + 2, cell.width() - 2, cell.height() - 2);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, gradientCellText(text, font, cell));
    painter.restore();
}

void GradientCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    if (!(option.state & QStyle::State_Selected)) return;
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    DrawGradientCell(*painter, option.rect, opt.text, opt.font,
                     option.palette.color(QPalette::Active, QPalette::HighlightedText), true);
}

}  // namespace ostrel
