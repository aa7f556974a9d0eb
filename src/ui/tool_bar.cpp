#include "ui/tool_bar.h"

#include "ui/tool_icons.h"

namespace ostrel {

ToolBar::ToolBar(QWidget* parent, QSize buttonSize, QMargins margins)
    : QWidget(parent), buttonSize_(buttonSize), row_(new QHBoxLayout(this)) {
    setObjectName(QStringLiteral("ToolBar1"));
    setFixedHeight(buttonSize.height() + margins.top() + margins.bottom());
    row_->setContentsMargins(margins);
    row_->setSpacing(0);
}

QToolButton* ToolBar::addTool(const char* name, const char* hint, int image) {
    auto* b = new QToolButton(this);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(QLatin1String(hint));
    b->setIcon(toolIcon(image));
    b->setAutoRaise(true);
    b->setFixedSize(buttonSize_);
    row_->addWidget(b);
    return b;
}

}  // namespace ostrel
