#pragma once

#include <string>

namespace kestrum {

// Title of every message box and question the player shows.
inline constexpr const char* kProductTitle = "LUMBRA PLAYER";

// Shows messages and asks yes/no questions. The desktop implementation uses stay-on-top
// message boxes; unattended runs and the command-line tools write to standard error instead.
class Messenger {
  public:
    virtual ~Messenger() = default;
    virtual void showError(const std::string& text) = 0;
    virtual void showInformation(const std::string& text) = 0;
    // True when the answer is Yes.
    virtual bool askQuestion(const std::string& text) = 0;
};

} // namespace kestrum
