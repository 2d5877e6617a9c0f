#pragma once

#include <cstdint>
#include <optional>

namespace bench {

// The process's resident memory from /proc/self/status, in bytes.
struct ResidentMemory {
    std::uint64_t current = 0; // VmRSS
    std::uint64_t peak = 0;    // VmHWM: the most resident since start or since resetPeak
};

std::optional<ResidentMemory> readResidentMemory();

// Starts the peak (VmHWM) again from the current resident size, so a later peak belongs to what
// runs after this call. False where the kernel does not allow it.
bool resetPeak();

// getrusage's ru_maxrss in bytes: the peak over the process's whole life.
std::uint64_t lifetimePeak();

} // namespace bench
