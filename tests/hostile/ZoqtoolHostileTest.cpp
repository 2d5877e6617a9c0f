// The real zoqtool on every sample recording cut inside each of its sections: `info --json` and
// `decode` either fail with the reader's message and exit 1, or succeed with what is left, and
// neither ever changes the recording or leaves anything beside it. And `redact` on every whole
// sample: a copy that reads, plays as long as the call, and checks when it has an export header.

#include "convert/WavFile.h"
#include "hostile/HostileFiles.h"
#include "hostile/HostileRuns.h"
#include "hostile/SampleRecordings.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrum {
namespace {

using test::SampleRecording;

// The samples of one version (1-11), or with 12 those holding real speech, so CTest can run the
// groups side by side.
std::vector<SampleRecording> samplesOfGroup(int group) {
    std::vector<SampleRecording> chosen;
    for (SampleRecording& sample : test::sampleRecordings()) {
        const bool realSpeech = sample.bytes.size() > 10000;
        if (realSpeech ? group == 12 : sample.version == group)
            chosen.push_back(std::move(sample));
    }
    return chosen;
}

// The audio a decode of a cut that reads must give, or -1 when the decode must fail.
long expectedSamples(const SampleRecording& sample, std::size_t length) {
    const std::size_t audio = length - sample.audioStart;
    if (sample.audioLengthFromExportHeader && length < sample.bytes.size())
        return -1; // promised audio the file no longer holds
    return static_cast<long>(sample.compressed ? audio / 32 * 240 : audio);
}

class ZoqtoolHostileTest : public ::testing::TestWithParam<int> {};

TEST_P(ZoqtoolHostileTest, InfoAndDecodeOfEveryCutFailCleanlyOrGiveWhatIsLeft) {
    const std::vector<SampleRecording> samples = samplesOfGroup(GetParam());
    ASSERT_FALSE(samples.empty());
    for (const SampleRecording& sample : samples) {
        for (const std::size_t length : test::programCuts(sample)) {
            SCOPED_TRACE(sample.name + " cut to " + std::to_string(length) + " bytes");
            const test::RecordingOnDisk file(test::cutTo(sample, length));
            const std::optional<std::string> failure = test::expectedReadFailure(sample, length);

            const test::ProcessResult info = test::runZoqtool({"info", file.path(), "--json"});
            if (failure) {
                EXPECT_EQ(info.exitCode, 1);
                EXPECT_EQ(info.err, *failure + "\n");
                EXPECT_EQ(info.out, "");
            } else {
                EXPECT_EQ(info.exitCode, 0) << info.err;
                EXPECT_EQ(info.err, "");
                EXPECT_NE(info.out.find("\"fileVersion\":" + std::to_string(sample.version) + ","),
                          std::string::npos)
                    << info.out;
            }

            // Decoding differs from reading only once the headers read, and from decoding the cut in
            // the audio only when the export header promises audio that cut no longer holds.
            const bool wholeLikeCut = length == sample.bytes.size() && !sample.audioLengthFromExportHeader;
            if (length >= sample.textStart && !wholeLikeCut) {
                const std::string wav = file.path() + ".wav";
                const test::ProcessResult decode = test::runZoqtool({"decode", file.path(), wav});
                const long samplesWanted = failure ? -1 : expectedSamples(sample, length);
                if (samplesWanted < 0) {
                    EXPECT_EQ(decode.exitCode, 1);
                    EXPECT_TRUE(test::messageMatches(decode.err, failure ? *failure + "\n"
                                                                         : "audioDecompress failed read ..."))
                        << decode.err;
                    EXPECT_FALSE(std::filesystem::exists(wav));
                } else {
                    ASSERT_EQ(decode.exitCode, 0) << decode.err;
                    WavContents contents;
                    std::string error;
                    ASSERT_TRUE(readWavFile(wav, contents, error)) << error;
                    EXPECT_EQ(contents.format.bitsPerSample, 8);
                    EXPECT_EQ(contents.format.channels, 1);
                    EXPECT_EQ(static_cast<long>(contents.data.size()), samplesWanted);
                    if (!sample.compressed) {
                        EXPECT_TRUE(
                            std::equal(contents.data.begin(), contents.data.end(),
                                       sample.bytes.begin() + static_cast<std::ptrdiff_t>(sample.audioStart)))
                            << "the decoded PCM differs from the stored bytes";
                    }
                }
                EXPECT_EQ(file.strayFiles({"call.ZOQ.wav"}), std::vector<std::string>{});
            } else {
                EXPECT_EQ(file.strayFiles(), std::vector<std::string>{});
            }
            EXPECT_TRUE(file.unchanged());
        }
    }
}

// The samples the player decodes: the number of samples of zoqtool decode, or -1 when it fails.
long decodedLength(const std::string& path) {
    const std::string wav = path + ".wav";
    std::filesystem::remove(wav);
    if (test::runZoqtool({"decode", path, wav}).exitCode != 0)
        return -1;
    WavContents contents;
    std::string error;
    const long length = readWavFile(wav, contents, error) ? static_cast<long>(contents.data.size()) : -2;
    std::filesystem::remove(wav);
    return length;
}

TEST_P(ZoqtoolHostileTest, RedactOfEveryWholeSampleMakesACopyThatReadsPlaysAndChecks) {
    for (const SampleRecording& sample : samplesOfGroup(GetParam())) {
        SCOPED_TRACE(sample.name);
        const test::RecordingOnDisk file(sample.bytes);
        const long length = decodedLength(file.path());
        if (length < 0)
            continue; // a sample the player does not play: nothing to redact
        const std::string out = file.path() + ".redacted";
        const test::ProcessResult redacted =
            test::runZoqtool({"redact", file.path(), out, "--tones", "--section", "0", "0.05"});
        ASSERT_EQ(redacted.exitCode, 0) << redacted.err;
        EXPECT_TRUE(file.unchanged());
        EXPECT_EQ(file.strayFiles({"call.ZOQ.redacted"}), std::vector<std::string>{});
        // A compressed call written as PCM says so with the uncompressed version of its layout.
        const bool asPcm = redacted.out.find("written as 8-bit PCM") != std::string::npos;
        const test::ProcessResult info = test::runZoqtool({"info", out, "--json"});
        ASSERT_EQ(info.exitCode, 0) << info.err;
        EXPECT_NE(info.out.find("\"fileVersion\":" + std::to_string(sample.version + (asPcm ? 1 : 0)) + ","),
                  std::string::npos)
            << info.out;
        EXPECT_EQ(decodedLength(out), length);
        if (sample.headerStart != 0) {
            const test::ProcessResult verified = test::runZoqtool({"verify", out});
            EXPECT_EQ(verified.exitCode, 0) << verified.out << verified.err;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ByVersion, ZoqtoolHostileTest, ::testing::Range(1, 13),
                         [](const ::testing::TestParamInfo<int>& version) {
                             return version.param == 12 ? std::string("RealSpeech")
                                                        : "Version" + std::to_string(version.param);
                         });

} // namespace
} // namespace kestrum
