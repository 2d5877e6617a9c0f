// Decoding real telephony recordings: directly, compared with the ffmpeg command line and with the
// uncompressed speech, and through the player's loading step.

#include "audio/AudioDecoder.h"
#include "audio/AudioLoader.h"
#include "audio/SampleStore.h"
#include "recording/RecordingReader.h"
#include "support/FakeMessenger.h"
#include "support/ProcessRunner.h"
#include "support/RealAudio.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace kestrum {
namespace {

using test::dataFile;
using test::ffmpegDecode;
using test::RecordingBuilder;
using test::testWav;
using Bytes = std::vector<std::uint8_t>;

std::unique_ptr<AudioDecoder> openDecoder(const WavContents& wav,
                                          const WaveFormat& target = kPcmDefaultFormat) {
    int error = 0;
    std::unique_ptr<AudioDecoder> decoder = AudioDecoder::open(wav.format, wav.extraData, target, error);
    EXPECT_NE(decoder, nullptr) << "libav error " << error;
    EXPECT_EQ(error, 0);
    return decoder;
}

// Decodes all the WAV's audio in one call.
Bytes decodeWhole(const WavContents& wav, const WaveFormat& target = kPcmDefaultFormat) {
    Bytes out;
    if (std::unique_ptr<AudioDecoder> decoder = openDecoder(wav, target)) {
        EXPECT_GE(decoder->decode(wav.data, true, out), 0);
    }
    return out;
}

// Decodes the WAV's audio offered `piece` bytes at a time, offering again what a call left unused,
// as the loader does with its passes.
Bytes decodeInPieces(const WavContents& wav, std::size_t piece) {
    Bytes out;
    std::unique_ptr<AudioDecoder> decoder = openDecoder(wav);
    if (!decoder)
        return out;
    const std::span<const std::uint8_t> data = wav.data;
    std::size_t offset = 0;
    while (offset < data.size()) {
        const std::size_t length = std::min(piece, data.size() - offset);
        const bool last = offset + length == data.size();
        const long used = decoder->decode(data.subspan(offset, length), last, out);
        EXPECT_GE(used, 0);
        if (used <= 0)
            break;
        offset += static_cast<std::size_t>(used);
    }
    return out;
}

// How a test recording decodes to 8-bit mono at 8000 Hz.
struct CodecCase {
    const char* file;
    std::size_t samples;
};

void PrintTo(const CodecCase& c, std::ostream* os) {
    *os << c.file;
}

class RealRecordingDecode : public ::testing::TestWithParam<CodecCase> {};

TEST_P(RealRecordingDecode, MatchesTheFfmpegCommandLineSampleForSample) {
    const CodecCase& c = GetParam();
    const Bytes ours = decodeWhole(testWav(c.file));
    const Bytes reference = ffmpegDecode(dataFile(c.file));
    ASSERT_EQ(ours.size(), c.samples);
    EXPECT_TRUE(ours == reference) << "the samples differ from ffmpeg's";
}

TEST_P(RealRecordingDecode, GivesTheSameSamplesWhenOfferedInPieces) {
    const CodecCase& c = GetParam();
    const Bytes whole = decodeWhole(testWav(c.file));
    // Pieces that split blocks, so every call leaves a part-block to offer again.
    EXPECT_EQ(decodeInPieces(testWav(c.file), 1000), whole);
    EXPECT_EQ(decodeInPieces(testWav(c.file), 4268), whole);
}

INSTANTIATE_TEST_SUITE_P(
    TelephonyCodecs, RealRecordingDecode,
    ::testing::Values(CodecCase{"8ktruespeech.wav", 461 * 240}, CodecCase{"8kgsm.wav", 346 * 320},
                      // 218 blocks of 505 samples, then the call's end in 204 bytes of a 256-byte
                      // block: its header sample and (204 - 4) * 2 = 400 more.
                      CodecCase{"8kadpcm.wav", 218 * 505 + 401}, CodecCase{"8kulaw.wav", 110488},
                      // 16-bit PCM becomes (s >> 8) + 128, as the ffmpeg conversion does.
                      CodecCase{"8k16bitpcm.wav", 110491}));

TEST(ResampledDecode, MatchesTheFfmpegCommandLineIncludingTheResamplersTail) {
    // Another playback rate goes through the resampler, whose filter holds back its last samples
    // until it is flushed: without the flush the output would come out short.
    for (const auto& [file, rate, samples] :
         {std::tuple{"8kulaw.wav", 11025, 152267u}, std::tuple{"8ktruespeech.wav", 6000, 82980u}}) {
        SCOPED_TRACE(std::string(file) + " at " + std::to_string(rate));
        const auto hertz = static_cast<std::uint32_t>(rate);
        const Bytes ours = decodeWhole(testWav(file), WaveFormat{kTagPcm, 1, hertz, hertz, 1, 8, 0});
        EXPECT_EQ(ours.size(), samples);
        EXPECT_TRUE(ours == ffmpegDecode(dataFile(file), rate)) << "the samples differ from ffmpeg's";
    }
}

// The largest normalised cross-correlation of two zero-centred signals over lags -maxLag..maxLag,
// and the lag of `b` against `a` where it is found.
struct Correlation {
    double value = -1;
    int lag = 0;
};

Correlation bestCorrelation(const std::vector<double>& a, const std::vector<double>& b, int maxLag) {
    Correlation best;
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double product = 0, energyA = 0, energyB = 0;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const long j = static_cast<long>(i) + lag;
            if (j < 0 || j >= static_cast<long>(b.size()))
                continue;
            product += a[i] * b[static_cast<std::size_t>(j)];
            energyA += a[i] * a[i];
            energyB += b[static_cast<std::size_t>(j)] * b[static_cast<std::size_t>(j)];
        }
        const double value = energyA > 0 && energyB > 0 ? product / std::sqrt(energyA * energyB) : 0;
        if (value > best.value)
            best = {value, lag};
    }
    return best;
}

