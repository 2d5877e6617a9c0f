#include "support/VirtualDisplay.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace kestrum::test {

VirtualDisplay::VirtualDisplay() {
    int numberPipe[2];
    if (::pipe(numberPipe) != 0)
        return;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::close(numberPipe[0]);
        const int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, STDIN_FILENO);
        ::dup2(devNull, STDOUT_FILENO);
        ::dup2(devNull, STDERR_FILENO);
        const std::string fd = std::to_string(numberPipe[1]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(numberPipe[1]);
    // The server writes its display number once it accepts clients.
    std::string number;
    pollfd ready{numberPipe[0], POLLIN, 0};
    while (pid_ > 0 && ::poll(&ready, 1, 10000) > 0) {
        char c = 0;
        if (::read(numberPipe[0], &c, 1) != 1 || c == '\n')
            break;
        number += c;
    }
    ::close(numberPipe[0]);
    if (!number.empty())
        name_ = ":" + number;
}

VirtualDisplay::~VirtualDisplay() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
}

} // namespace kestrum::test
