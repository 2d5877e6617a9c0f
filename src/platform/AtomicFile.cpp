#include "platform/AtomicFile.h"

#include "platform/WriteAll.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kestrum {

namespace {

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool ReplacementFile::open(const std::string& path) {
    discard();
    std::string pattern = path + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // mkostemp makes the file new (O_CREAT | O_EXCL: a link in its place is not followed), 0600.
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    fd_ = fd;
    target_ = path;
    temporary_ = name.data();
    return true;
}

bool ReplacementFile::commit() {
    if (fd_ < 0)
        return false;
    const bool flushed = ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!flushed || !closed || ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
        return false;
    }
    temporary_.clear();
    // Make the rename itself survive a crash.
    const int dir = ::open(directoryOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void ReplacementFile::discard() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
}

ReplaceResult replaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes) {
    return replaceFileContents(path, {bytes});
}

ReplaceResult replaceFileContents(const std::string& path,
                                  std::initializer_list<std::span<const std::uint8_t>> pieces) {
    ReplacementFile file;
    if (!file.open(path))
        return ReplaceResult::OpenFailed;
    for (const std::span<const std::uint8_t> piece : pieces)
        if (!writeAll(file.descriptor(), piece.data(), piece.size()))
            return ReplaceResult::WriteFailed; // the file removes its temporary sibling
    return file.commit() ? ReplaceResult::Replaced : ReplaceResult::WriteFailed;
}

} // namespace kestrum
