#include "catalogue/FolderWalk.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kestrum {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool isRecordingName(const std::string& name) {
    return name.size() > 4 && ::strcasecmp(name.c_str() + name.size() - 4, ".zoq") == 0;
}

std::string joined(const std::string& folder, const std::string& name) {
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The names in a folder, in order; the descriptor stays open for the caller. False (errno says why)
// when the folder could not be read to its end: readdir's null means the end only while errno
// stays 0.
bool listNames(int fd, std::vector<std::string>& names) {
    const int own = ::dup(fd); // closedir closes the descriptor it was given
    DIR* listing = own < 0 ? nullptr : ::fdopendir(own);
    if (listing == nullptr) {
        if (own >= 0)
            ::close(own);
        return false;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(listing);
        if (entry == nullptr)
            break;
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    const int error = errno;
    ::closedir(listing);
    if (error != 0) {
        errno = error;
        return false;
    }
    std::sort(names.begin(), names.end());
    return true;
}

class Walk {
  public:
    Walk(const std::function<bool(const FoundRecording&)>& found,
         const std::function<void(const std::string&, int)>& unreadable)
        : found_(found), unreadable_(unreadable) {}

    // False once `found` asked to stop.
    bool folder(int fd, const std::string& path) {
        std::vector<std::string> names;
        if (!listNames(fd, names)) {
            unreadable_(path, errno);
            return true;
        }
        return entries(fd, path, names);
    }

    // The entries of a folder that was listed. One that cannot be looked at, though it is there
    // (a folder that may be listed but not searched), leaves the rest of the folder unknown.
    bool entries(int fd, const std::string& path, const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            struct stat info {};
            if (::fstatat(fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno == ENOENT)
                    continue; // gone since the listing
                unreadable_(path, errno);
                return true;
            }
            const std::string child = joined(path, name);
            if (S_ISDIR(info.st_mode)) {
                const int childFd = ::openat(fd, name.c_str(), kFolderFlags);
                if (childFd < 0) {
                    unreadable_(child, errno);
                    continue;
                }
                const bool goOn = folder(childFd, child);
                ::close(childFd);
                if (!goOn)
                    return false;
            } else if (S_ISREG(info.st_mode) && isRecordingName(name)) {
                if (!found_(FoundRecording{child, fileStampOf(info)}))
                    return false;
            }
        }
        return true;
    }

  private:
    const std::function<bool(const FoundRecording&)>& found_;
    const std::function<void(const std::string&, int)>& unreadable_;
};

} // namespace

bool walkRecordings(const std::string& root, const std::function<bool(const FoundRecording&)>& found,
                    const std::function<void(const std::string& folder, int error)>& unreadable) {
    const int fd = ::open(root.c_str(), kFolderFlags);
    if (fd < 0)
        return false;
    std::vector<std::string> names;
    if (!listNames(fd, names)) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return false;
    }
    Walk walk(found, unreadable);
    walk.entries(fd, root, names);
    ::close(fd);
    return true;
}

} // namespace kestrum
