#include "export/WorkerThread.h"

#include "platform/ExceptionText.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace kestrum {

void WorkerThread::start(std::function<void()> work) {
    join();
    running_ = true;
    thread_ = std::thread([this, work = std::move(work)] { runAtLowestPriority(work); });
}

void WorkerThread::runAtLowestPriority(const std::function<void()>& work) {
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 19);
    try {
        work();
    } catch (...) {
        reporter_.fail("%s", exceptionText(std::current_exception()).c_str());
    }
    running_ = false;
}

void WorkerThread::join() {
    if (thread_.joinable())
        thread_.join();
}

} // namespace kestrum
