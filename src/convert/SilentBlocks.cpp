#include "convert/SilentBlocks.h"

#include <array>

namespace kestrum {

namespace {

// The bits of a TrueSpeech frame as its decoder reads them: most significant first, from 32-bit
// words stored little-endian.
class FrameBits {
  public:
    void put(std::uint32_t value, int count) {
        for (int bit = count - 1; bit >= 0; --bit, ++position_)
            if ((value >> bit) & 1u)
                stream_[position_ / 8] |= static_cast<std::uint8_t>(0x80u >> (position_ % 8));
    }
    std::vector<std::uint8_t> stored() const {
        std::vector<std::uint8_t> bytes(stream_.size());
        for (std::size_t word = 0; word < stream_.size(); word += 4)
            for (std::size_t i = 0; i < 4; ++i)
                bytes[word + i] = stream_[word + 3 - i];
        return bytes;
    }

  private:
    std::array<std::uint8_t, 32> stream_{};
    std::size_t position_ = 0;
};

// A TrueSpeech frame with no excitation: no pitch repeat in any quarter (offset 127), every pulse
// at its smallest positive amplitude (+2), and the reflection coefficients whose synthesis filter
// keeps that positive and small. It decodes to samples of 0 to 2 out of 32767: 8-bit silence. The
// coefficient indices were chosen among those nearest zero, each set decoded after the speech of
// the test recordings with the decoder the player uses.
std::vector<std::uint8_t> silentTrueSpeechFrame() {
    static constexpr std::array<std::uint32_t, 8> kCoefficient = {24, 7, 10, 4, 9, 2, 5, 3};
    static constexpr std::array<int, 8> kCoefficientBits = {5, 5, 4, 4, 4, 3, 3, 3};
    FrameBits bits;
    for (std::size_t i = 8; i-- > 0;)
        bits.put(kCoefficient[i], kCoefficientBits[i]);
    bits.put(1, 1); // filters blended from the previous frame's
    bits.put(0, 4);
    for (int quarter = 0; quarter < 4; ++quarter)
        bits.put(127, 7); // no pitch repeat
    for (int half = 0; half < 2; ++half) {
        bits.put(0, 4);
        bits.put(0, 14); // seven pulse values, each the first of its scale: +2
        bits.put(0, 14);
    }
    for (int quarter = 0; quarter < 4; ++quarter) {
        bits.put(0, 1);
        bits.put(0, 27); // pulse positions
        bits.put(0, 4);  // the smallest pulse scale
    }
    return bits.stored();
}

constexpr std::uint16_t kTagALaw = 0x0006;
constexpr std::uint16_t kTagMuLaw = 0x0007;

} // namespace

std::optional<SilentBlock> silentBlockFor(const WaveFormat& stored, const WaveFormat& playback) {
    if (stored.channels != 1 || playback.channels != 1 || stored.samplesPerSec != playback.samplesPerSec)
        return std::nullopt;
    switch (stored.tag) {
    case kTagTrueSpeech:
        if (stored.blockAlign != 32 && stored.blockAlign != 0)
            return std::nullopt;
        return SilentBlock{silentTrueSpeechFrame(), 240, 1};
    case kTagMuLaw:
        return SilentBlock{{0xFF}, 1, 0};
    case kTagALaw:
        return SilentBlock{{0xD5}, 1, 0};
    default:
        return std::nullopt;
    }
}

} // namespace kestrum
