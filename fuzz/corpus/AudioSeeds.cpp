// Seeds for the two audio fuzzers: a control record (support/AudioFuzzInput.h) in front of real
// audio. The real recordings in tests/data give TrueSpeech, GSM, IMA ADPCM, mu-law and 16-bit PCM;
// A-law, 8-bit PCM, MS ADPCM and MP3 are made here from them or by hand.

#include "SeedCorpus.h"

#include "convert/WavFile.h"
#include "support/AudioFuzzInput.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace kestrum::fuzz {

namespace {

// Enough audio for a few seconds: the fuzzer runs faster on short inputs, and mutations of any
// part of a long one reach the same code.
constexpr std::size_t kMaxSeedAudio = 16384;

std::uint8_t codecIndex(const std::string& name) {
    for (std::size_t i = 0; i < kAudioCodecs.size(); ++i)
        if (name == kAudioCodecs[i].name)
            return static_cast<std::uint8_t>(i);
    std::fprintf(stderr, "no codec %s\n", name.c_str());
    std::exit(1);
}

WavContents readWav(const std::filesystem::path& path) {
    WavContents wav;
    std::string error;
    if (!readWavFile(path.string(), wav, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    return wav;
}

// The first whole blocks of the audio, up to kMaxSeedAudio bytes.
std::vector<std::uint8_t> leadingBlocks(const std::vector<std::uint8_t>& audio, std::size_t blockSize) {
    const std::size_t block = std::max<std::size_t>(blockSize, 1);
    const std::size_t length = std::min(audio.size(), kMaxSeedAudio / block * block);
    return {audio.begin(), audio.begin() + static_cast<std::ptrdiff_t>(length)};
}

AudioControl controlFor(std::uint8_t codec, std::uint8_t version, std::uint8_t flags,
                        const WaveFormat& format) {
    AudioControl control;
    control.codec = codec;
    control.version = version;
    control.flags = flags;
    control.channels = static_cast<std::uint8_t>(format.channels);
    control.samplesPerSec = format.samplesPerSec;
    control.avgBytesPerSec = format.avgBytesPerSec;
    control.blockAlign = format.blockAlign;
    control.bitsPerSample = format.bitsPerSample;
    return control;
}

// Writes the audio under every compressed version that can hold the codec (version 10 holds only
// PCM, TrueSpeech and MP3), plainly, with an export header, and read as the viewer reads it.
// Seed files are named after `label`.
void writeCompressedSeeds(const std::filesystem::path& directory, const std::string& codecName,
                          const std::string& label, const WaveFormat& format,
                          std::span<const std::uint8_t> audio) {
    const std::uint8_t codec = codecIndex(codecName);
    const std::uint16_t tag = kAudioCodecs[codec].usualFormat.tag;
    const bool versionTenHoldsIt = tag == kTagPcm || tag == kTagTrueSpeech || tag == kTagMpegLayer3;
    const std::uint8_t flagSets[] = {kFormatFromControl, kFormatFromControl | kWithExportHeader,
                                     kFormatFromControl | kWithExportHeader | kViewerMode};
    for (std::uint8_t version = 0; version < kCompressedVersions.size(); ++version) {
        if (kCompressedVersions[version] == 10 && !versionTenHoldsIt)
            continue;
        for (const std::uint8_t flags : flagSets) {
            const std::string name =
                label + "-v" + std::to_string(kCompressedVersions[version]) + "-f" + std::to_string(flags);
            writeSeed(directory, name, audioFuzzInput(controlFor(codec, version, flags, format), audio));
        }
    }
}

std::vector<std::uint8_t> pcm8From16(std::span<const std::uint8_t> pcm16) {
    std::vector<std::uint8_t> pcm8;
    for (std::size_t i = 0; i + 1 < pcm16.size(); i += 2)
        pcm8.push_back(static_cast<std::uint8_t>(pcm16[i + 1] + 128)); // high byte, offset to unsigned
    return pcm8;
}

// MS ADPCM mono blocks of 256 bytes: a 7-byte preamble (predictor, delta, two samples) and 498
// nibbles, here taken from the IMA ADPCM recording so that they vary as speech does.
std::vector<std::uint8_t> msAdpcmBlocks(std::span<const std::uint8_t> nibbles, std::size_t blocks) {
    std::vector<std::uint8_t> out;
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::uint8_t preamble[7] = {static_cast<std::uint8_t>(b % 7), 16, 0, 0, 0, 0, 0};
        out.insert(out.end(), preamble, preamble + 7);
        for (std::size_t i = 0; i < 249; ++i)
            out.push_back(nibbles[(b * 249 + i) % nibbles.size()]);
    }
    return out;
}

// MPEG audio layer III frames with empty side information (silence): their headers are what the
// parser looks for. 0xC0 in the fourth byte is mono, 0x00 stereo.
void appendMp3Frame(std::vector<std::uint8_t>& out, std::uint8_t second, std::uint8_t third,
                    std::uint8_t channelMode, std::size_t frameSize) {
    const std::size_t start = out.size();
    out.resize(start + frameSize, 0);
    out[start] = 0xFF;
    out[start + 1] = second;
    out[start + 2] = third;
    out[start + 3] = channelMode;
}

// MPEG 2.5 at 8000 Hz and 16 kbit/s: 144-byte frames of 576 samples.
void appendMp3Frame8k(std::vector<std::uint8_t>& out, bool stereo) {
    appendMp3Frame(out, 0xE3, 0x28, stereo ? 0x00 : 0xC0, 144);
}
// MPEG 1 at 44100 Hz and 128 kbit/s: 417-byte frames of 1152 samples.
void appendMp3Frame44k(std::vector<std::uint8_t>& out, bool stereo) {
    appendMp3Frame(out, 0xFB, 0x90, stereo ? 0x00 : 0xC0, 417);
}

void writeMp3Seeds(const std::filesystem::path& directory) {
    std::vector<std::uint8_t> mono8k, stereo8k, mixed8k, stereo44k, mixedRates;
    for (int i = 0; i < 8; ++i) {
        appendMp3Frame8k(mono8k, false);
        appendMp3Frame8k(stereo8k, true);
        appendMp3Frame8k(mixed8k, i % 2 == 1);
        appendMp3Frame44k(stereo44k, true);
        if (i % 2 == 0)
            appendMp3Frame8k(mixedRates, false);
        else
            appendMp3Frame44k(mixedRates, true);
    }
    const WaveFormat& usual = kAudioCodecs[codecIndex("mp3")].usualFormat;
    writeCompressedSeeds(directory, "mp3", "mp3-mono8k", usual, mono8k);
    writeCompressedSeeds(directory, "mp3", "mp3-stereo8k", {85, 2, 8000, 2000, 1, 0, 12}, stereo8k);
    writeCompressedSeeds(directory, "mp3", "mp3-mixed8k", usual, mixed8k);
    writeCompressedSeeds(directory, "mp3", "mp3-stereo44k", {85, 2, 44100, 16000, 1, 0, 12}, stereo44k);
    writeCompressedSeeds(directory, "mp3", "mp3-mixedrates", usual, mixedRates);
}

} // namespace

void writeCompressedAudioSeeds(const std::filesystem::path& directory,
                               const std::filesystem::path& dataDirectory) {
    struct RealRecording {
        const char* file;
        const char* codec;
    };
    const RealRecording recordings[] = {{"8ktruespeech.wav", "truespeech"},
                                        {"8kgsm.wav", "gsm"},
                                        {"8kadpcm.wav", "ima-adpcm"},
                                        {"8kulaw.wav", "mulaw"},
                                        {"8k16bitpcm.wav", "pcm16"}};
    for (const RealRecording& recording : recordings) {
        const WavContents wav = readWav(dataDirectory / recording.file);
        writeCompressedSeeds(directory, recording.codec, recording.codec, wav.format,
                             leadingBlocks(wav.data, wav.format.blockAlign));
    }

    const WavContents mulaw = readWav(dataDirectory / "8kulaw.wav");
    writeCompressedSeeds(directory, "alaw", "alaw", kAudioCodecs[codecIndex("alaw")].usualFormat,
                         leadingBlocks(mulaw.data, 1));
    const WavContents pcm16 = readWav(dataDirectory / "8k16bitpcm.wav");
    writeCompressedSeeds(directory, "pcm8", "pcm8", kAudioCodecs[codecIndex("pcm8")].usualFormat,
                         leadingBlocks(pcm8From16(pcm16.data), 1));
    const WavContents ima = readWav(dataDirectory / "8kadpcm.wav");
    writeCompressedSeeds(directory, "ms-adpcm", "ms-adpcm", kAudioCodecs[codecIndex("ms-adpcm")].usualFormat,
                         msAdpcmBlocks(ima.data, 32));
    writeMp3Seeds(directory);
}

void writeRawAudioSeeds(const std::filesystem::path& directory, const std::filesystem::path& dataDirectory) {
    const WavContents pcm16 = readWav(dataDirectory / "8k16bitpcm.wav");
    const std::vector<std::uint8_t> pcm8 = leadingBlocks(pcm8From16(pcm16.data), 1);
    const std::uint8_t codec = codecIndex("pcm8");
    const WaveFormat& usual = kAudioCodecs[codec].usualFormat;
    const std::uint8_t flagSets[] = {0, kWithExportHeader, kWithExportHeader | kViewerMode};
    for (std::uint8_t version = 0; version < kRawVersions.size(); ++version) {
        for (const std::uint8_t flags : flagSets) {
            const std::string name =
                "pcm8-v" + std::to_string(kRawVersions[version]) + "-f" + std::to_string(flags);
            writeSeed(directory, name, audioFuzzInput(controlFor(codec, version, flags, usual), pcm8));
        }
    }
    // Version 11 plays in the format its header names.
    const WaveFormat ownFormats[] = {{1, 1, 8000, 16000, 2, 16, 0}, {1, 2, 11025, 22050, 2, 8, 0}};
    for (std::size_t i = 0; i < std::size(ownFormats); ++i) {
        const AudioControl control = controlFor(codec, 1, kFormatFromControl, ownFormats[i]);
        writeSeed(directory, "v11-own-format" + std::to_string(i), audioFuzzInput(control, pcm8));
    }
}

} // namespace kestrum::fuzz
