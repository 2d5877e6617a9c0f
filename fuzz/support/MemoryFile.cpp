#include "MemoryFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
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

MemoryFile::MemoryFile(Reach reach) {
    if (reach == Reach::ByName) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/kestrum-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            stop("mkdtemp");
        folder_ = pattern;
        path_ = folder_ + "/input";
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd_ < 0)
            stop("open");
        return;
    }
    fd_ = ::memfd_create("kestrum-fuzz-input", MFD_CLOEXEC);
    if (fd_ < 0)
        stop("memfd_create");
    path_ = "/proc/self/fd/" + std::to_string(fd_);
}

MemoryFile::~MemoryFile() {
    ::close(fd_);
    if (!folder_.empty()) {
        ::unlink(path_.c_str());
        ::rmdir(folder_.c_str());
    }
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
