#include "audio/LoaderThread.h"

#include <sys/resource.h>
#include <unistd.h>

namespace kestrum {

void yieldToForeground() {
    const auto self = static_cast<id_t>(::gettid());
    ::setpriority(PRIO_PROCESS, self, ::getpriority(PRIO_PROCESS, self) + 5);
}

LoaderThread::LoaderThread(std::unique_ptr<CompressedAudioDecode> decode)
    : decode_(std::move(decode)), expected_(decode_->expectedEntries()), thread_([this] { run(); }) {}

LoaderThread::~LoaderThread() {
    stop_.store(true, std::memory_order_relaxed);
    wait();
}

void LoaderThread::wait() {
    if (thread_.joinable())
        thread_.join();
}

void LoaderThread::run() {
    // Decoding is the one long job of the run: it yields to the windows and to the sound.
    yieldToForeground();
    while (!stop_.load(std::memory_order_relaxed) &&
           decode_->decodePass() == CompressedAudioDecode::Pass::More) {
    }
    finished_.store(true, std::memory_order_release);
}

int LoaderThread::finish(RecordingState& recording, Reporter& reporter) {
    wait();
    return decode_->finish(recording, reporter);
}

} // namespace kestrum
