#pragma once

#include "app/PlayerUi.h"

#include <memory>

namespace kestrum {

class CodecInstructions;
class PlayerWindow;
class SplashScreen;
class TerminationSignals;

// The player's windows on Qt: made in start-up's order, the message loop run on the player
// window, and a termination signal turned into closing that window.
class QtPlayerUi : public PlayerUi {
  public:
    QtPlayerUi();
    ~QtPlayerUi() override;

    SplashDisplay& createSplash() override;
    void createWindows(Player& player) override;
    void setUpWindows() override;
    void restoreWindowState(const InitRecord* record, bool viewerMode) override;
    void saveWindowState(InitRecord& record) override;
    PlaybackView& playbackView() override;
    WaveformDisplay& waveformDisplay() override { return noWaveform_; }
    void stopPlaybackTimer() override;
    void runMessageLoop() override;

    PlayerWindow* playerWindow() const { return player_.get(); }

  private:
    void closeRequested();

    std::unique_ptr<SplashScreen> splash_;
    std::unique_ptr<PlayerWindow> player_;
    std::unique_ptr<CodecInstructions> codecInstructions_;
    std::unique_ptr<TerminationSignals> signals_;
    NoWaveform noWaveform_;
    bool looping_ = false;
    bool closePending_ = false;
};

} // namespace kestrum
