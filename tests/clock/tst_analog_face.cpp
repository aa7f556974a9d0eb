// The analog face at 10:10:30: the dial unscaled from the top-left corner,
// the three hands where the face geometry puts them, the dial showing
// between them. Run offscreen by grabbing the widget, and on a real X server
// (the "onScreen" function, run by ctest under xvfb-run) from a screenshot
// of the round window.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QSet>
#include <QtTest>

#include "app/application.h"
#include "app/forms.h"
#include "base/app_paths.h"
#include "clock/analog_face.h"
#include "clock/clock_window.h"
#include "clock_env.h"
#include "clock_window.h"
#include "core/clock/analog_hands.h"
#include "core/image/jpeg_reader.h"
#include "core/time/datetime.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "recording_dialogs.h"
#include "settings/settings_dialog.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::child;
using ostrel::testing::ClockEnv;
using ostrel::testing::RecordingDialogs;
using ostrel::testing::ScopedFakeClock;

namespace {

const QString kDial = ostrel::testing::kShippedDial;
const QRgb kHand = qRgb(64, 0, 0);

// A program folder with the shipped dial and the analog clock stored at
// (200, 150).
struct AnalogEnv : ClockEnv {
    AnalogEnv() {
        QDir().mkpath(dir.path() + QStringLiteral("/Images"));
        QFile::copy(kDial, analogDialPath());
        writeSettings("[General]\nProgramView=4\n[Clock]\nLeft=200\nTop=150\n");
    }
};

DateTime at(int h, int m, int s) { return encodeDateTime({{2026, 12, 10}, {h, m, s, 0}}); }

// The picture shows the hand colour exactly on the pixels of the three hands
// at 10:10:30 (all hands share the colour, so crossings do not matter), and
// the dial everywhere else inside the circle.
void checkHands(const QImage& shot, const QImage& dial) {
    const HandEnds e = analogHandEnds(10, 10, 30, 48, 48);
    QSet<std::pair<int, int>> hands;
    for (const auto& [end, hand] : {std::pair{e.second, Hand::Second}, {e.minute, Hand::Minute}, {e.hour, Hand::Hour}})
        for (const HandPoint& p : handPixels({48, 48}, end, kHandStyles[static_cast<int>(hand)].penWidth))
            hands.insert({p.x, p.y});
    QVERIFY(hands.size() > 150);
    // The second hand stops one pixel short of its end point.
    QVERIFY(hands.contains({48, 86}));
    QVERIFY(!hands.contains({48, 87}));

    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 96; ++x) {
            const bool inside = (x - 48) * (x - 48) + (y - 48) * (y - 48) < 44 * 44;
            if (hands.contains({x, y})) {
                QVERIFY2(shot.pixel(x, y) == kHand, qPrintable(QStringLiteral("hand pixel %1,%2").arg(x).arg(y)));
            } else if (inside) {
                QVERIFY2(shot.pixel(x, y) != kHand, qPrintable(QStringLiteral("stray pixel %1,%2").arg(x).arg(y)));
                const QColor a = shot.pixelColor(x, y), b = dial.pixelColor(x, y);
                QVERIFY2(std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
                             std::abs(a.blue() - b.blue()) <= 2,
                         qPrintable(QStringLiteral("dial pixel %1,%2").arg(x).arg(y)));
            }
        }
}

}  // namespace

