#pragma once

#include "audio/AudioOutput.h"
#include "audio/FrameClock.h"
#include "audio/SampleStore.h"
#include "audio/SilenceMap.h"
#include "audio/SoundFilter.h"
#include "audio/SoundOutput.h"
#include "platform/Messenger.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
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

// What the windows show of playback at one moment. Positions are frames.
struct PlaybackSnapshot {
    TransportState state = TransportState::Stopped;
    std::uint64_t position = 0; // the next frame the device takes
    std::uint64_t length = 0;
    std::uint64_t loopBegin = 0;
    std::uint64_t loopEnd = 0;
    std::string timeText;
    int progress = 0; // 0 to 100
    std::string percentText;
    TransportControls controls;
    int speedPosition = kNormalSpeedPosition;
    int volumeBarPosition = 0; // 0, the loudest, to 32
    std::string volumePercentText;
    ListeningAids aids;

    bool loopPlaying() const { return state == TransportState::LoopPlaying; }
    bool playing() const { return state != TransportState::Stopped; }
    bool operator==(const PlaybackSnapshot&) const = default;
};

// "Time %2d:%02d" for a whole number of seconds.
std::string playTimeText(int seconds);
// The percent text: at least two digits and a percent sign.
std::string percentText(int percent);
// The step sizes of the step-size control's positions, in seconds; 0 outside 0 to 4.
int stepSeconds(int position);
// The hints of the Back and Step buttons for a step-size position.
struct StepHints {
    std::string back;
    std::string step;
};
StepHints stepHints(int stepSizePosition);
// The volume of both channels for a volume-bar position (0 at the top, loudest, to 32), and the
// percent shown for it.
std::uint32_t deviceVolumeForBar(int barPosition);
int volumePercentForBar(int barPosition);

// One playback of the recording in the sample store: the transport state, the play position in
// frames, the loop marks, the speed and the volume, with the rules of every transport control.
// The windows act on it and show its snapshots; they hold no playback state of their own.
//
// The sound device pulls the sound from it (fillSound, on the device's thread), so the sound
// goes on whatever the windows' thread is doing. Everything else is called on one thread (the
// windows', or zoqtool's), which also calls refresh() every 100 ms or so: that shows the time
// and progress, and ends play once the device has taken the last frame.
class PlaybackSession : public SoundSource {
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
    void markLoopBegin();
    void markLoopEnd();
    void togglePlayLoop();
    // Plays on from a keyword's second.
    void playFromSeconds(int seconds);
    bool changeSpeed(int position);
    // The speed control's position as restored at start-up: the device follows at the next play.
    void restoreSpeedPosition(int position);
    void setVolumeBar(int barPosition);
    // Moves the play position (the waveform's view centre), within the recording.
    void moveTo(std::uint64_t frame);
    // The waveform window browsing the recording: play and loop play cannot start meanwhile.
    void setBrowsing(bool browsing);
    // The sound held while a dialog is open, the transport as it was.
    void setHeld(bool held);
    // A disc list takes the whole recording: loop play stops and the marks go, from the start.
    void clearLoopForWholeRecording();
    // Turns listening aids on or off. Keep pitch moves the device to the recording's rate (or back
    // to the speed's); false when the device failed there, after which the player must close.
    bool setAids(const ListeningAids& aids);
    // The parts of silent stretches that skipping silence jumps over (SilenceMap::skippable).
    void setSilences(std::vector<FrameSpan> skippable);

    // The display tick: ends play when the device has taken the last frame, brings the time and
    // progress up to date while playing, and returns what to show.
    PlaybackSnapshot refresh();
    PlaybackSnapshot snapshot() const;
    const FrameClock& clock() const { return clock_; }

    // SoundSource: on the device's thread.
    void fillSound(std::span<std::uint8_t> out) override;

  private:
    using Lock = std::lock_guard<std::mutex>;
    void enableForPlay();
    void clearMarks();
    void restartLocked();
    void stopLoopPlayLocked();
    void endOfPlayLocked();
    void showProgressLocked(int position);
    void updateDisplayLocked();
    std::uint64_t stepFrames(int stepSizePosition) const;
    std::uint64_t stepFramesOfSeconds(int seconds) const;
    // Every move of the play position that is not the sound's own course goes through here.
    void jumpToLocked(std::uint64_t frame);
    int deviceSpeedCodeLocked() const;
    bool reopenDevice(int speedCode);
    // Where Play after a pause starts: `frames` of heard sound before the position.
    std::uint64_t rewoundPositionLocked(std::uint64_t frames) const;
    // One second before the end, or the start of a recording shorter than a second.
    std::uint64_t lastSecondLocked() const;
    PlaybackSnapshot snapshotLocked() const;
    // Runs or stops the device as the transport wants it; never while the lock is held, since a
    // stopping device waits for its thread, which may be waiting for the lock.
    void syncDevice();
    void applyVolume(std::uint8_t* bytes, std::size_t count) const;
    // Copies up to `wanted` frames from the play position on, as the transport runs: a loop wraps
    // at its end mark, skipping jumps over silent stretches. Fewer at the recording's end, and
    // where the store ends while the call loads.
    std::uint64_t readSourceLocked(std::uint8_t* to, std::uint64_t wanted);
    // Play has reached the recording's end (not just the end of what has loaded so far).
    bool atEndLocked() const { return !loading_ && position_ >= length_; }
    // The filter graph for the aids turned on, built (again) when they or the place changed.
    bool filterReadyLocked();
    void fillFilteredLocked(std::span<std::uint8_t> out);

    const SampleStore& store_;
    const WaveFormat playbackFormat_;
    const FrameClock clock_;
    SoundOutput& output_;
    Messenger& messenger_;

    mutable std::mutex mutex_;
    TransportState state_ = TransportState::Stopped;
    std::uint64_t position_ = 0;
    std::uint64_t length_ = 0; // about the length while loading
    bool loading_ = false;
    std::uint64_t loopBegin_ = 0;
    std::uint64_t loopEnd_ = 0;
    bool reachedEnd_ = false; // the device found nothing more to play
    bool held_ = false;
    bool browsing_ = false;
    TransportControls controls_;
    int speedPosition_ = kNormalSpeedPosition;
    int volumeBar_ = 0;
    std::uint32_t volume_ = 0xFFFFFFFFu;
    int lastShownSecond_ = 0;
    std::string timeText_;
    int progress_ = 0;
    std::string percentText_;

    ListeningAids aids_;
    std::vector<FrameSpan> skippable_;
    std::unique_ptr<SoundFilter> filter_; // on the device's thread only
    SoundFilterChoice filterChoice_;
    bool filterStale_ = false;
    bool tempoChanged_ = false;
    std::string filterError_;
    bool filterErrorShown_ = false;
};

} // namespace kestrum
