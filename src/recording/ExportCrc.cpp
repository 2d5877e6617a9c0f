#include "recording/ExportCrc.h"

#include <zlib.h>

#include <algorithm>

namespace kestrum {

// zlib's CRC-32 is the same reflected polynomial with the value inverted on the way in and out;
// inverting around it gives the running value that starts at 0 with no final inversion.
std::uint32_t exportCrc(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
    uLong value = ~crc & 0xFFFFFFFFu;
    while (!bytes.empty()) {
        const std::size_t piece = std::min<std::size_t>(bytes.size(), 1u << 30);
        value = ::crc32(value, bytes.data(), static_cast<uInt>(piece));
        bytes = bytes.subspan(piece);
    }
    return ~static_cast<std::uint32_t>(value);
}

} // namespace kestrum
