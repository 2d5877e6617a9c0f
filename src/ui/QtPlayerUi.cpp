#include "ui/QtPlayerUi.h"

#include "ui/CodecInstructions.h"
#include "ui/PlayerWindow.h"
#include "ui/SplashScreen.h"
#include "ui/TerminationSignals.h"

#include <QApplication>

namespace kestrum {

QtPlayerUi::QtPlayerUi() : signals_(std::make_unique<TerminationSignals>([this] { closeRequested(); })) {}

QtPlayerUi::~QtPlayerUi() = default;

SplashDisplay& QtPlayerUi::createSplash() {
    QApplication::setApplicationDisplayName(QString());
    splash_ = std::make_unique<SplashScreen>();
    return *splash_;
}

void QtPlayerUi::createWindows(Player& player) {
    player_ = std::make_unique<PlayerWindow>(player);
    codecInstructions_ = std::make_unique<CodecInstructions>(player_.get());
}

void QtPlayerUi::setUpWindows() {
    player_->setUp();
}

void QtPlayerUi::restoreWindowState(const InitRecord* record, bool) {
    if (record != nullptr)
        player_->restoreSettings(*record);
}

void QtPlayerUi::saveWindowState(InitRecord& record) {
    player_->saveSettings(record);
}

PlaybackView& QtPlayerUi::playbackView() {
    return *player_;
}

void QtPlayerUi::stopPlaybackTimer() {
    if (player_)
        player_->setTimerEnabled(false);
}

void QtPlayerUi::runMessageLoop() {
    if (closePending_)
        return;
    looping_ = true;
    player_->showMaximized();
    QApplication::exec();
    looping_ = false;
}

// Before the loop runs, the request is kept: start-up ends instead of showing the window.
void QtPlayerUi::closeRequested() {
    if (looping_ && player_)
        player_->close();
    else
        closePending_ = true;
}

} // namespace kestrum
