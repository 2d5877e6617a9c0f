// Converting the player's 8-bit PCM to CD audio block by block, as the audio-export worker does,
// compared with the ffmpeg command line doing the same conversion in one pass.

#include "export/CdAudioConverter.h"

#include "convert/WavFile.h"
#include "support/ProcessRunner.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/error.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrum {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kCdFrameBytes = 4;

WaveFormat pcm8Format(std::uint16_t channels, std::uint32_t rate) {
    return WaveFormat{kTagPcm, channels, rate, rate * channels, channels, 8, 0};
}

// Real speech (13.8 s at 8000 Hz) as the player holds it: the 16-bit test recording made
// unsigned 8-bit, (s >> 8) + 128.
const Bytes& speech() {
    static const Bytes samples = [] {
        WavContents wav;
        std::string error;
        EXPECT_TRUE(readWavFile(std::string(KESTRUM_TEST_DATA_DIR) + "/8k16bitpcm.wav", wav, error)) << error;
        Bytes eightBit(wav.data.size() / 2);
        for (std::size_t i = 0; i < eightBit.size(); ++i) {
            const auto s = static_cast<std::int16_t>(wav.data[2 * i] | wav.data[2 * i + 1] << 8);
            eightBit[i] = static_cast<std::uint8_t>((s >> 8) + 128);
        }
        return eightBit;
    }();
    return samples;
}

Bytes firstBytes(const Bytes& samples, std::size_t count) {
    return Bytes(samples.begin(), samples.begin() + static_cast<long>(count));
}

std::unique_ptr<CdAudioConverter> openConverter(const WaveFormat& source) {
    int error = 0;
    std::unique_ptr<CdAudioConverter> converter = CdAudioConverter::open(source, error);
    EXPECT_NE(converter, nullptr) << "libav error " << error;
    EXPECT_EQ(error, 0);
    return converter;
}

// What each call gave: one entry per block, then the flush's.
struct BlockOutput {
    Bytes all;
    std::vector<std::size_t> perCall;
};

// Converts `samples` in blocks of `blockBytes` as the export worker does (a partial frame left at
// the end of a block goes again at the head of the next), then flushes.
BlockOutput convertInBlocks(const WaveFormat& source, const Bytes& samples, std::size_t blockBytes) {
    BlockOutput result;
    const auto converter = openConverter(source);
    if (converter == nullptr)
        return result;
    std::size_t at = 0;
    while (at < samples.size()) {
        const std::size_t before = result.all.size();
        const std::size_t size = std::min(blockBytes, samples.size() - at);
        const long used = converter->convert({samples.data() + at, size}, result.all);
        EXPECT_GE(used, 0) << "libav error " << used;
        if (used <= 0)
            break; // less than a frame left
        EXPECT_EQ(used % source.channels, 0) << "a partial frame was taken";
        at += static_cast<std::size_t>(used);
        result.perCall.push_back(result.all.size() - before);
    }
    const std::size_t before = result.all.size();
    EXPECT_EQ(converter->flush(result.all), 0);
    result.perCall.push_back(result.all.size() - before);
    return result;
}

Bytes convertWhole(const WaveFormat& source, const Bytes& samples) {
    return convertInBlocks(source, samples, samples.size()).all;
}

// One second of source a block, as the worker reads the sample store.
Bytes convertBySeconds(const WaveFormat& source, const Bytes& samples) {
    return convertInBlocks(source, samples, source.avgBytesPerSec).all;
}

// The reference: the ffmpeg command line's resampler to 16-bit stereo at 44100 Hz, a mono source
// raised by 3 dB so that it reaches both channels at full level:
// ffmpeg -f u8 -ar RATE -ac CHANNELS -i IN -af aresample=44100:ochl=stereo:osf=s16[:rematrix_volume=√2] -f
// s16le OUT.
Bytes ffmpegCdAudio(const WaveFormat& source, const Bytes& samples) {
    test::TempDir dir;
    const std::string in = dir.file("in.u8");
    const std::string out = dir.file("out.s16");
    test::writeFileBytes(in, samples);
    std::string resample = "aresample=44100:ochl=stereo:osf=s16";
    if (source.channels == 1)
        resample += ":rematrix_volume=1.4142135623730951";
    const test::ProcessResult result = test::runProcess(
        "/usr/bin/env",
        {"ffmpeg", "-nostdin", "-v", "error", "-f", "u8", "-ar", std::to_string(source.samplesPerSec), "-ac",
         std::to_string(source.channels), "-i", in, "-af", resample, "-f", "s16le", "-y", out});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return test::readFileBytes(out);
}

// CD frames for `frames` source frames at `rate`: the rate ratio, rounded up.
std::size_t cdFramesFor(std::size_t frames, std::uint32_t rate) {
    return (frames * 44100 + rate - 1) / rate;
}

