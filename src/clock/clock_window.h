#pragma once
// The clock window: the program's main window and its one-second tick.

#include <QLabel>
#include <QMenu>
#include <QPoint>
#include <QTimer>
#include <QWidget>

namespace ostrel {

class TfrmClock : public QWidget {
    Q_OBJECT
public:
    explicit TfrmClock(QWidget* parent = nullptr);
    ~TfrmClock() override;

    QLabel* lbClock = nullptr;
    QTimer* tmrTime = nullptr;
    QMenu* pmClockMenu = nullptr;
    QAction* miExit = nullptr;

    // Extra pixels around the time text.
    int VertSpace = 3;
    int HorisSpace = 7;

    // The tick: redraws the time and runs a reminder pass when one is due.
    void tmrTimeTimer();
    // Brings the window forward (a second copy of the program asked for it).
    void bringToFront();

    void miExitClick();

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Answers of reminder windows (WM_REMINDER_ANSWER).
    void customEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QPoint dragOffset_;
    bool dragging_ = false;
};

}  // namespace ostrel
