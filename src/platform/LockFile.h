#pragma once

#include "platform/PrivateDirectory.h"

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

    // Takes the lock on the file `name` in `folder` and writes `line` into it. The lock keeps a
    // descriptor of the folder of its own: the file is made, checked and removed in that folder,
    // even when it was renamed and another put in its place meanwhile.
    Result acquire(const PrivateDirectory& folder, const std::string& name, const std::string& line);
    // Removes the file and lets go of the lock; nothing when not held.
    void release();
    bool held() const { return fd_ >= 0; }

  private:
    // Whether `name` in the folder is still the file this descriptor holds.
    bool stillNamed(int fd) const;

    int fd_ = -1;
    int folder_ = -1;
    std::string name_;
};

} // namespace kestrum
