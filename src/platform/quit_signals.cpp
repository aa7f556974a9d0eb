#include "platform/quit_signals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <csignal>

#include <stdexcept>

namespace ostrel {
namespace {

int g_pipe[2] = {-1, -1};
// Written by the handler, read by any thread (a check on a worker thread).
std::atomic<bool> g_received{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");
const int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int sig) {
    const unsigned char byte = static_cast<unsigned char>(sig);
    g_received.store(true);
    const int saved = errno;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

QuitSignalWatcher::QuitSignalWatcher(QObject* parent) : QObject(parent) {
    if (g_pipe[0] >= 0) throw std::logic_error("only one QuitSignalWatcher may exist");
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("cannot create the signal pipe");
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QuitSignalWatcher::readSignal);
    struct sigaction sa = {};
    sa.sa_handler = &onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : kSignals) ::sigaction(s, &sa, nullptr);
}

QuitSignalWatcher::~QuitSignalWatcher() {
    struct sigaction sa = {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    for (int s : kSignals) ::sigaction(s, &sa, nullptr);
    delete notifier_;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

bool QuitSignalWatcher::received() { return g_received.load(); }

void QuitSignalWatcher::readSignal() {
    unsigned char byte = 0;
    int last = 0;
    while (::read(g_pipe[0], &byte, 1) == 1) last = byte;
    if (last != 0) emit quitRequested(last);
}

}  // namespace ostrel
