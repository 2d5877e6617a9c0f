#pragma once

#include <dirent.h>
#include <string>
#include <sys/types.h>

namespace kestrum {

// A directory that belongs to this user alone, held open for the work done in it.
//
// The player keeps recorded calls in directories at predictable places (the export list in the
// shared temporary directory, the per-user directory in a working directory others may share).
// Another local user may have been there first: made the directory, or a link in its place. So a
// directory is used only when it is a real directory (not a link), owned by this user, and not
// writable by group or others; a new one is made with mode 0700. Everything inside it is done
// relative to the open descriptor, so the directory cannot be swapped for another underneath,
// and files are always created new, never opened through a link.
class PrivateDirectory {
  public:
    enum class Status {
        Opened,       // it existed and is safe to use
        Created,      // it was made now
        CreateFailed, // nothing had the name and it could not be made (errno says why)
        Refused,      // something has the name that is not safe to use (`refusal` says what)
    };

    PrivateDirectory() = default;
    PrivateDirectory(PrivateDirectory&& other) noexcept;
    PrivateDirectory& operator=(PrivateDirectory&& other) noexcept;
    PrivateDirectory(const PrivateDirectory&) = delete;
    PrivateDirectory& operator=(const PrivateDirectory&) = delete;
    ~PrivateDirectory() { close(); }

    // Opens the directory at `path`, making it (0700) when nothing has the name.
    Status open(const std::string& path);
    // Opens or makes the directory `name` inside this one, by the same rules.
    Status openSubdirectory(const std::string& name, PrivateDirectory& subdirectory) const;
    void close();

    bool isOpen() const { return fd_ >= 0; }
    int descriptor() const { return fd_; }
    const std::string& path() const { return path_; }
    // What made the last open refuse the directory, as words that complete "it ..." sentences:
    // "is a symbolic link", "belongs to another user", "can be written by other users".
    const std::string& refusal() const { return refusal_; }
    // The path of an entry, for messages and for programs started on it.
    std::string pathOf(const std::string& name) const;

    // Whether `name` is a regular file here; a link, even to a file, is not.
    bool holdsFile(const std::string& name) const;
    // Creates `name` as a new file with `mode` (O_EXCL | O_NOFOLLOW). Whatever has the name now
    // (a file, or a link, which is removed and not followed) is removed first; a directory
    // stays and makes the call fail. A writable descriptor, or -1 with errno set.
    int createFile(const std::string& name, mode_t mode) const;
    // Removes the entry `name` unless it is a directory; a link is removed, never followed.
    bool remove(const std::string& name) const;
    // A listing of the entries, from the first (close it with closedir), or null.
    DIR* openListing() const;
    // Opens the regular file `name` for reading (see openRegularFileForReading).
    int openForReading(const std::string& name) const;

  private:
    // Checks the open descriptor; false with `refusal_` set when it is not safe.
    bool checkOwnership();
    Status openAt(int parent, const std::string& name, const std::string& path);

    int fd_ = -1;
    std::string path_;
    std::string refusal_;
};

// Opens the file `name` in the open folder `folder` (AT_FDCWD: `name` is a path) for reading: never
// through a link, and only a regular file (a FIFO planted in a shared folder would block the
// reader, a device would never end; see openRegularFile). A descriptor, or -1 with errno set.
int openRegularFileForReading(int folder, const std::string& name);

} // namespace kestrum
