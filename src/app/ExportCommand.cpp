#include "app/ExportCommand.h"

#include "app/PlayerActions.h"
#include "app/PlayerState.h"
#include "audio/PlaybackSession.h"
#include "export/ExportList.h"
#include "platform/LogSink.h"
#include "platform/Messenger.h"
#include "platform/Reporter.h"

#include <algorithm>

namespace kestrum {

ExportCommand::ExportCommand(PlayerActions& player, ExportUi& ui)
    : player_(player), ui_(ui), list_(ui, player.log()), audio_(ui, player.log()) {}

ExportSetting ExportCommand::setting() const {
    const PlayerState& state = player_.state();
    return {state.environment.workingDirectory, state.environment.userName,
            state.environment.computerName,     ownExecutablePath(),
            state.options.diskWriterValue,      installedHelperDirectory()};
}

void ExportCommand::exportClicked() {
    PlayerState& state = player_.state();
    PlaybackSession& session = player_.session();
    // A complete loop section is marked when loop play can start.
    const bool loopMarked = session.snapshot().controls[TransportControl::PlayLoop];
    if (state.options.exportVariant == ExportVariant::ExportList) {
        if (loopMarked) {
            // A list takes the whole recording: the loop section goes.
            session.clearLoopForWholeRecording();
            ui_.setExportButtonLook({"Add to CD &Export List", ui_.exportButtonLook().colour});
        }
        if (!list_.running())
            startListExport(0);
        return;
    }
    if (!audio_.running())
        startAudioExport(loopMarked ? 1 : 0);
}

int ExportCommand::startListExport(unsigned argument) {
    if (list_.running()) {
        player_.reporter().logOnly("startSExp2Thread Thread already running");
        player_.messenger().showInformation("Application already running");
        return 1;
    }
    list_.start([worker = ExportListWorker(setting(), argument, ui_, player_.log(),
                                           &stopRequested_)]() mutable { worker.run(); });
    return 0;
}

int ExportCommand::startAudioExport(unsigned argument) {
    if (audio_.running()) {
        player_.messenger().showInformation("startSExpThread already running");
        player_.reporter().logOnly("startSExpThread Thread already running");
        return 1;
    }
    const PlayerState& state = player_.state();
    const PlaybackSnapshot shown = player_.session().snapshot();
    const FrameClock& clock = player_.session().clock();
    // The store's bytes: the whole recording, or the marked loop section.
    AudioExportRange range{0, state.recording.audioLength};
    if (argument != 0)
        range = {static_cast<std::uint32_t>(clock.bytesOf(shown.loopBegin)),
                 static_cast<std::uint32_t>(
                     clock.bytesOf(shown.loopEnd - std::min(shown.loopEnd, shown.loopBegin)))};
    audio_.start(
        [worker = AudioExportWorker(setting(), argument, range, state.store, state.recording.playbackFormat,
                                    ui_, player_.log(), &stopRequested_)]() mutable { worker.run(); });
    return 0;
}

void ExportCommand::finishWorkers() {
    stopRequested_ = true;
    ui_.playerClosing();
    list_.join();
    audio_.join();
}

} // namespace kestrum
