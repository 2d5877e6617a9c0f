#pragma once

#include "app/ButtonModes.h"
#include "audio/PlaybackSession.h"
#include "ui/CallOverviewFeed.h"

#include <QObject>

#include <cstdint>
#include <functional>

namespace kestrum {

class PlayerActions;
class PlayerWindow;
struct InitRecord;

// Between the player window and the playback: what the user does in the window (its transport
// buttons, sliders, switches and aids, as its signals say) acts on the session, and what the
// session and the run's state hold is handed to the window to show. The desktop's media controls
// and the foot pedal drive the transport through it too, by the buttons' rules.
class PlayerPresenter : public QObject {
    Q_OBJECT

  public:
    PlayerPresenter(PlayerWindow& window, PlayerActions& player);
    ~PlayerPresenter() override;

    // The transport as the desktop's media controls and a foot pedal drive it: each does what its
    // button does, and only when that button can be used (as last shown).
    void press(TransportControl control);
    // Play when stopped, pause when playing; in loop play, stop the loop.
    void playOrPause();
    // Play when stopped; pause (or stop the loop) when playing.
    void play();
    void pause();
    // The speed or volume as the window's switch or bar takes it.
    void setSpeed(Speed speed);
    void setVolume(Volume volume);
    // Plays on (or waits, when stopped) from `frame`; not during loop play, whose marks hold it.
    void moveTo(std::uint64_t frame);

    // The window's switches from the init file; the speed reaches the playback quietly.
    void restoreSettings(const InitRecord& record);
    // A snapshot of the playback, shown in the player window and its call overview.
    void show(const PlaybackSnapshot& shown);

  signals:
    // The window's first showing, with the buttons' modes: the side windows open at last run reopen.
    void firstShown(const ButtonModes& modes);
    // A transport action changed the playback: every window is to show it at once.
    void playbackChanged();

  private:
    void connectWindow();
    void firstShow();
    void offerResume();
    void perform(TransportControl control);
    void act(const std::function<void()>& action);
    // Play, a speed change and the aids end the player when the sound device fails.
    void actOrClose(const std::function<bool()>& action);

    PlayerWindow& window_;
    PlayerActions& player_;
    PlaybackSession& session_;
    CallOverviewFeed overview_;
    TransportControls shownControls_; // the buttons as last shown: which can be used
};

} // namespace kestrum
