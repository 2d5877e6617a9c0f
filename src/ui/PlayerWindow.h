#pragma once

#include "audio/PlaybackView.h"

#include <QMainWindow>

#include <array>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;
class QTimer;

namespace kestrum {

class Player;
class SwitchSlider;
struct ButtonModes;
struct InitRecord;

// TPlayer1: the main window, with the call's details, the transport controls and the buttons
// that open the side windows. Its handlers are thin: they call the player's transport.
class PlayerWindow : public QMainWindow, public PlaybackView {
    Q_OBJECT

  public:
    explicit PlayerWindow(Player& player, QWidget* parent = nullptr);

    // Start-up's set-up of the window before the recording is loaded.
    void setUp();
    void restoreSettings(const InitRecord& record);
    void saveSettings(InitRecord& record) const;

    // PlaybackView
    void setPlayTimeText(const std::string& text) override;
    void setProgressPosition(int position) override;
    int progressPosition() const override;
    void setPercentText(const std::string& text) override;
    void setControlEnabled(TransportControl control, bool enabled) override;
    bool controlEnabled(TransportControl control) const override;
    void setTimerEnabled(bool enabled) override;
    bool timerEnabled() const override;
    int playSpeedPosition() const override;
    void setPlaySpeedPosition(int position) override;
    void showLoopPlaying(bool playing) override;
    void setVolumePercentText(const std::string& text) override;
    void setStepHints(const std::string& back, const std::string& step) override;
    void closePlayer() override;

    // What the buttons for the side windows do, and how the first showing reopens them.
    std::function<void()> onTextBtn;
    std::function<void()> onScannedWordsBtn;
    std::function<void()> onWaveFormBtn;
    std::function<void()> onExportBtn;
    std::function<void(const ButtonModes&)> showSideWindows;

    // The detail lines, top to bottom.
    QLabel* StaticText2;
    QLabel* StaticText8;
    QLabel* StaticText9;
    QLabel* StaticText10;
    QLabel* StaticText11;
    QLabel* StaticText12;
    QLabel* StaticText1;
    QLabel* StaticText13;
    QLabel* StaticText3;
    QLabel* StaticText5;
    QLabel* StaticText6;
    QLabel* StaticText7;
    QLabel* StaticText14;

    QPushButton* ExportBtn;
    QPushButton* CloseBtn;
    QProgressBar* ProgressBar1;
    QPushButton* TextBtn;
    QPushButton* ScannedWordsBtn;
    QPushButton* WaveFormBtn;

    QPushButton* PlayBtn;
    QPushButton* RestartBtn;
    QPushButton* StopBtn;
    QPushButton* BackBtn;
    QPushButton* StepBtn;
    QPushButton* MarkLoopBeginBtn;
    QPushButton* MarkLoopEndBtn;
    QPushButton* PlayLoopBtn;
    QPushButton* StopGlyphBtn;
    QLabel* PlayTimeText;
    QLabel* PercentLbl;
    QSlider* VolumeBar;
    QLabel* VolumeLbl;
    QLabel* VPerLbl;
    SwitchSlider* PlaySpeediSwitchSlider;
    QLabel* PlaySpeedLbl;
    SwitchSlider* StepSizeiSwitchSlider;
    QLabel* StepSizeLbl;
    QTimer* Timer1;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FormShow();
    void showDeviceVolume();
    void PlayBtnClick();
    void RestartBtnClick();
    void StopBtnClick();
    void BackBtnClick();
    void StepBtnClick();
    void MarkLoopBeginBtnClick();
    void MarkLoopEndBtnClick();
    void PlayLoopBtnClick();
    void VolumeBarChange();
    void VolumeLblClick();
    void StepSizeiSwitchSliderPositionChange();
    void PlaySpeediSwitchSliderPositionChange();
    void Timer1Timer();
    void TextBtnClick();
    void ScannedWordsBtnClick();
    void WaveFormBtnClick();
    void ExportBtnClick();
    void CloseBtnClick();

    QPushButton* button(TransportControl control) const;
    void buildLayout();

    Player& player_;
    bool shown_ = false;
    bool loopGlyphShown_ = false;
};

} // namespace kestrum
