// Picture loading through Qt's readers; the dial's own decoder and the hands
// come with the analog clock.
#include "clock/analog_face.h"

#include <QImageReader>
#include <QPainter>
#include <QWidget>

#include <stdexcept>

namespace ostrel {

QPixmap LoadAnalogFace(const QString& path) {
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull())
        throw std::runtime_error(("Cannot load " + path + ": " + reader.errorString()).toStdString());
    return QPixmap::fromImage(image);
}

void PaintAnalogHands(QPainter&, const QWidget&) {}

}  // namespace ostrel
