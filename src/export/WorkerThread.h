#pragma once

#include "platform/Reporter.h"

#include <atomic>
#include <functional>
#include <thread>

namespace kestrum {

// The thread one kind of export worker runs on, at the lowest priority, one run at a time.
// An exception that escapes a run (memory running out while a copy or a conversion grows) is
// reported, logged and shown, and ends that run only: the player and its other work go on.
class WorkerThread {
  public:
    WorkerThread(Messenger& messenger, LogSink& log) : reporter_(messenger, log) {}
    ~WorkerThread() { join(); }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts `work`; the thread of an earlier run, which has ended, is joined first.
    void start(std::function<void()> work);
    // True from start until the run has ended.
    bool running() const { return running_; }
    // Waits for the current run, if any.
    void join();

  private:
    void runAtLowestPriority(const std::function<void()>& work);

    std::thread thread_;
    std::atomic<bool> running_{false};
    Reporter reporter_;
};

} // namespace kestrum
