#pragma once

#include <cstddef>
#include <new>
#include <sys/mman.h>
#include <utility>

namespace kestrum {

// Memory for the sample store. An hour of audio is tens of megabytes: taken in 4 KiB pages it
// costs thousands of page faults when first written, which outweighs reading the file itself.
// Large blocks are therefore mapped aligned to 2 MiB and advised for transparent huge pages.
// Elements are default-initialised (left unset), so audio can be read straight into new entries.
template <class T> struct SampleAllocator {
    using value_type = T;
    static constexpr std::size_t kHugePage = std::size_t{2} << 20;

    SampleAllocator() = default;
    template <class U> SampleAllocator(const SampleAllocator<U>&) {}

    T* allocate(std::size_t n) {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kHugePage)
            return static_cast<T*>(::operator new(bytes));
        const std::size_t mapped = roundUp(bytes);
        // Map one page more and trim, so the block starts on a huge-page boundary.
        void* raw =
            ::mmap(nullptr, mapped + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (raw == MAP_FAILED)
            throw std::bad_alloc();
        auto* start = static_cast<char*>(raw);
        auto* aligned = reinterpret_cast<char*>(roundUp(reinterpret_cast<std::size_t>(start)));
        if (aligned != start)
            ::munmap(start, static_cast<std::size_t>(aligned - start));
        const std::size_t tail = static_cast<std::size_t>(start + mapped + kHugePage - (aligned + mapped));
        if (tail > 0)
            ::munmap(aligned + mapped, tail);
        ::madvise(aligned, mapped, MADV_HUGEPAGE);
        return reinterpret_cast<T*>(aligned);
    }

    void deallocate(T* p, std::size_t n) {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kHugePage)
            ::operator delete(p);
        else
            ::munmap(p, roundUp(bytes));
    }

    template <class U, class... Args> void construct(U* p, Args&&... args) {
        if constexpr (sizeof...(Args) == 0)
            ::new (static_cast<void*>(p)) U;
        else
            ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <class U> bool operator==(const SampleAllocator<U>&) const { return true; }

  private:
    static std::size_t roundUp(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }
};

} // namespace kestrum