class TestAnalogFace : public QObject {
    Q_OBJECT
private slots:
    void handsAt101030() {
        AnalogEnv env;
        RecordingDialogs dialogs;
        ScopedFakeClock fake(at(10, 10, 30));
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        QVERIFY(dialogs.messages.empty());
        QCOMPARE(std::uint8_t(clock.viewMode()), std::uint8_t(vmAnalogClock));
        QCOMPARE(clock.size(), QSize(96, 96));
        QCOMPARE(clock.mask(), QRegion(0, 0, 97, 97, QRegion::Ellipse));
        const QImage shot = clock.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shot.size(), QSize(96, 96));
        checkHands(shot, readDialImage(kDial).convertToFormat(QImage::Format_RGB32));
    }

    void handsFollowTheClockService() {
        AnalogEnv env;
        RecordingDialogs dialogs;
        ScopedFakeClock fake(at(15, 0, 0));
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        QImage shot = clock.grab().toImage();
        // Afternoon three o'clock ends one pixel short of the morning one.
        QCOMPARE(shot.pixel(74, 48), kHand);
        QVERIFY(shot.pixel(75, 48) != kHand);
        fake->setNow(at(3, 0, 0));
        clock.tmrTimeTimer();
        shot = clock.grab().toImage();
        QCOMPARE(shot.pixel(75, 48), kHand);
        QVERIFY(shot.pixel(76, 48) != kHand);
    }

    void nothingDrawnOutsideTheAnalogMode() {
        AnalogEnv env;
        RecordingDialogs dialogs;
        ScopedFakeClock fake(at(10, 10, 30));
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        child<QRadioButton>(*frmSettings, "rbFreeClock")->setChecked(true);
        QVERIFY(child<QLabel>(clock, "imgAnalogClock")->pixmap().isNull());
        clock.resize(96, 96);
        QImage box(96, 96, QImage::Format_RGB32);
        box.fill(Qt::white);
        child<ArrowsBox>(clock, "pbArrows")->render(&box, QPoint(), QRegion(), QWidget::RenderFlags());
        for (int y = 0; y < 96; ++y)
            for (int x = 0; x < 96; ++x) QVERIFY(box.pixel(x, y) != kHand);
    }

    void missingOrDamagedDialIsAnError() {
        ostrel::testing::TempDir dir;
        const QString missing = QString::fromStdString(dir.str()) + QStringLiteral("/Analog_clock.jpg");
        QVERIFY_THROWS_EXCEPTION(JpegError, readDialImage(missing));
        QFile f(missing);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("GIF89a not a dial");
        f.close();
        try {
            readDialImage(missing);
            QFAIL("no error");
        } catch (const JpegError& e) {
            QVERIFY(QString::fromUtf8(e.what()).contains(missing));
        }
    }

    // A real window on a real X server: the window is round and the hands
    // are on the screen.
    void onScreen() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server (run by the xvfb-run variant of this test)");
        AnalogEnv env;
        RecordingDialogs dialogs;
        ScopedFakeClock fake(at(10, 10, 30));
        ostrel::testing::ClockWindow clockWindow;
        TfrmClock& clock = clockWindow.clock;
        QCOMPARE(clock.pos(), QPoint(200, 150));
        clock.show();
        QVERIFY(QTest::qWaitForWindowExposed(&clock));
        QImage shot;
        // The X server draws asynchronously; wait until the face is there.
        const auto grab = [&] {
            shot = QGuiApplication::primaryScreen()
                       ->grabWindow(0, 200, 150, 96, 96)
                       .toImage()
                       .convertToFormat(QImage::Format_RGB32);
            return shot.pixel(48, 70) == kHand;
        };
        QTRY_VERIFY_WITH_TIMEOUT(grab(), 5000);
        checkHands(shot, readDialImage(kDial).convertToFormat(QImage::Format_RGB32));
        // Outside the circle the screen behind shows, not the dial's bezel.
        const QImage dial = readDialImage(kDial).convertToFormat(QImage::Format_RGB32);
        const QImage behind = QGuiApplication::primaryScreen()
                                  ->grabWindow(0, 200 - 20, 150, 10, 10)
                                  .toImage()
                                  .convertToFormat(QImage::Format_RGB32);
        for (const QPoint& corner : {QPoint(1, 1), QPoint(94, 1), QPoint(1, 94), QPoint(94, 94)}) {
            QVERIFY2(shot.pixel(corner) == behind.pixel(1, 1),
                     qPrintable(QStringLiteral("corner %1,%2").arg(corner.x()).arg(corner.y())));
            QVERIFY(dial.pixel(corner) != behind.pixel(1, 1));
        }
    }
};

int main(int argc, char** argv) {
    OstrelApplication app(argc, argv);
    TestAnalogFace t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_analog_face.moc"
