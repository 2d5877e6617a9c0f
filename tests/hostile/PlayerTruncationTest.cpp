// The real player on sample recordings cut short: a cut in the headers ends the run before any
// window with the reader's message and exit code 1; a cut in the comments or keywords ends it
// through shutdown with exit code 0 and the message; a cut in compressed audio whose length the
// export header promises plays what is there and says the rest is missing; anything else plays.
// The recording is never written to.

#include "hostile/HostileFiles.h"
#include "hostile/HostileRuns.h"
#include "hostile/SampleRecordings.h"
#include "platform/StderrMessenger.h"

#include <gtest/gtest.h>

namespace kestrum {
namespace {

using test::SampleRecording;

struct ExpectedRun {
    bool plays = false;
    int exitCode = 0;
    std::string message; // a whole line, or its start when it ends in "..."
};

ExpectedRun expectedRun(const SampleRecording& sample, std::size_t length) {
    if (const std::optional<std::string> failure = test::expectedReadFailure(sample, length))
        return {false, length < sample.textStart ? 1 : 0, messageLine(*failure) + "\n"};
    if (sample.audioLengthFromExportHeader && length < sample.bytes.size())
        return {true, 0, messageLine("audioDecompress failed read ...")};
    if (sample.version == 2 || sample.version == 3)
        return {false, 1, ""}; // refused silently, as every file of these versions is
    return {true, 0, ""};
}

// For every sample chosen a cut in the audio, and one more taken in turn from its sections, so
// that the headers, comments and keywords are all cut somewhere.
std::vector<std::pair<SampleRecording, std::size_t>> chosenRuns(int share, int shares) {
    const std::vector<std::string> names = {"v1",
                                            "v3 export",
                                            "v4 export comments",
                                            "v5 comments keywords",
                                            "v7 export comments keywords",
                                            "v8 export comments keywords",
                                            "v9 export comments keywords",
                                            "v10 comments keywords",
                                            "v11 export comments keywords",
                                            "TrueSpeech v10 export comments keywords",
                                            "demo"};
    std::vector<std::pair<SampleRecording, std::size_t>> runs;
    std::size_t turn = 0;
    for (const SampleRecording& sample : test::sampleRecordings()) {
        if (std::find(names.begin(), names.end(), sample.name) == names.end())
            continue;
        const std::vector<std::size_t> cuts = test::programCuts(sample);
        // programCuts ends with a cut in the audio and the whole file; the whole file plays like
        // the cut, unless the export header promises audio the cut no longer holds.
        runs.emplace_back(sample, cuts[turn++ % (cuts.size() - 2)]);
        runs.emplace_back(sample, cuts[cuts.size() - 2]);
        if (sample.audioLengthFromExportHeader)
            runs.emplace_back(sample, cuts.back());
    }
    std::vector<std::pair<SampleRecording, std::size_t>> mine;
    for (std::size_t i = static_cast<std::size_t>(share); i < runs.size();
         i += static_cast<std::size_t>(shares))
        mine.push_back(runs[i]);
    return mine;
}

class PlayerTruncationTest : public ::testing::TestWithParam<int> {};
constexpr int kShares = 3;

TEST_P(PlayerTruncationTest, ACutRecordingPlaysOrEndsTheRunWithItsMessage) {
    const auto runs = chosenRuns(GetParam(), kShares);
    ASSERT_FALSE(runs.empty());
    for (const auto& [sample, length] : runs) {
        SCOPED_TRACE(sample.name + " cut to " + std::to_string(length) + " bytes");
        const test::RecordingOnDisk file(test::cutTo(sample, length));
        test::TempDir working;
        const test::PlayerRun run = test::runPlayer(file.path(), working.path().string());
        const ExpectedRun expected = expectedRun(sample, length);
        EXPECT_EQ(run.stopped, expected.plays) << run.err;
        EXPECT_EQ(run.sounded, expected.plays) << run.err;
        EXPECT_EQ(run.exitCode, expected.exitCode) << run.err;
        EXPECT_TRUE(test::messageMatches(run.messages, expected.message)) << run.err;
        EXPECT_TRUE(file.unchanged());
        EXPECT_EQ(file.strayFiles(), std::vector<std::string>{});
    }
}

INSTANTIATE_TEST_SUITE_P(Shares, PlayerTruncationTest, ::testing::Range(0, kShares));

} // namespace
} // namespace kestrum