std::int16_t cdSample(const Bytes& cd, std::size_t index) {
    return static_cast<std::int16_t>(cd[2 * index] | cd[2 * index + 1] << 8);
}

// --- length ----------------------------------------------------------------------------------

// swresample's filter reaches 16 source samples (2 ms at 8000 Hz) ahead of each output sample, so
// it holds back the last 88 CD frames (16 x 44100 / 8000, rounded down) until flushed, and the
// flush pads the end to give them.
constexpr std::size_t kHeldBackAt8000 = 88;

TEST(CdAudioLength, OneSecondBlocksGiveOneSecondEachWithTheFilterDelayUntilTheFlush) {
    const WaveFormat mono8k = pcm8Format(1, 8000);
    const BlockOutput out = convertInBlocks(mono8k, firstBytes(speech(), 5 * 8000), 8000);
    ASSERT_EQ(out.perCall.size(), 6u);
    EXPECT_EQ(out.perCall[0], (44100 - kHeldBackAt8000) * kCdFrameBytes);
    for (std::size_t block = 1; block < 5; ++block)
        EXPECT_EQ(out.perCall[block], 44100 * kCdFrameBytes) << "block " << block;
    EXPECT_EQ(out.perCall[5], kHeldBackAt8000 * kCdFrameBytes) << "the flush";
    EXPECT_EQ(out.all.size(), 5 * 176400u);

    // A one-second section alone: exactly one second of CD audio, 176400 bytes, at either rate.
    EXPECT_EQ(convertWhole(mono8k, firstBytes(speech(), 8000)).size(), 176400u);
    EXPECT_EQ(convertWhole(pcm8Format(1, 11025), firstBytes(speech(), 11025)).size(), 176400u);
}

TEST(CdAudioLength, IsTheRateRatioRoundedUpAsFfmpegGivesIt) {
    const WaveFormat mono8k = pcm8Format(1, 8000);
    // The whole recording: 110491 samples make 609081.6 CD frames, so 609082.
    ASSERT_EQ(speech().size(), 110491u);
    EXPECT_EQ(convertBySeconds(mono8k, speech()).size(), 609082 * kCdFrameBytes);
    for (const std::size_t frames : {31u, 7999u, 8001u, 12345u}) {
        SCOPED_TRACE(std::to_string(frames) + " frames");
        EXPECT_EQ(convertBySeconds(mono8k, firstBytes(speech(), frames)).size(),
                  cdFramesFor(frames, 8000) * kCdFrameBytes);
    }
    // Under 31 source frames (4 ms) the filter never fills and swresample gives less, or nothing,
    // for ffmpeg as for us.
    for (const std::size_t frames : {1u, 20u, 24u, 30u}) {
        SCOPED_TRACE(std::to_string(frames) + " frames");
        const Bytes ours = convertWhole(mono8k, firstBytes(speech(), frames));
        EXPECT_LT(ours.size(), cdFramesFor(frames, 8000) * kCdFrameBytes);
        EXPECT_EQ(ours, ffmpegCdAudio(mono8k, firstBytes(speech(), frames)));
    }
}

// --- content ---------------------------------------------------------------------------------

TEST(CdAudioContent, OneSecondBlocksOfSpeechMatchTheFfmpegCommandLineByteForByte) {
    // swresample's output does not depend on how its input is cut: the block-wise conversion is
    // ffmpeg's single pass exactly, tail included.
    const WaveFormat mono8k = pcm8Format(1, 8000);
    const Bytes ours = convertBySeconds(mono8k, speech());
    EXPECT_TRUE(ours == ffmpegCdAudio(mono8k, speech())) << "the CD audio differs from ffmpeg's";
}

TEST(CdAudioContent, HowTheSourceIsCutIntoBlocksDoesNotChangeAByte) {
    const WaveFormat mono8k = pcm8Format(1, 8000);
    const Bytes whole = convertWhole(mono8k, speech());
    // Single samples, blocks shorter than the filter, and blocks that do not divide a second.
    for (const std::size_t blockBytes : {1u, 7u, 33u, 4095u, 8000u}) {
        SCOPED_TRACE(std::to_string(blockBytes) + "-byte blocks");
        EXPECT_TRUE(convertInBlocks(mono8k, speech(), blockBytes).all == whole);
    }
}

