#include "convert/WavFile.h"

#include "platform/AtomicFile.h"
#include "platform/BinaryLayout.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

namespace kestrum {

namespace {

using FourCc = std::array<std::uint8_t, 4>;

constexpr FourCc fourCc(const char (&text)[5]) {
    return {static_cast<std::uint8_t>(text[0]), static_cast<std::uint8_t>(text[1]),
            static_cast<std::uint8_t>(text[2]), static_cast<std::uint8_t>(text[3])};
}

// Every RIFF chunk starts with its identifier and the length of what follows (without padding).
struct ChunkHeader {
    static constexpr bool kIsRecord = true;

    FourCc id{};
    std::uint32_t size = 0;

    template <class Self, class Visitor> static constexpr void fields(Self& c, Visitor&& v) {
        v("id", c.id);
        v("size", c.size);
    }
};

constexpr std::size_t kChunkHeaderSize = layout::recordSize<ChunkHeader>();
constexpr std::size_t kWaveFormatSize = layout::recordSize<WaveFormat>();
// The format record without its extraSize field: all a plain PCM file stores.
constexpr std::size_t kPcmFormatSize = kWaveFormatSize - 2;
constexpr std::size_t kWaveIdSize = 4;

template <layout::Record T> T decodeAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return layout::decode<T>(bytes.subspan(offset).first<layout::recordSize<T>()>());
}

template <layout::Record T> void appendRecord(std::vector<std::uint8_t>& out, const T& record) {
    const layout::Bytes<T> bytes = layout::encode(record);
    out.insert(out.end(), bytes.begin(), bytes.end());
}

bool readFormatChunk(std::span<const std::uint8_t> chunk, WavContents& contents, std::string& error) {
    if (chunk.size() < kPcmFormatSize) {
        error = "WAV fmt chunk is " + std::to_string(chunk.size()) + " bytes, fewer than 16";
        return false;
    }
    // A 16-byte chunk has no extraSize field: read it as 0.
    std::array<std::uint8_t, kWaveFormatSize> record{};
    std::copy_n(chunk.begin(), std::min(chunk.size(), kWaveFormatSize), record.begin());
    contents.format = layout::decode<WaveFormat>(record);
    const std::size_t extraRoom = chunk.size() > kWaveFormatSize ? chunk.size() - kWaveFormatSize : 0;
    if (contents.format.extraSize > extraRoom) {
        error = "WAV fmt chunk declares " + std::to_string(contents.format.extraSize) +
                " extra bytes but holds " + std::to_string(extraRoom);
        return false;
    }
    const auto extra = chunk.subspan(std::min(chunk.size(), kWaveFormatSize), contents.format.extraSize);
    contents.extraData.assign(extra.begin(), extra.end());
    return true;
}

} // namespace

bool parseWav(std::span<const std::uint8_t> bytes, WavContents& contents, std::string& error) {
    contents = WavContents{};
    if (bytes.size() < kChunkHeaderSize + kWaveIdSize) {
        error = "not a WAV file: " + std::to_string(bytes.size()) + " bytes, too short for a RIFF header";
        return false;
    }
    const ChunkHeader riff = decodeAt<ChunkHeader>(bytes, 0);
    if (riff.id != fourCc("RIFF") ||
        !std::equal(bytes.begin() + kChunkHeaderSize, bytes.begin() + kChunkHeaderSize + kWaveIdSize,
                    fourCc("WAVE").begin())) {
        error = "not a WAV file: it does not start with RIFF....WAVE";
        return false;
    }

    // The RIFF length is ignored: writers often leave it wrong, and the chunks say where they end.
    bool haveFormat = false;
    bool haveData = false;
    std::size_t offset = kChunkHeaderSize + kWaveIdSize;
    while (bytes.size() - offset >= kChunkHeaderSize && !(haveFormat && haveData)) {
        const ChunkHeader chunk = decodeAt<ChunkHeader>(bytes, offset);
        offset += kChunkHeaderSize;
        if (chunk.size > bytes.size() - offset) {
            error = "WAV chunk '" + std::string(chunk.id.begin(), chunk.id.end()) + "' claims " +
                    std::to_string(chunk.size) + " bytes but only " + std::to_string(bytes.size() - offset) +
                    " follow";
            return false;
        }
        const auto body = bytes.subspan(offset, chunk.size);
        if (chunk.id == fourCc("fmt ") && !haveFormat) {
            if (!readFormatChunk(body, contents, error))
                return false;
            haveFormat = true;
        } else if (chunk.id == fourCc("data") && !haveData) {
            contents.data.assign(body.begin(), body.end());
            haveData = true;
        }
        // An odd-length chunk is followed by a pad byte, which a file's last chunk may lack.
        offset += std::min<std::size_t>(bytes.size() - offset, std::size_t{chunk.size} + (chunk.size & 1u));
    }
    if (!haveFormat || !haveData) {
        error = std::string("WAV file has no ") + (haveFormat ? "'data'" : "'fmt '") + " chunk";
        return false;
    }
    return true;
}

bool readWavFile(const std::string& path, WavContents& contents, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    std::vector<std::uint8_t> bytes;
    std::array<std::uint8_t, 1 << 16> buffer;
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0)
        bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        error = "cannot read " + path;
        return false;
    }
    if (!parseWav(bytes, contents, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::vector<std::uint8_t> pcm8WavHeader(std::uint16_t channels, std::uint32_t sampleRate,
                                        std::size_t sampleCount) {
    const auto dataSize = static_cast<std::uint32_t>(sampleCount);
    const std::uint32_t padding = dataSize & 1u;
    const auto formatSize = static_cast<std::uint32_t>(kPcmFormatSize);
    const auto riffSize =
        static_cast<std::uint32_t>(kWaveIdSize + 2 * kChunkHeaderSize + formatSize + dataSize + padding);
    const WaveFormat format{kTagPcm, channels, sampleRate, sampleRate * channels, channels, 8, 0};

    std::vector<std::uint8_t> out;
    appendRecord(out, ChunkHeader{fourCc("RIFF"), riffSize});
    const FourCc wave = fourCc("WAVE");
    out.insert(out.end(), wave.begin(), wave.end());
    appendRecord(out, ChunkHeader{fourCc("fmt "), formatSize});
    const layout::Bytes<WaveFormat> formatBytes = layout::encode(format);
    out.insert(out.end(), formatBytes.begin(), formatBytes.begin() + kPcmFormatSize);
    appendRecord(out, ChunkHeader{fourCc("data"), dataSize});
    return out;
}

bool writePcm8WavFile(const std::string& path, std::uint16_t channels, std::uint32_t sampleRate,
                      std::span<const std::uint8_t> samples, std::string& error) {
    // The RIFF length field must hold everything after it.
    constexpr std::size_t kMostSamples = std::numeric_limits<std::uint32_t>::max() - 64;
    if (samples.size() > kMostSamples) {
        error = "cannot write " + path + ": " + std::to_string(samples.size()) +
                " samples are more than a WAV file can hold";
        return false;
    }
    const std::vector<std::uint8_t> header = pcm8WavHeader(channels, sampleRate, samples.size());
    const std::uint8_t pad[1] = {0};
    switch (replaceFileContents(path, {header, samples, std::span(pad, samples.size() & 1u)})) {
    case ReplaceResult::Replaced:
        return true;
    case ReplaceResult::OpenFailed:
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    case ReplaceResult::WriteFailed:
        break;
    }
    error = "cannot write " + path;
    return false;
}

} // namespace kestrum
