// zoqtool play through SDL's disk driver: what reaches the device is exactly the recording.

#include "support/ProcessRunner.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace kestrum {
namespace {

using test::RecordingBuilder;

// What the disk driver wrote, without the silence before the first and after the last sample.
std::vector<std::uint8_t> heard(const std::string& path) {
    std::vector<std::uint8_t> bytes = test::readFileBytes(path);
    const auto first = std::find_if(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b != 0x80; });
    const auto last =
        std::find_if(bytes.rbegin(), bytes.rend(), [](std::uint8_t b) { return b != 0x80; }).base();
    return first < last ? std::vector<std::uint8_t>(first, last) : std::vector<std::uint8_t>{};
}

class ZoqtoolPlayTest : public ::testing::Test {
  protected:
    test::ProcessResult play(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "play");
        test::ProcessOptions options;
        options.env = {{"SDL_AUDIODRIVER", "disk"}, {"SDL_DISKAUDIOFILE", output}};
        return test::runProcess(ZOQTOOL_BINARY, arguments, options);
    }

    test::TempDir dir;
    std::string output = dir.file("played.raw");
};

TEST_F(ZoqtoolPlayTest, EverySpeedPlaysEveryByteInOrderWithoutGaps) {
    RecordingBuilder builder(11);
    builder.comments = "a comment";
    builder.words = {test::makeWord("word", {4000})};
    builder.audio = test::makeAudio(5000); // never the silence value, so a gap would show
    builder.writeTo(dir.file("call.ZOQ"));
    for (const int speed : {0, 1, 2, 3, 4}) {
        const test::ProcessResult result = play({dir.file("call.ZOQ"), "--speed", std::to_string(speed)});
        ASSERT_EQ(result.exitCode, 0) << "speed " << speed << ": " << result.err;
        EXPECT_EQ(heard(output), builder.audio) << "speed " << speed;
    }
}

TEST_F(ZoqtoolPlayTest, PlaysFromAGivenSecond) {
    RecordingBuilder builder(9);
    builder.audio = test::makeAudio(12000);
    builder.writeTo(dir.file("call.ZOQ"));
    const test::ProcessResult result = play({dir.file("call.ZOQ"), "--from", "1"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(heard(output), std::vector<std::uint8_t>(builder.audio.begin() + 8000, builder.audio.end()));
}

TEST_F(ZoqtoolPlayTest, FailuresExitWithTheirMessage) {
    test::ProcessResult result = play({dir.file("absent.ZOQ")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Could not open file\n" + dir.file("absent.ZOQ")), std::string::npos)
        << result.err;

    result = play({dir.file("absent.ZOQ"), "--speed", "5"});
    EXPECT_EQ(result.exitCode, 2);
}

} // namespace
} // namespace kestrum
