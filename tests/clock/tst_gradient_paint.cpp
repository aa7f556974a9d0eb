// Gradient fills and the selected-cell look, drawn on real images.

#include <QPainter>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

#include "core/clock/colors.h"
#include "ui/gradient_paint.h"

using namespace ostrel;

namespace {

QImage blank(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(1, 2, 3));
    return img;
}

}  // namespace

class TestGradientPaint : public QObject {
    Q_OBJECT
private slots:
    void fills_data() {
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<bool>("leftToRight");
        QTest::addColumn<QList<int>>("colors");
        // Expected colour per position along the gradient (offset from the
        // rectangle's leading edge).
        QTest::addColumn<QList<QColor>>("expected");

        const int black = makeColor(0, 0, 0).value(), white = makeColor(255, 255, 255).value(),
                  mid = makeColor(100, 200, 50).value();
        QList<QColor> twenty;
        for (int i = 0; i < 20; ++i) {
            const int v = static_cast<int>(255.0 * i / 19);
            twenty << QColor(v, v, v);
        }
        QTest::newRow("two colours, 20 lines down")
            << QRect(3, 4, 10, 20) << false << QList<int>{black, white} << twenty;
        QTest::newRow("three colours, 5 across")
            << QRect(2, 1, 5, 6) << true << QList<int>{black, mid, white}
            << QList<QColor>{QColor(0, 0, 0), QColor(50, 100, 25), QColor(100, 200, 50), QColor(177, 227, 152),
                             QColor(255, 255, 255)};
        QTest::newRow("one line, start colour")
            << QRect(0, 5, 8, 1) << false << QList<int>{black, white} << QList<QColor>{QColor(0, 0, 0)};
    }

    void fills() {
        QFETCH(QRect, rect);
        QFETCH(bool, leftToRight);
        QFETCH(QList<int>, colors);
        QFETCH(QList<QColor>, expected);
        QImage img = blank(30, 30);
        QPainter p(&img);
        const QPen pen(QColor(9, 8, 7), 3, Qt::DashLine);
        p.setPen(pen);
        std::vector<Color> stops;
        for (int c : colors) stops.push_back(Color(c));
        GradientFillRect(p, rect, leftToRight, stops);
        QCOMPARE(p.pen(), pen);
        p.end();
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                const QColor got = img.pixelColor(x, y);
                if (!rect.contains(x, y)) {
                    QVERIFY2(got == QColor(1, 2, 3),
                             qPrintable(QStringLiteral("painted outside at %1,%2").arg(x).arg(y)));
                    continue;
                }
                const int pos = leftToRight ? x - rect.left() : y - rect.top();
                QVERIFY2(
                    got == expected.at(pos),
                    qPrintable(
                        QStringLiteral("at %1,%2: %3 want %4").arg(x).arg(y).arg(got.name(), expected.at(pos).name())));
            }
        }
    }

    void emptyRectangleAndTooFewColours() {
        QImage img = blank(10, 10);
        QPainter p(&img);
        const QPen pen(QColor(9, 8, 7), 2);
        p.setPen(pen);
        GradientFillRect(p, QRect(2, 2, 0, 5), true, {Color(0), Color(0xFFFFFF)});
        QCOMPARE(p.pen(), pen);
        try {
            GradientFillRect(p, QRect(0, 0, 10, 10), false, {Color(0xFFFFFF)});
            QFAIL("no error");
        } catch (const EMathError& e) {
            QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Es mussen mindestens zwei Farben angegeben werden."));
        }
        QCOMPARE(p.pen(), pen);
        p.end();
        QCOMPARE(img, blank(10, 10));
    }

    void systemColourIsReadFromThePalette() {
        installPaletteColorResolver();
        QPalette pal = QApplication::palette();
        pal.setColor(QPalette::Button, QColor(200, 100, 50));
        QApplication::setPalette(pal);
        QCOMPARE(toQColor(DarkenColor(systemColor(kColorBtnFace), 50)), QColor(100, 50, 25));
    }

    void selectedCellsGetTheGradientAndUnselectedStay() {
        QStandardItemModel model(2, 2);
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 2; ++c) model.setItem(r, c, new QStandardItem(QStringLiteral("Cell")));
        QTableView view;
        view.setModel(&model);
        view.setSelectionBehavior(QAbstractItemView::SelectRows);
        view.resize(300, 120);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.selectRow(1);
        const QImage plain = view.viewport()->grab().toImage();
        view.setItemDelegate(new GradientCellDelegate(&view));
        const QImage img = view.viewport()->grab().toImage();
        // Row 0 is drawn exactly as the grid draws it.
        const QRect row0 = view.visualRect(model.index(0, 0)).united(view.visualRect(model.index(0, 1)));
        QCOMPARE(img.copy(row0), plain.copy(row0));
        // Every cell of row 1: frame, gradient from top to bottom.
        for (int c = 0; c < 2; ++c) {
            const QRect cell = view.visualRect(model.index(1, c));
            QCOMPARE(img.pixelColor(cell.topLeft()), QColor(124, 124, 148));
            QCOMPARE(img.pixelColor(cell.bottomRight()), QColor(124, 124, 148));
            const auto lines = GradientLines(cell.height(), {Color(0x44EED5), Color(0x0F9F83)});
            QCOMPARE(lines.front().color, makeColor(213, 238, 68));
            QCOMPARE(lines.back().color, makeColor(131, 159, 15));
            for (int y : {1, cell.height() / 2, cell.height() - 2})
                QCOMPARE(img.pixelColor(cell.right() - 1, cell.top() + y),
                         toQColor(lines[static_cast<std::size_t>(y)].color));
        }
    }
};

QTEST_MAIN(TestGradientPaint)
#include "tst_gradient_paint.moc"
