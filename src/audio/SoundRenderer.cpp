#include "audio/SoundRenderer.h"

#include "audio/SdlAudioOutput.h"
#include "audio/SoundOutput.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

namespace kestrum {

namespace {

// Ready ahead of the device: four of its buffers at the fastest speed, so a busy moment of the
// renderer's thread is not heard, while a change of speed or aid is heard within a tenth of a
// second or so.
std::uint64_t blocksAheadFor(const FrameClock& clock, std::uint64_t framesPerBlock) {
    const std::uint64_t frames = 4u * deviceBufferFrames(clock.framesPerSecond() * 3 / 2);
    return std::clamp<std::uint64_t>((frames + framesPerBlock - 1) / framesPerBlock, 2,
                                     SoundRing::kBlocks / 2);
}

} // namespace

SoundRenderer::SoundRenderer(const SampleStore& store, const WaveFormat& format)
    : store_(store), format_(format), clock_(format),
      framesPerBlock_(std::min<std::uint64_t>(256, clock_.framesIn(SoundRing::kBlockBytes))),
      blocksAhead_(blocksAheadFor(clock_, framesPerBlock_)), ring_(std::make_unique<SoundRing>()),
      cursor_(store, clock_), thread_([this] { run(); }) {}

SoundRenderer::~SoundRenderer() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.release();
    thread_.join();
}

// --- the transport's side -------------------------------------------------------------------

void SoundRenderer::setPlan(const SoundPlan& plan) {
    // The device's thread follows at once: it drops what was made for an older place.
    generation_.store(plan.generation);
    running_.store(plan.running);
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        nextPlan_ = plan;
        ++planVersion_;
        idle_ = false;
    }
    wake_.release();
}

std::optional<std::uint64_t> SoundRenderer::heardPosition(std::uint32_t generation) const {
    const std::uint64_t heard = heard_.load(std::memory_order_acquire);
    if (heard == 0 || static_cast<std::uint32_t>((heard >> 32) - 1) != generation)
        return std::nullopt;
    return heard & 0xFFFFFFFFu;
}

std::string SoundRenderer::takeFilterError() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(filterError_, {});
}

void SoundRenderer::waitUntilRendered() {
    std::unique_lock<std::mutex> lock(mutex_);
    settled_.wait(lock,
                  [this] { return idle_ && idleVersion_ == planVersion_ && idleTaken_ == ring_->taken(); });
}

// --- the device's thread --------------------------------------------------------------------

void SoundRenderer::fillSound(std::span<std::uint8_t> out) {
    std::size_t filled = 0;
    bool tookAny = false;
    filling_.store(true);
    if (running_.load()) {
        const std::uint32_t generation = generation_.load();
        fillGeneration_.store(generation);
        while (filled < out.size()) {
            SoundRing::Block* block = ring_->front();
            if (block == nullptr)
                break;
            const auto age = static_cast<std::int32_t>(generation - block->generation);
            if (age < 0)
                break; // made for a jump newer than this fill knows of: the next fill plays it
            if (age > 0 || block->end) {
                // Made for a place left behind; or the end, which this fill has reached.
                if (age == 0)
                    endReached_.store(endMark(generation), std::memory_order_release);
                ring_->pop();
                tookAny = true;
                continue;
            }
            // Whole frames only: a part of a frame asked for is silence.
            const std::size_t count =
                std::min<std::size_t>(block->bytes - block->taken,
                                      (out.size() - filled) / clock_.frameBytes() * clock_.frameBytes());
            if (count == 0)
                break;
            std::memcpy(out.data() + filled, block->data.data() + block->taken, count);
            filled += count;
            block->taken += static_cast<std::uint32_t>(count);
            const std::uint64_t heard =
                block->heardFrom + (block->heardTo - block->heardFrom) * block->taken / block->bytes;
            heard_.store((std::uint64_t{generation + 1u} << 32) | (heard & 0xFFFFFFFFu),
                         std::memory_order_release);
            if (block->taken == block->bytes) {
                ring_->pop();
                tookAny = true;
            }
        }
        Volume::ofBar(volumeBar_.load(std::memory_order_relaxed)).apply(out.data(), filled, format_);
    }
    filling_.store(false);
    std::memset(out.data() + filled, silenceByte(format_), out.size() - filled);
    if (tookAny)
        wake_.release();
}

// --- the renderer's thread ------------------------------------------------------------------

void SoundRenderer::run() {
    while (takePlan()) {
        const bool waitingForLoader = started_ && renderAhead();
        waitForWork(waitingForLoader);
    }
}

