#include "audio/Speed.h"

#include <array>
#include <cmath>

namespace kestrum {

namespace {

// By the control's position.
constexpr std::array<double, Speed::kCount> kFactors = {0.75, 0.875, 1.0, 1.25, 1.5};
constexpr std::array<int, Speed::kCount> kDeviceCodes = {1, 4, 0, 2, 3};

} // namespace

std::optional<Speed> Speed::ofPosition(int position) {
    if (position < 0 || position >= kCount)
        return std::nullopt;
    return Speed(position);
}

std::optional<Speed> Speed::ofFactor(double factor) {
    for (int position = 0; position < kCount; ++position)
        if (std::abs(factor - kFactors[static_cast<std::size_t>(position)]) <= 0.005 + 1e-9)
            return Speed(position);
    return std::nullopt;
}

double Speed::factor() const {
    return kFactors[static_cast<std::size_t>(position_)];
}

int Speed::deviceSpeedCode() const {
    return kDeviceCodes[static_cast<std::size_t>(position_)];
}

WaveFormat Speed::deviceFormat(const WaveFormat& format) const {
    return scaledFormat(format, deviceSpeedCode());
}

WaveFormat scaledFormat(const WaveFormat& format, int speedCode) {
    WaveFormat scaled = format;
    const auto scale = [speedCode](std::uint32_t rate) -> std::uint32_t {
        switch (speedCode) {
        case 1:
            return (rate / 4) * 3;
        case 2:
            return (rate / 4) * 5;
        case 3:
            return (rate / 4) * 6;
        case 4:
            return (rate / 8) * 7;
        default:
            return rate;
        }
    };
    scaled.samplesPerSec = scale(format.samplesPerSec);
    scaled.avgBytesPerSec = scale(format.avgBytesPerSec);
    return scaled;
}

} // namespace kestrum
