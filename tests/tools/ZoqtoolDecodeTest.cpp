// zoqtool decode: the real binary on recordings holding real speech, its WAV output read byte by
// byte and compared with the ffmpeg command line's decode of the same audio.

#include "convert/WavFile.h"
#include "support/ProcessRunner.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrum {
namespace {

using test::RecordingBuilder;
using Bytes = std::vector<std::uint8_t>;

std::string dataFile(const std::string& name) {
    return std::string(KESTRUM_TEST_DATA_DIR) + "/" + name;
}

test::ProcessResult zoqtool(const std::vector<std::string>& arguments) {
    return test::runProcess(ZOQTOOL_BINARY, arguments);
}

std::uint32_t littleEndian(const Bytes& bytes, std::size_t offset, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i)
        value |= static_cast<std::uint32_t>(bytes.at(offset + i)) << (8 * i);
    return value;
}

// A canonical 44-byte-header WAV of unsigned 8-bit mono PCM, checked field by field.
struct Pcm8Wav {
    std::uint32_t sampleRate = 0;
    Bytes samples;
};

Pcm8Wav readPcm8MonoWav(const std::string& path) {
    const Bytes file = test::readFileBytes(path);
    Pcm8Wav wav;
    if (file.size() < 44) {
        ADD_FAILURE() << path << " holds " << file.size() << " bytes";
        return wav;
    }
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(littleEndian(file, 16, 4), 16u);
    EXPECT_EQ(littleEndian(file, 20, 2), 1u) << "tag";
    EXPECT_EQ(littleEndian(file, 22, 2), 1u) << "channels";
    wav.sampleRate = littleEndian(file, 24, 4);
    EXPECT_EQ(littleEndian(file, 28, 4), wav.sampleRate) << "bytes per second";
    EXPECT_EQ(littleEndian(file, 32, 2), 1u) << "block align";
    EXPECT_EQ(littleEndian(file, 34, 2), 8u) << "bits per sample";
    EXPECT_EQ(std::string(file.begin() + 36, file.begin() + 40), "data");
    const std::uint32_t dataSize = littleEndian(file, 40, 4);
    const std::uint32_t padding = dataSize & 1u;
    EXPECT_EQ(file.size(), 44u + dataSize + padding);
    EXPECT_EQ(littleEndian(file, 4, 4), file.size() - 8) << "RIFF length";
    wav.samples.assign(file.begin() + 44,
                       file.begin() + 44 + std::min<std::size_t>(dataSize, file.size() - 44));
    return wav;
}

// The ffmpeg command line's decode of a WAV file to unsigned 8-bit mono at 8000 Hz.
Bytes ffmpegDecode(const std::string& path) {
    const test::ProcessResult result =
        test::runProcess("/usr/bin/env", {"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-f", "u8", "-ac",
                                          "1", "-ar", "8000", "-"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return {result.out.begin(), result.out.end()};
}

// A test recording's format and audio, to store in a recording.
WavContents testWav(const std::string& name) {
    WavContents contents;
    std::string error;
    EXPECT_TRUE(readWavFile(dataFile(name), contents, error)) << error;
    return contents;
}

class ZoqtoolDecode : public ::testing::Test {
  protected:
    test::TempDir dir;
    std::string recording = dir.file("call.ZOQ");
    std::string output = dir.file("call.wav");
};

TEST_F(ZoqtoolDecode, WritesATrueSpeechRecordingAsEightBitPcm) {
    const WavContents speech = testWav("8ktruespeech.wav");
    RecordingBuilder builder(10);
    builder.vrh3.audioFormat = speech.format;
    builder.exportHeader = test::makeExportHeader(static_cast<std::uint32_t>(speech.data.size()));
    builder.comments = "two speakers\r\n";
    builder.words = {test::makeWord("account", {4000})};
    builder.audio = speech.data;
    builder.writeTo(recording);

    const test::ProcessResult result = zoqtool({"decode", recording, output});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    const Pcm8Wav wav = readPcm8MonoWav(output);
    EXPECT_EQ(wav.sampleRate, 8000u);
    EXPECT_EQ(wav.samples.size(), 461u * 240u);
    EXPECT_TRUE(wav.samples == ffmpegDecode(dataFile("8ktruespeech.wav")))
        << "the samples differ from ffmpeg's decode";
}

TEST_F(ZoqtoolDecode, WritesARawRecordingAtItsOwnRate) {
    RecordingBuilder builder(11);
    builder.vrh3.audioFormat = {1, 1, 11025, 11025, 1, 8, 0};
    builder.comments = "raw audio follows\r\n";
    builder.words = {test::makeWord("delivery", {11025}), test::makeWord("late", {})};
    builder.audio = test::makeAudio(3001);
    builder.writeTo(recording);

    const test::ProcessResult result = zoqtool({"decode", recording, output});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Pcm8Wav wav = readPcm8MonoWav(output);
    EXPECT_EQ(wav.sampleRate, 11025u);
    EXPECT_EQ(wav.samples, builder.audio);
}

TEST_F(ZoqtoolDecode, AFailureExits1WithTheMessageAndWritesNothing) {
    // GSM in a version-10 header: no decoder is searched for it.
    RecordingBuilder builder(10);
    const WavContents gsm = testWav("8kgsm.wav");
    builder.vrh3.audioFormat = gsm.format;
    builder.audio = gsm.data;
    builder.writeTo(recording);
    test::ProcessResult result = zoqtool({"decode", recording, output});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Error, getAudioCompressionDriverId decomp failed, 0x00 pid=0 mfid=0\n");
    EXPECT_EQ(result.out, "");

    result = zoqtool({"decode", dir.file("none.ZOQ"), output});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Could not open file\n" + dir.file("none.ZOQ") + "\n");

    RecordingBuilder(9).writeTo(recording);
    const std::string unwritable = dir.file("missing/call.wav");
    result = zoqtool({"decode", recording, unwritable});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "cannot create " + unwritable + ": No such file or directory\n");

    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1); // the recording only
}

TEST_F(ZoqtoolDecode, WrongArgumentsAreAUsageError) {
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"decode"},
                                                      {"decode", recording},
                                                      {"decode", recording, output, "extra"}}) {
        const test::ProcessResult result = zoqtool(arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err, "usage: zoqtool decode FILE OUT.wav\n");
    }
}

} // namespace
} // namespace kestrum
