// The end of a call in a block the recorder never filled: ADPCM decodes such a part-block as far as
// it goes (its block header says how many samples follow), sample for sample as the ffmpeg command
// line does; TrueSpeech and GSM cannot, and leave it unused.

#include "audio/AudioDecoder.h"
#include "support/ProcessRunner.h"
#include "support/RealAudio.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace kestrum {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Decodes `data` in `format`, in pieces of `piece` bytes, each call offered again what the one
// before left unused, as the loader's passes do; the last call says the audio ends there.
Bytes decodeInPieces(const WaveFormat& format, const Bytes& data, std::size_t piece, std::size_t& unused) {
    int error = 0;
    std::unique_ptr<AudioDecoder> decoder = AudioDecoder::open(format, {}, kPcmDefaultFormat, error);
    EXPECT_NE(decoder, nullptr) << error;
    Bytes out;
    std::size_t offset = 0;
    while (decoder && offset < data.size()) {
        const std::size_t length = std::min(piece, data.size() - offset);
        const long used =
            decoder->decode(std::span(data).subspan(offset, length), offset + length == data.size(), out);
        EXPECT_GE(used, 0);
        if (used <= 0)
            break;
        offset += static_cast<std::size_t>(used);
    }
    unused = data.size() - offset;
    return out;
}

// The audio of `wav` cut to `blocks` whole blocks and `tail` bytes of the next, decoded by us (in one
// call and in pieces that split blocks) and by the ffmpeg command line from a WAV file of it. The
// decoder is opened from the format without its extra bytes, as a recording's header gives it.
void expectCutDecodesAsFfmpegDoes(const WavContents& wav, std::size_t blocks, std::size_t tail,
                                  std::size_t expectedUnused) {
    SCOPED_TRACE(std::to_string(blocks) + " blocks and " + std::to_string(tail) + " bytes");
    WavContents cut = wav;
    cut.data.resize(blocks * wav.format.blockAlign + tail);
    test::TempDir dir;
    test::writeFileBytes(dir.file("cut.wav"), test::wavFileBytes(cut));
    const Bytes reference = test::ffmpegDecode(dir.file("cut.wav"));

    std::size_t unused = 0;
    const Bytes whole = decodeInPieces(cut.format, cut.data, cut.data.size(), unused);
    EXPECT_EQ(unused, expectedUnused);
    EXPECT_EQ(whole.size(), reference.size());
    EXPECT_TRUE(whole == reference) << "the samples differ from ffmpeg's";
    const std::size_t piece = 3 * std::size_t{wav.format.blockAlign} + 100; // splits blocks
    EXPECT_EQ(decodeInPieces(cut.format, cut.data, piece, unused), whole);
    EXPECT_EQ(unused, expectedUnused);
}

TEST(PartBlockDecode, ImaAdpcmDecodesTheCallsLastPartBlock) {
    // 256-byte blocks: a 4-byte header holds the first sample, every further byte two more.
    const WavContents& wav = test::testWav("8kadpcm.wav");
    ASSERT_EQ(wav.format.blockAlign, 256);
    for (const std::size_t tail : {4u, 5u, 17u, 204u, 255u})
        expectCutDecodesAsFfmpegDoes(wav, 100, tail, 0);
    // Less than a block header is no sample at all; nothing decodes it.
    expectCutDecodesAsFfmpegDoes(wav, 100, 3, 3);
    // A call shorter than one block.
    expectCutDecodesAsFfmpegDoes(wav, 0, 150, 0);
}

TEST(PartBlockDecode, MsAdpcmDecodesTheCallsLastPartBlock) {
    // The same speech encoded by ffmpeg as MS ADPCM: 1024-byte blocks with a 7-byte header.
    test::TempDir dir;
    const test::ProcessResult made = test::runProcess(
        "/usr/bin/env", {"ffmpeg", "-nostdin", "-v", "error", "-i", test::dataFile("8k16bitpcm.wav"), "-c:a",
                         "adpcm_ms", "-bitexact", "-map_metadata", "-1", dir.file("ms.wav")});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    WavContents wav;
    std::string error;
    ASSERT_TRUE(readWavFile(dir.file("ms.wav"), wav, error)) << error;
    ASSERT_EQ(wav.format.tag, 0x0002);
    ASSERT_EQ(wav.format.blockAlign, 1024);
    for (const std::size_t tail : {7u, 8u, 333u, 1023u})
        expectCutDecodesAsFfmpegDoes(wav, 20, tail, 0);
    expectCutDecodesAsFfmpegDoes(wav, 20, 6, 6);
}

TEST(PartBlockDecode, FramesThatAreAllOrNothingLeaveTheirPartBlockUnused) {
    // TrueSpeech's 32-byte and GSM's 65-byte frames decode whole or not at all.
    expectCutDecodesAsFfmpegDoes(test::testWav("8ktruespeech.wav"), 100, 20, 20);
    expectCutDecodesAsFfmpegDoes(test::testWav("8kgsm.wav"), 100, 64, 64);
}

} // namespace
} // namespace kestrum
