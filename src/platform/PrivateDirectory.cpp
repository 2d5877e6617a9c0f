#include "platform/PrivateDirectory.h"

#include "platform/RegularFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrum {

namespace {

constexpr int kNewFileFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;

// A path without trailing slashes: "dir/" names the directory a link "dir" points to.
std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

PrivateDirectory::PrivateDirectory(PrivateDirectory&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)), refusal_(std::move(other.refusal_)) {
    other.fd_ = -1;
}

PrivateDirectory& PrivateDirectory::operator=(PrivateDirectory&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        refusal_ = std::move(other.refusal_);
        other.fd_ = -1;
    }
    return *this;
}

void PrivateDirectory::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

PrivateDirectory::Status PrivateDirectory::open(const std::string& path) {
    const std::string name = withoutTrailingSlashes(path);
    return openAt(AT_FDCWD, name, name);
}

PrivateDirectory::Status PrivateDirectory::openSubdirectory(const std::string& name,
                                                            PrivateDirectory& subdirectory) const {
    return subdirectory.openAt(fd_, name, pathOf(name));
}

PrivateDirectory::Status PrivateDirectory::openAt(int parent, const std::string& name,
                                                  const std::string& path) {
    close();
    path_ = path;
    refusal_.clear();
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    bool created = false;
    fd_ = ::openat(parent, name.c_str(), flags);
    if (fd_ < 0 && errno == ENOENT) {
        created = ::mkdirat(parent, name.c_str(), 0700) == 0;
        // Someone may have made it in between; then it is checked like any existing one.
        if (!created && errno != EEXIST)
            return Status::CreateFailed;
        fd_ = ::openat(parent, name.c_str(), flags);
    }
    if (fd_ < 0) {
        const int openError = errno;
        struct stat info {};
        if (::fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            errno = openError;
            return Status::CreateFailed;
        }
        refusal_ = S_ISLNK(info.st_mode) ? "is a symbolic link"
                   : !S_ISDIR(info.st_mode)
                       ? "is not a directory"
                       : std::string("cannot be opened (") + std::strerror(openError) + ")";
        return Status::Refused;
    }
    if (!checkOwnership()) {
        close();
        return Status::Refused;
    }
    return created ? Status::Created : Status::Opened;
}

bool PrivateDirectory::checkOwnership() {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        refusal_ = std::string("cannot be examined (") + std::strerror(errno) + ")";
        return false;
    }
    if (info.st_uid != ::geteuid())
        refusal_ = "belongs to another user";
    else if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        refusal_ = "can be written by other users";
    return refusal_.empty();
}

std::string PrivateDirectory::pathOf(const std::string& name) const {
    if (!path_.empty() && path_.back() == '/')
        return path_ + name;
    return path_ + "/" + name;
}

bool PrivateDirectory::holdsFile(const std::string& name) const {
    struct stat info {};
    return ::fstatat(fd_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode);
}

int PrivateDirectory::createFile(const std::string& name, mode_t mode) const {
    // A directory (or an entry this user may not remove) keeps the name, and creating fails.
    ::unlinkat(fd_, name.c_str(), 0);
    return ::openat(fd_, name.c_str(), kNewFileFlags, mode);
}

bool PrivateDirectory::remove(const std::string& name) const {
    return ::unlinkat(fd_, name.c_str(), 0) == 0;
}

DIR* PrivateDirectory::openListing() const {
    // A descriptor of its own, so reading the listing does not move this one.
    const int fd = ::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* listing = fd < 0 ? nullptr : ::fdopendir(fd);
    if (listing == nullptr && fd >= 0)
        ::close(fd);
    return listing;
}

int PrivateDirectory::openForReading(const std::string& name) const {
    return openRegularFileForReading(fd_, name);
}

int openRegularFileForReading(int folder, const std::string& name) {
    return openRegularFile(folder, name, LinkRule::Refuse);
}

} // namespace kestrum
