#include "ui/text_boxes.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextOption>

namespace ostrel {

void setUpDescriptionBox(QPlainTextEdit* box) {
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void showLineEditsFromStart(QWidget* window) {
    for (QLineEdit* edit : window->findChildren<QLineEdit*>()) {
        QWidget* owner = edit->parentWidget();
        if (qobject_cast<QAbstractSpinBox*>(owner) || qobject_cast<QComboBox*>(owner)) continue;
        edit->setCursorPosition(0);
    }
}

}  // namespace ostrel
