#include "platform/RewriteLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kestrum {

namespace {

using Clock = std::chrono::steady_clock;

// How long a waiting writer sleeps between two tries: flock has no time limit of its own, and a
// blocking one could only be cut short by a signal, which a program with threads cannot aim.
constexpr std::chrono::milliseconds kRetryPause{10};

// The file at the name, open without following a link and without blocking on a FIFO; -1 (errno
// set) unless it is a regular file. Open for writing where the user may (NFS carries an exclusive
// flock to the server as a lock on the whole file, which needs a descriptor open for writing; none
// is written through it), else for reading, which locks as well on a local disk.
int openRegular(int folderFd, const std::string& name) {
    constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = ::openat(folderFd, name.c_str(), O_RDWR | kFlags);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM || errno == ETXTBSY))
        fd = ::openat(folderFd, name.c_str(), O_RDONLY | kFlags);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether `fd` is still the file at the name. The name is opened anew rather than looked up: an
// open makes a network file system check its cached view of the folder.
bool stillNamed(int folderFd, const std::string& name, int fd) {
    struct stat held {};
    struct stat named {};
    const int again = openRegular(folderFd, name);
    if (again < 0)
        return false;
    const bool same = ::fstat(fd, &held) == 0 && ::fstat(again, &named) == 0 && sameFile(held, named);
    ::close(again);
    return same;
}

// Waits for the exclusive lock on `fd` until `deadline`.
RewriteLock::Result lockBy(int fd, Clock::time_point deadline) {
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return RewriteLock::Result::Held;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return RewriteLock::Result::LockFailed;
        if (Clock::now() >= deadline)
            return RewriteLock::Result::Busy;
        std::this_thread::sleep_for(kRetryPause);
    }
}

} // namespace

RewriteLock::Result RewriteLock::acquire(int folderFd, const std::string& name,
                                         std::chrono::milliseconds wait) {
    release();
    const Clock::time_point deadline = Clock::now() + wait;
    for (;;) {
        const int fd = openRegular(folderFd, name);
        if (fd < 0)
            return Result::OpenFailed;
        const Result locked = lockBy(fd, deadline);
        if (locked == Result::Held && stillNamed(folderFd, name, fd)) {
            fd_ = fd;
            return Result::Held;
        }
        const int error = errno;
        ::close(fd);
        errno = error;
        if (locked != Result::Held)
            return locked;
        // The file was replaced while we waited: the new one is the one to hold.
        if (Clock::now() >= deadline) {
            errno = EWOULDBLOCK;
            return Result::Busy;
        }
    }
}

void RewriteLock::release() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

} // namespace kestrum
