// The yardstick: a bare clock, one frameless label updated by a 1000 ms
// timer. Built by run.sh beside the program and measured with it.
#include <QApplication>
#include <QLabel>
#include <QTime>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label;
    label.setWindowTitle(QStringLiteral("bare clock"));
    label.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    label.setAlignment(Qt::AlignCenter);
    label.resize(131, 30);
    auto tick = [&] { label.setText(QTime::currentTime().toString(QStringLiteral("hh:mm:ss"))); };
    tick();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, tick);
    timer.start(1000);
    label.show();
    return app.exec();
}
