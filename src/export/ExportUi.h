#pragma once

#include "platform/Messenger.h"
#include "recording/RecordingState.h"

#include <cstdint>
#include <string>

namespace kestrum {

// Colours as 0x00BBGGRR.
inline constexpr std::uint32_t kExportWorkingColour = 0x0000C0; // dark red

// What an export worker asks of the player while it runs on its own thread. Every call is carried
// out on the user-interface thread and waited for; messages and questions are boxes on top.
class ExportUi : public Messenger {
  public:
    struct ButtonLook {
        std::string caption;
        std::uint32_t colour = 0;
    };

    // The export button's caption and font colour, to put back at the end.
    virtual ButtonLook exportButtonLook() = 0;
    // Shows a step on the export button.
    virtual void setExportButtonLook(const ButtonLook& look) = 0;
    // A yes/no question whose default answer is No.
    virtual bool askNoByDefault(const std::string& question) = 0;
    virtual bool additionsPending() = 0;
    // The new-comments window's Save.
    virtual void saveComments() = 0;
    // The recording as the player holds it now.
    virtual RecordingState recordingSnapshot() = 0;
    // While the disc program runs, the player's windows stop staying on top of it.
    virtual void normalizeTopMosts() = 0;
    virtual void restoreTopMosts() = 0;
    // The player is closing: from now on nothing is shown or asked (questions get No), and a
    // worker never waits for the windows again.
    virtual void playerClosing() {}
};

} // namespace kestrum
