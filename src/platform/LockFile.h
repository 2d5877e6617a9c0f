#pragma once

#include <string>

namespace kestrum {

// A lock file held for the whole run: the file exists and this process holds an exclusive
// flock on it. A file nobody holds is stale and is taken over; one held by a running process
// cannot be taken.
class LockFile {
  public:
    enum class Result { Held, InUse, OpenFailed, WriteFailed };

    LockFile() = default;
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;
    ~LockFile() { release(); }

    // Takes the lock at `path` and writes `line` into the file.
    Result acquire(const std::string& path, const std::string& line);
    // Removes the file and lets go of the lock; nothing when not held.
    void release();
    bool held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
    std::string path_;
};

} // namespace kestrum
