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

ReplaceResult replaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes) {
    return replaceFileContents(path, {bytes});
}

ReplaceResult replaceFileContents(const std::string& path,
                                  std::initializer_list<std::span<const std::uint8_t>> pieces) {
    std::string pattern = path + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return ReplaceResult::OpenFailed; // mkstemp made it new, for this user only (0600)

    bool written = true;
    for (const std::span<const std::uint8_t> piece : pieces)
        written = written && writeAll(fd, piece.data(), piece.size());
    written = written && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(name.data(), path.c_str()) != 0) {
        ::unlink(name.data());
        return ReplaceResult::WriteFailed;
    }
    // Make the rename itself survive a crash.
    const int dir = ::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return ReplaceResult::Replaced;
}

} // namespace kestrum
