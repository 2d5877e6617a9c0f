#include "ui/PlayerPresenter.h"

#include "app/PlayerActions.h"
#include "app/PlayerState.h"
#include "app/RecordingDetails.h"
#include "platform/FormatText.h"
#include "ui/PlayerWindow.h"

namespace kestrum {

PlayerPresenter::PlayerPresenter(PlayerWindow& window, PlayerActions& player)
    : window_(window), player_(player), session_(player.session()),
      overview_(player.state(), player.session()) {
    window_.setOverviewSeries(&overview_.series());
    connectWindow();
}

PlayerPresenter::~PlayerPresenter() = default;

void PlayerPresenter::connectWindow() {
    PlayerWindow* window = &window_;
    connect(window, &PlayerWindow::transportPressed, this,
            [this](TransportControl control) { perform(control); });
    connect(window, &PlayerWindow::playPauseRequested, this, [this] { playOrPause(); });
    connect(window, &PlayerWindow::positionChosen, this,
            [this](double seconds) { moveTo(session_.clock().framesAt(seconds)); });
    connect(window, &PlayerWindow::volumeMoved, this,
            [this](Volume volume) { act([&] { session_.setVolume(volume); }); });
    connect(window, &PlayerWindow::speedChosen, this,
            [this](Speed speed) { actOrClose([&] { return session_.changeSpeed(speed); }); });
    connect(window, &PlayerWindow::aidsChosen, this,
            [this](const ListeningAids& aids) { actOrClose([&] { return session_.setAids(aids); }); });
    connect(window, &PlayerWindow::firstShown, this, [this] { firstShow(); });
}

// What a transport button does; Back and Step by the window's step size.
void PlayerPresenter::perform(TransportControl control) {
    switch (control) {
    case TransportControl::Play:
        actOrClose([&] { return session_.play(); });
        return;
    case TransportControl::Restart:
        act([&] { session_.restart(); });
        return;
    case TransportControl::StopPause:
        act([&] { session_.stop(); });
        return;
    case TransportControl::Back:
        act([&] { session_.back(window_.stepSizePosition()); });
        return;
    case TransportControl::Step:
        act([&] { session_.step(window_.stepSizePosition()); });
        return;
    case TransportControl::MarkLoopBegin:
        act([&] { session_.markLoopBegin(); });
        return;
    case TransportControl::MarkLoopEnd:
        act([&] { session_.markLoopEnd(); });
        return;
    case TransportControl::PlayLoop:
        act([&] { session_.togglePlayLoop(); });
        return;
    }
}

void PlayerPresenter::press(TransportControl control) {
    if (shownControls_[control])
        perform(control);
}

void PlayerPresenter::playOrPause() {
    const PlaybackSnapshot shown = session_.snapshot();
    press(shown.loopPlaying() ? TransportControl::PlayLoop
          : shown.playing()   ? TransportControl::StopPause
                              : TransportControl::Play);
}

void PlayerPresenter::play() {
    if (!session_.snapshot().playing())
        press(TransportControl::Play);
}

void PlayerPresenter::pause() {
    if (session_.snapshot().playing())
        playOrPause();
}

// As the window's switch and bar take them: the control moves, and says so.
void PlayerPresenter::setSpeed(Speed speed) {
    window_.chooseSpeed(speed);
}

void PlayerPresenter::setVolume(Volume volume) {
    window_.moveVolumeBar(volume);
}

// Where the user sent the play position (a typed time, a click, the overview, the desktop's
// controls): not during loop play; past the end, the last second.
void PlayerPresenter::moveTo(std::uint64_t frame) {
    act([&] { session_.goTo(frame); });
}

void PlayerPresenter::restoreSettings(const InitRecord& record) {
    // Quietly: the device follows the speed when play starts, not while the windows are made.
    if (const std::optional<Speed> speed = window_.restoreSettings(record))
        session_.restoreSpeed(*speed);
}

void PlayerPresenter::show(const PlaybackSnapshot& shown) {
    shownControls_ = shown.controls;
    window_.showOverview(overview_.contentFor(shown));
    window_.showPlayback(shown, session_.clock().secondsOf(shown.length));
}

void PlayerPresenter::act(const std::function<void()>& action) {
    action();
    emit playbackChanged();
}

void PlayerPresenter::actOrClose(const std::function<bool()>& action) {
    if (!action()) {
        window_.close();
        return;
    }
    emit playbackChanged();
}

// The first showing: details, button modes, side windows, and play from the start.
void PlayerPresenter::firstShow() {
    const PlayerState& state = player_.state();
    session_.restart();
    session_.stop();
    const ButtonModes modes = buttonModes(state.recording.version(), state.options, state.openAtLastRun);
    window_.showButtonModes(modes);
    emit firstShown(modes);
    window_.showDetails(formatText("%s  %s", kProductTitle, state.environment.versionText.c_str()),
                        recordingDetails(state.recording, state.options));
    // The bar shows the volume the playback has (the bar written back moves it to a whole step).
    window_.moveVolumeBar(session_.snapshot().volume);
    window_.startDisplay();
    actOrClose([&] { return session_.play(); });
    offerResume();
}

// Offers to go on where the user left the call, when they left it part way.
void PlayerPresenter::offerResume() {
    const std::optional<double>& resume = player_.state().resumeSeconds;
    const double length = session_.clock().secondsOf(session_.snapshot().length);
    if (!resume || *resume < 1 || *resume + 1 >= length)
        return;
    window_.offerResume(*resume);
}

} // namespace kestrum
