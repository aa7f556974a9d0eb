#pragma once
// Gradient fills and the selected-row look of the data grids.

#include <QStyledItemDelegate>
#include <vector>

#include "core/clock/colors.h"

class QPainter;
class QRect;
class QColor;

namespace ostrel {

QColor toQColor(Color c);  // system colours resolved
Color fromQColor(const QColor& c);

// Reads system colours from the application's palette.
void installPaletteColorResolver();

// Fills the rectangle with one-pixel lines through the colours (left to
// right or top to bottom); the painter's pen is restored. Throws EMathError
// for fewer than two colours, before drawing anything.
void GradientFillRect(QPainter& painter, const QRect& rect, bool leftToRight, const std::vector<Color>& colors);

// Paints a selected cell over the grid's default drawing: a green gradient,
// a one-pixel frame and the text in bold at (left + 2, top + 2), in
// textColor, shortened with "…" as the grid shortens the other rows'
// (gradientCellText). An unselected cell is left alone.
QString gradientCellText(const QString& text, const QFont& font, const QRect& cell);
void DrawGradientCell(QPainter& painter, const QRect& cell, const QString& text, const QFont& font,
                      const QColor& textColor, bool selected);

// Item delegate that draws every cell as the grid would and then applies
// DrawGradientCell. Install it on a whole-row-selecting view.
class GradientCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace ostrel
