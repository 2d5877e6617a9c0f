#pragma once

#include "export/ExportUi.h"
#include "export/ExportWorkers.h"

#include <atomic>

namespace kestrum {

class Player;

// The export button: one worker of the run's kind at a time, on its own thread at the lowest
// priority: the export list (option K1) or CD audio.
class ExportCommand {
public:
    ExportCommand(Player& player, ExportUi& ui) : player_(player), ui_(ui) {}

    void ExportBtnClick();
    int startSExp2Thread(unsigned argument);
    int startSExpThread(unsigned argument);

    bool exportListRunning() const { return listRunning_; }
    bool audioExportRunning() const { return audioRunning_; }

private:
    ExportSetting setting() const;

    Player& player_;
    ExportUi& ui_;
    std::atomic<bool> listRunning_{false};
    std::atomic<bool> audioRunning_{false};
};

} // namespace kestrum
