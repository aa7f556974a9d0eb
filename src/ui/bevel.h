#pragma once
// A sunken horizontal divider line, as the fixed-layout dialogs use.

#include <QFrame>

namespace ostrel {

QFrame* makeBevel(QWidget* parent, const char* name, int left, int top, int width, int height = 3);

}  // namespace ostrel
