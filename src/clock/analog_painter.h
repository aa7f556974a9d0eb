#pragma once
// Drawing the analog face: reading the dial picture and painting the three
// hands over it.

#include <QImage>
#include <QString>
#include <QWidget>

#include <functional>

#include "core/clock/analog_hands.h"

class QPainter;

namespace ostrel {

// Reads the dial picture (a JPEG). Throws JpegError, whose text names the
// file and the reason, when it is missing or damaged.
QImage loadAnalogDial(const QString& path);

// Draws the hands for a time of day around the centre (cx, cy).
void paintAnalogHands(QPainter& painter, int hours, int minutes, int seconds, int cx, int cy);

// `pbArrows`: a transparent paint box over the dial that draws the hands for
// the present (the clock service's time). The centre comes from the window
// it lies in, not from its own size.
class TArrowsPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TArrowsPaintBox(QWidget* parent = nullptr);

    // Draw only while this says so (the clock window is in its analog mode).
    std::function<bool()> shouldDraw;

    // The paint handler.
    void pbArrowsPaint(QPainter& painter);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace ostrel
