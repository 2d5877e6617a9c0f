// zoqtool tones: the real binary on real speech with telephone key tones mixed in, and on sound
// that only looks like key presses: speech alone (TrueSpeech and GSM), a single tone, blips.

#include "recording/WaveFormat.h"
#include "support/KeyTones.h"
#include "support/ProcessRunner.h"
#include "support/RealAudio.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>

namespace kestrum {
namespace {

using test::KeyTone;
using test::RecordingBuilder;

test::ProcessResult zoqtool(const std::vector<std::string>& arguments) {
    return test::runProcess(ZOQTOOL_BINARY, arguments);
}

// An 8-bit PCM call (version 9) of the sound.
RecordingBuilder pcmCall(const std::vector<double>& sound) {
    RecordingBuilder builder(9);
    builder.audio = test::pcm8(sound);
    return builder;
}

// A compressed call of one of the test recordings, as it is stored.
RecordingBuilder compressedCall(int version, const std::string& wavName) {
    const WavContents& wav = test::testWav(wavName);
    RecordingBuilder builder(version);
    builder.vrh.audioFormat = builder.vrh2.audioFormat = builder.vrh3.audioFormat = wav.format;
    builder.audio = wav.data;
    return builder;
}

// The tones zoqtool finds, from its JSON.
std::vector<KeyTone> tonesFound(const std::string& path) {
    const test::ProcessResult result = zoqtool({"tones", path, "--json"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::vector<KeyTone> tones;
    const nlohmann::json listed = nlohmann::json::parse(result.out);
    for (const nlohmann::json& tone : listed.at("tones"))
        tones.push_back({tone.at("digit").get<std::string>().at(0), tone.at("start").get<double>(),
                         tone.at("duration").get<double>()});
    return tones;
}

TEST(ZoqtoolTones, FindsEveryKeyPressedDuringSpeechWithItsPlace) {
    test::TempDir dir;
    std::vector<double> sound = test::realSpeech(0.35);
    // Every key, at the pace a caller keys a card number, over speech; then one key held longer.
    std::vector<KeyTone> keyed = test::keyTones("0123456789*#ABCD", 2.0);
    keyed.push_back({'4', 9.5, 0.3});
    keyed.push_back({'7', 12.1, 0.045});
    test::addKeyTones(sound, keyed);
    pcmCall(sound).writeTo(dir.file("keyed.ZOQ"));

    const std::vector<KeyTone> found = tonesFound(dir.file("keyed.ZOQ"));
    ASSERT_EQ(found.size(), keyed.size());
    for (std::size_t i = 0; i < keyed.size(); ++i) {
        SCOPED_TRACE(std::string(1, keyed[i].digit) + " at " + std::to_string(keyed[i].start));
        EXPECT_EQ(found[i].digit, keyed[i].digit);
        EXPECT_NEAR(found[i].start, keyed[i].start, 0.02);
        EXPECT_NEAR(found[i].seconds, keyed[i].seconds, 0.02);
    }

    // The same, one line each: start, length, key.
    const test::ProcessResult lines = zoqtool({"tones", dir.file("keyed.ZOQ")});
    EXPECT_EQ(lines.exitCode, 0) << lines.err;
    char line[64];
    std::snprintf(line, sizeof line, "%.3f %.3f %c\n", found[0].start, found[0].seconds, found[0].digit);
    EXPECT_EQ(lines.out.substr(0, lines.out.find('\n') + 1), line);
}

TEST(ZoqtoolTones, FindsNoKeyInSpeechSingleTonesOrBlips) {
    test::TempDir dir;
    struct Case {
        const char* name;
        RecordingBuilder call;
    };
    std::vector<double> lone = test::realSpeech();
    test::addSine(lone, 1000, 3.0, 2.0, -10); // a single tone, long and loud
    std::vector<double> blips = test::realSpeech();
    // Key tones of 20 ms, shorter than any key press, at a key's pace.
    test::addKeyTones(blips, test::keyTones("159#", 5.0, 0.02, 0.1));
    const std::vector<Case> cases = {{"TrueSpeech speech", compressedCall(10, "8ktruespeech.wav")},
                                     {"GSM speech", compressedCall(7, "8kgsm.wav")},
                                     {"PCM speech", pcmCall(test::realSpeech())},
                                     {"a lone 1 kHz tone", pcmCall(lone)},
                                     {"20 ms blips", pcmCall(blips)}};
    for (const Case& call : cases) {
        SCOPED_TRACE(call.name);
        call.call.writeTo(dir.file("call.ZOQ"));
        const test::ProcessResult result = zoqtool({"tones", dir.file("call.ZOQ"), "--json"});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, "{\"tones\":[]}\n");
    }
}

} // namespace
} // namespace kestrum
