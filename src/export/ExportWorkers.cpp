#include "export/ExportWorkers.h"

#include "export/CdAudioConverter.h"
#include "export/DiscProgram.h"
#include "export/ExportList.h"
#include "export/StampedCopy.h"
#include "platform/FormatText.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <unistd.h>
#include <vector>

namespace kestrum {

void showExportStatus(ExportUi& ui, const std::string& text, std::uint32_t colour) {
    if (text.size() >= 100)
        return;
    ui.setExportButtonLook({text, colour});
}

namespace {

// Puts the export button's look back when a run ends, however it ends.
class ButtonLookRestorer {
  public:
    explicit ButtonLookRestorer(ExportUi& ui) : ui_(ui), saved_(ui.exportButtonLook()) {}
    ~ButtonLookRestorer() { ui_.setExportButtonLook(saved_); }
    ButtonLookRestorer(const ButtonLookRestorer&) = delete;
    ButtonLookRestorer& operator=(const ButtonLookRestorer&) = delete;

  private:
    ExportUi& ui_;
    const ExportUi::ButtonLook saved_;
};

// Starts the disc-writing program and waits for it, the button showing `status` and the windows off
// the top meanwhile; `failure` is shown (not logged) when it cannot start.
void runDiscWriter(const ExportSetting& setting, ExportUi& ui, Reporter& reporter,
                   const std::string& parameters, const char* status, const char* failure) {
    int process = 0;
    if (!startProgram(kDiscWriterProgram, parameters, setting.helperPlaces(), reporter, process)) {
        ui.showError(failure);
        return;
    }
    showExportStatus(ui, status);
    ui.normalizeTopMosts();
    waitForProgram(process);
    ui.restoreTopMosts();
}

} // namespace

// --- the export list ------------------------------------------------------------------------

int ExportListWorker::clearList(const ExportListDirectories& opened) {
    const std::string& directory = opened.list.path();
    if (deleteAllFiles(opened.list, false, reporter_) != 0)
        return 1;
    if (deleteAllFiles(opened.list, true, reporter_) != 0)
        return reporter_.fail("Unable to Remove Temp Programs from List directory %s", directory.c_str());
    if (deleteAllFiles(opened.recordings, false, reporter_) != 0)
        return 1;
    if (deleteAllFiles(opened.recordings, true, reporter_) != 0)
        return reporter_.fail("Unable to Remove Temp Recordings in List directory %s/Recs",
                              directory.c_str());
    return 0;
}

int ExportListWorker::addToList(std::string& directory, bool& finished) {
    finished = false;
    if (stopped())
        return 1;
    if (ui_.additionsPending() && argument_ == 0 &&
        ui_.askQuestion("Save New Comment Additions Before Exporting?"))
        ui_.saveComments();
    RecordingState recording = ui_.recordingSnapshot();

    const std::string temporary = temporaryDirectory();
    if (temporary.empty())
        return reporter_.fail("Temp Path Undefined -- Setup Error.");
    directory = temporary + setting_.userName;
    ExportListDirectories opened;
    const int made = openExportList(directory, opened, reporter_);
    if (made == 2)
        return reporter_.fail("Temp Directory Missing -- Setup Error.");
    if (made == 3)
        return 1; // reported: the place is not safe, and nothing was touched

    if (made == 0) {
        const int listed = countListedRecordings(opened.recordings);
        if (listed != 0) {
            const std::string question =
                listed == 1
                    ? formatText("There is %d Recording already on the List.\nDo you want to Delete this "
                                 "List and start a NEW List?",
                                 listed)
                    : formatText("There are %d Recordings already on the List.\nDo you want to Delete this "
                                 "List and start a NEW List?",
                                 listed);
            if (ui_.askNoByDefault(question) &&
                ui_.askQuestion(
                    "This Will Clear All Recordings Currently on the List For CD Creation, Proceed?") &&
                clearList(opened) != 0)
                return 1; // reported where it happened
        }
    }

    if (stopped())
        return 1;
    showExportStatus(ui_, "Creating AutoRun");
    if (createAutoRunFile(opened.list, reporter_) != 0)
        return 1;
    showExportStatus(ui_, "Copying Program");
    if (copyProgramFile(opened.list, setting_.helperPlaces(), setting_.ownExecutable, reporter_) != 0)
        return 1;

    const ExportStamp stamp{setting_.userName, setting_.computerName, std::time(nullptr)};
    if (makeStampedCopy(
            recording, opened.recordings, stamp, reporter_,
            [this](const std::string& text) { showExportStatus(ui_, text); }, stop_) != 0 ||
        stopped())
        return 1;
    finished =
        ui_.askNoByDefault("Recording Added to the List.\nAre you Finished Adding Recordings to the List?");
    return 0;
}

void ExportListWorker::run() {
    const ButtonLookRestorer restorer(ui_);
    showExportStatus(ui_, "Export Started");
    std::string directory;
    bool finished = false;
    if (addToList(directory, finished) == 0 && finished) {
        runDiscWriter(setting_, ui_, reporter_, exportListParameters(setting_.diskWriterValue, directory),
                      "WRITING CD", "Unable to Start Export Process.");
    }
}

// --- CD audio -------------------------------------------------------------------------------

bool AudioExportWorker::convertInto(std::FILE* file) {
    int error = 0;
    std::unique_ptr<CdAudioConverter> converter = CdAudioConverter::open(playbackFormat_, error);
    if (!converter) {
        reporter_.fail("SExpThread::Execute acmStreamOpen failed mmr=%d hstr=%u", error, 0u);
        return false;
    }
    // One second of input a block.
    const std::uint32_t blockSize = std::max<std::uint32_t>(playbackFormat_.avgBytesPerSec, 1);
    std::vector<std::uint8_t> block;
    std::vector<std::uint8_t> converted;
    std::uint32_t done = 0;
    unsigned blockNumber = 0;
    showExportStatus(ui_, "Processing File");
    bool finished = range_.total == 0;
    while (!finished) {
        if (stopped()) {
            reporter_.logOnly("SExpThread::Execute stopped as the player closed");
            return false;
        }
        const std::uint32_t count = std::min(blockSize, range_.total - done);
        const std::uint64_t first = std::uint64_t{range_.start} + done;
        if (first + count > store_.indexCount()) {
            reporter_.fail("SExpThread::Execute source copy i=%u j=%u sBP=%u sc=%d SFBL=%u index cnt=%u, %s",
                           blockNumber, 0u, done, static_cast<int>(argument_), range_.start,
                           static_cast<unsigned>(store_.indexCount()), "index out of range");
            return false;
        }
        const std::span<const std::uint8_t> source = store_.samples().subspan(first, count);
        converted.clear();
        const long used = converter->convert(source, converted);
        if (used < 0) {
            reporter_.fail("SExpThread::Execute acmStreamConvert failed %ld", used);
            return false;
        }
        done += static_cast<std::uint32_t>(used);
        finished = done >= range_.total || used == 0;
        if (finished && converter->flush(converted) < 0) {
            reporter_.fail("SExpThread::Execute acmStreamConvert failed %d", -1);
            return false;
        }
        if (std::fwrite(converted.data(), 1, converted.size(), file) != converted.size()) {
            // What was written still goes to the disc program.
            reporter_.fail("SExpThread::Execute fwrite failed");
            return true;
        }
        if (!finished)
            showExportStatus(ui_, formatText("Processing block %u", blockNumber++));
    }
    return true;
}

void AudioExportWorker::run() {
    const ButtonLookRestorer restorer(ui_);
    showExportStatus(ui_, "Export Started");

    std::string name = temporaryDirectory() + "KESTRUMXXXXXX";
    const int descriptor = ::mkstemp(name.data());
    if (descriptor < 0) {
        reporter_.fail("SExpThread::Execute Could not GetTempFileName");
        return;
    }
    // The sound is the call's: its file goes when the run ends, however it ends.
    const std::unique_ptr<const char, void (*)(const char*)> removeAtEnd(
        name.c_str(), [](const char* path) { ::unlink(path); });
    reporter_.logOnly("%s", name.c_str());
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(::fdopen(descriptor, "wb"), std::fclose);
    if (file == nullptr) {
        ::close(descriptor);
        reporter_.fail("SExpThread::Execute fopen %s failed", name.c_str());
        return;
    }
    const bool convertedAll = convertInto(file.get());
    const bool closed = std::fclose(file.release()) == 0;
    if (convertedAll && !closed)
        reporter_.fail("SExpThread::Execute fwrite failed");
    if (convertedAll)
        runDiscWriter(setting_, ui_, reporter_, cdAudioParameters(setting_.diskWriterValue, name),
                      "CD WORKING", "SExpThread could not create process");
}

} // namespace kestrum
