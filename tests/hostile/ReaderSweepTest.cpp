// Every sample recording cut at every offset of its headers, comments and keywords and at points in
// its audio, read by the same steps zoqtool info and zoqtool decode take, in this process: each cut
// fails with the message of the section it ends in, or reads with the audio it still holds.

#include "audio/AudioLoader.h"
#include "hostile/SampleRecordings.h"
#include "recording/RecordingReader.h"
#include "support/FakeMessenger.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace kestrum {
namespace {

using test::SampleRecording;

struct ReadOutcome {
    int failed = 0;
    std::string message;
    RecordingState recording;
};

// Open and work out the audio length, as zoqtool info does.
ReadOutcome readInfo(const std::string& path) {
    test::FakeMessenger messenger;
    test::FakeLog log;
    Reporter reporter(messenger, log);
    ReadOutcome outcome;
    outcome.recording.recordingPath = path;
    RecordingReader reader(outcome.recording, reporter, {});
    outcome.failed = reader.openRecording() != 0 || reader.computeAudioLength() != 0;
    outcome.message = messenger.onlyText();
    EXPECT_LE(messenger.shown.size(), 1u) << "one failure, one message";
    outcome.recording.closeRecordingFile();
    return outcome;
}

// Open and load the audio into a store, as zoqtool decode does; the count of samples, or -1.
long decodedSamples(const std::string& path, std::string& message) {
    test::FakeMessenger messenger;
    test::FakeLog log;
    Reporter reporter(messenger, log);
    RecordingState recording;
    recording.recordingPath = path;
    SampleStore store;
    RecordingReader reader(recording, reporter, {});
    const int failed = reader.openRecording() != 0 ||
                       loadRecordingAudio(reader, recording, store, reporter, [](const std::string&) {}) != 0;
    message = messenger.onlyText();
    return failed ? -1 : static_cast<long>(store.indexCount());
}

// The audio bytes the reader counts for a cut that reads.
std::uint32_t expectedAudioLength(const SampleRecording& sample, std::size_t length) {
    if (sample.audioLengthFromExportHeader)
        return static_cast<std::uint32_t>(sample.bytes.size() - sample.audioStart);
    return static_cast<std::uint32_t>(length - sample.audioStart);
}

// Samples a cut that decodes holds: one a byte for PCM, 240 for each whole 32-byte TrueSpeech block.
long expectedSamples(const SampleRecording& sample, std::size_t length) {
    const std::size_t audio = length - sample.audioStart;
    return static_cast<long>(sample.compressed ? audio / 32 * 240 : audio);
}

class ReaderSweepTest : public ::testing::Test {
  protected:
    test::TempDir dir;
    std::string path = dir.file("cut.ZOQ");
};

TEST_F(ReaderSweepTest, EveryCutOfEveryHeaderAndSectionFailsWithItsSectionsMessage) {
    for (const SampleRecording& sample : test::sampleRecordings()) {
        SCOPED_TRACE(sample.name);
        test::writeFileBytes(path, sample.bytes);
        // Cut the one file shorter and shorter: every length up to a little way into the audio.
        const std::size_t last = std::min(sample.bytes.size(), sample.audioStart + 40);
        for (std::size_t length = last + 1; length-- > 0;) {
            ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(length)), 0);
            SCOPED_TRACE("cut to " + std::to_string(length) + " bytes");
            const ReadOutcome outcome = readInfo(path);
            const std::optional<std::string> expected = test::expectedReadFailure(sample, length);
            if (expected) {
                EXPECT_TRUE(outcome.failed);
                EXPECT_EQ(outcome.message, *expected);
            } else {
                ASSERT_FALSE(outcome.failed) << outcome.message;
                EXPECT_EQ(outcome.recording.audioLength, expectedAudioLength(sample, length));
                EXPECT_EQ(static_cast<std::size_t>(outcome.recording.scannedWordTotal), sample.wordCount);
                EXPECT_EQ(outcome.recording.commentText.size(), sample.textLength);
            }
        }
    }
}

TEST_F(ReaderSweepTest, CutsInTheAudioDecodeWhatIsLeftOrSayTheAudioIsShort) {
    for (const SampleRecording& sample : test::sampleRecordings()) {
        SCOPED_TRACE(sample.name);
        for (const std::size_t length : test::chosenCuts(sample)) {
            if (test::expectedReadFailure(sample, length))
                continue; // the sweep above covers these
            SCOPED_TRACE("cut to " + std::to_string(length) + " bytes");
            test::writeFileBytes(path, test::cutTo(sample, length));
            std::string message;
            const long samples = decodedSamples(path, message);
            if (sample.audioLengthFromExportHeader) {
                // The export header promises the whole audio: a cut inside it is a short read.
                EXPECT_EQ(samples, -1);
                EXPECT_EQ(message.rfind("audioDecompress failed read ", 0), 0u) << message;
            } else {
                EXPECT_EQ(samples, expectedSamples(sample, length)) << message;
                EXPECT_EQ(message, "");
            }
        }
    }
}

} // namespace
} // namespace kestrum