TEST(TrueSpeechDecode, SoundsLikeTheUncompressedSpeech) {
    // A decode of the right length but the wrong audio would not correlate with the original.
    const Bytes decoded = decodeWhole(testWav("8ktruespeech.wav"));
    std::vector<double> speech;
    for (const std::uint8_t sample : decoded)
        speech.push_back(sample - 128.0);

    const Bytes& pcm = testWav("8k16bitpcm.wav").data;
    std::vector<double> original;
    for (std::size_t i = 0; i + 1 < pcm.size(); i += 2)
        original.push_back(static_cast<std::int16_t>(pcm[i] | pcm[i + 1] << 8));

    const Correlation best = bestCorrelation(original, speech, 200);
    EXPECT_GE(best.value, 0.8);
    // The codec's delay: the decoded speech runs 60 samples behind the original.
    EXPECT_EQ(best.lag, 60);
}

TEST(AudioDecoderBlocks, UsesWholeBlocksOnlyAndDrainsOnTheLastCall) {
    const WavContents& wav = testWav("8ktruespeech.wav");
    std::unique_ptr<AudioDecoder> decoder = openDecoder(wav);
    ASSERT_NE(decoder, nullptr);
    EXPECT_EQ(decoder->blockSize(), 32u);

    Bytes out;
    EXPECT_EQ(decoder->decode(std::span(wav.data).first(31), false, out), 0);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(decoder->decode(std::span(wav.data).first(70), false, out), 64);
    Bytes withTail(wav.data.begin() + 64, wav.data.end());
    withTail.insert(withTail.end(), 20, 0x55);
    EXPECT_EQ(decoder->decode(withTail, true, out), static_cast<long>(wav.data.size() - 64));
    EXPECT_EQ(out, decodeWhole(wav));
}

TEST(AudioDecoderBlocks, KnowsWhichTagsItServes) {
    for (const std::uint16_t tag :
         std::initializer_list<std::uint16_t>{0x02, 0x06, 0x07, 0x11, 0x22, 0x31, 0x55})
        EXPECT_TRUE(AudioDecoder::canDecode(tag, 0)) << tag;
    EXPECT_TRUE(AudioDecoder::canDecode(kTagPcm, 8));
    EXPECT_TRUE(AudioDecoder::canDecode(kTagPcm, 16));
    EXPECT_FALSE(AudioDecoder::canDecode(kTagPcm, 12));
    EXPECT_FALSE(AudioDecoder::canDecode(0, 8));
    EXPECT_FALSE(AudioDecoder::canDecode(0x9999, 8));
}

