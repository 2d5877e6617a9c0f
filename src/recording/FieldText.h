#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <string>

namespace kestrum {

// The text of a fixed-size character field: its bytes up to the first NUL, never past the field.
template <std::size_t N> std::string fieldText(const std::array<char, N>& field) {
    const void* end = std::memchr(field.data(), '\0', N);
    const std::size_t length =
        end ? static_cast<std::size_t>(static_cast<const char*>(end) - field.data()) : N;
    return std::string(field.data(), length);
}

// Stores text into a field: cut to N - 1 characters, NUL-terminated, the rest of the field zeroed.
template <std::size_t N> void setFieldText(std::array<char, N>& field, const std::string& text) {
    field.fill('\0');
    std::memcpy(field.data(), text.data(), std::min(text.size(), N - 1));
}

// Copies a string field into another of any size: up to the source's terminator, cut to fit the
// destination with its terminator. Bytes of the destination after the copied text are zeroed.
template <std::size_t To, std::size_t From>
void copyFieldText(std::array<char, To>& to, const std::array<char, From>& from) {
    setFieldText(to, fieldText(from));
}

// A recording id holds only ASCII letters and digits: the first other character among the first
// `maxChars` becomes the terminator.
template <std::size_t N> void cutRid(std::array<char, N>& rid, std::size_t maxChars) {
    for (std::size_t i = 0; i < maxChars && i < N; ++i) {
        const char c = rid[i];
        const bool letterOrDigit = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!letterOrDigit) {
            rid[i] = '\0';
            return;
        }
    }
}

} // namespace kestrum
