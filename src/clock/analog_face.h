#pragma once
// The analog clock face: the dial picture and the hands.

#include <QPixmap>
#include <QString>

class QPainter;
class QWidget;

namespace ostrel {

// Loads the dial picture; throws std::runtime_error when it cannot be read.
QPixmap LoadAnalogFace(const QString& path);
// Draws the hands for the present time onto the paint box.
void PaintAnalogHands(QPainter& painter, const QWidget& paintBox);

}  // namespace ostrel
