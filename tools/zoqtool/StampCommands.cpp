#include "StampCommands.h"

#include "CommandOptions.h"
#include "export/ExportList.h"
#include "export/StampedCopy.h"
#include "platform/LogSink.h"
#include "platform/StderrMessenger.h"
#include "platform/SystemServices.h"
#include "recording/RecordingReader.h"

#include <cstdio>
#include <ctime>

namespace zoqtool {

using namespace kestrum;

int runStamp(const std::vector<std::string>& arguments) {
    CommandOptions options(
        "usage: zoqtool stamp FILE LISTDIR",
        "Makes the stamped copy of the recording (an export header with three checksums in "
        "front of it) in LISTDIR/Recs/, as the export to a disc does.");
    std::string path, list;
    options.app.add_option("FILE", path, "the recording")->required();
    options.app.add_option("LISTDIR", list, "the export list folder (yours alone)")->required();
    options.takeOperandsOnly();
    if (const std::optional<int> ended = options.parse(arguments))
        return *ended;
    ConsoleMessenger messenger;
    NoLog log;
    Reporter reporter(messenger, log);
    RecordingState recording;
    recording.recordingPath = path;
    RecordingReader reader(recording, reporter, {});
    if (reader.openRecording() != 0)
        return 1;
    recording.closeRecordingFile();

    ExportListDirectories opened;
    if (openExportList(list, opened, reporter) >= 2)
        return 1;
    PosixSystemServices system;
    ExportStamp stamp;
    int error = 0;
    system.userName(stamp.userName, 28);
    system.computerName(stamp.computerName, 29, error);
    stamp.when = std::time(nullptr);
    if (makeStampedCopy(recording, opened.recordings, stamp, reporter, [](const std::string&) {}) != 0)
        return 1;
    std::printf("%s\n", stampedCopyPath(recording, opened.recordings).c_str());
    return 0;
}

int runVerify(const std::vector<std::string>& arguments) {
    CommandOptions options("usage: zoqtool verify FILE",
                           "Recomputes a stamped copy's three checksums and its audio count and prints each "
                           "against the stored one; exit 0 when all match.");
    std::string path;
    options.app.add_option("FILE", path, "the stamped copy")->required();
    options.takeOperandsOnly();
    if (const std::optional<int> ended = options.parse(arguments))
        return *ended;
    const CopyChecksums sums = checkStampedCopy(path);
    if (!sums.problem.empty()) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), sums.problem.c_str());
        return 1;
    }
    const auto line = [](const char* what, std::uint32_t stored, std::uint32_t computed) {
        std::printf("%-12s stored %08X computed %08X %s\n", what, stored, computed,
                    stored == computed ? "matches" : "DOES NOT MATCH");
        return stored == computed;
    };
    bool all = line("header", sums.storedHeader, sums.header);
    all = line("comments", sums.storedText, sums.text) && all;
    all = line("audio", sums.storedAudio, sums.audio) && all;
    std::printf("%-12s stored %8u counted %8u %s\n", "audio bytes", sums.storedAudioBytes, sums.audioBytes,
                sums.storedAudioBytes == sums.audioBytes ? "matches" : "DOES NOT MATCH");
    all = all && sums.storedAudioBytes == sums.audioBytes;
    return all ? 0 : 1;
}

} // namespace zoqtool
