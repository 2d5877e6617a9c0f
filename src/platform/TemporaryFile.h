#pragma once

#include <cstdio>
#include <string>
#include <sys/types.h>

namespace kestrum {

// A file written whole before it takes its target's name, the one way the player replaces a file
// (a rewritten recording, a stamped copy, the init and settings files, a WAV file):
//  1. created new beside the target under a name of its own ("<target>.part" and six letters), never
//     through a link (O_CREAT | O_EXCL | O_NOFOLLOW), private (0600) until its writer gives it other
//     permissions; nothing that holds a name already is removed or written;
//  2. written through its stream, then flushed and synced to disk (a full disk shows there);
//  3. read back by its writer through a fresh descriptor, to check it before it counts;
//  4. renamed over the target in one step, and the folder synced, so the rename survives a crash.
// One that does not get that far is removed when it goes: the target stays as it was.
class TemporaryFile {
  public:
    // In the folder of `targetPath`, under a new name of its own made from the target's.
    static TemporaryFile beside(const std::string& targetPath);
    // The same inside an open folder: `targetName` is a name in it, `folderPath` its path for
    // messages.
    static TemporaryFile inFolder(int folderFd, const std::string& folderPath, const std::string& targetName);

    TemporaryFile(TemporaryFile&& other) noexcept;
    TemporaryFile& operator=(TemporaryFile&&) = delete;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile();

    // False when the file could not be made (errno says why).
    bool isOpen() const { return stream_ != nullptr; }
    // Its own path, for messages; when it could not be made, the form of its name
    // ("<target>.partXXXXXX").
    std::string path() const;
    // Open for writing and reading back, positioned at the start.
    std::FILE* stream() const { return stream_; }
    // The permissions it takes (it is 0600 until then).
    void setMode(mode_t mode);
    // Flushes, syncs and closes the stream; false when any of that failed.
    bool finishWriting();
    // A new stream reading what was written, from the start, for the caller to close; null on
    // failure.
    std::FILE* openForReading() const;
    // Renames it over the target and syncs the folder; false when the rename failed.
    bool replaceTarget();
    // Gives it the target's name only while nothing holds that name (not even a link), and syncs
    // the folder; false with errno EEXIST when something does, or when the rename failed.
    bool takeFreeName();

  private:
    TemporaryFile(int folder, std::string folderPath, std::string targetName);
    bool create();
    bool rename(unsigned flags);

    int folder_ = -1; // owned
    std::string folderPath_;
    std::string targetName_;
    std::string name_;
    std::FILE* stream_ = nullptr;
    bool placed_ = false;
};

} // namespace kestrum
