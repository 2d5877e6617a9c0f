#pragma once

#include "app/ButtonModes.h"
#include "audio/PlaybackSession.h"
#include "ui/HelpWindow.h"

#include <QColor>
#include <QMainWindow>

#include <functional>
#include <memory>
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
class CallOverviewFeed;
class CallOverview;
class SwitchSlider;
struct PlayerState;
struct InitRecord;

// The main window: the call's details, the transport controls and the buttons that open the side
// windows. It holds no playback state: its controls act on the player's playback session, and its
// display timer shows the session's snapshots.
class PlayerWindow : public QMainWindow {
    Q_OBJECT

  public:
    // The window shows the run's state and acts on its playback.
    PlayerWindow(const PlayerState& state, PlaybackSession& session, QWidget* parent = nullptr);
    ~PlayerWindow() override;

    // Start-up's set-up of the window before the recording is loaded.
    void setUp();
    void restoreSettings(const InitRecord& record);
    void saveSettings(InitRecord& record) const;
    // Shows a snapshot of the playback: time, progress, buttons, loop caption, speed, volume and the
    // call overview.
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

    // Stops the display timer: nothing is shown after the shutdown has begun.
    void stopDisplay();
    // During a close the user asked for (closeAsked): the window stays open.
    void putCloseAside();
    // The export button's caption and its colour, as the export shows its progress there.
    QString exportCaption() const;
    QColor exportCaptionColour() const;
    void showExportCaption(const QString& caption, const QColor& colour);

  signals:
    void commentsClicked();
    void keywordsClicked();
    void waveformClicked();
    void exportClicked();
    // The first showing, with the buttons' modes: the side windows open at last run reopen.
    void firstShown(const ButtonModes& modes);
    // The display tick, and after every transport control: every window is to be brought up to
    // date with the playback.
    void playbackChanged();
    // The user closes the window; a receiver may put the close aside (putCloseAside).
    void closeAsked();
    // The window closes: the shutdown is to run.
    void closing();

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
    bool shown_ = false;
    std::optional<bool> loopCaptionShown_;
    std::vector<KeyHelp> keys_;
    std::unique_ptr<CallOverviewFeed> overviewFeed_; // what the call overview shows
    bool closeAside_ = false;

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
    } detailLines_;

    QPushButton* exportButton_;
    QPushButton* closeButton_;
    QProgressBar* progressBar_;
    QPushButton* commentsButton_;
    QPushButton* keywordsButton_;
    QPushButton* waveformButton_;

    QPushButton* playButton_;
    QPushButton* restartButton_;
    QPushButton* stopButton_;
    QPushButton* backButton_;
    QPushButton* stepButton_;
    QPushButton* markLoopBeginButton_;
    QPushButton* markLoopEndButton_;
    QPushButton* playLoopButton_;
    // "Resume at m:ss": shown for the first ten seconds of a call the user left part way.
    QPushButton* resumeButton_;
    QTimer* resumeOfferTimer_;
    // The whole call under the transport: a click, a drag or its keys move the play position.
    CallOverview* callOverview_;
    QLabel* playTimeLabel_;
    QLabel* percentLabel_;
    QSlider* volumeBar_;
    QLabel* volumeLabel_;
    QLabel* volumePercentLabel_;
    SwitchSlider* playSpeedSwitch_;
    QLabel* playSpeedLabel_;
    SwitchSlider* stepSizeSwitch_;
    QLabel* stepSizeLabel_;
    // The listening aids.
    QCheckBox* keepPitchBox_;
    QCheckBox* evenVoicesBox_;
    QCheckBox* reduceNoiseBox_;
    QCheckBox* skipSilenceBox_;
    QLabel* rewindLabel_;
    QSpinBox* rewindBox_;
    // Ctrl+G: a time to go to.
    GoToTimeDialog* goToTimeDialog_;
    // F1: the keys and the listening aids.
    HelpWindow* helpWindow_;
    // Refreshes the display every 100 ms; the sound does not depend on it.
    QTimer* displayTimer_;
};

} // namespace kestrum
