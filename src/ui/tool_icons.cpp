#include "ui/tool_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>

namespace ostrel {
namespace {

const QColor kInk(0, 83, 0);
const QColor kAccent(46, 139, 87);

void person(QPainter& p, QPointF at, double scale, const QColor& fill) {
    p.setBrush(fill);
    p.setPen(QPen(kInk, 1));
    p.drawEllipse(QRectF(at.x() - 2.5 * scale, at.y() - 6 * scale, 5 * scale, 5 * scale));
    p.drawRoundedRect(QRectF(at.x() - 4 * scale, at.y(), 8 * scale, 6 * scale), 2 * scale, 2 * scale);
}

QPixmap draw(int index) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
        case 0:  // not assigned
            person(p, {8, 8}, 1.0, QColor(200, 200, 200));
            break;
        case 1:  // family
            person(p, {5.5, 8}, 0.9, QColor(240, 170, 120));
            person(p, {11, 9.5}, 0.7, QColor(250, 210, 120));
            break;
        case 2:  // job
            p.setPen(QPen(kInk, 1));
            p.setBrush(QColor(170, 120, 70));
            p.drawRoundedRect(QRectF(2, 5, 12, 9), 1.5, 1.5);
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(6, 3, 4, 2));
            break;
        case 3:  // friends
            person(p, {5, 8.5}, 0.85, QColor(120, 180, 240));
            person(p, {11, 8.5}, 0.85, QColor(140, 210, 140));
            break;
        case 4: {  // view
            p.setPen(QPen(kInk, 1.2));
            p.setBrush(Qt::white);
            QPainterPath eye;
            eye.moveTo(1.5, 8);
            eye.quadTo(8, 1.5, 14.5, 8);
            eye.quadTo(8, 14.5, 1.5, 8);
            p.drawPath(eye);
            p.setBrush(kAccent);
            p.drawEllipse(QPointF(8, 8), 2.5, 2.5);
            break;
        }
        case 5: {  // edit: a pencil
            p.translate(8, 8);
            p.rotate(-45);
            p.setPen(QPen(kInk, 1));
            p.setBrush(QColor(240, 200, 80));
            p.drawRect(QRectF(-5, -2, 9, 4));
            p.setBrush(QColor(230, 150, 150));
            p.drawRect(QRectF(4, -2, 2, 4));
            QPolygonF tip;
            tip << QPointF(-5, -2) << QPointF(-7.5, 0) << QPointF(-5, 2);
            p.setBrush(QColor(60, 60, 60));
            p.drawPolygon(tip);
            break;
        }
        case 6:  // add
            p.setPen(Qt::NoPen);
            p.setBrush(kAccent);
            p.drawRoundedRect(QRectF(6.5, 2, 3, 12), 1, 1);
            p.drawRoundedRect(QRectF(2, 6.5, 12, 3), 1, 1);
            break;
        case 7:  // delete
            p.setPen(QPen(QColor(190, 40, 40), 2.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(4, 4), QPointF(12, 12));
            p.drawLine(QPointF(12, 4), QPointF(4, 12));
            break;
        case 8:    // fold
        case 9: {  // unfold
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            QPolygonF arrow;
            if (index == 8) arrow << QPointF(3, 10) << QPointF(8, 5) << QPointF(13, 10);
            else arrow << QPointF(3, 6) << QPointF(8, 11) << QPointF(13, 6);
            p.drawPolygon(arrow);
            break;
        }
        default: break;
    }
    return pm;
}

}  // namespace

QIcon toolIcon(int index) {
    static std::array<QIcon, kToolIconCount> cache;
    if (index < 0 || index >= kToolIconCount) return {};
    if (cache[static_cast<std::size_t>(index)].isNull()) cache[static_cast<std::size_t>(index)] = QIcon(draw(index));
    return cache[static_cast<std::size_t>(index)];
}

}  // namespace ostrel
