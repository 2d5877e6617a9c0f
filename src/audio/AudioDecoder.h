#pragma once

#include "recording/WaveFormat.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kestrum {

// Decodes stored audio of one wave format into unsigned 8-bit PCM of the playback format, through
// libavcodec (and libswresample when the rate or channel count differs). 16-bit samples become
// (s >> 8) + 128. Input is taken in whole codec blocks; what is left over is the caller's to offer
// again with more data. At the end of the audio, a part-block is decoded too where its format
// allows (ADPCM: its block header says how many samples follow); elsewhere it is left unused.
class AudioDecoder {
  public:
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    // Whether some decoder serves this wave-format tag (PCM also needs 8 or 16 bits).
    static bool canDecode(std::uint16_t tag, std::uint16_t bitsPerSample);

    // Opens a decoder from `source` (with the format's extra bytes, when known) to `target`.
    // Null with a negative libav error code in `error` when it cannot be opened.
    static std::unique_ptr<AudioDecoder> open(const WaveFormat& source,
                                              std::span<const std::uint8_t> extraData,
                                              const WaveFormat& target, int& error);

    // The unit of input: a codec block, or 1 for a stream format that finds its own frames.
    std::size_t blockSize() const { return blockSize_; }

    // Decodes the whole blocks at the start of `input`, appending the PCM to `out`. With `last`,
    // `input` ends the audio: a final part-block is decoded where the format allows, and what the
    // decoder still holds is drained. Returns the bytes used (0 when `input` holds nothing this
    // decoder can use), or a negative libav error code.
    long decode(std::span<const std::uint8_t> input, bool last, std::vector<std::uint8_t>& out);

  private:
    struct Codec;
    AudioDecoder();
    int receiveFrames(std::vector<std::uint8_t>& out);
    int convertFrame(std::vector<std::uint8_t>& out);

    int sendPacket(std::span<const std::uint8_t> bytes);
    long decodeFinalPartBlock(std::span<const std::uint8_t> partBlock, std::vector<std::uint8_t>& out);

    std::unique_ptr<Codec> codec_;
    std::size_t blockSize_ = 1;
    // The least a final part-block must hold to be decoded (its block header); 0 when the format
    // decodes whole blocks only.
    std::size_t smallestPartBlock_ = 0;
    WaveFormat target_;
};

} // namespace kestrum
