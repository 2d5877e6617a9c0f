// Recordings made wrong on purpose, through the real zoqtool and the real player: each gives its
// message and exit code or plays, none crashes or hangs, and none is ever written to.

#include "hostile/HostileFiles.h"
#include "convert/WavFile.h"
#include "hostile/HostileRuns.h"
#include "platform/StderrMessenger.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrum {
namespace {

using test::HostileFile;

// Every hostile file through zoqtool info and decode.
TEST(HostileFiles, ZoqtoolInfoAndDecodeSayWhatIsWrongOrDecodeWhatIsThere) {
    for (const HostileFile& hostile : test::hostileFiles()) {
        SCOPED_TRACE(hostile.name);
        const test::RecordingOnDisk file(hostile.bytes);
        const test::ProcessResult info = test::runZoqtool({"info", file.path(), "--json"});
        if (hostile.infoFailure) {
            EXPECT_EQ(info.exitCode, 1);
            EXPECT_EQ(info.err, test::withPath(*hostile.infoFailure, file.path()) + "\n");
            EXPECT_TRUE(file.unchanged());
            EXPECT_EQ(file.strayFiles(), std::vector<std::string>{});
            continue; // decoding starts as reading does: only a file that reads has more to show
        }
        EXPECT_EQ(info.exitCode, 0) << info.err;
        EXPECT_EQ(info.err, "");

        const std::string wav = file.path() + ".wav";
        const test::ProcessResult decode = test::runZoqtool({"decode", file.path(), wav});
        if (hostile.decodeFailure) {
            EXPECT_EQ(decode.exitCode, 1);
            // Decoders may print notices of their own before the message.
            EXPECT_TRUE(
                test::endsWithMessage(decode.err, test::withPath(*hostile.decodeFailure, file.path())))
                << decode.err;
            EXPECT_FALSE(std::filesystem::exists(wav));
        } else {
            ASSERT_EQ(decode.exitCode, 0) << decode.err;
            WavContents contents;
            std::string error;
            ASSERT_TRUE(readWavFile(wav, contents, error)) << error;
            EXPECT_EQ(static_cast<long>(contents.data.size()), hostile.decodedSamples);
        }
        EXPECT_TRUE(file.unchanged());
        EXPECT_EQ(file.strayFiles({"call.ZOQ.wav"}), std::vector<std::string>{});
    }
}

// The player's message lines a hostile file must give: none, or its message.
std::string expectedPlayerLines(const HostileFile& hostile, const std::string& path) {
    if (hostile.playerMessage.empty())
        return "";
    const std::string line = messageLine(test::withPath(hostile.playerMessage, path));
    return hostile.playerMessage.ends_with("...") ? line : line + "\n";
}

// The player on a share of the hostile files each, so CTest can run the shares side by side.
class HostileFilesInThePlayer : public ::testing::TestWithParam<int> {};
constexpr int kPlayerShares = 3;

TEST_P(HostileFilesInThePlayer, PlaysOrEndsWithItsMessageAndExitCode) {
    std::vector<HostileFile> files;
    for (HostileFile& file : test::hostileFiles())
        if (file.inPlayer)
            files.push_back(std::move(file));
    for (std::size_t i = static_cast<std::size_t>(GetParam()); i < files.size(); i += kPlayerShares) {
        const HostileFile& hostile = files[i];
        SCOPED_TRACE(hostile.name);
        const test::RecordingOnDisk file(hostile.bytes);
        test::TempDir working;
        // A recording without audio plays silence: the player is closed after a while.
        const bool silent = hostile.plays && hostile.decodedSamples == 0;
        const test::PlayerRun run =
            test::runPlayer(hostile.playerPrefix + file.path(), working.path().string(),
                            silent ? std::optional<double>(3) : std::nullopt);
        EXPECT_EQ(run.stopped, hostile.plays) << run.err;
        EXPECT_EQ(run.sounded, hostile.plays && !silent) << run.err;
        EXPECT_EQ(run.exitCode, hostile.playerExitCode) << run.err;
        EXPECT_TRUE(test::messageMatches(run.messages, expectedPlayerLines(hostile, file.path()))) << run.err;
        EXPECT_TRUE(file.unchanged());
        EXPECT_EQ(file.strayFiles(), std::vector<std::string>{});
    }
}

INSTANTIATE_TEST_SUITE_P(Shares, HostileFilesInThePlayer, ::testing::Range(0, kPlayerShares));

} // namespace
} // namespace kestrum
