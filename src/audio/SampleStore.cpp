#include "audio/SampleStore.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <unistd.h>

namespace kestrum {

namespace {

// An hour of audio is tens of megabytes: taken in 4 KiB pages it costs thousands of page faults
// when first written, which outweighs decoding it. The room is therefore aligned to 2 MiB and
// advised for transparent huge pages, and made writable 2 MiB at a time.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t roundUp(std::size_t bytes, std::size_t unit) {
    return (bytes + unit - 1) / unit * unit;
}

} // namespace

SampleStore::~SampleStore() {
    clear();
}

void SampleStore::clear() {
    if (mapping_ != nullptr)
        ::munmap(mapping_, mappingBytes_);
    data_ = nullptr;
    mapping_ = nullptr;
    mappingBytes_ = 0;
    reserved_ = 0;
    committed_ = 0;
    mapped_ = false;
    count_.store(0, std::memory_order_release);
}

void SampleStore::setBufferSize(std::size_t entries) {
    if (entries <= reserved_ || indexCount() > 0 || mapped_)
        return;
    clear();
    const std::size_t bytes = roundUp(std::max<std::size_t>(entries, 1), kHugePage);
    // Address space only: nothing is readable, writable or counted against memory until committed.
    // One huge page more, trimmed again, so the room starts on a huge-page boundary.
    void* raw =
        ::mmap(nullptr, bytes + kHugePage, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    auto* start = static_cast<std::uint8_t*>(raw);
    auto* aligned =
        reinterpret_cast<std::uint8_t*>(roundUp(reinterpret_cast<std::uintptr_t>(start), kHugePage));
    if (aligned != start)
        ::munmap(start, static_cast<std::size_t>(aligned - start));
    const auto tail = static_cast<std::size_t>(start + bytes + kHugePage - (aligned + bytes));
    if (tail > 0)
        ::munmap(aligned + bytes, tail);
    mapping_ = aligned;
    mappingBytes_ = bytes;
    data_ = aligned;
    reserved_ = bytes;
}

bool SampleStore::commit(std::size_t bytes) {
    if (bytes <= committed_)
        return true;
    const std::size_t wanted = std::min(roundUp(bytes, kHugePage), mappingBytes_);
    if (::mprotect(data_ + committed_, wanted - committed_, PROT_READ | PROT_WRITE) != 0)
        return false;
    ::madvise(data_ + committed_, wanted - committed_, MADV_HUGEPAGE);
    committed_ = wanted;
    return true;
}

bool SampleStore::append(std::span<const std::uint8_t> values) {
    if (mapped_)
        return false;
    if (mapping_ == nullptr)
        setBufferSize(std::max(kDefaultRoom, values.size()));
    const std::size_t count = count_.load(std::memory_order_relaxed);
    if (values.size() > reserved_ - count || !commit(count + values.size()))
        return false;
    if (!values.empty())
        std::memcpy(data_ + count, values.data(), values.size());
    // Readers see the new count only with the entries it counts already written.
    count_.store(count + values.size(), std::memory_order_release);
    return true;
}

bool SampleStore::mapFile(int fd, std::int64_t offset, std::size_t count) {
    if (mapping_ != nullptr || mapped_ || indexCount() > 0 || offset < 0)
        return false;
    if (count > 0) {
        const auto page = static_cast<std::int64_t>(::sysconf(_SC_PAGESIZE));
        const std::int64_t start = offset - offset % page;
        const std::size_t bytes = count + static_cast<std::size_t>(offset - start);
        void* mapping = ::mmap(nullptr, bytes, PROT_READ, MAP_PRIVATE, fd, start);
        if (mapping == MAP_FAILED)
            return false;
        // Read ahead now, so playing and drawing seldom wait for the disk.
        ::madvise(mapping, bytes, MADV_WILLNEED);
        mapping_ = mapping;
        mappingBytes_ = bytes;
        data_ = static_cast<std::uint8_t*>(mapping) + (offset - start);
    }
    mapped_ = true;
    reserved_ = count;
    count_.store(count, std::memory_order_release);
    return true;
}

} // namespace kestrum
