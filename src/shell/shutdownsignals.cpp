#include "shell/shutdownsignals.h"

#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

namespace {

int g_fds[2] = {-1, -1};

void onSignal(int signo) {
    const char byte = char(signo);
    // Nothing but async-signal-safe calls here.
    [[maybe_unused]] const ssize_t n = ::write(g_fds[0], &byte, 1);
}

}  // namespace

TShutdownSignals::TShutdownSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_fds) != 0)
        return;
    notifier_ = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TShutdownSignals::readSignal);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signo : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(signo, &action, nullptr);
}

TShutdownSignals::~TShutdownSignals() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    for (int signo : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(signo, &action, nullptr);
    for (int& fd : g_fds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void TShutdownSignals::readSignal() {
    char byte = 0;
    if (::read(g_fds[1], &byte, 1) == 1)
        Q_EMIT shutdownRequested();
}
