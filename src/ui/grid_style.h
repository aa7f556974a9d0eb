#pragma once
// The look of the program's data grids: light grey background, a grey title
// row with bold titles, dark green text.

#include <QFont>

class QTableView;

namespace ostrel {

void applyDataGridStyle(QTableView* grid);

// The font of the compact windows laid out to fixed pixel positions: the
// given font at 8 points.
QFont compactFont(QFont base);

}  // namespace ostrel
