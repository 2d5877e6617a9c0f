#pragma once

#include "platform/InputDevice.h"

#include <QObject>

#include <optional>
#include <string>

class QSocketNotifier;
class QTimer;

namespace kestrum {

class PlayerPresenter;
class Reporter;

// A three-pedal transcription foot pedal driving the player window's transport (by its buttons'
// rules, through the presenter): the middle pedal
// held plays and released pauses; the left steps back and the right forward, again every half
// second while held. The device is the one the settings file names (pedalDevice=PATH), or else
// one found by itself (findFootPedal). It is read as it becomes readable, on the windows' thread,
// never waiting for it. One that goes (unplugged) is looked for again every second, so plugging
// it back in needs no restart; one that cannot be opened is logged once.
class FootPedal : public QObject {
    Q_OBJECT

  public:
    FootPedal(PlayerPresenter& transport, Reporter& reporter, std::string configuredPath);
    ~FootPedal() override;

  private:
    void tryToOpen();
    void readEvents();
    void closeDevice();
    void pedalMoved(const PedalEvent& event);
    void stepHeld();

    PlayerPresenter& transport_;
    Reporter& reporter_;
    const std::string configuredPath_;
    std::string path_;
    int fd_ = -1;
    QSocketNotifier* readable_ = nullptr;
    QTimer* retry_;
    QTimer* repeat_;
    std::optional<Pedal> stepping_; // the left or right pedal held
    bool playingHeld_ = false;
    std::string failureLogged_; // the path whose failure to open is in the log
    InputEventDecoder decoder_;
};

} // namespace kestrum
