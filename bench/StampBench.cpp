// kestrum_stamp_bench: makes the stamped copy of one recording in an export list, as the export
// list worker does (copy, checksums, read-back check), and prints how long that took, for
// bench/run.sh. Like the other benches it times the work itself, not the program's start-up.

#include "export/ExportList.h"
#include "export/StampedCopy.h"
#include "platform/LogSink.h"
#include "platform/StderrMessenger.h"
#include "recording/RecordingReader.h"

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kestrum_stamp_bench RECORDING.ZOQ LISTDIR\n");
        return 2;
    }
    using namespace kestrum;
    ConsoleMessenger messenger;
    NoLog log;
    Reporter reporter(messenger, log);
    RecordingState recording;
    recording.recordingPath = argv[1];
    RecordingReader reader(recording, reporter, {});
    if (reader.openRecording() != 0)
        return 1;
    recording.closeRecordingFile();
    ExportListDirectories list;
    if (openExportList(argv[2], list, reporter) >= 2)
        return 1;

    const auto start = std::chrono::steady_clock::now();
    const int failed = makeStampedCopy(recording, list.recordings, {"bench", "bench", 0}, reporter,
                                       [](const std::string&) {});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (failed != 0)
        return 1; // the messenger said why
    std::printf("file=%s\n", argv[1]);
    std::printf("copy=%s\n", stampedCopyPath(recording, list.recordings).c_str());
    std::printf("stamp_seconds=%.6f\n", seconds);
    std::printf("audio_bytes=%u\n", recording.edh.audioByteCount);
    return 0;
}
