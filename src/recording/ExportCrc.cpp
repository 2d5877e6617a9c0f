#include "recording/ExportCrc.h"

#include <array>

namespace kestrum {

namespace {

constexpr std::array<std::uint32_t, 256> makeTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t value = n;
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 1) ? (0xEDB88320u ^ (value >> 1)) : (value >> 1);
        table[n] = value;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kTable = makeTable();

} // namespace

std::uint32_t exportCrc(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
    for (const std::uint8_t byte : bytes)
        crc = (crc >> 8) ^ kTable[(crc ^ byte) & 0xFFu];
    return crc;
}

} // namespace kestrum