// A recording of `version` whose header names the WAV's format and whose audio is its data.
RecordingBuilder recordingOf(int version, const WavContents& wav) {
    RecordingBuilder builder(version);
    builder.vrh.audioFormat = builder.vrh2.audioFormat = builder.vrh3.audioFormat = wav.format;
    builder.audio = wav.data;
    return builder;
}

// The player's loading step on a recording file: reader, audio-length rule, decoder, store.
class PlayerLoadsCompressedAudio : public ::testing::Test {
  protected:
    // Writes and opens the recording, then loads its audio; returns loadRecordingAudio's result.
    int load(const RecordingBuilder& builder) {
        builder.writeTo(path);
        rec = RecordingState{};
        rec.recordingPath = path;
        RecordingReader reader(rec, reporter, {});
        if (reader.openRecording() != 0) {
            ADD_FAILURE() << "openRecording: " << messenger.onlyText();
            return -1;
        }
        return loadRecordingAudio(reader, rec, store, reporter,
                                  [this](const std::string& text) { progress.push_back(text); });
    }
    Bytes stored() const { return {store.samples().begin(), store.samples().end()}; }

    test::TempDir dir;
    std::string path = dir.file("call.ZOQ");
    test::FakeMessenger messenger;
    test::FakeLog log;
    Reporter reporter{messenger, log};
    RecordingState rec;
    SampleStore store;
    std::vector<std::string> progress;
};

TEST_F(PlayerLoadsCompressedAudio, ARawCallIsPlayedFromItsFileUnlessOthersMayWriteIt) {
    RecordingBuilder builder(9);
    builder.audio = test::makeAudio(8000 * 30);
    for (const bool othersMayWrite : {false, true}) {
        SCOPED_TRACE(othersMayWrite ? "group-writable" : "the user's alone");
        store.clear();
        builder.writeTo(path);
        std::filesystem::permissions(path, othersMayWrite ? std::filesystem::perms(0660)
                                                          : std::filesystem::perms(0600));
        ASSERT_EQ(load(builder), 0) << messenger.onlyText();
        // Mapped, not copied; but a file others could cut short under the mapping is copied.
        EXPECT_EQ(store.mapped(), !othersMayWrite);
        EXPECT_EQ(stored(), builder.audio);
        // A save renames a new file over the call: the sound loaded stays as it was.
        const std::string saved = dir.file("saved.ZOQ");
        RecordingBuilder changed = builder;
        std::reverse(changed.audio.begin(), changed.audio.end());
        changed.writeTo(saved);
        std::filesystem::rename(saved, path);
        EXPECT_EQ(stored(), builder.audio);
    }
}

TEST_F(PlayerLoadsCompressedAudio, ALongCallGoesOnDecodingOnTheLoadersThreadIntoAStoreReadableAsItGrows) {
    // Ten minutes of TrueSpeech, loaded all at once as zoqtool does: what the player must end with.
    const WavContents& wav = testWav("8ktruespeech.wav");
    RecordingBuilder builder = recordingOf(10, wav);
    while (builder.audio.size() < 10 * 60 * 1067)
        builder.audio.insert(builder.audio.end(), wav.data.begin(), wav.data.end());
    ASSERT_EQ(load(builder), 0) << messenger.onlyText();
    const Bytes whole = stored();

    // As the player loads it: the first stretch before start-up goes on, the rest on a thread.
    const auto startLoading = [&](RecordingState& into, SampleStore& growing,
                                  std::unique_ptr<LoaderThread>& decoding) {
        into.recordingPath = path;
        RecordingReader reader(into, reporter, {});
        ASSERT_EQ(reader.openRecording(), 0);
        progress.clear();
        ASSERT_EQ(startLoadingRecordingAudio(
                      reader, into, growing, reporter,
                      [this](const std::string& text) { progress.push_back(text); }, decoding),
                  0);
    };
    RecordingState playing;
    SampleStore growing;
    std::unique_ptr<LoaderThread> decoding;
    startLoading(playing, growing, decoding);
    ASSERT_NE(decoding, nullptr);
    EXPECT_EQ(progress.back(), "Decompressing block 0");
    EXPECT_FALSE(playing.recordingFile);
    // Read while it grows: every entry seen is the call's own, and stays so.
    std::size_t seen = 0;
    while (!decoding->finished()) {
        const std::span<const std::uint8_t> now = growing.samples();
        ASSERT_LE(now.size(), whole.size());
        ASSERT_TRUE(std::equal(now.begin() + static_cast<long>(seen), now.end(),
                               whole.begin() + static_cast<long>(seen)));
        seen = now.size();
    }
    EXPECT_EQ(decoding->finish(playing, reporter), 0);
    EXPECT_EQ(Bytes(growing.samples().begin(), growing.samples().end()), whole);
    EXPECT_EQ(playing.audioLength, whole.size());
    EXPECT_TRUE(messenger.shown.empty());

    // An export header promising more than the file holds: the failure comes part way, in its own
    // words, and what decoded before it stays playable.
    builder.exportHeader = test::makeExportHeader(static_cast<std::uint32_t>(builder.audio.size() * 2));
    builder.writeTo(path);
    RecordingState cut;
    SampleStore partial;
    startLoading(cut, partial, decoding);
    ASSERT_NE(decoding, nullptr);
    decoding->wait();
    EXPECT_EQ(decoding->finish(cut, reporter), 1);
    EXPECT_EQ(messenger.onlyText().rfind("audioDecompress failed read ", 0), 0u) << messenger.onlyText();
    // The passes before the short read, the call's own.
    ASSERT_GT(partial.indexCount(), 0u);
    EXPECT_TRUE(std::equal(partial.samples().begin(), partial.samples().end(), whole.begin()));
    EXPECT_EQ(cut.audioLength, partial.indexCount());
}