TEST(CdAudioContent, PutsMonoIntoBothChannelsAtFullLevel) {
    const Bytes cd = convertBySeconds(pcm8Format(1, 8000), speech());
    std::size_t unequal = 0;
    for (std::size_t frame = 0; frame < cd.size() / kCdFrameBytes; ++frame)
        unequal += cdSample(cd, 2 * frame) != cdSample(cd, 2 * frame + 1);
    EXPECT_EQ(unequal, 0u) << "frames whose left and right differ";

    // Mono reaches both sides at full level: a steady +100 on the 8-bit scale (+25600 on the
    // 16-bit) comes out as 25600 on both sides, on average; each of the resampling filter's phases
    // rounds its coefficients to 16 bits, so single samples stray by a few (0.02%).
    const Bytes steady = convertWhole(pcm8Format(1, 8000), Bytes(8000, 228));
    double sum = 0;
    for (std::size_t frame = 1000; frame < 43000; ++frame) {
        ASSERT_NEAR(cdSample(steady, 2 * frame), 25600, 6) << "frame " << frame;
        sum += cdSample(steady, 2 * frame);
    }
    EXPECT_NEAR(sum / 42000, 25600, 0.5);
}

TEST(CdAudioContent, OtherSourceRatesMatchTheFfmpegCommandLine) {
    // A version-11 recording may play at another rate: the same samples taken as 11025 Hz and
    // 22050 Hz speech.
    for (const std::uint32_t rate : {11025u, 22050u}) {
        SCOPED_TRACE(std::to_string(rate) + " Hz");
        const WaveFormat mono = pcm8Format(1, rate);
        const Bytes ours = convertBySeconds(mono, speech());
        EXPECT_EQ(ours.size(), cdFramesFor(speech().size(), rate) * kCdFrameBytes);
        EXPECT_TRUE(ours == ffmpegCdAudio(mono, speech())) << "the CD audio differs from ffmpeg's";
    }
}

// Stereo speech: the recording on the left, its mirror image (inverted, reversed) on the right.
Bytes stereoSpeech() {
    const Bytes& left = speech();
    Bytes stereo(2 * left.size());
    for (std::size_t i = 0; i < left.size(); ++i) {
        stereo[2 * i] = left[i];
        stereo[2 * i + 1] = static_cast<std::uint8_t>(255 - left[left.size() - 1 - i]);
    }
    return stereo;
}

TEST(CdAudioContent, StereoSourcesKeepTheirChannelsAndMatchTheFfmpegCommandLine) {
    const Bytes stereo = stereoSpeech();
    const WaveFormat stereo8k = pcm8Format(2, 8000);
    const Bytes ours = convertBySeconds(stereo8k, stereo);
    EXPECT_EQ(ours.size(), cdFramesFor(speech().size(), 8000) * kCdFrameBytes);
    EXPECT_TRUE(ours == ffmpegCdAudio(stereo8k, stereo)) << "the CD audio differs from ffmpeg's";
    EXPECT_NE(cdSample(ours, 2 * 22050), cdSample(ours, 2 * 22050 + 1)) << "the channels were mixed";

    // Odd-sized blocks end in half a frame, which the caller offers again.
    EXPECT_TRUE(convertInBlocks(stereo8k, stereo, 8001).all == ours);
    const auto converter = openConverter(stereo8k);
    Bytes out;
    const Bytes oneByte{200};
    EXPECT_EQ(converter->convert(oneByte, out), 0);
    EXPECT_EQ(converter->convert(stereo, out), static_cast<long>(stereo.size()));
}

TEST(CdAudioContent, CdRateStereoOnlyWidensEachSampleToSixteenBits) {
    // Nothing to resample or mix: each 8-bit sample u becomes (u - 128) << 8, exactly.
    const Bytes stereo = stereoSpeech();
    const Bytes cd = convertBySeconds(pcm8Format(2, 44100), stereo);
    ASSERT_EQ(cd.size(), 2 * stereo.size());
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < stereo.size(); ++i)
        wrong += cdSample(cd, i) != (stereo[i] - 128) * 256;
    EXPECT_EQ(wrong, 0u);
}

TEST(CdAudioConverterOpen, RefusesWhatIsNotEightBitMonoOrStereoPcm) {
    const WaveFormat refused[] = {
        WaveFormat{kTagTrueSpeech, 1, 8000, 1067, 32, 1, 32},
        WaveFormat{kTagPcm, 1, 8000, 16000, 2, 16, 0},
        pcm8Format(0, 8000),
        pcm8Format(3, 8000),
        pcm8Format(1, 0),
    };
    for (const WaveFormat& format : refused) {
        SCOPED_TRACE("tag " + std::to_string(format.tag) + ", " + std::to_string(format.channels) +
                     " channels, " + std::to_string(format.samplesPerSec) + " Hz, " +
                     std::to_string(format.bitsPerSample) + " bits");
        int error = 0;
        EXPECT_EQ(CdAudioConverter::open(format, error), nullptr);
        EXPECT_EQ(error, AVERROR(EINVAL));
    }
}

} // namespace
} // namespace kestrum
