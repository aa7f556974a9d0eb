#pragma once
// The row of small picture buttons across the top of the list windows (the
// to-do list, the holidays list, the address book, the schedule). Named
// "ToolBar1" like every window's tool bar, as tall as its buttons.

#include <QHBoxLayout>
#include <QMargins>
#include <QSize>
#include <QToolButton>
#include <QWidget>

namespace ostrel {

class ToolBar : public QWidget {
public:
    ToolBar(QWidget* parent, QSize buttonSize, QMargins margins = {});

    // A flat button with one of the shared tool pictures (ui/tool_icons.h).
    QToolButton* addTool(const char* name, const char* hint, int image);
    // The row the buttons stand in, for what a window adds after them.
    QHBoxLayout* row() const { return row_; }

private:
    QSize buttonSize_;
    QHBoxLayout* row_;
};

}  // namespace ostrel
