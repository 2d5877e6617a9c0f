#pragma once

namespace kestrum {

class Annotations;
class LogSink;
class Messenger;
class PlaybackSession;
class Reporter;
struct PlayerState;

// What the windows ask of the run they serve: the user's actions that reach past the playback
// (closing, an export, the spectrogram), the display tick's look at the loading call, and the
// run's parts they show and act on. The player implements it; the windows know the run only
// through it, so the dependency runs from the windows to the player and never back.
class PlayerActions {
  public:
    virtual ~PlayerActions() = default;

    // The shutdown sequence, once: the player window is closing.
    virtual void shutdown() = 0;
    // The user closes the player window: false keeps it open (Cancel to "Save New Additions?").
    virtual bool confirmClose() = 0;
    // The display tick: the loading call's peaks, silences and length brought up to date.
    virtual void followLoading() = 0;
    // The user asked to see the spectrogram.
    virtual void wantSpectrogram() = 0;
    // The stored audio's length and checksum, taken before the file is compared with the call.
    virtual void takeOpenedAudio() = 0;
    // Waits for the whole call (an export needs all of it).
    virtual void finishLoading() = 0;

    virtual PlayerState& state() = 0;
    virtual PlaybackSession& session() = 0;
    virtual Annotations& annotations() = 0;
    virtual Reporter& reporter() = 0;
    virtual Messenger& messenger() = 0;
    virtual LogSink& log() = 0;
};

} // namespace kestrum
