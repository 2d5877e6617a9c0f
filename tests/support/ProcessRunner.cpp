#include "support/ProcessRunner.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kestrum::test {

namespace {

// In a forked child: the program with its output on `out` and `err`, no input, and the options'
// directory and environment. Never returns.
[[noreturn]] void execInChild(const std::string& program, const std::vector<std::string>& arguments,
                              const ProcessOptions& options, int out, int err) {
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    ::dup2(::open("/dev/null", O_RDONLY), STDIN_FILENO);
    if (!options.workingDirectory.empty() && ::chdir(options.workingDirectory.c_str()) != 0)
        ::_exit(127);
    for (const std::string& name : options.unsetEnv)
        ::unsetenv(name.c_str());
    for (const auto& [name, value] : options.env)
        ::setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

} // namespace

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const ProcessOptions& options) {
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        execInChild(program, arguments, options, outPipe[1], errPipe[1]);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);

    ProcessResult result;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.timeoutSeconds);
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ::kill(child, SIGKILL);
            break;
        }
        if (::poll(fds, 2, static_cast<int>(left.count())) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buffer[4096];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (const pollfd& fd : fds)
        if (fd.fd >= 0)
            ::close(fd.fd);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace kestrum::test

namespace kestrum::test {

namespace {

std::string temporaryPath(const char* what) {
    std::string pattern = std::string("/tmp/kestrum-") + what + "-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd >= 0)
        ::close(fd);
    return pattern;
}

std::string fileText(const std::string& path) {
    std::string text;
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return text;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    return text;
}

} // namespace

RunningProcess::RunningProcess(const std::string& program, const std::vector<std::string>& arguments,
                               const ProcessOptions& options)
    : outPath_(temporaryPath("out")), errPath_(temporaryPath("err")) {
    pid_ = ::fork();
    if (pid_ != 0)
        return;
    execInChild(program, arguments, options, ::open(outPath_.c_str(), O_WRONLY | O_TRUNC),
                ::open(errPath_.c_str(), O_WRONLY | O_TRUNC));
}

RunningProcess::~RunningProcess() {
    if (!ended_ && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status_, 0);
    }
    ::unlink(outPath_.c_str());
    ::unlink(errPath_.c_str());
}

void RunningProcess::signal(int number) {
    if (!ended_ && pid_ > 0)
        ::kill(pid_, number);
}

bool RunningProcess::running() {
    if (ended_ || pid_ <= 0)
        return false;
    if (::waitpid(pid_, &status_, WNOHANG) == pid_)
        ended_ = true;
    return !ended_;
}

std::string RunningProcess::errorSoFar() const {
    return fileText(errPath_);
}

ProcessResult RunningProcess::wait(int timeoutSeconds) {
    if (!waitUntil([this] { return !running(); }, timeoutSeconds)) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status_, 0);
        ended_ = true;
    }
    ProcessResult result;
    result.exitCode = WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
    result.out = fileText(outPath_);
    result.err = fileText(errPath_);
    return result;
}

bool waitUntil(const std::function<bool()>& condition, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        ::usleep(20000); // polls: what is waited for (a file, a window, a process) sends no signal
    }
    return true;
}

} // namespace kestrum::test
