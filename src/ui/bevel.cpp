#include "ui/bevel.h"

namespace ostrel {

QFrame* makeBevel(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* b = new QFrame(parent);
    b->setObjectName(QLatin1String(name));
    b->setFrameShape(QFrame::HLine);
    b->setFrameShadow(QFrame::Sunken);
    b->setGeometry(left, top, width, height);
    return b;
}

}  // namespace ostrel
