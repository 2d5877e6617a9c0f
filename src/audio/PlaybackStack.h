#pragma once

#include "audio/AudioOutput.h"
#include "audio/PlaybackSession.h"
#include "audio/SampleStore.h"
#include "audio/SoundOutput.h"
#include "platform/Messenger.h"
#include "platform/Reporter.h"
#include "recording/WaveFormat.h"

#include <memory>

namespace kestrum {

// The sound side of a run, made and joined in the one order every program that plays a call
// keeps (the player, zoqtool play, the benchmarks): the device's output, opened at the call's own
// rate and silent until connected; the transport over the call's samples, made once the call's
// playback format is known; the device playing the transport's sound. It goes in the reverse
// order: the device stops (and its thread ends) before the transport it pulls from goes.
class PlaybackStack {
  public:
    // `playbackFormat` is read when the device opens and the session is made, not before: a
    // program may make the stack before it has read the call.
    PlaybackStack(AudioOutput& device, Reporter& reporter, Messenger& messenger, const SampleStore& store,
                  const WaveFormat& playbackFormat)
        : output_(device, reporter, playbackFormat), messenger_(messenger), store_(store),
          playbackFormat_(playbackFormat) {}
    ~PlaybackStack() { output_.release(); }
    PlaybackStack(const PlaybackStack&) = delete;
    PlaybackStack& operator=(const PlaybackStack&) = delete;

    // The device, by index at the call's own rate, not yet running (SoundOutput::openSoundDevice).
    int openDevice() { return output_.openSoundDevice(); }
    bool deviceOpen() const { return output_.isOpen(); }
    // The transport over the call's samples.
    PlaybackSession& makeSession() {
        session_ = std::make_unique<PlaybackSession>(store_, playbackFormat_, output_, messenger_);
        return *session_;
    }
    PlaybackSession& session() { return *session_; }
    const PlaybackSession& session() const { return *session_; }
    // The device plays the session's sound from now on; through `between` when given (a source
    // that passes the session's sound on, as a benchmark's timer does).
    void connect(SoundSource* between = nullptr) {
        output_.attachSource(between ? *between : session_->sound());
    }
    // Closes the device: its thread has ended when this returns.
    void release() { output_.release(); }

  private:
    SoundOutput output_;
    Messenger& messenger_;
    const SampleStore& store_;
    const WaveFormat& playbackFormat_;
    std::unique_ptr<PlaybackSession> session_;
};

} // namespace kestrum
