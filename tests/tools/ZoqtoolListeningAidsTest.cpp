// The listening aids heard through zoqtool play and SDL's disk driver, on a test tone and on real
// speech: the tempo without the pitch, silence skipped, quiet and loud halves evened out.

#include "support/ProcessRunner.h"
#include "support/RealAudio.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace kestrum {
namespace {

using test::RecordingBuilder;

// What the disk driver wrote, without the silence before the first and after the last sound.
std::vector<std::uint8_t> heard(const std::string& path) {
    std::vector<std::uint8_t> bytes = test::readFileBytes(path);
    const auto sound = [](std::uint8_t b) { return b < 0x7D || b > 0x83; };
    const auto first = std::find_if(bytes.begin(), bytes.end(), sound);
    const auto last = std::find_if(bytes.rbegin(), bytes.rend(), sound).base();
    return first < last ? std::vector<std::uint8_t>(first, last) : std::vector<std::uint8_t>{};
}

// Cycles per sample of an 8-bit tone, from its rising crossings of the middle.
double cyclesPerSample(const std::vector<std::uint8_t>& tone) {
    int crossings = 0;
    for (std::size_t i = 1; i < tone.size(); ++i)
        crossings += tone[i - 1] < 128 && tone[i] >= 128;
    return static_cast<double>(crossings) / static_cast<double>(tone.size());
}

// The level of 8-bit sound in dB of full scale.
double decibels(const std::vector<std::uint8_t>& sound, std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += (sound[i] - 128.0) * (sound[i] - 128.0);
    return 10 * std::log10(sum / static_cast<double>(to - from) / (128.0 * 128.0));
}

class ZoqtoolListeningAidsTest : public ::testing::Test {
  protected:
    test::ProcessResult play(const std::vector<std::uint8_t>& audio, std::vector<std::string> arguments) {
        RecordingBuilder builder(9);
        builder.audio = audio;
        builder.writeTo(dir.file("call.ZOQ"));
        arguments.insert(arguments.begin(), {"play", dir.file("call.ZOQ")});
        test::ProcessOptions options;
        options.env = {{"SDL_AUDIODRIVER", "disk"}, {"SDL_DISKAUDIOFILE", output}};
        return test::runProcess(ZOQTOOL_BINARY, arguments, options);
    }
    // Real speech, as 8-bit at 8000 Hz: the first `seconds` of a call.
    static std::vector<std::uint8_t> speech(int seconds) {
        std::vector<std::uint8_t> words = test::ffmpegDecode(test::dataFile("8k16bitpcm.wav"));
        words.resize(static_cast<std::size_t>(seconds) * 8000);
        return words;
    }

    test::TempDir dir;
    std::string output = dir.file("played.raw");
};

TEST_F(ZoqtoolListeningAidsTest, KeepPitchChangesTheTempoAndNotThePitchAtEverySpeed) {
    std::vector<std::uint8_t> tone(3 * 8000 / 2);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<std::uint8_t>(
            std::lround(128 + 100 * std::sin(2 * M_PI * 440 * static_cast<double>(i) / 8000.0)));
    const struct {
        const char* factor; // as people write it
        double speed;
    } speeds[] = {{"0.75", 0.75}, {"88%", 0.875}, {"1", 1.0}, {"1.25", 1.25}, {"150%", 1.5}};
    for (const auto& [factor, speed] : speeds) {
        SCOPED_TRACE(factor);
        // Keeping the pitch, the device plays at 8000 Hz: 440 Hz, for 1/speed of the time.
        test::ProcessResult result = play(tone, {"--speed", factor, "--keep-pitch"});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        std::vector<std::uint8_t> played = heard(output);
        EXPECT_NEAR(cyclesPerSample(played) * 8000, 440, 440 * 0.02);
        EXPECT_NEAR(static_cast<double>(played.size()) / 8000.0, 1.5 / speed, 1.5 / speed * 0.03);

        // As the speeds always were: the same samples at a scaled rate, the tone up or down with them.
        result = play(tone, {"--speed", factor});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        played = heard(output);
        EXPECT_NEAR(static_cast<double>(played.size()), static_cast<double>(tone.size()),
                    2); // a zero crossing at an end
        EXPECT_NEAR(cyclesPerSample(played) * 8000 * speed, 440 * speed, 440 * speed * 0.02);
    }
}

TEST_F(ZoqtoolListeningAidsTest, SkipSilenceJumpsAGapLeavingTheSpeechAroundItWhole) {
    const std::vector<std::uint8_t> words = speech(4);
    std::vector<std::uint8_t> call = words;
    call.insert(call.end(), 20 * 8000, 0x80); // twenty seconds of nothing mid-call
    call.insert(call.end(), words.begin(), words.end());

    const test::ProcessResult result = play(call, {"--skip-silence"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // Both stretches of speech are heard whole, with 0.6 s of the gap between them (0.3 s kept at
    // each side, a little more where the speech fades below the threshold next to it): about
    // 19.4 s shorter than the call.
    const std::vector<std::uint8_t> played = test::readFileBytes(output);
    const auto opening = [&](auto from) {
        return std::search(from, played.end(), words.begin(), words.begin() + 2000);
    };
    const auto first = opening(played.begin());
    ASSERT_NE(first, played.end());
    ASSERT_GE(played.end() - first, static_cast<long>(words.size()));
    EXPECT_TRUE(std::equal(words.begin(), words.end(), first));
    const auto second = opening(first + static_cast<long>(words.size()));
    ASSERT_NE(second, played.end());
    ASSERT_GE(played.end() - second, static_cast<long>(words.size()));
    EXPECT_TRUE(std::equal(words.begin(), words.end(), second));
    const double gapHeard = static_cast<double>(second - first - static_cast<long>(words.size())) / 8000;
    EXPECT_NEAR(20 - gapHeard, 19.4, 0.2);
}

TEST_F(ZoqtoolListeningAidsTest, EvenOutVoicesBringsAQuietHalfNearTheLoudOne) {
    const std::vector<std::uint8_t> words = speech(6);
    std::vector<std::uint8_t> call;
    for (const std::uint8_t b : words) // twenty decibels down: a tenth of the swing
        call.push_back(static_cast<std::uint8_t>(std::lround(128 + (b - 128) * 0.1)));
    call.insert(call.end(), words.begin(), words.end());
    const std::size_t half = words.size();
    ASSERT_NEAR(decibels(call, half, call.size()) - decibels(call, 0, half), 20, 0.5);

    const test::ProcessResult result = play(call, {"--even"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::vector<std::uint8_t> sound = heard(output);
    ASSERT_NEAR(static_cast<double>(sound.size()), static_cast<double>(call.size()), 8000);
    const std::size_t middle = sound.size() / 2;
    const double quiet = decibels(sound, 0, middle);
    const double loud = decibels(sound, middle, sound.size());
    EXPECT_LT(std::abs(loud - quiet), 6.0) << "quiet half " << quiet << " dB, loud half " << loud << " dB";
}

} // namespace
} // namespace kestrum