TEST_F(PlayerLoadsCompressedAudio, DecodesATrueSpeechRecordingInFourSecondPasses) {
    const WavContents& wav = testWav("8ktruespeech.wav");
    RecordingBuilder builder = recordingOf(10, wav);
    // The audio starts after the comments and keywords: a wrong start would misalign every block.
    builder.comments = "caller asked for a refund\r\n";
    builder.words = {test::makeWord("refund", {8000})};
    ASSERT_EQ(load(builder), 0) << messenger.onlyText();

    EXPECT_EQ(stored(), decodeWhole(wav));
    EXPECT_EQ(rec.audioLength, 461u * 240u);
    EXPECT_FALSE(rec.recordingFile);
    EXPECT_TRUE(messenger.shown.empty());
    // 4 seconds of input at 1067 bytes a second is 4268 bytes, 133 whole blocks (4256 bytes) a
    // pass: 14752 bytes take four passes, and each pass but the last shows its number.
    EXPECT_EQ(progress, (std::vector<std::string>{"READING FILE TO BUFFER", "FINDING CODEC",
                                                  "GETTING READY TO DECOMPRESS FILE", "Decompressing block 0",
                                                  "Decompressing block 1", "Decompressing block 2"}));
}

TEST_F(PlayerLoadsCompressedAudio, KeepsATrailingPartBlockOutAndLogsIt) {
    const WavContents& wav = testWav("8ktruespeech.wav");
    RecordingBuilder builder = recordingOf(10, wav);
    builder.audio.insert(builder.audio.end(), 20, 0x55);
    ASSERT_EQ(load(builder), 0) << messenger.onlyText();

    EXPECT_EQ(stored(), decodeWhole(wav));
    EXPECT_EQ(rec.audioLength, 461u * 240u);
    EXPECT_TRUE(messenger.shown.empty());
    EXPECT_EQ(log.lines,
              std::vector<std::string>{"audioDecompress ignored 20 bytes after the last whole block"});
}

TEST_F(PlayerLoadsCompressedAudio, NewHeadersPlayOnlyPcmTrueSpeechAndMpeg) {
    // GSM in a version-10 header is searched as tag 0, which nothing decodes.
    ASSERT_EQ(load(recordingOf(10, testWav("8kgsm.wav"))), 1);
    const std::string expected = "Error, getAudioCompressionDriverId decomp failed, 0x00 pid=0 mfid=0";
    EXPECT_EQ(messenger.onlyText(), expected);
    EXPECT_EQ(log.lines, std::vector<std::string>{expected});
    EXPECT_EQ(progress, (std::vector<std::string>{"READING FILE TO BUFFER", "FINDING CODEC"}));
    EXPECT_EQ(store.indexCount(), 0u);
}

