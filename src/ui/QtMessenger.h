#pragma once

#include "platform/Messenger.h"

#include <memory>

namespace kestrum {

// Stay-on-top message boxes titled "LUMBRA PLAYER"; every text is also echoed to standard error.
// Needs a QApplication. After a termination signal (ui/TerminationSignals) no box is shown: the
// text goes to standard error only, and a question is answered No.
class QtMessenger : public Messenger {
  public:
    void showError(const std::string& text) override;
    void showInformation(const std::string& text) override;
    bool askQuestion(const std::string& text) override;
};

// Ends every box a QtMessenger has open as its Escape button would: OK, or No to a question. For a
// termination signal, which must not wait for a click.
void endOpenMessageBoxes();

// The messenger of a desktop run: unattended when KESTRUM_UNATTENDED is yes or no, boxes otherwise.
std::unique_ptr<Messenger> makeMessenger();

} // namespace kestrum
