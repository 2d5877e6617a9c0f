#include "platform/LockFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrum {

LockFile::Result LockFile::acquire(const std::string& path, const std::string& line) {
    release();
    // A holder may remove the file between our open and our lock; then we hold a lock on a file
    // that no longer has the name, and must try again on the one that does.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0)
            return Result::OpenFailed;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return errno == EWOULDBLOCK ? Result::InUse : Result::OpenFailed;
        }
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) != 0 || ::lstat(path.c_str(), &named) != 0 ||
            opened.st_ino != named.st_ino || opened.st_dev != named.st_dev) {
            ::close(fd);
            continue;
        }
        // Whatever a stale file held is gone; the line is this run's.
        if (::ftruncate(fd, 0) != 0 ||
            ::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
            ::unlink(path.c_str());
            ::close(fd);
            return Result::WriteFailed;
        }
        fd_ = fd;
        path_ = path;
        return Result::Held;
    }
    return Result::InUse;
}

void LockFile::release() {
    if (fd_ < 0)
        return;
    // Remove the name while still holding the lock, so nobody takes over a file about to vanish;
    // but only while the name is still this lock's: once it was removed underneath, another
    // player may have made and locked a new file under it, and that lock must stay.
    struct stat held {};
    struct stat named {};
    if (::fstat(fd_, &held) == 0 && ::lstat(path_.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
        held.st_dev == named.st_dev)
        ::unlink(path_.c_str());
    ::close(fd_);
    fd_ = -1;
    path_.clear();
}

} // namespace kestrum
