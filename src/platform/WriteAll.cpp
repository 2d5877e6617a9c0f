#include "platform/WriteAll.h"

#include <cerrno>
#include <unistd.h>

namespace kestrum {

bool writeAll(int fd, const void* bytes, std::size_t size) {
    const char* data = static_cast<const char*>(bytes);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace kestrum
