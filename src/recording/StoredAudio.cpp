#include "recording/StoredAudio.h"

#include "recording/ExportCrc.h"
#include "recording/RecordingState.h"
#include "recording/Sections.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kestrum {

StoredAudio storedAudioOf(int fd, const RecordingState& recording) {
    struct stat info {};
    const std::int64_t start = recordingSections(recording).audioStart();
    if (fd < 0 || ::fstat(fd, &info) != 0 || info.st_size < start)
        return {};
    StoredAudio audio;
    audio.length = 0;
    std::vector<std::uint8_t> buffer(1 << 16);
    for (off_t offset = static_cast<off_t>(start);;) {
        const ssize_t got = ::pread(fd, buffer.data(), buffer.size(), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return {};
        if (got == 0)
            break;
        audio.crc =
            exportCrc(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(got)), audio.crc);
        audio.length += got;
        offset += got;
    }
    return audio;
}

} // namespace kestrum
