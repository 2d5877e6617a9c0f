#include "audio/Volume.h"

#include <algorithm>

namespace kestrum {

Volume Volume::ofBar(int barPosition) {
    return Volume(std::clamp(barPosition, 0, kSteps));
}

int Volume::percent() const {
    return level() * 100 / kSteps;
}

std::uint32_t Volume::deviceWord() const {
    const auto channel = static_cast<std::uint32_t>(level() * 2048 - (level() != 0 ? 1 : 0));
    return channel | (channel << 16);
}

void Volume::apply(std::uint8_t* bytes, std::size_t count, const WaveFormat& format) const {
    const std::uint32_t word = deviceWord();
    const int left = static_cast<int>(word & 0xFFFFu);
    const int right = static_cast<int>(word >> 16);
    if (left == 0xFFFF && right == 0xFFFF)
        return;
    const unsigned channels = std::max<unsigned>(1, format.channels);
    if (format.bitsPerSample == 8) {
        for (std::size_t i = 0; i < count; ++i) {
            const int level = i % channels == 1 ? right : left;
            bytes[i] = static_cast<std::uint8_t>(128 + (static_cast<int>(bytes[i]) - 128) * level / 0xFFFF);
        }
        return;
    }
    for (std::size_t i = 0; i + 1 < count; i += 2) {
        const int level = (i / 2) % channels == 1 ? right : left;
        const auto sample = static_cast<std::int16_t>(bytes[i] | (bytes[i + 1] << 8));
        const auto scaled = static_cast<std::uint16_t>(static_cast<std::int16_t>(sample * level / 0xFFFF));
        bytes[i] = static_cast<std::uint8_t>(scaled & 0xFF);
        bytes[i + 1] = static_cast<std::uint8_t>(scaled >> 8);
    }
}

} // namespace kestrum
