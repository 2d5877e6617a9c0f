#include "catalogue/StampedRecordings.h"

#include "export/StampedCopy.h"
#include "recording/QuietRead.h"
#include "support/FakeMessenger.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrum::test {

std::string writeStampedCopy(const RecordingBuilder& builder, const std::string& folder,
                             const std::string& name) {
    const std::string source = folder + "/" + name;
    builder.writeTo(source);
    RecordingState recording;
    recording.recordingPath = source;
    std::string problem;
    EXPECT_TRUE(readRecordingQuietly(recording, true, &problem)) << problem;
    recording.closeRecordingFile();
    std::filesystem::create_directories(folder + "/Recs");
    PrivateDirectory copies;
    copies.open(folder + "/Recs");
    FakeMessenger messenger;
    FakeLog log;
    Reporter reporter(messenger, log);
    EXPECT_EQ(makeStampedCopy(recording, copies, {"clerk", "DESK1", 1078477622}, reporter,
                              [](const std::string&) {}),
              0)
        << messenger.onlyText();
    return stampedCopyPath(recording, copies);
}

void flipByte(const std::string& path, long offset) {
    std::vector<std::uint8_t> bytes = readFileBytes(path);
    const auto at = static_cast<std::size_t>(offset < 0 ? static_cast<long>(bytes.size()) + offset : offset);
    bytes.at(at) ^= 0x5A;
    writeFileBytes(path, bytes);
}

} // namespace kestrum::test
