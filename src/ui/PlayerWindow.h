#pragma once

#include "app/ButtonModes.h"
#include "audio/PlaybackSession.h"
#include "ui/CallOverviewFeed.h"
#include "ui/HelpWindow.h"

#include <QColor>
#include <QMainWindow>

#include <optional>
#include <string>
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
struct InitRecord;
struct RecordingDetails;

// The main window: the call's details, the transport controls and the buttons that open the side
// windows. It holds no playback state: it says through signals what the user did with its
// controls, and is given what it shows (the details, the button modes, each snapshot of the
// playback); its display timer asks for the display to be brought up to date.
class PlayerWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit PlayerWindow(QWidget* parent = nullptr);
    ~PlayerWindow() override;

    // Start-up's set-up of the window before the recording is loaded.
    void setUp();
    // The switches' positions from the init file, the speed's quietly; the speed the switch shows.
    std::optional<Speed> restoreSettings(const InitRecord& record);
    void saveSettings(InitRecord& record) const;
    // The step size's switch position, as Back and Step go by it.
    int stepSizePosition() const;

    // Shows a snapshot of the playback: time, progress, buttons, loop caption, speed, volume and
    // aids; `callSeconds` is the call's length as far as it is known.
    void showPlayback(const PlaybackSnapshot& shown, double callSeconds);
    // The call overview's trace (peak summaries) and what it shows at this tick.
    void setOverviewSeries(const StripChartSeries* series);
    void showOverview(const CallOverviewContent& content);
    // The first showing: the title, the call's detail lines, the buttons' modes.
    void showDetails(const std::string& title, const RecordingDetails& details);
    void showButtonModes(const ButtonModes& modes);
    // As if the user moved the volume bar or the speed switch: volumeMoved or speedChosen follows.
    void moveVolumeBar(Volume volume);
    void chooseSpeed(Speed speed);
    // "Resume at m:ss" for the first ten seconds; clicked, it goes to `seconds`.
    void offerResume(double seconds);
    // Starts the display timer (its ticks: playbackChanged).
    void startDisplay();
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
    // A transport button was clicked (a key clicks its button, when it can be used).
    void transportPressed(TransportControl control);
    // Space: play, pause, or in loop play stop the loop.
    void playPauseRequested();
    // A place of the call to play from (or wait at): the overview, the progress bar, Ctrl+G, Resume.
    void positionChosen(double seconds);
    void volumeMoved(Volume volume);
    void speedChosen(Speed speed);
    void aidsChosen(const ListeningAids& aids);
    void commentsClicked();
    void keywordsClicked();
    void waveformClicked();
    void exportClicked();
    // The first showing: the details, modes and playback are due.
    void firstShown();
    // The display tick: every window is to be brought up to date with the playback.
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
    // The aids as the controls show them, said through aidsChosen.
    void aidsChanged();
    // A key's button clicked, when it can be used.
    void press(TransportControl control);
    QPushButton* button(TransportControl control) const;

    bool shown_ = false;
    std::optional<bool> loopCaptionShown_;
    std::vector<KeyHelp> keys_;
    bool closeAside_ = false;
    // As last shown: the call's length, loop play, and the place Resume goes to.
    double callSeconds_ = 0;
    bool loopPlaying_ = false;
    double resumeSeconds_ = 0;

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
