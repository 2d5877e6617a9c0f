#pragma once

#include <chrono>
#include <string>

namespace kestrum {

// One writer at a time for a file that its writers replace by renaming a new file over it (a
// recording whose comments or keywords are saved): each takes this hold before it reads the file
// for its change and keeps it until the new file has taken the name.
//
// The hold is flock(LOCK_EX) on the file itself, which holds between the programs of one machine
// and, through the lock service of NFS, between machines. A rename puts a new file under the name
// while others wait on the old one: so once locked, the name is opened again and must still lead to
// the very file locked (same device and inode); otherwise the hold goes and the new file is taken.
// Another holder is waited for at most the time given: a window never waits for ever.
class RewriteLock {
  public:
    enum class Result {
        Held,       // the file at the name is held, open in descriptor()
        Busy,       // another program held it for the whole wait
        OpenFailed, // the name holds no regular file that can be opened (errno says why)
        LockFailed, // the file system refused the lock (errno says why)
    };

    RewriteLock() = default;
    RewriteLock(const RewriteLock&) = delete;
    RewriteLock& operator=(const RewriteLock&) = delete;
    ~RewriteLock() { release(); }

    // Takes the hold on the file `name` in the open folder `folderFd`, never through a link.
    Result acquire(int folderFd, const std::string& name, std::chrono::milliseconds wait);
    // The file held, open for reading; -1 when nothing is held.
    int descriptor() const { return fd_; }
    // Lets go; nothing when nothing is held.
    void release();

  private:
    int fd_ = -1;
};

} // namespace kestrum
