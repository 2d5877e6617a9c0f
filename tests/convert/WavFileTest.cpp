// The WAV file reader and writer: real files, chunks laid out by hand, files cut short, and what
// the writer makes read back.

#include "convert/WavFile.h"
#include "support/RealAudio.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kestrum {
namespace {

using test::ffmpegDecode;
using test::RecordingBuilder;
using test::testWav;
using Bytes = std::vector<std::uint8_t>;

TEST(WavFile, ReadsTheFormatExtraBytesAndDataPastOtherChunks) {
    const WavContents& speech = testWav("8ktruespeech.wav");
    EXPECT_EQ(speech.format, (WaveFormat{kTagTrueSpeech, 1, 8000, 1067, 32, 1, 32}));
    ASSERT_EQ(speech.extraData.size(), 32u);
    EXPECT_EQ(speech.extraData[0], 0x01);
    EXPECT_EQ(speech.extraData[2], 0xF0);
    EXPECT_EQ(speech.data.size(), 461u * 32u); // after a fact chunk

    const WavContents& pcm = testWav("8k16bitpcm.wav");
    // A 16-byte fmt chunk has no extra-size field.
    EXPECT_EQ(pcm.format, (WaveFormat{kTagPcm, 1, 8000, 16000, 2, 16, 0}));
    EXPECT_TRUE(pcm.extraData.empty());
    EXPECT_EQ(pcm.data.size(), 220982u);
}

// Appends a RIFF chunk by hand, with the pad byte an odd length needs unless `pad` is false.
void appendChunk(Bytes& out, const char* id, const Bytes& body, bool pad = true) {
    out.insert(out.end(), id, id + 4);
    const auto size = static_cast<std::uint32_t>(body.size());
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(size >> shift));
    out.insert(out.end(), body.begin(), body.end());
    if (pad && body.size() % 2 != 0)
        out.push_back(0xEE);
}

Bytes riffWave() {
    return {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
}

TEST(WavFile, SkipsOddLengthChunksByTheirPadByte) {
    Bytes file = riffWave();
    appendChunk(file, "LIST", {'a', 'b', 'c'});
    appendChunk(file, "fmt ", {7, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x40, 0x1F, 0, 0, 1, 0, 8, 0, 0, 0});
    appendChunk(file, "data", {1, 2, 3, 4, 5}, false); // the last chunk may lack its pad byte
    WavContents contents;
    std::string error;
    ASSERT_TRUE(parseWav(file, contents, error)) << error;
    EXPECT_EQ(contents.format, (WaveFormat{7, 1, 8000, 8000, 1, 8, 0}));
    EXPECT_EQ(contents.data, (Bytes{1, 2, 3, 4, 5}));
}

TEST(WavFile, RefusesFilesThatAreNotWholeWavFiles) {
    test::TempDir dir;
    const std::map<std::string, Bytes> refused = {
        {"not a WAV file", RecordingBuilder(10).bytes()},
        {"too short", {'R', 'I', 'F', 'F'}},
        {"no 'data' chunk",
         [] {
             Bytes file = riffWave();
             appendChunk(file, "fmt ", Bytes(16, 1));
             return file;
         }()},
        {"no 'fmt ' chunk",
         [] {
             Bytes file = riffWave();
             appendChunk(file, "data", Bytes(16, 1));
             return file;
         }()},
        {"claims 100 bytes but only 16 follow",
         [] {
             Bytes file = riffWave();
             appendChunk(file, "fmt ", Bytes(16, 1));
             appendChunk(file, "data", Bytes(16, 1));
             file[file.size() - 20] = 100;
             return file;
         }()},
        {"declares 4 extra bytes but holds 2",
         [] {
             Bytes format(20, 0);
             format[16] = 4;
             Bytes file = riffWave();
             appendChunk(file, "fmt ", format);
             appendChunk(file, "data", Bytes(16, 1));
             return file;
         }()},
    };
    for (const auto& [reason, bytes] : refused) {
        const std::string path = dir.file("refused.wav");
        test::writeFileBytes(path, bytes);
        WavContents contents;
        std::string error;
        EXPECT_FALSE(readWavFile(path, contents, error)) << reason;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
        EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
    }
    WavContents contents;
    std::string error;
    EXPECT_FALSE(readWavFile(dir.file("missing.wav"), contents, error));
    EXPECT_EQ(error, "cannot open " + dir.file("missing.wav") + ": No such file or directory");
}

TEST(WavFile, WritesStandardEightBitPcmThatReadsBack) {
    test::TempDir dir;
    const std::string path = dir.file("out.wav");
    const Bytes samples = test::makeAudio(1001); // odd: the data chunk needs a pad byte
    std::string error;
    test::writeFileBytes(path, Bytes(10, 'x')); // replaced whole
    ASSERT_TRUE(writePcm8WavFile(path, 1, 8000, samples, error)) << error;

    const Bytes file = test::readFileBytes(path);
    ASSERT_EQ(file.size(), 44u + 1001u + 1u);
    EXPECT_EQ(Bytes(file.begin() + 4, file.begin() + 8), (Bytes{0x0E, 0x04, 0, 0})); // 4 + 24 + 8 + 1002
    WavContents contents;
    ASSERT_TRUE(readWavFile(path, contents, error)) << error;
    EXPECT_EQ(contents.format, (WaveFormat{kTagPcm, 1, 8000, 8000, 1, 8, 0}));
    EXPECT_EQ(contents.data, samples);
    // Another program reads it as the same samples.
    EXPECT_EQ(ffmpegDecode(path), samples);
    // Nothing is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    ASSERT_TRUE(writePcm8WavFile(path, 2, 11025, samples, error)) << error;
    ASSERT_TRUE(readWavFile(path, contents, error)) << error;
    EXPECT_EQ(contents.format, (WaveFormat{kTagPcm, 2, 11025, 22050, 2, 8, 0}));
}

TEST(WavFile, ReportsAPathItCannotWrite) {
    test::TempDir dir;
    const std::string path = dir.file("no-such-directory/out.wav");
    std::string error;
    EXPECT_FALSE(writePcm8WavFile(path, 1, 8000, Bytes(8, 1), error));
    EXPECT_EQ(error, "cannot create " + path + ": No such file or directory");
}

} // namespace
} // namespace kestrum
