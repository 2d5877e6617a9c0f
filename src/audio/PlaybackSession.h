#pragma once

#include "audio/FrameClock.h"
#include "audio/SampleStore.h"
#include "audio/SilenceMap.h"
#include "audio/SoundFilter.h"
#include "audio/SoundOutput.h"
#include "audio/SoundRenderer.h"
#include "audio/Speed.h"
#include "audio/Volume.h"
#include "platform/Messenger.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace kestrum {

enum class TransportState { Stopped, Playing, LoopPlaying };

// The transport buttons whose enabled state playback decides.
enum class TransportControl { Play, Restart, StopPause, Back, Step, MarkLoopBegin, MarkLoopEnd, PlayLoop };

// Which transport buttons can be used.
class TransportControls {
  public:
    bool operator[](TransportControl control) const { return enabled_[index(control)]; }
    void set(TransportControl control, bool enabled) { enabled_[index(control)] = enabled; }
    bool operator==(const TransportControls&) const = default;

  private:
    static std::size_t index(TransportControl control) { return static_cast<std::size_t>(control); }
    // As the player window is made: everything but the loop's end mark and loop play.
    std::array<bool, 8> enabled_{true, true, true, true, true, true, false, false};
};

inline constexpr int kLongestRewindSeconds = 5;

// The listening aids: all off unless the user turns them on, when the sound is exactly the
// recording's at the selected rate.
struct ListeningAids {
    SoundFilterChoice filters; // keep pitch, even out voices, reduce noise
    bool skipSilence = false;  // jump over silent stretches of 2 seconds or more
    int rewindSeconds = 0;     // Play after a pause starts this much earlier (0 to 5)
    bool operator==(const ListeningAids&) const = default;
};

// What the windows show of playback at one moment, in numbers (the windows' layers put them in
// words: app/PlaybackTexts). Positions are frames.
struct PlaybackSnapshot {
    TransportState state = TransportState::Stopped;
    std::uint64_t position = 0; // the frame heard last
    std::uint64_t length = 0;   // about the length while the call loads
    std::uint64_t loopBegin = 0;
    std::uint64_t loopEnd = 0;
    int shownSecond = 0;             // the time display's whole second, brought up to date as each one passes
    int progress = 0;                // the progress bar, 0 to 100
    std::optional<int> shownPercent; // the percent display's, once it has shown one
    TransportControls controls;
    Speed speed;
    Volume volume;
    ListeningAids aids;

    bool loopPlaying() const { return state == TransportState::LoopPlaying; }
    bool playing() const { return state != TransportState::Stopped; }
    bool operator==(const PlaybackSnapshot&) const = default;
};

// The step sizes of the step-size control's positions, in seconds; 0 outside 0 to 4.
int stepSeconds(int position);

// The transport of one playback of the recording in the sample store: the state, the play
// position in frames, the loop marks, the speed and the volume, with the rules of every transport
// control. The windows act on it and show its snapshots; they hold no playback state of their own.
//
// It lives on one thread (the windows', or zoqtool's), which also calls refresh() every 100 ms or
// so: that shows the time and progress, and ends play once the device has played the last frame.
// The sound itself is the renderer's (sound()): the transport hands it a plan whenever the plan
// changes, and learns back what has been heard, so the position shown is the one heard.
class PlaybackSession {
  public:
    PlaybackSession(const SampleStore& store, const WaveFormat& playbackFormat, SoundOutput& output,
                    Messenger& messenger);

    // While the call loads: the store holds its first part and grows, and the call is about
    // `expectedBytes` long. Play goes up to what the store holds and waits there; a position
    // past it plays once the store reaches it.
    void audioLoading(std::uint64_t expectedBytes);
    // Once the audio is in the store: the frames there are to play. A position a jump put past
    // the end while the call loaded goes to the last second, as such a jump does.
    void audioLoaded(std::uint64_t audioBytes);

