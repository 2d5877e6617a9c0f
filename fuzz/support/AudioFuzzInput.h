#pragma once

#include "RecordingBytes.h"
#include "platform/BinaryLayout.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace kestrum::fuzz {

// How the audio fuzzers read their input: a 20-byte control record that chooses a valid
// recording header, then the audio bytes stored after that header. The corpus maker writes the
// same record in front of real audio.
struct AudioControl {
    static constexpr bool kIsRecord = true;

    std::uint8_t codec = 0;   // index into kAudioCodecs, modulo its size
    std::uint8_t version = 0; // index into the fuzzer's own versions, modulo their number
    std::uint8_t flags = 0;   // AudioControlFlags
    std::uint8_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint32_t exportByteCount = 0;

    template <class Self, class Visitor> static constexpr void fields(Self& c, Visitor&& v) {
        v("codec", c.codec);
        v("version", c.version);
        v("flags", c.flags);
        v("channels", c.channels);
        v("samplesPerSec", c.samplesPerSec);
        v("avgBytesPerSec", c.avgBytesPerSec);
        v("blockAlign", c.blockAlign);
        v("bitsPerSample", c.bitsPerSample);
        v("exportByteCount", c.exportByteCount);
    }
};
inline constexpr std::size_t kAudioControlSize = layout::recordSize<AudioControl>();

enum AudioControlFlags : std::uint8_t {
    kWithExportHeader = 1,       // an export header counting exactly the audio given
    kExportCountFromControl = 2, // with kWithExportHeader: it counts exportByteCount instead
    kFormatFromControl = 4, // channels, rates, block and bits from the control record, not the codec's usual
    kViewerMode = 8,        // read as the viewer does (from a disc)
};

// A stored-audio format the player decodes, with the header values its recordings usually carry.
struct AudioCodec {
    const char* name;
    WaveFormat usualFormat;
};

inline constexpr std::array<AudioCodec, 9> kAudioCodecs{{
    {"truespeech", {34, 1, 8000, 1067, 32, 1, 32}},
    {"gsm", {0x31, 1, 8000, 1625, 65, 0, 2}},
    {"ima-adpcm", {0x11, 1, 8000, 4055, 256, 4, 2}},
    {"ms-adpcm", {2, 1, 8000, 4096, 256, 4, 32}},
    {"alaw", {6, 1, 8000, 8000, 1, 8, 0}},
    {"mulaw", {7, 1, 8000, 8000, 1, 8, 0}},
    {"mp3", {85, 1, 8000, 1000, 1, 0, 12}},
    {"pcm8", {1, 1, 8000, 8000, 1, 8, 0}},
    {"pcm16", {1, 1, 8000, 16000, 2, 16, 0}},
}};

// Header versions whose audio is compressed, and those whose audio is stored as it plays (2 and 3
// are left out: the player refuses them once the header is read).
inline constexpr std::array<int, 3> kCompressedVersions{10, 4, 7};
inline constexpr std::array<int, 6> kRawVersions{9, 11, 1, 5, 6, 8};

struct AudioFuzzInput {
    RecordingParts parts;
    bool viewerMode = false;
};

// Reads a fuzz input (at least kAudioControlSize bytes) into a recording of one of `versions`.
AudioFuzzInput readAudioFuzzInput(std::span<const std::uint8_t> data, std::span<const int> versions);

// Control record followed by the audio: a fuzz input as the corpus maker writes one.
std::vector<std::uint8_t> audioFuzzInput(const AudioControl& control, std::span<const std::uint8_t> audio);

// Opens the recording at `path` and loads its audio into a sample store, as the player does at
// start-up, then builds the waveform's peak summaries from it. Aborts when a load that reports
// success leaves the store and the recording's audio length disagreeing.
void loadRecordingAsPlayerDoes(const std::string& path, bool viewerMode);

} // namespace kestrum::fuzz
