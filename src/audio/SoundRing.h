#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace kestrum {

// Blocks of sound made ready on the renderer's thread and taken on the device's: one thread writes,
// the other reads, and neither ever waits for the other. The counts only grow, so the writer can
// tell its blocks from those of an older place still waiting to be taken.
class SoundRing {
  public:
    static constexpr std::size_t kBlocks = 64;
    static constexpr std::size_t kBlockBytes = 4096;

    struct Block {
        std::uint32_t generation = 0; // the transport's jump it belongs to
        std::uint64_t heardFrom = 0;  // the call's frames it sounds, as they are heard
        std::uint64_t heardTo = 0;
        std::uint32_t bytes = 0;
        bool end = false;        // no sound: the call's end has been played whole
        std::uint32_t taken = 0; // bytes the device has taken (the reader's)
        std::array<std::uint8_t, kBlockBytes> data{};
    };

    // The writer's: the next free block (null when the ring is full), then handing it over.
    Block* slotToWrite() {
        const std::uint64_t tail = written_.load(std::memory_order_relaxed);
        if (tail - taken_.load(std::memory_order_acquire) >= kBlocks)
            return nullptr;
        return &blocks_[tail % kBlocks];
    }
    void publish() {
        written_.store(written_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

    // The reader's: the oldest block not yet taken (null when none), then letting it go.
    Block* front() {
        const std::uint64_t head = taken_.load(std::memory_order_relaxed);
        if (head == written_.load(std::memory_order_acquire))
            return nullptr;
        return &blocks_[head % kBlocks];
    }
    void pop() { taken_.store(taken_.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

    // Blocks ever handed over, and ever let go.
    std::uint64_t written() const { return written_.load(std::memory_order_acquire); }
    std::uint64_t taken() const { return taken_.load(std::memory_order_acquire); }

  private:
    std::array<Block, kBlocks> blocks_{};
    alignas(64) std::atomic<std::uint64_t> written_{0};
    alignas(64) std::atomic<std::uint64_t> taken_{0};
};

} // namespace kestrum
