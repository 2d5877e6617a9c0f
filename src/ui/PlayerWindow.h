#pragma once

#include "audio/PlaybackSession.h"
#include "ui/HelpWindow.h"

#include <QMainWindow>

#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QProgressBar;
class QSpinBox;
class QPushButton;
class QSlider;
class QTimer;

namespace kestrum {

class GoToTimeDialog;
class CallOverview;
class SwitchSlider;
struct PlayerState;
struct ButtonModes;
struct InitRecord;

// The main window: the call's details, the transport controls and the buttons that open the side
// windows. It holds no playback state: its controls act on the player's playback session, and its
// display timer shows the session's snapshots.
class PlayerWindow : public QMainWindow {
    Q_OBJECT

  public:
    // The window shows the run's state, acts on its playback, and asks for the shutdown when it closes.
    PlayerWindow(const PlayerState& state, PlaybackSession& session, std::function<void()> shutdown,
                 QWidget* parent = nullptr);

    // Start-up's set-up of the window before the recording is loaded.
    void setUp();
    void restoreSettings(const InitRecord& record);
    void saveSettings(InitRecord& record) const;
    // Shows a snapshot of the playback: time, progress, buttons, loop caption, speed and volume.
    void showPlayback(const PlaybackSnapshot& shown);

    // The transport as the desktop's media controls and a foot pedal drive it: each does what its
    // button, key or control does, and only when that button can be used.
    void press(TransportControl control);
    // Space: play, pause, or in loop play stop the loop.
    void playOrPause();
    // Play when stopped; pause (or stop the loop) when playing.
    void play();
    void pause();
    void setSpeed(Speed speed);
    void setVolume(Volume volume);
    // Plays on (or waits, when stopped) from `frame`; not during loop play, whose marks hold it.
    void moveTo(std::uint64_t frame);
    // The player's keys, as installed: the help lists these.
    const std::vector<KeyHelp>& keys() const { return keys_; }
    // F1: shows the help window.
    void showHelp();

    // What the buttons for the side windows do, and how the first showing reopens them.
    std::function<void()> onCommentsButton;
    std::function<void()> onKeywordsButton;
    std::function<void()> onWaveformButton;
    std::function<void()> onExportButton;
    std::function<void(const ButtonModes&)> showSideWindows;
    // Brings every window up to date with the playback; the display timer and every transport
    // control call it.
    std::function<void()> refreshDisplay;
    // Asked as the user closes the window: false keeps it open (the close put aside).
    std::function<bool()> mayClose;

    // The call's details, top to bottom as laid out.
    struct DetailLines {
        QLabel* identifier;
        QLabel* firstName;
        QLabel* lastName;
        QLabel* trunkDestination;
        QLabel* recorded;
        QLabel* site;
        QLabel* stationAni;
        QLabel* stationName;
        QLabel* cost;
        QLabel* archivedBy;
        QLabel* archivedAt;
        QLabel* archivedDate;
        QLabel* ownership;
    } detailLines;

    QPushButton* exportButton;
    QPushButton* closeButton;
    QProgressBar* progressBar;
    QPushButton* commentsButton;
    QPushButton* keywordsButton;
    QPushButton* waveformButton;

    QPushButton* playButton;
    QPushButton* restartButton;
    QPushButton* stopButton;
    QPushButton* backButton;
    QPushButton* stepButton;
    QPushButton* markLoopBeginButton;
    QPushButton* markLoopEndButton;
    QPushButton* playLoopButton;
    // "Resume at m:ss": shown for the first ten seconds of a call the user left part way.
    QPushButton* resumeButton;
    QTimer* resumeOfferTimer;
    // The whole call under the transport: a click, a drag or its keys move the play position.
    CallOverview* callOverview;
    QLabel* playTimeLabel;
    QLabel* percentLabel;
    QSlider* volumeBar;
    QLabel* volumeLabel;
    QLabel* volumePercentLabel;
    SwitchSlider* playSpeedSwitch;
    QLabel* playSpeedLabel;
    SwitchSlider* stepSizeSwitch;
    QLabel* stepSizeLabel;
    // The listening aids.
    QCheckBox* keepPitchBox;
    QCheckBox* evenVoicesBox;
    QCheckBox* reduceNoiseBox;
    QCheckBox* skipSilenceBox;
    QLabel* rewindLabel;
    QSpinBox* rewindBox;
    // Ctrl+G: a time to go to.
    GoToTimeDialog* goToTimeDialog;
    // F1: the keys and the listening aids.
    HelpWindow* helpWindow;
    // Refreshes the display every 100 ms; the sound does not depend on it.
    QTimer* displayTimer;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void makeDetailLines(QWidget* central);
    void makeWindowButtons(QWidget* central);
    void makeTransportButtons(QWidget* central);
    void makeDisplaysAndVolume(QWidget* central);
    void makeSwitches(QWidget* central);
    void makeAidControls(QWidget* central);
    void buildLayout();
    void connectControls();
    void installKeys();
    void makeGoTo();
    void makeResumeOffer(QWidget* central);
    // Offers to go on where the user left the call, when they left it part way.
    void offerResume();
    // Goes to a point of the call, playing on or staying paused; nothing in loop play.
    void goToSeconds(double seconds);
    // The aids as the controls show them, handed to the playback.
    void aidsChanged();
    // The first showing: details, button modes, side windows, and play from the start.
    void firstShow();
    void showDetails();
    // Runs a transport action and shows its effect at once.
    void act(const std::function<void()>& action);
    // Play and a speed change end the player when the sound device fails.
    void actOrClose(const std::function<bool()>& action);
    QPushButton* button(TransportControl control) const;

    const PlayerState& state_;
    PlaybackSession& session_;
    std::function<void()> shutdown_;
    bool shown_ = false;
    std::optional<bool> loopCaptionShown_;
    std::vector<KeyHelp> keys_;
};

} // namespace kestrum
