#pragma once

#include "audio/AudioDecompress.h"

#include <atomic>
#include <memory>
#include <thread>

namespace kestrum {

// Lowers the calling thread's priority a little, for a long job beside the windows and the sound
// (a thread's nice value is its own on Linux; lowering it needs no privilege).
void yieldToForeground();

// Decodes the rest of a compressed call on a thread of its own, pass after pass into the sample
// store, while the call already plays. The store is all the thread writes; what the passes would
// report waits in the decode until the thread that started it reports it (finish).
class LoaderThread {
  public:
    explicit LoaderThread(std::unique_ptr<CompressedAudioDecode> decode);
    // Stops after the pass under way, and joins.
    ~LoaderThread();
    LoaderThread(const LoaderThread&) = delete;
    LoaderThread& operator=(const LoaderThread&) = delete;

    // Whether the decoding has ended, the whole call decoded or a pass failed.
    bool finished() const { return finished_.load(std::memory_order_acquire); }
    // Waits for the end of the decoding.
    void wait();
    // Once finished: reports what the passes kept and sets `audioLength` (CompressedAudioDecode::finish).
    int finish(RecordingState& recording, Reporter& reporter);
    // Once finished: the entries decoded.
    std::uint64_t produced() const { return decode_->produced(); }
    // About how many entries the whole call makes (for the length shown meanwhile).
    std::uint64_t expectedEntries() const { return expected_; }

  private:
    void run();

    std::unique_ptr<CompressedAudioDecode> decode_;
    const std::uint64_t expected_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

} // namespace kestrum
