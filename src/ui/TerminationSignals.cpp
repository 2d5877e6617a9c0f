#include "ui/TerminationSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace kestrum {

namespace {

// The write end that the signal handler, which may do almost nothing, pokes.
int signalWriteFd = -1;

void onTerminationSignal(int) {
    const char byte = 1;
    if (signalWriteFd >= 0)
        (void)!::write(signalWriteFd, &byte, 1);
}

int readFd = -1;

} // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return;
    readFd = fds[0];
    signalWriteFd = fds[1];
    notifier_ = new QSocketNotifier(readFd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char byte;
        (void)!::read(readFd, &byte, 1);
        onSignal_();
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    if (signalWriteFd >= 0) {
        ::close(signalWriteFd);
        ::close(readFd);
        signalWriteFd = readFd = -1;
    }
}

} // namespace kestrum
