#include "ui/TerminationSignals.h"

#include "ui/QtMessenger.h"

#include <QSocketNotifier>

#include <array>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace kestrum {

namespace {

constexpr std::array<int, 3> kTerminationSignals = {SIGTERM, SIGINT, SIGHUP};

// The write end that the signal handler, which may do almost nothing, pokes.
int signalWriteFd = -1;
volatile std::sig_atomic_t signalled = 0;

void onTerminationSignal(int) {
    signalled = 1;
    const char byte = 1;
    if (signalWriteFd >= 0)
        (void)!::write(signalWriteFd, &byte, 1);
}

int readFd = -1;

} // namespace

bool terminationRequested() {
    return signalled != 0;
}

TerminationSignals::TerminationSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    // A run's request is its own: one that ended an earlier run in this process is not this one's.
    signalled = 0;
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return;
    readFd = fds[0];
    signalWriteFd = fds[1];
    notifier_ = new QSocketNotifier(readFd, QSocketNotifier::Read, this);
    // Runs in whichever event loop is running: the windows', or a message box's own.
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char byte;
        (void)!::read(readFd, &byte, 1);
        endOpenMessages();
        onSignal_();
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kTerminationSignals) {
        // A signal the caller had ignored (nohup, a background job) stays ignored.
        struct sigaction current {};
        if (::sigaction(number, nullptr, &current) != 0 || current.sa_handler == SIG_IGN)
            continue;
        ::sigaction(number, &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals() {
    for (const int number : kTerminationSignals) {
        struct sigaction current {};
        if (::sigaction(number, nullptr, &current) == 0 && current.sa_handler == onTerminationSignal)
            ::signal(number, SIG_DFL);
    }
    if (signalWriteFd >= 0) {
        ::close(signalWriteFd);
        ::close(readFd);
        signalWriteFd = readFd = -1;
    }
}

} // namespace kestrum
