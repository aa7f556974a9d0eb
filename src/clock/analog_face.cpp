#include "clock/analog_face.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>

#include "clock/clock_window.h"
#include "core/clock/analog_hands.h"
#include "core/image/jpeg_reader.h"
#include "core/time/clock_service.h"
#include "core/time/datetime.h"

namespace ostrel {

QImage readDialImage(const QString& path) {
    const RgbImage rgb = readJpegFile(path.toStdString());
    QImage image(rgb.width, rgb.height, QImage::Format_RGB888);
    for (int y = 0; y < rgb.height; ++y)
        std::copy_n(rgb.pixel(0, y), static_cast<std::size_t>(rgb.width) * 3, image.scanLine(y));
    return image;
}

QPixmap LoadAnalogFace(const QString& path) { return QPixmap::fromImage(readDialImage(path)); }

void paintHandsAt(QPainter& painter, int hours, int minutes, int seconds, int cx, int cy) {
    const QColor colour(kHandColor & 0xFF, (kHandColor >> 8) & 0xFF, (kHandColor >> 16) & 0xFF);
    const HandEnds ends = analogHandEnds(hours, minutes, seconds, cx, cy);
    // Second, minute, hour: the hour hand lies on top.
    for (const auto& [hand, end] : {std::pair{Hand::Second, ends.second}, std::pair{Hand::Minute, ends.minute},
                                    std::pair{Hand::Hour, ends.hour}}) {
        for (const HandPoint& p : handPixels({cx, cy}, end, kHandStyles[static_cast<int>(hand)].penWidth))
            painter.fillRect(p.x, p.y, 1, 1, colour);
    }
}

void PaintAnalogHands(QPainter& painter, const QWidget& paintBox) {
    const auto* window = qobject_cast<const TfrmClock*>(paintBox.parentWidget());
    if (!window || window->viewMode() != vmAnalogClock) return;
    // Milliseconds are not shown.
    const CivilTime t = decodeTime(clock().now());
    paintHandsAt(painter, t.hour, t.minute, t.second, window->width() / 2, window->height() / 2);
}

}  // namespace ostrel
