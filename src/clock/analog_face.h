#pragma once
// The analog clock face: the dial picture and the hands drawn over it.

#include <QImage>
#include <QPixmap>
#include <QString>

class QPainter;
class QWidget;

namespace ostrel {

// Reads the dial picture (a JPEG, decoded by libjpeg). Throws JpegError (a
// std::runtime_error) naming the file and the reason when it is missing,
// not a JPEG, cut short or otherwise damaged.
QImage readDialImage(const QString& path);
QPixmap LoadAnalogFace(const QString& path);

// Draws the three hands for a time of day around the centre (cx, cy),
// pixel for pixel as core/clock/analog_hands.h lays them out.
void paintHandsAt(QPainter& painter, int hours, int minutes, int seconds, int cx, int cy);

// The paint handler of `pbArrows`: the hands for the present, centred on
// the clock window (the paint box's parent) by the window's own size. Draws
// nothing unless the clock window is in its analog mode.
void PaintAnalogHands(QPainter& painter, const QWidget& paintBox);

}  // namespace ostrel
