#include "ResidentMemory.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/resource.h>

namespace bench {

std::optional<ResidentMemory> readResidentMemory() {
    std::ifstream status("/proc/self/status");
    ResidentMemory memory;
    bool haveCurrent = false;
    bool havePeak = false;
    std::string line;
    while (std::getline(status, line)) {
        unsigned long long kib = 0;
        if (std::sscanf(line.c_str(), "VmRSS: %llu kB", &kib) == 1) {
            memory.current = kib * 1024;
            haveCurrent = true;
        } else if (std::sscanf(line.c_str(), "VmHWM: %llu kB", &kib) == 1) {
            memory.peak = kib * 1024;
            havePeak = true;
        }
    }
    if (!haveCurrent || !havePeak)
        return std::nullopt;
    return memory;
}

bool resetPeak() {
    // Writing 5 to clear_refs resets the peak resident size (Linux 4.0 and later).
    std::FILE* file = std::fopen("/proc/self/clear_refs", "w");
    if (file == nullptr)
        return false;
    const bool written = std::fputs("5", file) >= 0;
    return std::fclose(file) == 0 && written;
}

std::uint64_t lifetimePeak() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024; // kilobytes on Linux
}

} // namespace bench
