#pragma once

#include "recording/WaveFormat.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kestrum {

// What a RIFF/WAVE file holds for playback: its format, the format's extra bytes and its audio.
struct WavContents {
    // The `fmt ` chunk as the 18-byte record; a 16-byte chunk (plain PCM) reads with extraSize 0.
    WaveFormat format;
    // The extraSize bytes that follow the record (a codec's own parameters).
    std::vector<std::uint8_t> extraData;
    // The `data` chunk's bytes, as stored.
    std::vector<std::uint8_t> data;
};

// Parses a whole WAV file held in memory. Chunks other than `fmt ` and `data` are skipped, each
// chunk padded to an even length as RIFF requires. False with a reason in `error` for anything
// that is not a complete WAV file.
bool parseWav(std::span<const std::uint8_t> bytes, WavContents& contents, std::string& error);

// Reads and parses the WAV file at `path`; the reason names the path when it cannot be read.
bool readWavFile(const std::string& path, WavContents& contents, std::string& error);

// What comes before the samples in a standard WAV file of `sampleCount` unsigned 8-bit PCM samples
// (interleaved when there are several channels): the RIFF header, a 16-byte `fmt ` chunk and the
// `data` chunk's header. An odd sample count is followed by one pad byte.
std::vector<std::uint8_t> pcm8WavHeader(std::uint16_t channels, std::uint32_t sampleRate,
                                        std::size_t sampleCount);

// Writes that WAV file to `path`, the samples straight from where they are held, through a
// temporary sibling renamed over it, so `path` never holds a partial file. False with a reason in
// `error` when it cannot be written.
bool writePcm8WavFile(const std::string& path, std::uint16_t channels, std::uint32_t sampleRate,
                      std::span<const std::uint8_t> samples, std::string& error);

} // namespace kestrum
