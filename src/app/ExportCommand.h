#pragma once

#include "export/ExportUi.h"
#include "export/ExportWorkers.h"
#include "export/WorkerThread.h"

#include <atomic>

namespace kestrum {

class PlayerActions;

// The export button: one worker of the run's kind at a time, on a thread of the player's at the
// lowest priority: the export list (option K1) or CD audio. The player ends its workers before it
// goes (finishWorkers), so no worker outlives what it works with.
class ExportCommand {
  public:
    ExportCommand(PlayerActions& player, ExportUi& ui);
    ~ExportCommand() { finishWorkers(); }
    ExportCommand(const ExportCommand&) = delete;
    ExportCommand& operator=(const ExportCommand&) = delete;

    void exportClicked();
    // 0 started, 1 refused (one of the kind runs already).
    int startListExport(unsigned argument);
    int startAudioExport(unsigned argument);

    bool exportListRunning() const { return list_.running(); }
    bool audioExportRunning() const { return audio_.running(); }

    // The player closing: nothing more is shown or asked, a worker still copying or converting
    // stops at its next block, and one waiting for the disc program is waited for.
    void finishWorkers();

  private:
    ExportSetting setting() const;

    PlayerActions& player_;
    ExportUi& ui_;
    WorkerThread list_;
    WorkerThread audio_;
    std::atomic<bool> stopRequested_{false};
};

} // namespace kestrum
