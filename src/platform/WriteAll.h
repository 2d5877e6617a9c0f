#pragma once

#include <cstddef>
#include <string_view>

namespace kestrum {

// Writes every byte to a file descriptor, retrying short writes; false on the first failure.
bool writeAll(int fd, const void* bytes, std::size_t size);
inline bool writeAll(int fd, std::string_view text) {
    return writeAll(fd, text.data(), text.size());
}

} // namespace kestrum
