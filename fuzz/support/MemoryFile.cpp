#include "MemoryFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

namespace kestrum::fuzz {

namespace {

// A fuzzer that cannot write its input would silently test nothing: stop at once instead.
[[noreturn]] void stop(const char* what) {
    std::perror(what);
    std::abort();
}

} // namespace

MemoryFile::MemoryFile() {
    fd_ = ::memfd_create("kestrum-fuzz-input", MFD_CLOEXEC);
    if (fd_ < 0)
        stop("memfd_create");
    path_ = "/proc/self/fd/" + std::to_string(fd_);
}

MemoryFile::~MemoryFile() {
    ::close(fd_);
}

void MemoryFile::write(std::span<const std::uint8_t> bytes) {
    if (::ftruncate(fd_, 0) != 0)
        stop("ftruncate");
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote =
            ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            stop("pwrite");
        done += static_cast<std::size_t>(wrote);
    }
}

} // namespace kestrum::fuzz
