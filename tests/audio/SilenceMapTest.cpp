// The silence map: stretches of 2 s or more below -35 dB (or, on a noisy line, below a margin above
// its noise floor) found in any format, and the part of each that skipping leaves out.

#include "audio/SilenceMap.h"
#include "support/RealAudio.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace kestrum {
namespace {

// 8-bit sound of `seconds`: a 300 Hz tone at `decibels` of full scale (below -48 dB: nothing).
void append(std::vector<std::uint8_t>& sound, double seconds, double decibels) {
    const double amplitude = 127 * std::pow(10.0, decibels / 20);
    for (int i = 0; i < static_cast<int>(seconds * 8000); ++i)
        sound.push_back(
            static_cast<std::uint8_t>(std::lround(128 + amplitude * std::sin(2 * M_PI * 300 * i / 8000.0))));
}

TEST(SilenceMap, FindsStretchesOfTwoSecondsBelowTheThresholdAndKeepsTheirEdges) {
    std::vector<std::uint8_t> sound;
    append(sound, 1, -12);   // speech-loud
    append(sound, 2.5, -60); // a silence long enough
    append(sound, 1, -20);
    append(sound, 1.9, -60); // too short to skip
    append(sound, 1, -30);   // quiet speech stays speech
    append(sound, 3, -40);   // line noise below the threshold counts as silence
    SilenceMap map;
    map.build(sound, kPcmDefaultFormat);
    ASSERT_EQ(map.silences().size(), 2u);
    EXPECT_EQ(map.silences()[0], (FrameSpan{8000, 28000}));
    EXPECT_EQ(map.silences()[1], (FrameSpan{8000 * 7 + 3200, 8000 * 10 + 3200}));
    const std::vector<FrameSpan> skipped = map.skippable();
    ASSERT_EQ(skipped.size(), 2u);
    EXPECT_EQ(skipped[0], (FrameSpan{8000 + 2400, 28000 - 2400})); // 0.3 s kept at each side

    // 16-bit stereo: the same stretch, counted in frames.
    std::vector<std::uint8_t> stereo;
    for (const std::uint8_t b : sound) {
        const auto sample = static_cast<std::int16_t>((b - 128) * 256);
        for (int channel = 0; channel < 2; ++channel) {
            stereo.push_back(static_cast<std::uint8_t>(sample & 0xFF));
            stereo.push_back(static_cast<std::uint8_t>((sample >> 8) & 0xFF));
        }
    }
    SilenceMap stereoMap;
    stereoMap.build(stereo, WaveFormat{kTagPcm, 2, 8000, 32000, 4, 16, 0});
    EXPECT_EQ(stereoMap.silences(), map.silences());
}

TEST(SilenceMap, OnARealCallOnlyTheAddedGapIsSilence) {
    // The pauses between a call's words are short; the twenty seconds added in the middle are not.
    std::vector<std::uint8_t> call = test::ffmpegDecode(test::dataFile("8k16bitpcm.wav"));
    const std::size_t words = call.size();
    call.insert(call.end(), 20 * 8000, 0x80);
    const std::vector<std::uint8_t> again = test::ffmpegDecode(test::dataFile("8ktruespeech.wav"));
    call.insert(call.end(), again.begin(), again.end());
    SilenceMap map;
    map.build(call, kPcmDefaultFormat);
    ASSERT_EQ(map.silences().size(), 1u);
    EXPECT_NEAR(static_cast<double>(map.silences()[0].begin), static_cast<double>(words), 1200);
    EXPECT_NEAR(static_cast<double>(map.silences()[0].end), static_cast<double>(words + 20 * 8000), 1200);
}

// Mains hum (50 Hz at -31 dB of full scale) and hiss (about -42 dB) on every sample, as a poor line adds
// them.
std::vector<std::uint8_t> onANoisyLine(const std::vector<std::uint8_t>& sound) {
    std::minstd_rand random(27);
    std::normal_distribution<double> hiss(0, 1.0);
    const double hum = 128 * std::pow(10.0, -31 / 20.0) * std::sqrt(2.0);
    std::vector<std::uint8_t> noisy;
    for (std::size_t i = 0; i < sound.size(); ++i) {
        const double value =
            sound[i] + hum * std::sin(2 * M_PI * 50 * static_cast<double>(i) / 8000) + hiss(random);
        noisy.push_back(static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L)));
    }
    return noisy;
}

// Syllables: 200 ms of a 300 Hz tone at `decibels`, 150 ms of nothing, for `seconds`.
void appendSpeech(std::vector<std::uint8_t>& sound, double seconds, double decibels) {
    for (double said = 0; said < seconds; said += 0.35) {
        append(sound, 0.2, decibels);
        append(sound, 0.15, -100);
    }
}

TEST(SilenceMap, OnANoisyLineThePausesAreSilenceAndTheSpeechIsNot) {
    // Speech, a pause of four seconds, speech: the pause is found, wherever its hum and hiss put
    // the line's floor, and no speech is.
    struct Call {
        std::string name;
        std::vector<std::uint8_t> speech;
    };
    std::vector<Call> calls;
    for (const char* file : {"8k16bitpcm.wav", "8ktruespeech.wav", "8kgsm.wav", "8kadpcm.wav", "8kulaw.wav"})
        calls.push_back({file, test::ffmpegDecode(test::dataFile(file))});
    std::vector<std::uint8_t> syllables;
    appendSpeech(syllables, 6, -24); // a quiet talker: peaks of -24 dB, 4 dB over the hum on average
    calls.push_back({"syllables at -24 dB", syllables});
    for (const Call& call : calls) {
        SCOPED_TRACE(call.name);
        std::vector<std::uint8_t> clean = call.speech;
        const std::size_t pause = clean.size();
        clean.insert(clean.end(), 4 * 8000, 0x80);
        clean.insert(clean.end(), call.speech.begin(), call.speech.end());
        SilenceMap map;
        map.build(onANoisyLine(clean), kPcmDefaultFormat);
        EXPECT_GT(map.thresholdDecibels(), -31.0); // the line's own floor, not -35 dB
        ASSERT_EQ(map.silences().size(), 1u);
        EXPECT_NEAR(static_cast<double>(map.silences()[0].begin), static_cast<double>(pause), 1200);
        EXPECT_NEAR(static_cast<double>(map.silences()[0].end), static_cast<double>(pause + 4 * 8000), 1200);

        // On a clean line nothing moves: the pause and nothing else, below -35 dB.
        SilenceMap cleanMap;
        cleanMap.build(clean, kPcmDefaultFormat);
        EXPECT_EQ(cleanMap.thresholdDecibels(), SilenceMap::kThresholdDecibels);
        ASSERT_EQ(cleanMap.silences().size(), 1u);
    }
}

} // namespace
} // namespace kestrum
