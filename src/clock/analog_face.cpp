#include "clock/analog_face.h"

#include <QPainter>
#include <QPen>

#include <cstdlib>

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

std::vector<HandPoint> linePixels(HandPoint from, HandPoint to) {
    std::vector<HandPoint> out;
    const int dx = std::abs(to.x - from.x), sx = from.x < to.x ? 1 : -1;
    const int dy = -std::abs(to.y - from.y), sy = from.y < to.y ? 1 : -1;
    int err = dx + dy;
    HandPoint p = from;
    while (!(p == to)) {
        out.push_back(p);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            p.x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            p.y += sy;
        }
    }
    return out;
}

void paintAnalogHands(QPainter& painter, int hours, int minutes, int seconds, int cx, int cy) {
    const QColor colour(kHandColor & 0xFF, (kHandColor >> 8) & 0xFF, (kHandColor >> 16) & 0xFF);
    const HandEnds ends = analogHandEnds(hours, minutes, seconds, cx, cy);
    const HandPoint centre{cx, cy};
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Second, minute, hour: the hour hand lies on top.
    for (const auto& [hand, end] : {std::pair{Hand::Second, ends.second}, std::pair{Hand::Minute, ends.minute},
                                    std::pair{Hand::Hour, ends.hour}}) {
        const int width = kHandStyles[static_cast<int>(hand)].penWidth;
        if (width == 1) {
            painter.setPen(QPen(colour, 1));
            for (const HandPoint& p : linePixels(centre, end)) painter.drawPoint(p.x, p.y);
        } else {
            QPen pen(colour, width, Qt::SolidLine, Qt::FlatCap);
            painter.setPen(pen);
            painter.drawLine(cx, cy, end.x, end.y);
        }
    }
    painter.restore();
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
