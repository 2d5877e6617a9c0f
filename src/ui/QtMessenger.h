#pragma once

#include "platform/Messenger.h"

#include <memory>

namespace kestrum {

// Stay-on-top message boxes titled "LUMBRA PLAYER"; every text is also echoed to standard error.
// Needs a QApplication. After a termination signal (ui/TerminationSignals) no message box is
// shown, its text goes to standard error only; a question is still asked.
class QtMessenger : public Messenger {
  public:
    void showError(const std::string& text) override;
    void showInformation(const std::string& text) override;
    bool askQuestion(const std::string& text) override;
    // Yes, No and Cancel; Escape is Cancel.
    Answer askQuestionOrCancel(const std::string& text) override;
};

// Ends every message box (OK alone) a QtMessenger has open as its OK button would, for a
// termination signal, which must not wait for a click. Questions stay open.
void endOpenMessages();

// The messenger of a desktop run: unattended when KESTRUM_UNATTENDED is yes or no, boxes otherwise.
std::unique_ptr<Messenger> makeMessenger();

} // namespace kestrum
