// zoqtool redact: the real binary makes copies of real calls with key presses and sections silent:
// the copy holds no key press (zoqtool tones on it), everything outside the silenced stretches is
// byte for byte the original's, the original is untouched, and an OUT that exists is refused.

#include "convert/WavFile.h"
#include "support/KeyTones.h"
#include "support/ProcessRunner.h"
#include "support/RealAudio.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <filesystem>

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::RecordingBuilder;

test::ProcessResult zoqtool(const std::vector<std::string>& arguments) {
    return test::runProcess(ZOQTOOL_BINARY, arguments);
}

nlohmann::json infoOf(const std::string& path) {
    const test::ProcessResult result = zoqtool({"info", path, "--json"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return nlohmann::json::parse(result.out);
}

// What the player plays of a call: zoqtool decode's samples.
Bytes decoded(const test::TempDir& dir, const std::string& path) {
    const std::string wav = dir.file("decoded.wav");
    fs::remove(wav);
    const test::ProcessResult result = zoqtool({"decode", path, wav});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    WavContents contents;
    std::string error;
    EXPECT_TRUE(readWavFile(wav, contents, error)) << error;
    return contents.data;
}

// Seconds at 8000 samples a second, as a sample index.
std::size_t at(double seconds) {
    return static_cast<std::size_t>(std::lround(seconds * 8000));
}

// Compares the audio of a copy with the original's: silent (0x80) where `silent` says, unchanged
// where `kept` says; around each stretch's edges, where a key's place is known to 20 ms, anything.
struct Stretch {
    double from, to;
};
void expectSilencedOnly(const Bytes& original, const Bytes& copy, const std::vector<Stretch>& stretches,
                        double slack) {
    ASSERT_EQ(copy.size(), original.size());
    for (std::size_t i = 0; i < original.size(); ++i) {
        bool inside = false, near = false;
        for (const Stretch& stretch : stretches) {
            inside = inside || (i >= at(stretch.from + slack) && i < at(stretch.to - slack));
            near = near || (i >= at(stretch.from - slack) && i < at(stretch.to + slack));
        }
        if (inside) {
            ASSERT_EQ(copy[i], 0x80) << "sample " << i << " is not silent";
        } else if (!near) {
            ASSERT_EQ(copy[i], original[i]) << "sample " << i << " changed";
        }
    }
}

TEST(ZoqtoolRedact, SilencesEveryKeyPressAndSectionOfAPcmCallAndNothingElse) {
    test::TempDir dir;
    std::vector<double> sound = test::realSpeech(0.35);
    const std::vector<test::KeyTone> keyed = test::keyTones("4929123456781234", 2.0);
    test::addKeyTones(sound, keyed);
    RecordingBuilder builder(9);
    builder.comments = "card payment\r\n";
    builder.words = {test::makeWord("card", {16000})};
    builder.audio = test::pcm8(sound);
    const std::string call = dir.file("call.ZOQ");
    builder.writeTo(call);
    const Bytes before = test::readFileBytes(call);

    const std::string out = dir.file("redacted.ZOQ");
    const test::ProcessResult result = zoqtool({"redact", call, out, "--tones", "--section", "11", "12.5"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "16 key presses and 1 section silenced\n");
    EXPECT_EQ(zoqtool({"tones", out, "--json"}).out, "{\"tones\":[]}\n");
    EXPECT_EQ(zoqtool({"tones", call, "--json"}).out.find("\"digit\":\"4\""), 11u)
        << "the original keeps its keys";
    EXPECT_EQ(test::readFileBytes(call), before);
    EXPECT_EQ(test::modeOf(out), 0600u);

    // Header, comments and keywords as they were; the audio silent at each key with 50 ms around it.
    const Bytes copy = test::readFileBytes(out);
    const std::size_t audioStart = 351 + builder.comments.size() + 60;
    ASSERT_EQ(copy.size(), before.size());
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + static_cast<long>(audioStart), copy.begin()));
    std::vector<Stretch> stretches = {{11, 12.5}};
    for (const test::KeyTone& key : keyed)
        stretches.push_back({key.start - 0.05, key.start + key.seconds + 0.05});
    expectSilencedOnly(Bytes(before.begin() + static_cast<long>(audioStart), before.end()),
                       Bytes(copy.begin() + static_cast<long>(audioStart), copy.end()), stretches, 0.02);
}

TEST(ZoqtoolRedact, AStampedTrueSpeechCallKeepsItsFormatAndValidChecksums) {
    test::TempDir dir;
    const WavContents& speech = test::testWav("8ktruespeech.wav");
    RecordingBuilder builder(10);
    builder.vrh3.audioFormat = speech.format;
    builder.exportHeader = test::makeExportHeader(static_cast<std::uint32_t>(speech.data.size()));
    builder.comments = "stamped\r\n";
    builder.audio = speech.data;
    const std::string call = dir.file("call.ZOQ");
    builder.writeTo(call);
    ASSERT_EQ(zoqtool({"stamp", call, dir.file("list")}).exitCode, 0);
    const std::string stamped = dir.file("list/Recs/call.ZOQ");
    const Bytes before = test::readFileBytes(stamped);

    const std::string out = dir.file("redacted.ZOQ");
    const test::ProcessResult result = zoqtool({"redact", stamped, out, "--section", "3", "5"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("kept in its compressed format"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("export header kept, its checksums made again"), std::string::npos)
        << result.out;
    const test::ProcessResult verified = zoqtool({"verify", out});
    EXPECT_EQ(verified.exitCode, 0) << verified.out << verified.err;
    const nlohmann::json info = infoOf(out);
    EXPECT_EQ(info["fileVersion"], 10);
    EXPECT_EQ(info["header"]["audioFormat"]["tag"], 34);
    EXPECT_EQ(info["comments"], "stamped\r\n");

    // TrueSpeech blocks of 240 samples: those from the one before 3 s to the one holding 5 s are
    // silent blocks, the others the original's. The section decodes to silence.
    const Bytes copy = test::readFileBytes(out);
    ASSERT_EQ(copy.size(), before.size());
    const std::size_t audioStart = 98 + 351 + 9;
    for (std::size_t block = 0; block * 32 + audioStart < copy.size(); ++block) {
        if (block >= at(3) / 240 - 1 && block < (at(5) + 239) / 240)
            continue;
        const auto from = static_cast<long>(audioStart + block * 32);
        ASSERT_TRUE(std::equal(before.begin() + from, before.begin() + from + 32, copy.begin() + from))
            << "block " << block << " changed";
    }
    const Bytes sound = decoded(dir, out);
    EXPECT_TRUE(std::all_of(sound.begin() + static_cast<long>(at(3)),
                            sound.begin() + static_cast<long>(at(5)),
                            [](std::uint8_t sample) { return sample == 0x80; }));
    EXPECT_EQ(test::readFileBytes(stamped), before);
}

TEST(ZoqtoolRedact, ACallWithoutASilentBlockBecomesEightBitPcmThatTheHeaderNames) {
    test::TempDir dir;
    // GSM has no block that decodes to silence; nor has TrueSpeech stored two frames to a block.
    RecordingBuilder gsm(7);
    gsm.vrh2.audioFormat = test::testWav("8kgsm.wav").format;
    gsm.audio = test::testWav("8kgsm.wav").data;
    RecordingBuilder pairs(10);
    pairs.vrh3.audioFormat = test::testWav("8ktruespeech.wav").format;
    pairs.vrh3.audioFormat.blockAlign = 64;
    pairs.audio = test::testWav("8ktruespeech.wav").data;
    for (RecordingBuilder call : {gsm, pairs}) {
        const int version = call.vrh.version == 7 ? 8 : 11;
        SCOPED_TRACE(version);
        call.words = {test::makeWord("late", {80000})};
        const std::string path = dir.file("call.ZOQ");
        const std::string out = dir.file("redacted.ZOQ");
        fs::remove(out);
        call.writeTo(path);
        const Bytes original = decoded(dir, path);

        const test::ProcessResult result = zoqtool({"redact", path, out, "--section", "2", "4"});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(result.out.find("written as 8-bit PCM"), std::string::npos) << result.out;
        const nlohmann::json info = infoOf(out);
        EXPECT_EQ(info["fileVersion"], version);
        EXPECT_EQ(info["header"]["audioFormat"]["tag"], 1);
        EXPECT_EQ(info["header"]["audioFormat"]["bitsPerSample"], 8);
        EXPECT_EQ(info["scannedWords"][0]["word"], "late");
        // Every sample the player played from the call, the section silent.
        expectSilencedOnly(original, decoded(dir, out), {{2, 4}}, 0);
    }
}

TEST(ZoqtoolRedact, RefusesAnOutThatIsTheCallOrExistsAndChangesNothing) {
    test::TempDir dir;
    RecordingBuilder builder(9);
    builder.audio = test::pcm8(test::realSpeech(0.35));
    const std::string call = dir.file("call.ZOQ");
    builder.writeTo(call);
    const Bytes before = test::readFileBytes(call);
    test::writeFileBytes(dir.file("theirs.ZOQ"), {'t'});
    fs::create_symlink(call, dir.file("link-to-call.ZOQ"));
    fs::create_symlink(dir.file("nowhere"), dir.file("dangling.ZOQ"));
    const std::vector<std::string> outs = {call, "./" + fs::path(call).filename().string(),
                                           dir.file("theirs.ZOQ"), dir.file("link-to-call.ZOQ"),
                                           dir.file("dangling.ZOQ")};
    test::ProcessOptions inDir;
    inDir.workingDirectory = dir.path().string();
    for (const std::string& out : outs) {
        SCOPED_TRACE(out);
        const test::ProcessResult result =
            test::runProcess(ZOQTOOL_BINARY, {"redact", call, out, "--section", "1", "2"}, inDir);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.err.find("nothing was written"), std::string::npos) << result.err;
    }
    EXPECT_EQ(test::readFileBytes(call), before);
    EXPECT_EQ(test::readFileBytes(dir.file("theirs.ZOQ")), Bytes{'t'});
    EXPECT_FALSE(fs::exists(dir.file("nowhere")));
    std::size_t files = 0;
    for ([[maybe_unused]] const fs::directory_entry& entry : fs::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 4u) << "a temporary file was left behind";
    EXPECT_EQ(zoqtool({"redact", call, dir.file("out.ZOQ")}).exitCode, 2) << "nothing to silence";
}

} // namespace
} // namespace kestrum
