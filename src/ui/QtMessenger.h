#pragma once

#include "platform/Messenger.h"

#include <memory>

namespace kestrum {

// Stay-on-top message boxes titled "LUMBRA PLAYER"; every text is also echoed to standard error.
// Needs a QApplication.
class QtMessenger : public Messenger {
  public:
    void showError(const std::string& text) override;
    void showInformation(const std::string& text) override;
    bool askQuestion(const std::string& text) override;
};

// The messenger of a desktop run: unattended when KESTRUM_UNATTENDED is yes or no, boxes otherwise.
std::unique_ptr<Messenger> makeMessenger();

} // namespace kestrum
