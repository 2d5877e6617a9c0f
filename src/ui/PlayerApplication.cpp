#include "ui/PlayerApplication.h"

#include "app/Player.h"

#include <exception>
#include <new>

namespace kestrum {

namespace {

// What an exception says of itself; the text is what the user sees.
std::string exceptionText(const std::exception_ptr& exception) {
    try {
        std::rethrow_exception(exception);
    } catch (const std::bad_alloc&) {
        return "Out of memory";
    } catch (const std::exception& caught) {
        return caught.what();
    } catch (...) {
        return "Unknown exception";
    }
}

} // namespace

PlayerApplication::PlayerApplication(int& argc, char** argv) : QApplication(argc, argv) {}

int PlayerApplication::runPlayer(Player& player, const std::string& commandLine) {
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
