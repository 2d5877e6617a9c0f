#include "app/ExportCommand.h"

#include "app/Player.h"
#include "export/ExportList.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace kestrum {

namespace {

// Runs `work` on a thread of its own at the lowest priority, clearing `running` as its last act.
template <class Work>
void startWorker(std::atomic<bool>& running, Work work) {
    running = true;
    std::thread([&running, work = std::move(work)]() mutable {
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 19);
        work();
        running = false;
    }).detach();
}

} // namespace

ExportSetting ExportCommand::setting() const {
    const PlayerState& state = player_.state();
    return {state.environment.workingDirectory, state.environment.userName, state.environment.computerName,
            ownExecutablePath(), state.options.diskWriterValue};
}

void ExportCommand::ExportBtnClick() {
    PlayerState& state = player_.state();
    PlaybackView& view = player_.playbackView();
    const bool loopMarked = view.controlEnabled(TransportControl::PlayLoopBtn);
    if (state.options.exportVariant == 1) {
        if (loopMarked) {
            // A list takes the whole recording: the loop section goes.
            if (state.playback.loopPlaying)
                player_.transport().togglePlayLoop();
            ui_.setExportButtonLook({"Add to CD &Export List", ui_.exportButtonLook().colour});
            view.setControlEnabled(TransportControl::MarkLoopBeginBtn, true);
            view.setControlEnabled(TransportControl::MarkLoopEndBtn, false);
            view.setControlEnabled(TransportControl::PlayLoopBtn, false);
            state.playback.loopEnd = 0;
            state.playback.loopBegin = 0;
            state.playback.playPosition = 0;
            player_.engine().showPlayPosition(0);
        }
        if (!listRunning_)
            startSExp2Thread(0);
        return;
    }
    if (!audioRunning_)
        startSExpThread(loopMarked ? 1 : 0);
}

int ExportCommand::startSExp2Thread(unsigned argument) {
    if (listRunning_) {
        player_.reporter().logOnly("startSExp2Thread Thread already running");
        player_.messenger().showInformation("Application already running");
        return 1;
    }
    startWorker(listRunning_, [worker = ExportListWorker(setting(), argument, ui_, player_.log())]() mutable {
        worker.Execute();
    });
    return 0;
}

int ExportCommand::startSExpThread(unsigned argument) {
    if (audioRunning_) {
        player_.messenger().showInformation("startSExpThread already running");
        player_.reporter().logOnly("startSExpThread Thread already running");
        return 1;
    }
    const PlayerState& state = player_.state();
    AudioExportRange range{0, state.recording.audioLength};
    if (argument != 0)
        range = {state.playback.loopBegin,
                 state.playback.loopEnd > state.playback.loopBegin ? state.playback.loopEnd - state.playback.loopBegin
                                                                     : 0};
    startWorker(audioRunning_, [worker = AudioExportWorker(setting(), argument, range, state.store,
                                                           state.recording.playbackFormat, ui_, player_.log())]() mutable {
        worker.Execute();
    });
    return 0;
}

} // namespace kestrum
