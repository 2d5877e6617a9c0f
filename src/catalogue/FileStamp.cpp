#include "catalogue/FileStamp.h"

#include <sys/stat.h>

namespace kestrum {

namespace {

std::int64_t nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

} // namespace

FileStamp fileStampOf(const struct stat& info) {
    return {info.st_size, nanoseconds(info.st_mtim), nanoseconds(info.st_ctim),
            static_cast<std::int64_t>(info.st_dev), static_cast<std::int64_t>(info.st_ino)};
}

} // namespace kestrum