TEST_F(PlayerLoadsCompressedAudio, AnAdpcmCallKeepsItsEndInAPartBlock) {
    // IMA ADPCM in a version-7 recording, whose header holds the format without its extra bytes:
    // every sample the ffmpeg command line decodes from the WAV file, the last 401 included.
    const WavContents& wav = testWav("8kadpcm.wav");
    ASSERT_EQ(load(recordingOf(7, wav)), 0) << messenger.onlyText();
    const Bytes reference = ffmpegDecode(dataFile("8kadpcm.wav"));
    EXPECT_EQ(reference.size(), 218u * 505u + 401u);
    EXPECT_TRUE(stored() == reference) << "the samples differ from ffmpeg's";
    EXPECT_EQ(rec.audioLength, reference.size());
    EXPECT_TRUE(log.lines.empty()) << log.lines.front();
}

TEST_F(PlayerLoadsCompressedAudio, OlderHeadersKeepTheirFormatTag) {
    struct OldRecording {
        int version;
        const char* file;
    };
    for (const OldRecording old :
         {OldRecording{7, "8kgsm.wav"}, OldRecording{4, "8kadpcm.wav"}, OldRecording{7, "8kulaw.wav"}}) {
        SCOPED_TRACE(std::to_string(old.version) + " " + old.file);
        store.clear();
        progress.clear();
        const WavContents& wav = testWav(old.file);
        ASSERT_EQ(load(recordingOf(old.version, wav)), 0) << messenger.onlyText();
        EXPECT_EQ(stored(), decodeWhole(wav));
        EXPECT_EQ(rec.audioLength, store.indexCount());
    }
    EXPECT_TRUE(messenger.shown.empty());
}

TEST_F(PlayerLoadsCompressedAudio, ReportsAFileShorterThanItsExportHeaderSays) {
    const WavContents& wav = testWav("8ktruespeech.wav");
    RecordingBuilder builder = recordingOf(10, wav);
    builder.exportHeader = test::makeExportHeader(static_cast<std::uint32_t>(wav.data.size()));
    builder.audio.resize(5000);
    EXPECT_EQ(load(builder), 1);
    // The second pass starts at 4256 and finds 744 of its 4268 bytes.
    EXPECT_EQ(messenger.onlyText(), "audioDecompress failed read 744 of 4268");
    EXPECT_EQ(log.lines, std::vector<std::string>{"audioDecompress failed read 744 of 4268"});
    EXPECT_FALSE(rec.recordingFile);
}

} // namespace
} // namespace kestrum

namespace kestrum {
namespace {

// Headers that promise far more than the file holds must fail as what they are, small and fast.
TEST_F(PlayerLoadsCompressedAudio, AnExportHeaderCountingGigabytesFailsAsAShortRead) {
    RecordingBuilder builder = recordingOf(10, testWav("8ktruespeech.wav"));
    builder.audio.resize(64);
    builder.exportHeader = test::makeExportHeader(0xFFFFFFFFu);
    EXPECT_EQ(load(builder), 1);
    EXPECT_EQ(messenger.onlyText(), "audioDecompress failed read 0 of 64");
    EXPECT_LT(store.capacity(), 1u << 24); // nothing reserved for the claimed 4 GiB
}

TEST_F(PlayerLoadsCompressedAudio, HeaderRatesOutsideWhatADeviceCanPlayAreRefused) {
    for (const std::uint32_t rate : {1u, 999u, 384001u, 1073749824u}) {
        messenger.shown.clear();
        RecordingBuilder builder(10);
        builder.vrh3.audioFormat = {1, 1, rate, rate, 1, 8, 0};
        builder.audio = test::makeAudio(4000);
        EXPECT_EQ(load(builder), 1) << rate;
        EXPECT_EQ(messenger.onlyText(), "audioDecompress failed to open stream mmr=-22 hstr=0") << rate;
    }
    for (const std::uint32_t rate : {1000u, 384000u}) {
        RecordingBuilder builder(10);
        builder.vrh3.audioFormat = {1, 1, rate, rate, 1, 8, 0};
        builder.audio = test::makeAudio(4000);
        EXPECT_EQ(load(builder), 0) << rate << ": " << messenger.onlyText();
    }
}

} // namespace
} // namespace kestrum
