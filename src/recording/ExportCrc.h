#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kestrum {

// The checksum of the export header's three sections: the reflected CRC-32 (polynomial
// 0xEDB88320) started at 0 with no final inversion. Continue a running value by passing it back.
std::uint32_t exportCrc(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

} // namespace kestrum
