#include "platform/TerminationCleanup.h"

#include <array>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kestrum {

namespace {

// A file to remove. The handler reads only slots marked Ready, whose folder and name were written
// before the mark; a slot is claimed (Free to Filling) by one thread at a time.
enum SlotState : int { Free, Filling, Ready };
struct Slot {
    std::atomic<int> state{Free};
    std::atomic<int> folder{-1};
    std::array<char, NAME_MAX + 1> name{};
};
static_assert(std::atomic<int>::is_always_lock_free, "the handler reads the slots");

std::array<Slot, 8> slots;

constexpr std::array<int, 3> kTerminationSignals = {SIGINT, SIGTERM, SIGHUP};

// Only async-signal-safe calls: unlinkat on what the slots hold, then the signal again, which
// (its action reset to the default on entry) ends the program once the handler returns.
extern "C" void removeAndEnd(int number) {
    for (const Slot& slot : slots)
        if (slot.state.load(std::memory_order_acquire) == Ready)
            ::unlinkat(slot.folder.load(std::memory_order_relaxed), slot.name.data(), 0);
    ::raise(number);
}

} // namespace

void removeOnTermination(int folderFd, const std::string& name) {
    if (folderFd < 0 || name.empty() || name.size() > NAME_MAX)
        return;
    for (Slot& slot : slots) {
        int expected = Free;
        if (!slot.state.compare_exchange_strong(expected, Filling, std::memory_order_acquire))
            continue;
        std::memcpy(slot.name.data(), name.c_str(), name.size() + 1);
        slot.folder.store(folderFd, std::memory_order_relaxed);
        slot.state.store(Ready, std::memory_order_release);
        return;
    }
}

void forgetOnTermination(int folderFd) {
    if (folderFd < 0)
        return;
    for (Slot& slot : slots) {
        int expected = Ready;
        if (slot.folder.load(std::memory_order_relaxed) == folderFd &&
            slot.state.compare_exchange_strong(expected, Free, std::memory_order_acq_rel))
            return;
    }
}

void removeTemporaryFilesOnTermination() {
    for (const int number : kTerminationSignals) {
        struct sigaction current {};
        if (::sigaction(number, nullptr, &current) != 0 || current.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = removeAndEnd;
        action.sa_flags = SA_RESETHAND;
        ::sigemptyset(&action.sa_mask);
        for (const int other : kTerminationSignals)
            ::sigaddset(&action.sa_mask, other); // one removal at a time
        ::sigaction(number, &action, nullptr);
    }
}

} // namespace kestrum
