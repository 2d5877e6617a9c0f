#pragma once

#include <cstdint>

struct stat;

namespace kestrum {

// What tells one version of a file from another without reading it: its size, its modification
// and change times, and which file it is (device and inode). A copy that keeps the size and the
// modification time (cp -p, rsync -t, an archive unpacked) is still another file or a later
// change: a new inode or a new change time, which no program can set back.
struct FileStamp {
    std::int64_t size = 0;
    std::int64_t modified = 0; // nanoseconds since the epoch
    std::int64_t changed = 0;  // nanoseconds since the epoch
    std::int64_t device = 0;   // the bits of dev_t and ino_t, as SQLite keeps 64-bit integers
    std::int64_t inode = 0;

    bool operator==(const FileStamp&) const = default;
};

FileStamp fileStampOf(const struct stat& info);

} // namespace kestrum
