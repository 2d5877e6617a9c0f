#include "audio/AudioLoader.h"

#include "recording/VersionTable.h"

#include <algorithm>
#include <cstdio>
#include <new>

namespace kestrum {

int readSoundFileSound(RecordingState& rec, SampleStore& store, Reporter& reporter, std::uint32_t count) {
    store.setTimeBase(rec.playbackFormat.avgBytesPerSec);
    store.beginUpdate();
    // Read in large pieces, but never reserve more than the file can hold.
    const std::int64_t position = ::ftello(rec.recordingFile.get());
    const std::int64_t available = position < 0 ? 0 : std::max<std::int64_t>(0, rec.fileSize - position);
    store.setBufferSize(static_cast<std::size_t>(std::min<std::int64_t>(count, available)) + 2);

    std::vector<std::uint8_t> chunk(1 << 16);
    std::uint32_t done = 0;
    while (done < count) {
        const std::size_t want = std::min<std::size_t>(chunk.size(), count - done);
        const std::size_t got = std::fread(chunk.data(), 1, want, rec.recordingFile.get());
        store.append(std::span<const std::uint8_t>(chunk.data(), got));
        done += static_cast<std::uint32_t>(got);
        if (got != want) {
            store.endUpdate();
            return reporter.fail("readSoundFileSound failed read %u of %u", done, count);
        }
    }
    store.endUpdate();
    rec.audioLength = count;
    return 0;
}

int loadRecordingAudio(RecordingReader& reader, RecordingState& rec, SampleStore& store, Reporter& reporter,
                       const ProgressText& progress) {
    int failed = 0;
    if (isCompressedVersion(rec.version())) {
        progress("READING FILE TO BUFFER");
        failed = reader.computeAudioLength();
        if (failed == 0)
            failed = audioDecompress(rec, store, reporter, progress);
    } else {
        progress("CREATING BUFFERS");
        failed = reader.computeAudioLength();
        progress("READING FILE TO BUFFER");
        if (failed == 0)
            failed = readSoundFileSound(rec, store, reporter, rec.audioLength);
    }
    rec.closeRecordingFile();
    return failed;
}

} // namespace kestrum
