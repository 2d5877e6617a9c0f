#pragma once

#include "app/ButtonModes.h"
#include "app/PlayerUi.h"

#include <memory>

namespace kestrum {

class AnnotateDialog;
class ExportCommand;
class QtExportUi;
class CodecInstructions;
class ExistingCommentsWindow;
class FootPedal;
class MediaPlayerBus;
class NewCommentsWindow;
class PlayerMnemonics;
class PlayerPresenter;
class PlayerWindow;
class RecordingWatch;
class ScannedWordWindow;
class SplashScreen;
class TerminationSignals;
class TextEntryKeys;
class WaveformPresenter;
class WaveformWindow;

// The player's windows on Qt: made in start-up's order, the message loop run on the player
// window, the side windows toggled from it, and a termination signal turned into closing it.
class QtPlayerUi : public PlayerUi, private AnnotationViews {
  public:
    QtPlayerUi();
    ~QtPlayerUi() override;

    SplashDisplay& createSplash() override;
    void destroySplash() override;
    void createWindows(PlayerActions& player) override;
    void setUpWindows() override;
    void restoreWindowState(const InitRecord* record, bool viewerMode) override;
    void saveWindowState(InitRecord& record) override;
    AnnotationViews& annotationViews() override { return *this; }
    void saveWithProgress() override;
    void watchRecording() override;
    void showPlayPosition() override;
    void showCallAnalysis() override;
    void stopDisplay() override;
    void finishExports() override;
    void runMessageLoop() override;
    void endMessageLoop() override;

    PlayerWindow* playerWindow() const { return player_.get(); }
    NewCommentsWindow* newCommentsWindow() const { return newComments_.get(); }
    ScannedWordWindow* scannedWordWindow() const { return scannedWords_.get(); }
    ExistingCommentsWindow* existingCommentsWindow() const { return existingComments_.get(); }
    AnnotateDialog* annotateDialog() const { return annotate_.get(); }
    WaveformWindow* waveformWindow() const { return waveform_.get(); }
    ExportCommand* exportCommand() const { return exportCommand_.get(); }

    // The Save button of either comment window (also the export's save of pending comments).
    void saveFromWindows();
    // While the disc program runs, the side windows stop staying on top.
    void setSideWindowsOnTop(bool onTop);

  private:
    // AnnotationViews
    void clearExistingComments() override;
    void clearNewComments() override;
    void showExistingComments(const std::string& text) override;
    void clearKeywordList() override;
    void addKeywordLine(const std::string& line) override;
    std::string newCommentsText() const override;
    void setSaveButtonsEnabled(bool enabled) override;

    void connectSideWindows();
    void linkDesktop();
    void showWaveformBesidePlayer();
    void showSideWindows(const ButtonModes& modes);
    void commentsButtonClicked();
    void playFromList(int seconds);
    void playFromTimestamp(int seconds);
    void closeRequested();
    // The call's playing time handed to the windows that show it, before one of them shows.
    void showTotalSeconds();
    // The display tick: the player window and the waveform brought up to date with the playback.
    void refreshDisplay();

    PlayerActions* owner_ = nullptr; // the run served: what the user does reaches it
    std::unique_ptr<SplashScreen> splash_;
    // The presenters outlive their windows, whose charts draw from what the presenters hold.
    std::unique_ptr<PlayerPresenter> presenter_; // between the player window and the playback
    std::unique_ptr<WaveformPresenter> waveformPresenter_;
    std::unique_ptr<PlayerWindow> player_;
    std::unique_ptr<NewCommentsWindow> newComments_;
    std::unique_ptr<ScannedWordWindow> scannedWords_;
    std::unique_ptr<WaveformWindow> waveform_;
    std::unique_ptr<ExistingCommentsWindow> existingComments_;
    std::unique_ptr<CodecInstructions> codecInstructions_;
    std::unique_ptr<AnnotateDialog> annotate_;
    std::unique_ptr<TerminationSignals> signals_;
    std::unique_ptr<TextEntryKeys> textEntryKeys_;
    std::unique_ptr<PlayerMnemonics> playerMnemonics_;
    std::unique_ptr<QtExportUi> exportUi_;
    std::unique_ptr<ExportCommand> exportCommand_;
    std::unique_ptr<RecordingWatch> recordingWatch_;
    std::unique_ptr<MediaPlayerBus> mediaBus_;
    std::unique_ptr<FootPedal> footPedal_;
    bool looping_ = false;
    bool desktopLinked_ = false; // the media controls and the pedal, made once
    bool closePending_ = false;
};

} // namespace kestrum
