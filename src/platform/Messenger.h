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

    enum class Answer { Yes, No, Cancel };
    // A yes/no question that may also be put aside (Cancel, or Escape in a box). Where no one can
    // put it aside (unattended runs, the tools), it is the yes/no question.
    virtual Answer askQuestionOrCancel(const std::string& text) {
        return askQuestion(text) ? Answer::Yes : Answer::No;
    }
};

} // namespace kestrum
