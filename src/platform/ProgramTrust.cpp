#include "platform/ProgramTrust.h"

#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace kestrum {

namespace {

// A descriptor closed when it goes out of scope, unless released.
class OpenDescriptor {
  public:
    explicit OpenDescriptor(int fd) : fd_(fd) {}
    ~OpenDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    OpenDescriptor(const OpenDescriptor&) = delete;
    OpenDescriptor& operator=(const OpenDescriptor&) = delete;

    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

std::string joinPath(const std::string& directory, const std::string& name) {
    return !directory.empty() && directory.back() == '/' ? directory + name : directory + "/" + name;
}

bool sameFile(const struct stat& one, const struct stat& other) {
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// Where a link from a place that follows links led: the folder really holding the open `file`
// (`info` its status), found from the file's own path and confirmed to hold that very file, is
// checked by the rule too. Empty when it passes, else why not ("it leads into ..., which ...").
std::string distrustOfFolderLedTo(int file, const struct stat& info) {
    std::vector<char> buffer(4096);
    const ssize_t length = ::readlink(descriptorPath(file).c_str(), buffer.data(), buffer.size() - 1);
    const std::string real = length > 0 ? std::string(buffer.data(), static_cast<std::size_t>(length)) : "";
    const std::size_t slash = real.rfind('/');
    if (slash == std::string::npos)
        return "cannot be examined";
    const std::string folderPath = slash == 0 ? "/" : real.substr(0, slash);
    const OpenDescriptor folder(::open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat folderInfo {};
    struct stat held {};
    if (folder.get() < 0 || ::fstat(folder.get(), &folderInfo) != 0 ||
        ::fstatat(folder.get(), real.c_str() + slash + 1, &held, AT_SYMLINK_NOFOLLOW) != 0 ||
        !sameFile(held, info))
        return "cannot be examined";
    const std::string why = distrustOf(folderInfo);
    return why.empty() ? why : "leads into " + folderPath + ", which " + why;
}

// Why the program open as `file` (`info` its status) in the folder `folderInfo` describes may not
// be used, as words after "<path>: "; empty when it may.
std::string distrustOfProgram(int file, const struct stat& info, const struct stat& folderInfo,
                              LinkRule links) {
    std::string why = distrustOf(info);
    if (!why.empty())
        return "it " + why;
    why = distrustOf(folderInfo);
    if (!why.empty())
        return "its folder " + why;
    if (links == LinkRule::Follow) {
        why = distrustOfFolderLedTo(file, info);
        if (!why.empty())
            return "it " + why;
    }
    return {};
}

// Hands the checked, path-only descriptor over for its use: as it is to start (when executable),
// reopened for reading to copy. Reopening through the descriptor reaches the same file.
ProgramCheck readyForUse(OpenDescriptor& file, HelperUse use, int& fd) {
    if (use == HelperUse::Start) {
        if (::access(descriptorPath(file.get()).c_str(), X_OK) != 0)
            return ProgramCheck::Absent;
        fd = file.release();
        return ProgramCheck::Trusted;
    }
    fd = ::open(descriptorPath(file.get()).c_str(), O_RDONLY | O_CLOEXEC);
    return fd >= 0 ? ProgramCheck::Trusted : ProgramCheck::Absent;
}

} // namespace

std::string distrustOf(const struct stat& info) {
    if (S_ISLNK(info.st_mode))
        return "is a symbolic link";
    if (info.st_uid != ::geteuid() && info.st_uid != 0)
        return "belongs to another user";
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return "can be written by other users";
    return {};
}

std::string descriptorPath(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

ProgramCheck openTrustedProgram(const std::string& directory, const std::string& name, HelperUse use,
                                LinkRule links, int& fd, std::string& refusal) {
    fd = -1;
    refusal.clear();
    const std::string path = joinPath(directory, name);
    // Path-only descriptors: nothing is read or run before the checks, and a link in a place that
    // takes none is opened as the link itself, to be seen and refused.
    const int flags = O_PATH | O_CLOEXEC | (links == LinkRule::Refuse ? O_NOFOLLOW : 0);
    const OpenDescriptor folder(::open(directory.c_str(), flags));
    struct stat folderInfo {};
    if (folder.get() < 0 || ::fstat(folder.get(), &folderInfo) != 0)
        return ProgramCheck::Absent;
    if (S_ISLNK(folderInfo.st_mode)) {
        // Said only when it leads to a file of that name.
        struct stat target {};
        if (::stat(path.c_str(), &target) != 0)
            return ProgramCheck::Absent;
        refusal = path + ": its folder is a symbolic link";
        return ProgramCheck::Refused;
    }
    OpenDescriptor file(S_ISDIR(folderInfo.st_mode) ? ::openat(folder.get(), name.c_str(), flags) : -1);
    struct stat info {};
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0 ||
        !(S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)))
        return ProgramCheck::Absent;
    const std::string why = distrustOfProgram(file.get(), info, folderInfo, links);
    if (!why.empty()) {
        refusal = path + ": " + why;
        return ProgramCheck::Refused;
    }
    return readyForUse(file, use, fd);
}

} // namespace kestrum
