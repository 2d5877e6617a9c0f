#include "StampCommands.h"

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
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: zoqtool stamp FILE LISTDIR\n");
        return 2;
    }
    ConsoleMessenger messenger;
    NoLog log;
    Reporter reporter(messenger, log);
    RecordingState recording;
    recording.recordingPath = arguments[0];
    TextDisplays ignored;
    RecordingReader reader(recording, reporter, ignored, ignored, {});
    if (reader.openRecording() != 0)
        return 1;
    recording.closeRecordingFile();

    const std::string& list = arguments[1];
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
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: zoqtool verify FILE\n");
        return 2;
    }
    const CopyChecksums sums = checkStampedCopy(arguments[0]);
    if (!sums.problem.empty()) {
        std::fprintf(stderr, "%s: %s\n", arguments[0].c_str(), sums.problem.c_str());
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
