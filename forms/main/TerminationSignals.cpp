#include "forms/main/TerminationSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace TerminationSignals {
namespace {

// [0] read by the event loop, [1] written by the signal handler.
int pipeEnds[2] = {-1, -1};

// Async-signal-safe: one write, errno kept. A full pipe already holds a pending quit.
void onSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}

void drainPipe() {
    char bytes[64];
    while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) {
    }
}

} // namespace

bool QuitOnTermination(QCoreApplication& app) {
    if (pipeEnds[0] >= 0) return true;
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    auto* notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, &app);
    // exit() rather than quit(): it also ends a modal dialog's loop that may be running.
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        drainPipe();
        QCoreApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    bool installed = true;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT})
        installed = ::sigaction(signal, &action, nullptr) == 0 && installed;
    return installed;
}

} // namespace TerminationSignals
