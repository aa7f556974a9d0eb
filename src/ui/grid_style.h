#pragma once
// The look of the program's data grids: light grey background, a grey title
// row with bold titles, dark green text.

class QTableView;

namespace ostrel {

void applyDataGridStyle(QTableView* grid);

}  // namespace ostrel
