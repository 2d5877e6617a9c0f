#include "platform/RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrum {

namespace {

// Closes `fd` and returns -1 with errno `error`.
int refuse(int fd, int error) {
    ::close(fd);
    errno = error;
    return -1;
}

} // namespace

int openRegularFile(int folder, const std::string& name, LinkRule links, mode_t* otherType) {
    const int flags =
        O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (links == LinkRule::Refuse ? O_NOFOLLOW : 0);
    const int fd = ::openat(folder, name.c_str(), flags);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return refuse(fd, errno);
    if (!S_ISREG(info.st_mode)) {
        if (otherType != nullptr)
            *otherType = info.st_mode & S_IFMT;
        return refuse(fd, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    }
    // A regular file: its reads wait for the disk as every reader expects.
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        return refuse(fd, errno);
    return fd;
}

const char* fileTypeName(mode_t type) {
    switch (type & S_IFMT) {
    case S_IFREG:
        return "a regular file";
    case S_IFDIR:
        return "a directory";
    case S_IFIFO:
        return "a FIFO (named pipe)";
    case S_IFCHR:
        return "a character device";
    case S_IFBLK:
        return "a block device";
    case S_IFSOCK:
        return "a socket";
    case S_IFLNK:
        return "a symbolic link";
    default:
        return "a file of another kind";
    }
}

} // namespace kestrum
