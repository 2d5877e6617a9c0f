#pragma once

#include "audio/AudioOutput.h"
#include "audio/FilteredSound.h"
#include "audio/FrameClock.h"
#include "audio/SampleStore.h"
#include "audio/SoundPlan.h"
#include "audio/SoundRing.h"
#include "audio/SourceCursor.h"
#include "audio/Volume.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <semaphore>
#include <string>
#include <thread>

namespace kestrum {

// The sound side of playback: the transport's plan made into the bytes the device plays.
//
// A thread of its own renders a little ahead (a tenth of a second or so): it reads the call's
// frames as the plan says (loops, skipped silence, the loader's pace), runs them through the
// listening aids' filter graph when one is chosen (building it there, never on the device's
// thread), and hands the blocks over through a ring. The device's callback only copies blocks out,
// scales them by the volume and notes how far it has got: it never allocates, builds nothing and
// takes no lock; what it needs of the transport (running, the jump it is at, the volume) it reads
// from atomics that the transport replaces whole.
class SoundRenderer : public SoundSource {
  public:
    SoundRenderer(const SampleStore& store, const WaveFormat& format);
    ~SoundRenderer() override;
    SoundRenderer(const SoundRenderer&) = delete;
    SoundRenderer& operator=(const SoundRenderer&) = delete;

    // The transport's side (one thread).
    void setPlan(const SoundPlan& plan);
    void setVolume(Volume volume) { volumeBar_.store(volume.barPosition(), std::memory_order_relaxed); }
    // The call's frame heard last of the plan's generation `generation` (what the device has
    // taken), or nothing before the device has taken any of it.
    std::optional<std::uint64_t> heardPosition(std::uint32_t generation) const;
    // The device has taken the whole call, its end included, in generation `generation`.
    bool reachedEnd(std::uint32_t generation) const {
        return endReached_.load(std::memory_order_acquire) == endMark(generation);
    }
    // A failure of the listening aids not yet taken: the aids play on without their filters.
    std::string takeFilterError();
    // Waits until the renderer has caught up with the last plan and with what the device took: for
    // a device that runs on its caller's clock (the tests'), which takes only what is ready.
    void waitUntilRendered();

    // SoundSource, on the device's thread.
    void fillSound(std::span<std::uint8_t> out) override;

  private:
    static std::uint64_t endMark(std::uint32_t generation) { return (std::uint64_t{1} << 32) | generation; }
    void run();
    // Takes a new plan, if there is one: moves to a new place, changes the filter. False once the
    // renderer is to stop.
    bool takePlan();
    void changeFilter(const SoundPlan& plan, std::uint64_t at);
    // Where generation `previous` was last heard, once the device can take no more of it.
    std::uint64_t heardAtLast(std::uint32_t previous, std::uint32_t next, std::uint64_t otherwise) const;
    // Renders blocks until enough are ready, the ring is full, or nothing can be had now; true
    // when waiting for the loader.
    bool renderAhead();
    // One block of the plan's sound; false when nothing can be had now (not at the end).
    bool renderBlock(SoundRing::Block& block);
    void waitForWork(bool waitingForLoader);

    const SampleStore& store_;
    const WaveFormat format_;
    const FrameClock clock_;
    const std::uint64_t framesPerBlock_;
    const std::uint64_t blocksAhead_;
    std::unique_ptr<SoundRing> ring_;

    // What the device's thread reads and writes.
    std::atomic<bool> running_{false};
    std::atomic<std::uint32_t> generation_{0};
    std::atomic<int> volumeBar_{0};
    std::atomic<std::uint64_t> heard_{0}; // the generation in the high half, the frame in the low
    std::atomic<std::uint64_t> endReached_{0};
    // The generation the device's last fill went by, and whether a fill is under way.
    std::atomic<std::uint32_t> fillGeneration_{0};
    std::atomic<bool> filling_{false};

    // Between the transport and the renderer's thread.
    std::mutex mutex_;
    std::condition_variable settled_;
    SoundPlan nextPlan_;
    std::uint64_t planVersion_ = 0;
    std::uint64_t idleVersion_ = 0;
    std::uint64_t idleTaken_ = 0;
    bool idle_ = false;
    bool stopping_ = false;
    std::string filterError_;
    std::counting_semaphore<> wake_{0};

    // The renderer's thread's own.
    SoundPlan plan_;
    std::uint64_t planTaken_ = 0;
    bool started_ = false;
    SourceCursor cursor_;
    std::unique_ptr<FilteredSound> filtered_;
    std::uint64_t generationStart_ = 0; // the ring's first block of this generation
    bool endRendered_ = false;

    std::thread thread_;
};

} // namespace kestrum
