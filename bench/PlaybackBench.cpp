// kestrum_playback_bench: plays a recording through the playback session and the real SDL device
// (SDL_AUDIODRIVER chooses the driver; bench/run.sh uses the disk driver, which plays in real
// time) and measures, for bench/run.sh:
//   - how long after Play the device takes its first sound, and how long after Stop sound can
//     still be heard (until Stop returns, plus the device buffer already taken), the worst of
//     several tries each;
//   - the process's CPU time while a call plays at Normal speed, as a share of one core (with
//     --all-aids, every listening aid on: keep pitch, even out voices, reduce noise, skip silence).

#include "audio/AudioLoader.h"
#include "audio/PlaybackSession.h"
#include "audio/SdlAudioOutput.h"
#include "audio/SoundOutput.h"
#include "platform/LogSink.h"
#include "platform/StderrMessenger.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <thread>

namespace {

using namespace kestrum;
using Clock = std::chrono::steady_clock;

// The session as the device's source, noting when the device last took sound from it.
class TimedSource : public SoundSource {
  public:
    explicit TimedSource(SoundSource& sound) : sound_(sound) {}
    void fillSound(std::span<std::uint8_t> out) override {
        sound_.fillSound(out);
        if (std::any_of(out.begin(), out.end(), [](std::uint8_t b) { return b != 0x80; }))
            lastSound_.store(Clock::now().time_since_epoch().count());
    }
    Clock::time_point lastSound() const { return Clock::time_point(Clock::duration(lastSound_.load())); }

  private:
    SoundSource& sound_;
    std::atomic<Clock::rep> lastSound_{0};
};

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double secondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 4 && std::string(argv[3]) == "--all-aids")) {
        std::fprintf(stderr, "usage: kestrum_playback_bench RECORDING.ZOQ CPU_SECONDS [--all-aids]\n");
        return 2;
    }
    const bool allAids = argc == 4;
    ConsoleMessenger messenger;
    NoLog log;
    Reporter reporter(messenger, log);
    RecordingState recording;
    recording.recordingPath = argv[1];
    SampleStore store;
    if (openAndLoadRecording(recording, store, reporter) != 0)
        return 1;

    SdlAudioOutput device;
    SoundOutput output(device, reporter, recording.playbackFormat);
    PlaybackSession session(store, recording.playbackFormat, output, messenger);
    session.audioLoaded(recording.audioLength);
    TimedSource source(session.sound());
    output.attachSource(source);
    if (output.openSoundDevice() != 0)
        return 1;
    const double bufferSeconds =
        static_cast<double>(deviceBufferFrames(recording.playbackFormat.samplesPerSec)) /
        recording.playbackFormat.samplesPerSec;

    double worstPlay = 0;
    double worstPause = 0;
    for (int attempt = 0; attempt < 10; ++attempt) {
        const Clock::time_point before = source.lastSound();
        const Clock::time_point pressed = Clock::now();
        if (!session.play())
            return 1;
        while (source.lastSound() == before && secondsBetween(pressed, Clock::now()) < 2)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        worstPlay = std::max(worstPlay, secondsBetween(pressed, source.lastSound()));
        // Play a while, a different while each time, so Stop lands at different places in a buffer.
        std::this_thread::sleep_for(std::chrono::milliseconds(150 + 37 * attempt % 100));

        const Clock::time_point stopPressed = Clock::now();
        session.stop();
        const Clock::time_point stopped = Clock::now();
        // Sound taken before Stop returned may still be playing for one device buffer.
        const Clock::time_point heardUntil =
            std::max(stopped, source.lastSound()) +
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(bufferSeconds));
        worstPause = std::max(worstPause, secondsBetween(stopPressed, heardUntil));
        std::this_thread::sleep_for(std::chrono::milliseconds(100)); // silence before the next Play
    }

    session.restart();
    if (allAids) {
        // Every listening aid at once: the whole filter graph, and the silence map to skip by.
        SilenceMap silences;
        silences.build(store.samples(), recording.playbackFormat);
        session.setSilences(silences.skippable());
        ListeningAids aids;
        aids.filters = {true, true, true};
        aids.skipSilence = true;
        if (!session.setAids(aids))
            return 1;
    }
    if (!session.play())
        return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // past the start
    const double cpuBefore = cpuSeconds();
    const Clock::time_point wallBefore = Clock::now();
    const double playFor = std::atof(argv[2]);
    // The player's display tick goes on meanwhile.
    while (secondsBetween(wallBefore, Clock::now()) < playFor) {
        session.refresh();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const double cpuShare = (cpuSeconds() - cpuBefore) / secondsBetween(wallBefore, Clock::now());
    const bool stillPlaying = session.snapshot().playing();
    output.release();
    if (!stillPlaying) {
        std::fprintf(stderr, "the recording ended before %s seconds of play\n", argv[2]);
        return 1;
    }
    std::printf("device_buffer_seconds=%.6f\n", bufferSeconds);
    std::printf("play_to_sound_seconds=%.6f\n", worstPlay);
    std::printf("pause_to_silence_seconds=%.6f\n", worstPause);
    std::printf("cpu_share=%.6f\n", cpuShare);
    return 0;
}
