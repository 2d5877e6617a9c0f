#pragma once

#include "platform/BinaryLayout.h"

#include <cstdint>

namespace kestrum {

// The 18-byte wave-format record: the stored audio's format in a header, and the playback format.
struct WaveFormat {
    static constexpr bool kIsRecord = true;

    std::uint16_t tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;

    template <class Self, class Visitor> static constexpr void fields(Self& f, Visitor&& v) {
        v("tag", f.tag);
        v("channels", f.channels);
        v("samplesPerSec", f.samplesPerSec);
        v("avgBytesPerSec", f.avgBytesPerSec);
        v("blockAlign", f.blockAlign);
        v("bitsPerSample", f.bitsPerSample);
        v("extraSize", f.extraSize);
    }

    bool operator==(const WaveFormat&) const = default;
};
static_assert(layout::recordSize<WaveFormat>() == 18);

inline constexpr std::uint16_t kTagPcm = 1;
inline constexpr std::uint16_t kTagTrueSpeech = 34;
inline constexpr std::uint16_t kTagMpegLayer3 = 85;

// 8-bit mono PCM at 8000 Hz: the playback format of every version that does not name its own.
inline constexpr WaveFormat kPcmDefaultFormat{kTagPcm, 1, 8000, 8000, 1, 8, 0};

} // namespace kestrum
