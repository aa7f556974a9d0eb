#pragma once
// The texts a piece of drawing code draws, in order: a paint device that
// records every text item instead of drawing it.

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QStringList>
#include <QTextItem>

#include <functional>

namespace ostrel::testing {

class DrawnTexts : public QPaintDevice {
public:
    explicit DrawnTexts(QSize size = {800, 600}) : size_(size), engine_(this) {}
    ~DrawnTexts() override = default;

    QStringList texts;

    QPaintEngine* paintEngine() const override { return const_cast<Engine*>(&engine_); }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
            case PdmWidth: return size_.width();
            case PdmHeight: return size_.height();
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY: return 96;
            case PdmDepth: return 32;
            case PdmDevicePixelRatio: return 1;
            case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
            default: return QPaintDevice::metric(m);
        }
    }

private:
    class Engine : public QPaintEngine {
    public:
        explicit Engine(DrawnTexts* owner) : QPaintEngine(AllFeatures), owner_(owner) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawTextItem(const QPointF&, const QTextItem& item) override { owner_->texts << item.text(); }
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        Type type() const override { return User; }

    private:
        DrawnTexts* owner_;
    };
    QSize size_;
    Engine engine_;
};

}  // namespace ostrel::testing
