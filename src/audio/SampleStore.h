#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kestrum {

// The decoded audio of the open recording: its PCM bytes in the playback format, one entry a byte
// (8-bit unsigned or 16-bit signed samples, every channel's in turn). No time is stored: a
// FrameClock turns positions into seconds. Playback, the waveform and the audio export read here.
//
// The store grows while the call plays: one thread (the loader) appends, any thread reads. The
// entries live in one block of address space reserved up front, so they never move, and the count
// of entries is published only once they are written: what a reader sees of the store (`samples()`)
// stays valid and unchanged for the store's life. A raw call's bytes are not copied at all: the
// store reads them from a read-only mapping of the file.
class SampleStore {
  public:
    SampleStore() = default;
    ~SampleStore();
    SampleStore(const SampleStore&) = delete;
    SampleStore& operator=(const SampleStore&) = delete;

    // Reserves room for `entries` (the most the store will hold) before the first append; the
    // room costs address space only until written. Without it, the first append reserves
    // kDefaultRoom. Throws std::bad_alloc when the address space cannot be had.
    void setBufferSize(std::size_t entries);
    // The entries the store can hold.
    std::size_t capacity() const { return reserved_; }

    // Adds entries at the end; false (nothing added) when they do not fit in the reserved room.
    bool append(std::span<const std::uint8_t> values);
    // Takes `count` bytes from `offset` of an open file as the store's entries, through a
    // read-only mapping (which stays valid when the file is renamed over or its descriptor
    // closed). Only into an empty store; false when the file cannot be mapped.
    bool mapFile(int fd, std::int64_t offset, std::size_t count);
    bool mapped() const { return mapped_; }

    std::uint8_t sample(std::size_t index) const { return data_[index]; }
    std::size_t indexCount() const { return count_.load(std::memory_order_acquire); }
    // Every entry written so far.
    std::span<const std::uint8_t> samples() const { return {data_, indexCount()}; }
    // Empties the store; no reader may be left.
    void clear();

    static constexpr std::size_t kDefaultRoom = std::size_t{256} << 20;

  private:
    bool commit(std::size_t bytes);

    std::uint8_t* data_ = nullptr;
    void* mapping_ = nullptr; // the whole mapping, from its page-aligned start
    std::size_t mappingBytes_ = 0;
    std::size_t reserved_ = 0;  // the entries that fit
    std::size_t committed_ = 0; // bytes readable and writable
    bool mapped_ = false;
    std::atomic<std::size_t> count_{0};
};

} // namespace kestrum
