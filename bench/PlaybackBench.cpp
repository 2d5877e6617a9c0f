// kestrum_playback_bench: plays a recording through the playback session and the real SDL device
// (SDL_AUDIODRIVER chooses the driver; bench/run.sh uses the disk driver, which plays in real
// time) and measures, for bench/run.sh:
//   - how long after Play the device takes its first sound, and how long after Stop sound can
//     still be heard (until Stop returns, plus the device buffer already taken), the worst of
//     several tries each;
//   - the process's CPU time while a call plays at Normal speed, as a share of one core (with
//     --all-aids, every listening aid on: keep pitch, even out voices, reduce noise, skip silence);
//   - with --toggle N instead, how long the device's callback takes, the longest and the 99th
//     percentile, while every aid and the speed are changed N times during play.

#include "audio/AudioLoader.h"
#include "audio/PlaybackStack.h"
#include "audio/SdlAudioOutput.h"
#include "platform/LogSink.h"
#include "platform/StderrMessenger.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

using namespace kestrum;
using Clock = std::chrono::steady_clock;

double threadCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The session's sound as the device's source, noting when the device last took sound from it and
// how long each call of the callback took, on the wall clock and on the thread's own CPU clock (the
// difference is time the system gave to other threads), in tables made beforehand.
class TimedSource : public SoundSource {
  public:
    explicit TimedSource(SoundSource& sound) : sound_(sound) {}
    void fillSound(std::span<std::uint8_t> out) override {
        const double cpuStart = threadCpuSeconds();
        const Clock::time_point start = Clock::now();
        sound_.fillSound(out);
        const Clock::time_point end = Clock::now();
        const std::size_t call = calls_.fetch_add(1) % durations_.size();
        durations_[call] = std::chrono::duration<double>(end - start).count();
        cpuDurations_[call] = threadCpuSeconds() - cpuStart;
        if (std::any_of(out.begin(), out.end(), [](std::uint8_t b) { return b != 0x80; }))
            lastSound_.store(end.time_since_epoch().count());
    }
    Clock::time_point lastSound() const { return Clock::time_point(Clock::duration(lastSound_.load())); }
    // The durations of the calls since the last reset, sorted: on the wall clock, or the CPU's.
    std::vector<double> durations(bool cpu) const {
        const auto& table = cpu ? cpuDurations_ : durations_;
        const auto count = static_cast<long>(std::min(calls_.load(), table.size()));
        std::vector<double> taken(table.begin(), table.begin() + count);
        std::sort(taken.begin(), taken.end());
        return taken;
    }
    void resetDurations() { calls_.store(0); }

  private:
    SoundSource& sound_;
    std::atomic<Clock::rep> lastSound_{0};
    std::atomic<std::size_t> calls_{0};
    std::array<double, 1u << 16> durations_{};
    std::array<double, 1u << 16> cpuDurations_{};
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

// Plays on while every aid and the speed change `changes` times, 20 ms apart, and prints how long
// the device's callback took meanwhile: the longest and the 99th percentile.
int timeCallbacksWhileChanging(PlaybackSession& session, TimedSource& source, int changes) {
    session.restart();
    if (!session.play())
        return 1;
    source.resetDurations();
    for (int change = 0; change < changes; ++change) {
        ListeningAids aids;
        aids.filters = {(change & 1) != 0, (change & 2) != 0, (change & 4) != 0};
        aids.skipSilence = (change & 8) != 0;
        if (!session.setAids(aids) || !session.changeSpeed(*Speed::ofPosition(change % Speed::kCount)))
            return 1;
        session.refresh();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const std::vector<double> taken = source.durations(false);
    const std::vector<double> cpu = source.durations(true);
    if (taken.empty())
        return 1;
    std::printf("callback_count=%zu\n", taken.size());
    std::printf("callback_longest_seconds=%.6f\n", taken.back());
    std::printf("callback_p99_seconds=%.6f\n", taken[taken.size() * 99 / 100]);
    std::printf("callback_cpu_longest_seconds=%.6f\n", cpu.back());
    std::printf("callback_cpu_p99_seconds=%.6f\n", cpu[cpu.size() * 99 / 100]);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool toggling = argc == 5 && std::string(argv[3]) == "--toggle";
    if (argc != 3 && !(argc == 4 && std::string(argv[3]) == "--all-aids") && !toggling) {
        std::fprintf(
            stderr,
            "usage: kestrum_playback_bench RECORDING.ZOQ CPU_SECONDS [--all-aids | --toggle CHANGES]\n");
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
    // Made before the stack, so that it goes after the device has stopped pulling from it, on
    // every way out.
    std::optional<TimedSource> timed;
    PlaybackStack playback(device, reporter, messenger, store, recording.playbackFormat);
    PlaybackSession& session = playback.makeSession();
    session.audioLoaded(recording.audioLength);
    TimedSource& source = timed.emplace(session.sound());
    playback.connect(&source);
    if (playback.openDevice() != 0)
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

    if (toggling) {
        SilenceMap silences;
        silences.build(store.samples(), recording.playbackFormat);
        session.setSilences(silences.skippable());
        const int result = timeCallbacksWhileChanging(session, source, std::atoi(argv[4]));
        playback.release();
        return result;
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
    playback.release();
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
