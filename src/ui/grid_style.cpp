#include "ui/grid_style.h"

#include <QHeaderView>
#include <QTableView>

namespace ostrel {

void applyDataGridStyle(QTableView* grid) {
    grid->setStyleSheet(QStringLiteral(
        "QTableView { background: rgb(238,238,238); color: rgb(0,83,0); gridline-color: rgb(200,200,200);"
        " selection-background-color: rgb(120,170,120); selection-color: white; }"
        "QHeaderView::section { background: rgb(219,219,219); color: rgb(0,83,0); font-weight: bold;"
        " border: 0px; border-right: 1px solid rgb(190,190,190); border-bottom: 1px solid rgb(190,190,190);"
        " padding: 2px 4px; }"));
}

QFont compactFont(QFont base) {
    base.setPointSizeF(8);
    return base;
}

}  // namespace ostrel
