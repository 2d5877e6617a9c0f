#include "platform/LockFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrum {

LockFile::Result LockFile::acquire(const PrivateDirectory& folder, const std::string& name,
                                   const std::string& line) {
    release();
    folder_ = folder.isOpen() ? ::fcntl(folder.descriptor(), F_DUPFD_CLOEXEC, 0) : -1;
    name_ = name;
    // A holder may remove the file between our open and our lock; then we hold a lock on a file
    // that no longer has the name, and must try again on the one that does.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int fd = ::openat(folder_, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            release();
            return Result::OpenFailed;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int lockError = errno;
            ::close(fd);
            release();
            return lockError == EWOULDBLOCK ? Result::InUse : Result::OpenFailed;
        }
        if (!stillNamed(fd)) {
            ::close(fd);
            continue;
        }
        // Whatever a stale file held is gone; the line is this run's.
        if (::ftruncate(fd, 0) != 0 ||
            ::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
            ::unlinkat(folder_, name.c_str(), 0);
            ::close(fd);
            release();
            return Result::WriteFailed;
        }
        fd_ = fd;
        return Result::Held;
    }
    release();
    return Result::InUse;
}

bool LockFile::stillNamed(int fd) const {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::fstatat(folder_, name_.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           opened.st_ino == named.st_ino && opened.st_dev == named.st_dev;
}

void LockFile::release() {
    // Remove the name while still holding the lock, so nobody takes over a file about to vanish;
    // but only while the name is still this lock's: once it was removed underneath, another
    // player may have made and locked a new file under it, and that lock must stay.
    if (fd_ >= 0 && stillNamed(fd_))
        ::unlinkat(folder_, name_.c_str(), 0);
    if (fd_ >= 0)
        ::close(fd_);
    if (folder_ >= 0)
        ::close(folder_);
    fd_ = -1;
    folder_ = -1;
    name_.clear();
}

} // namespace kestrum
