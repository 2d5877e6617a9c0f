#include "StoredAudio.h"

#include "platform/FormatText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace makezoq {

namespace {

using kestrum::WaveFormat;

constexpr std::uint16_t kTagExtensible = 0xFFFE;

std::string tagText(std::uint16_t tag) {
    return std::to_string(tag);
}

// Keeps the whole codec blocks of compressed audio; the player decodes nothing else.
std::optional<StoredAudio> compressedAudio(const kestrum::WavContents& wav, std::string& error) {
    const WaveFormat& format = wav.format;
    if (format.blockAlign == 0 || format.avgBytesPerSec == 0) {
        error = "the WAV's format (tag " + tagText(format.tag) + ") gives no block size or byte rate";
        return std::nullopt;
    }
    if (format.tag != kestrum::kTagTrueSpeech && format.tag != kestrum::kTagMpegLayer3)
        std::fprintf(stderr,
                     "makezoq: note: the player decodes only TrueSpeech (34) and MPEG layer 3 (85) audio "
                     "in a version 10 recording; this WAV's tag is %u\n",
                     static_cast<unsigned>(format.tag));
    StoredAudio audio;
    audio.version = 10;
    audio.audioFormat = format;
    audio.playbackFormat = kestrum::kPcmDefaultFormat;
    const std::size_t wholeBlocks = wav.data.size() / format.blockAlign * format.blockAlign;
    audio.bytes.assign(wav.data.begin(), wav.data.begin() + static_cast<std::ptrdiff_t>(wholeBlocks));
    return audio;
}

// Unsigned 8-bit mono PCM: 8-bit samples as they are, 16-bit ones as (s >> 8) + 128, the same
// conversion the player applies to decoded audio.
std::optional<StoredAudio> pcm8Audio(const kestrum::WavContents& wav, int version, std::string& error) {
    const WaveFormat& format = wav.format;
    if (format.channels != 1) {
        error = "the player plays stored PCM as mono; this WAV has " + std::to_string(format.channels) +
                " channels";
        return std::nullopt;
    }
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16) {
        error = "only 8-bit and 16-bit PCM can be stored; this WAV has " +
                std::to_string(format.bitsPerSample) + "-bit samples";
        return std::nullopt;
    }
    if (version == 9 && format.samplesPerSec != kestrum::kPcmDefaultFormat.samplesPerSec) {
        error = "version 9 plays at 8000 Hz and this WAV is " + std::to_string(format.samplesPerSec) +
                " Hz: use --version 11";
        return std::nullopt;
    }
    if (format.samplesPerSec == 0) {
        error = "the WAV gives no sample rate";
        return std::nullopt;
    }
    StoredAudio audio;
    audio.version = version;
    audio.audioFormat = {kestrum::kTagPcm, 1, format.samplesPerSec, format.samplesPerSec, 1, 8, 0};
    audio.playbackFormat = version == 9 ? kestrum::kPcmDefaultFormat : audio.audioFormat;
    if (format.bitsPerSample == 8) {
        audio.bytes = wav.data;
    } else {
        audio.bytes.resize(wav.data.size() / 2);
        for (std::size_t i = 0; i < audio.bytes.size(); ++i) {
            const auto sample = static_cast<std::int16_t>(wav.data[2 * i] | (wav.data[2 * i + 1] << 8));
            audio.bytes[i] = static_cast<std::uint8_t>((sample >> 8) + 128);
        }
    }
    return audio;
}

// Appends whole blocks from the start of the audio until it lasts at least `seconds`.
bool repeatTo(StoredAudio& audio, double seconds, std::string& error) {
    const double block = audio.version == 10 ? audio.audioFormat.blockAlign : 1;
    const double wanted = std::ceil(seconds * audio.audioFormat.avgBytesPerSec / block) * block;
    if (wanted > std::numeric_limits<std::uint32_t>::max()) {
        error = kestrum::formatText("--repeat-to %g makes more than 4 GiB of audio", seconds);
        return false;
    }
    const auto target = static_cast<std::size_t>(wanted);
    const std::vector<std::uint8_t> once = audio.bytes;
    audio.bytes.reserve(std::max(target, once.size()));
    while (audio.bytes.size() < target) {
        const std::size_t piece = std::min(once.size(), target - audio.bytes.size());
        audio.bytes.insert(audio.bytes.end(), once.begin(),
                           once.begin() + static_cast<std::ptrdiff_t>(piece));
    }
    return true;
}

} // namespace

std::optional<StoredAudio> makeStoredAudio(const kestrum::WavContents& wav, std::optional<int> version,
                                           double repeatToSeconds, std::string& error) {
    const std::uint16_t tag = wav.format.tag;
    if (tag == kTagExtensible) {
        error = "the WAV uses the extensible format header; convert it first, e.g. "
                "ffmpeg -i IN.wav -c:a pcm_s16le OUT.wav";
        return std::nullopt;
    }
    const bool pcm = tag == kestrum::kTagPcm;
    const int chosen = version.value_or(pcm ? 11 : 10);
    if (chosen == 10 && pcm) {
        error = "version 10 holds compressed audio and this WAV holds PCM: use --version 9 or 11";
        return std::nullopt;
    }
    if (chosen != 10 && !pcm) {
        error = "version " + std::to_string(chosen) +
                " holds 8-bit PCM and this WAV holds compressed audio (tag " + tagText(tag) +
                "): use --version 10";
        return std::nullopt;
    }
    std::optional<StoredAudio> audio = pcm ? pcm8Audio(wav, chosen, error) : compressedAudio(wav, error);
    if (!audio)
        return std::nullopt;
    if (audio->bytes.empty()) {
        error = "the WAV holds no whole block of audio";
        return std::nullopt;
    }
    if (!repeatTo(*audio, repeatToSeconds, error))
        return std::nullopt;
    return audio;
}

} // namespace makezoq