    // The transport. play() and changeSpeed() reopen the device at another speed when they must;
    // false when the device failed there, after which the player must close.
    bool play();
    void restart();
    void stop();
    void back(int stepSizePosition);
    void step(int stepSizePosition);
    // Goes to a frame (one second before the end from the end on), playing on or staying stopped;
    // nothing during loop play.
    void goTo(std::uint64_t frame);
    void markLoopBegin();
    void markLoopEnd();
    void togglePlayLoop();
    // Plays on from a keyword's second.
    void playFromSeconds(int seconds);
    bool changeSpeed(Speed speed);
    // The speed as restored at start-up: the device follows at the next play.
    void restoreSpeed(Speed speed);
    void setVolume(Volume volume);
    // Moves the play position (the waveform's view centre), within the recording.
    void moveTo(std::uint64_t frame);
    // The waveform window browsing the recording: play and loop play cannot start meanwhile.
    void setBrowsing(bool browsing);
    // The sound held, the transport as it was (playing stays playing): while a keyword is being
    // written at a place clicked on the waveform, so the sound does not run on past it.
    void setHeld(bool held);
    // A disc list takes the whole recording: loop play stops and the marks go, from the start.
    void clearLoopForWholeRecording();
    // Turns listening aids on or off. Keep pitch moves the device to the recording's rate (or back
    // to the speed's); false when the device failed there, after which the player must close.
    bool setAids(const ListeningAids& aids);
    // The parts of silent stretches that skipping silence jumps over (SilenceMap::skippable).
    void setSilences(std::vector<FrameSpan> skippable);

    // The display tick: ends play when the device has played the last frame, brings the time and
    // progress up to date while playing (as the display's rules have it), and returns what to show.
    PlaybackSnapshot refresh();
    PlaybackSnapshot snapshot() const;
    const FrameClock& clock() const { return clock_; }
    // The sound, for the device to pull from.
    SoundRenderer& sound() { return renderer_; }

  private:
    void enableForPlay();
    // The buttons while stopped: everything that moves the position, Step and a new loop
    // begin not from the end.
    void enableForStopped();
    void movedWhileStopped();
    void clearMarks();
    void resetDisplay();
    void stopLoopPlay();
    void endOfPlay();
    void showProgress(int position);
    void updateDisplay();
    // The frame heard last: the renderer's, once the device has taken sound of the last jump.
    std::uint64_t position() const;
    std::uint64_t stepFrames(int stepSizePosition) const;
    std::uint64_t stepFramesOfSeconds(int seconds) const;
    // Every move of the play position that is not the sound's own course goes through here.
    void jumpTo(std::uint64_t frame);
    // A new generation of the sound that goes on from the frame heard last: nothing lost or
    // repeated, and the change heard at once.
    void goOnFromHeard();
    Speed deviceSpeed() const;
    bool reopenDevice(Speed speed);
    // Where Play after a pause starts: `frames` of heard sound before the position.
    std::uint64_t rewoundPosition(std::uint64_t frames) const;
    // One second before the end, or the start of a recording shorter than a second.
    std::uint64_t lastSecond() const;
    // Hands the renderer the transport as it now stands, and runs or stops the device to match.
    // A stopping device waits for its thread: nothing is held meanwhile that the thread needs.
    void publish();

    const SampleStore& store_;
    const WaveFormat playbackFormat_;
    const FrameClock clock_;
    SoundOutput& output_;
    Messenger& messenger_;
    SoundRenderer renderer_;

    TransportState state_ = TransportState::Stopped;
    std::uint32_t generation_ = 0;
    std::uint64_t jumpedTo_ = 0; // where the last jump put the position
    bool continues_ = false;     // the last jump goes on from where the sound was heard
    std::uint64_t length_ = 0;   // about the length while loading
    // Until the loader reports, the call is still to come: a renderer that took the empty plan
    // would otherwise mark its end, and Play would end at once once the audio came.
    bool loading_ = true;
    std::uint64_t loopBegin_ = 0;
    std::uint64_t loopEnd_ = 0;
    bool held_ = false;
    bool browsing_ = false;
    bool paused_ = false;            // stopped by a pause, whose marks Play keeps
    bool movedWhileStopped_ = false; // the user chose where Play goes on: no rewind
    TransportControls controls_;
    Speed speed_;
    Volume volume_;
    int shownSecond_ = 0;
    int progress_ = 0;
    std::optional<int> shownPercent_;
    ListeningAids aids_;
    std::uint32_t filterTrial_ = 0;
    std::shared_ptr<const std::vector<FrameSpan>> skippable_;
};

} // namespace kestrum
