#include "ui/PlayerApplication.h"

#include "app/RunnablePlayer.h"
#include "platform/ExceptionText.h"

namespace kestrum {

PlayerApplication::PlayerApplication(int& argc, char** argv) : QApplication(argc, argv) {}

int PlayerApplication::runPlayer(RunnablePlayer& player, const std::string& commandLine) {
    running_ = &player;
    int exitCode = 0;
    try {
        exitCode = player.run(commandLine);
    } catch (...) {
        player.endAfterException(exceptionText(std::current_exception()));
        exitCode = 0;
    }
    running_ = nullptr;
    return exitCode;
}

bool PlayerApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        if (running_ == nullptr)
            throw;
        running_->endAfterException(exceptionText(std::current_exception()));
        return false;
    }
}

} // namespace kestrum
