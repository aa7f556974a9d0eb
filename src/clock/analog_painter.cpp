#include "clock/analog_painter.h"

#include <QPainter>

#include <algorithm>

#include "core/image/jpeg_reader.h"
#include "core/time/clock_service.h"
#include "core/time/datetime.h"

namespace ostrel {

QImage loadAnalogDial(const QString& path) {
    const RgbImage rgb = readJpegFile(path.toStdString());
    QImage image(rgb.width, rgb.height, QImage::Format_RGB888);
    for (int y = 0; y < rgb.height; ++y)
        std::copy_n(rgb.pixel(0, y), static_cast<std::size_t>(rgb.width) * 3, image.scanLine(y));
    return image;
}

void paintAnalogHands(QPainter& painter, int hours, int minutes, int seconds, int cx, int cy) {
    const QColor colour(kHandColor & 0xFF, (kHandColor >> 8) & 0xFF, (kHandColor >> 16) & 0xFF);
    const HandEnds ends = analogHandEnds(hours, minutes, seconds, cx, cy);
    const HandPoint centre{cx, cy};
    // Second, minute, hour: the hour hand lies on top.
    for (const auto& [hand, end] : {std::pair{Hand::Second, ends.second}, std::pair{Hand::Minute, ends.minute},
                                    std::pair{Hand::Hour, ends.hour}}) {
        for (const HandPoint& p : handPixels(centre, end, kHandStyles[static_cast<int>(hand)].penWidth))
            painter.fillRect(p.x, p.y, 1, 1, colour);
    }
}

TArrowsPaintBox::TArrowsPaintBox(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pbArrows"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

void TArrowsPaintBox::pbArrowsPaint(QPainter& painter) {
    if (shouldDraw && !shouldDraw()) return;
    const CivilTime t = decodeTime(clock().now());
    const QWidget* owner = parentWidget() ? parentWidget() : this;
    paintAnalogHands(painter, t.hour, t.minute, t.second, owner->width() / 2, owner->height() / 2);
}

void TArrowsPaintBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    pbArrowsPaint(painter);
}

}  // namespace ostrel
