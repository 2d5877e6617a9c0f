#pragma once

#include "audio/SampleStore.h"
#include "export/ExportList.h"
#include "export/ExportUi.h"
#include "platform/LogSink.h"
#include "platform/Reporter.h"
#include "recording/WaveFormat.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace kestrum {

// What an export run needs from the working environment, fixed when it starts.
struct ExportSetting {
    std::string workingDirectory;
    std::string userName;
    std::string computerName;
    std::string ownExecutable;
    int diskWriterValue = -1;
    // The install's helper directory: where the disc writer and the disc menu are found when the
    // working directory has none.
    std::string helperDirectory;

    HelperPlaces helperPlaces() const { return {workingDirectory, helperDirectory}; }
};

// Shows a step on the export button unless its text is 100 characters or more.
void showExportStatus(ExportUi& ui, const std::string& text, std::uint32_t colour = kExportWorkingColour);

// Adds the recording to the export list and, when the user says the list is
// complete, runs the disc-writing program on it. A non-zero argument skips the question about
// unsaved comments. A set `stop` flag (the player closing) ends the work at its next step or
// block, leaving no partial copy.
class ExportListWorker {
  public:
    ExportListWorker(ExportSetting setting, unsigned argument, ExportUi& ui, LogSink& log,
                     const std::atomic<bool>* stop = nullptr)
        : setting_(std::move(setting)), argument_(argument), ui_(ui), reporter_(ui, log), stop_(stop) {}
    void run();

  private:
    // The steps up to the disc program: 0 when the recording is on the list, else 1 (after
    // reporting any failure; a stop or a declined question is no failure and reports nothing).
    int addToList(std::string& listDirectory, bool& finished);
    int clearList(const ExportListDirectories& opened);
    bool stopped() const { return stop_ != nullptr && stop_->load(); }

    ExportSetting setting_;
    unsigned argument_;
    ExportUi& ui_;
    Reporter reporter_;
    const std::atomic<bool>* stop_;
};

// What the audio export converts: samples [start, start + total) of the store.
struct AudioExportRange {
    std::uint32_t start = 0;
    std::uint32_t total = 0;
};

// Converts the decoded audio, all of it or the marked loop, to CD audio in a
// temporary file, runs the disc-writing program on it and deletes it. A set `stop` flag ends the
// conversion at its next block, without the disc program.
class AudioExportWorker {
  public:
    AudioExportWorker(ExportSetting setting, unsigned argument, AudioExportRange range,
                      const SampleStore& store, WaveFormat playbackFormat, ExportUi& ui, LogSink& log,
                      const std::atomic<bool>* stop = nullptr)
        : setting_(std::move(setting)), argument_(argument), range_(range), store_(store),
          playbackFormat_(playbackFormat), ui_(ui), reporter_(ui, log), stop_(stop) {}
    void run();

  private:
    // Converts into the open file; false when the run must end without the disc program.
    bool convertInto(std::FILE* file);
    bool stopped() const { return stop_ != nullptr && stop_->load(); }

    ExportSetting setting_;
    unsigned argument_;
    AudioExportRange range_;
    const SampleStore& store_;
    WaveFormat playbackFormat_;
    ExportUi& ui_;
    Reporter reporter_;
    const std::atomic<bool>* stop_;
};

} // namespace kestrum
