// zoqtool play through SDL's disk driver: what reaches the device is exactly the recording, at
// every speed and in every playback format the reader accepts, in the time it should take.

#include "support/ProcessRunner.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace kestrum {
namespace {

using test::RecordingBuilder;

// What the disk driver wrote, without the silence (0x80, or 0 for 16-bit sound) before the first
// and after the last sample.
std::vector<std::uint8_t> heard(const std::string& path, std::uint8_t silence = 0x80) {
    std::vector<std::uint8_t> bytes = test::readFileBytes(path);
    const auto sound = [silence](std::uint8_t b) { return b != silence; };
    const auto first = std::find_if(bytes.begin(), bytes.end(), sound);
    const auto last = std::find_if(bytes.rbegin(), bytes.rend(), sound).base();
    return first < last ? std::vector<std::uint8_t>(first, last) : std::vector<std::uint8_t>{};
}

// A version-11 recording of raw PCM in a format of its own, `seconds` long, whose bytes are never
// the format's silence.
RecordingBuilder rawRecording(std::uint16_t channels, std::uint16_t bits, double seconds) {
    RecordingBuilder builder(11);
    const std::uint16_t frameBytes = static_cast<std::uint16_t>(channels * bits / 8);
    builder.vrh3.audioFormat = {kTagPcm, channels, 8000, 8000u * frameBytes, frameBytes, bits, 0};
    builder.audio = test::makeAudio(static_cast<std::size_t>(seconds * 8000) * frameBytes);
    if (bits == 16)
        std::replace(builder.audio.begin(), builder.audio.end(), std::uint8_t{0}, std::uint8_t{1});
    return builder;
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

struct Format {
    const char* name;
    std::uint16_t channels, bits;
};
const Format kFormats[] = {{"8-bit mono", 1, 8}, {"16-bit mono", 1, 16}, {"8-bit stereo", 2, 8}};

TEST_F(ZoqtoolPlayTest, EveryPlaybackFormatPlaysExactlyAtEverySpeedFromAnySecond) {
    for (const Format& format : kFormats) {
        SCOPED_TRACE(format.name);
        const RecordingBuilder builder = rawRecording(format.channels, format.bits, 1.2);
        builder.writeTo(dir.file("call.ZOQ"));
        const std::uint8_t silence = format.bits == 16 ? 0 : 0x80;
        for (const char* speed : {"0.75", "0.88", "1", "1.25", "1.5"}) {
            const test::ProcessResult result = play({dir.file("call.ZOQ"), "--speed", speed});
            ASSERT_EQ(result.exitCode, 0) << "speed " << speed << ": " << result.err;
            EXPECT_EQ(heard(output, silence), builder.audio) << "speed " << speed;
        }
        // One second in is 8000 frames in, whatever a frame holds.
        const test::ProcessResult result = play({dir.file("call.ZOQ"), "--from", "1"});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const std::size_t second = 8000u * format.channels * format.bits / 8;
        EXPECT_EQ(heard(output, silence),
                  std::vector<std::uint8_t>(builder.audio.begin() + second, builder.audio.end()));
    }
}

TEST_F(ZoqtoolPlayTest, PlayTakesTheTimeTheRecordingLastsAtItsSpeed) {
    // The device takes the sound at the speed's rate: timed by the disk driver's file growing while
    // the call plays, so the program's own start and end (slow in the sanitized build on a busy
    // machine) are not counted. Four seconds of the device's time at Fast +50%, the tightest speed.
    for (const Format& format : kFormats) {
        SCOPED_TRACE(format.name);
        rawRecording(format.channels, format.bits, 10).writeTo(dir.file("call.ZOQ"));
        std::filesystem::remove(output);
        test::ProcessOptions options;
        options.env = {{"SDL_AUDIODRIVER", "disk"}, {"SDL_DISKAUDIOFILE", output}};
        test::RunningProcess player(ZOQTOOL_BINARY, {"play", dir.file("call.ZOQ"), "--speed", "1.5"},
                                    options);
        const double bytesPerSecond = 12000.0 * format.channels * format.bits / 8;
        const auto played = [&] {
            std::error_code error;
            const auto size = std::filesystem::file_size(output, error);
            return error ? 0.0 : static_cast<double>(size) / bytesPerSecond;
        };
        ASSERT_TRUE(test::waitUntil([&] { return played() >= 1; }, 20)) << player.errorSoFar();
        const double from = played();
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(test::waitUntil([&] { return played() >= from + 4; }, 20)) << player.errorSoFar();
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_NEAR(elapsed, played() - from, 0.4);
        EXPECT_EQ(player.wait().exitCode, 0);
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

    result = play({dir.file("absent.ZOQ"), "--speed", "1.75"});
    EXPECT_EQ(result.exitCode, 2);
}

TEST_F(ZoqtoolPlayTest, TakesTheSpeedAsAFactorAndASecondPastTheEndAsTheLastSecond) {
    const RecordingBuilder builder = rawRecording(1, 8, 2.5);
    builder.writeTo(dir.file("call.ZOQ"));
    const std::vector<std::uint8_t> lastSecond(builder.audio.end() - 8000, builder.audio.end());
    const std::string speeds = "0.75, 0.88, 1, 1.25, 1.5 (or 75%, 88%, 100%, 125%, 150%)";
    const struct {
        std::vector<std::string> options;
        std::vector<std::uint8_t> heard; // what plays, when it plays
        std::string refusal;             // the first line on stderr, when it is refused
    } cases[] = {
        {{"--from", "2.5"}, lastSecond, {}},
        {{"--from", "90"}, lastSecond, {}},
        {{"--from", "1e300"}, lastSecond, {}},
        {{"--from", "1.5", "--rewind", "1"}, {builder.audio.begin() + 4000, builder.audio.end()}, {}},
        {{"--speed", "75%"}, builder.audio, {}},
        {{"--speed", "0.875"}, builder.audio, {}},
        {{"--from", "inf"}, {}, "--from takes a number of seconds, 0 or more, not inf"},
        {{"--from", "nan"}, {}, "--from takes a number of seconds, 0 or more, not nan"},
        {{"--from", "1e400"}, {}, "--from takes a number of seconds, 0 or more, not 1e400"},
        {{"--from", "-1"}, {}, "--from takes a number of seconds, 0 or more, not -1"},
        {{"--speed", "0.8"}, {}, "the player has no speed 0.8: it plays at " + speeds},
        {{"--speed", "2"}, {}, "the player has no speed 2: it plays at " + speeds},
        {{"--speed", "inf%"}, {}, "the player has no speed inf%: it plays at " + speeds},
        {{"--rewind", "nan"}, {}, "--rewind takes a whole number of seconds from 0 to 5, not nan"},
        {{"--rewind", "1.5"}, {}, "--rewind takes a whole number of seconds from 0 to 5, not 1.5"},
    };
    for (const auto& [options, played, refusal] : cases) {
        SCOPED_TRACE(options[0] + " " + options[1]);
        std::vector<std::string> arguments{dir.file("call.ZOQ")};
        arguments.insert(arguments.end(), options.begin(), options.end());
        std::filesystem::remove(output);
        const test::ProcessResult result = play(arguments);
        if (refusal.empty()) {
            ASSERT_EQ(result.exitCode, 0) << result.err;
            EXPECT_EQ(heard(output), played);
        } else {
            EXPECT_EQ(result.exitCode, 2);
            EXPECT_EQ(result.err.substr(0, result.err.find('\n')), "zoqtool: " + refusal);
            EXPECT_FALSE(std::filesystem::exists(output));
        }
    }
}

} // namespace
} // namespace kestrum