void SoundRenderer::waitForWork(bool waitingForLoader) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (planVersion_ == planTaken_) {
            idle_ = true;
            idleVersion_ = planTaken_;
            idleTaken_ = ring_->taken();
        }
    }
    settled_.notify_all();
    // The device wakes the thread as it takes blocks, and so does a new plan; the loader does not,
    // so the thread looks again soon while it waits for it.
    if (waitingForLoader)
        wake_.try_acquire_for(std::chrono::milliseconds(5));
    else
        wake_.acquire();
}

bool SoundRenderer::takePlan() {
    SoundPlan plan;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_)
            return false;
        if (planVersion_ == planTaken_)
            return true;
        planTaken_ = planVersion_;
        idle_ = false;
        plan = nextPlan_;
    }
    const bool moved = !started_ || plan.generation != plan_.generation;
    // The place the sound goes on from: a jump's; where the last generation was heard, for one
    // that goes on from it; or what has been rendered so far (the filter's output, not its input,
    // so that a new filter loses and repeats nothing).
    std::uint64_t at = filtered_ ? filtered_->heardPosition() : cursor_.position();
    if (moved)
        at = plan.continues && started_ ? heardAtLast(plan_.generation, plan.generation, plan.from)
                                        : plan.from;
    if (moved) {
        generationStart_ = ring_->written();
        endRendered_ = false;
    }
    const bool retry = plan.filterTrial != plan_.filterTrial && plan.filters.any() && !filtered_;
    if (moved || retry || plan.filters != plan_.filters) {
        changeFilter(plan, at);
        cursor_.moveTo(at);
    } else if (filtered_ && plan.tempo != plan_.tempo) {
        filtered_->setTempo(plan.tempo);
    }
    plan_ = std::move(plan);
    started_ = true;
    return true;
}

std::uint64_t SoundRenderer::heardAtLast(std::uint32_t previous, std::uint32_t next,
                                         std::uint64_t otherwise) const {
    // A fill that began before the transport moved on may still be taking the old blocks; one
    // that begins after it takes none (the device's thread reads `filling_` and the generation in
    // that order, the transport writes the generation first).
    while (filling_.load() && fillGeneration_.load() != next)
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    return heardPosition(previous).value_or(otherwise);
}

void SoundRenderer::changeFilter(const SoundPlan& plan, std::uint64_t at) {
    filtered_.reset();
    if (!plan.filters.any())
        return;
    std::string error;
    filtered_ = FilteredSound::open(format_, plan.filters, plan.tempo, at, error);
    if (!filtered_) {
        const std::lock_guard<std::mutex> lock(mutex_);
        filterError_ = error;
    }
}

bool SoundRenderer::renderAhead() {
    while (!endRendered_) {
        const std::uint64_t written = ring_->written();
        if (written - std::max(ring_->taken(), generationStart_) >= blocksAhead_)
            return false;
        SoundRing::Block* block = ring_->slotToWrite();
        if (block == nullptr)
            return false;
        block->generation = plan_.generation;
        block->taken = 0;
        block->end = false;
        if (!renderBlock(*block))
            return true;
        endRendered_ = block->end;
        ring_->publish();
    }
    return false;
}

bool SoundRenderer::renderBlock(SoundRing::Block& block) {
    std::uint64_t frames = 0;
    if (filtered_) {
        bool ended = false;
        const long made = filtered_->render(cursor_, plan_, block.data.data(), framesPerBlock_,
                                            block.heardFrom, block.heardTo, ended);
        if (made < 0) {
            // The filter failed while playing: the sound goes on without it, from what was heard.
            const std::uint64_t at = filtered_->heardPosition();
            filtered_.reset();
            cursor_.moveTo(at);
            const std::lock_guard<std::mutex> lock(mutex_);
            filterError_ = "the sound filter failed";
            return renderBlock(block);
        }
        frames = static_cast<std::uint64_t>(made);
        block.end = ended;
    } else {
        frames = cursor_.read(plan_, block.data.data(), framesPerBlock_, block.heardFrom);
        block.heardTo = block.heardFrom + frames;
        block.end = frames == 0 && cursor_.atEnd(plan_);
    }
    if (block.end)
        block.heardFrom = block.heardTo = plan_.length;
    block.bytes = static_cast<std::uint32_t>(clock_.bytesOf(frames));
    return frames > 0 || block.end;
}

} // namespace kestrum
