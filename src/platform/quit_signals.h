#pragma once
// SIGTERM, SIGINT and SIGHUP as a request to end the program: the handler
// only writes to a pipe, and the GUI thread reads it through a socket
// notifier and emits quitRequested there.

#include <QObject>

class QSocketNotifier;

namespace ostrel {

class QuitSignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit QuitSignalWatcher(QObject* parent = nullptr);
    ~QuitSignalWatcher() override;

    // Whether a quit signal has arrived since the watcher was made. Set by
    // the signal handler itself, so a long piece of work that processes no
    // events can ask it and stop early.
    static bool received();

signals:
    void quitRequested(int signalNumber);

private:
    void readSignal();
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace ostrel
