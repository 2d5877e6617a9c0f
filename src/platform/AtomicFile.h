#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

namespace kestrum {

// A new file being written to take the place of `path`: a temporary sibling, made new for this
// user alone (O_CREAT | O_EXCL, mode 0600, so never opened through a link), which commit()
// flushes to disk and renames over the target. Until then the target is untouched; a file not
// committed is removed (discard(), or when this object goes), so a failed or interrupted write
// never leaves a partial file behind.
class ReplacementFile {
  public:
    ReplacementFile() = default;
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    ~ReplacementFile() { discard(); }

    // Makes the temporary sibling of `path`. False with errno set when it cannot be made.
    bool open(const std::string& path);
    bool isOpen() const { return fd_ >= 0; }
    // The temporary file, open for reading and writing.
    int descriptor() const { return fd_; }
    // Flushes the file, closes it and renames it over the target. False when any step failed;
    // the temporary file is then removed and the target is as it was.
    bool commit();
    // Closes and removes the temporary file, unless it was committed.
    void discard();

  private:
    int fd_ = -1;
    std::string target_;
    std::string temporary_;
};

enum class ReplaceResult { Replaced, OpenFailed, WriteFailed };

// Replaces the file at `path` with `bytes` through a ReplacementFile, so the path always holds
// either the old or the whole new file.
ReplaceResult replaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes);
// The same with the new contents given in pieces, written one after the other: a large body need
// not be copied behind its header first.
ReplaceResult replaceFileContents(const std::string& path,
                                  std::initializer_list<std::span<const std::uint8_t>> pieces);

} // namespace kestrum
