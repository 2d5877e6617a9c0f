#include "audio/AudioLoader.h"

#include "recording/VersionTable.h"

#include <algorithm>
#include <cstdio>
#include <new>

namespace kestrum {

int readRawAudio(RecordingState& rec, SampleStore& store, Reporter& reporter, std::uint32_t count,
                 const SamplesAdded& added) {
    // Read straight into the store, never reserving more than the file can hold: a header that
    // claims more audio than the file has fails as the short read it is.
    const std::int64_t position = ::ftello(rec.recordingFile.get());
    const std::int64_t available = position < 0 ? 0 : std::max<std::int64_t>(0, rec.fileSize - position);
    const auto readable = static_cast<std::size_t>(std::min<std::int64_t>(count, available));
    store.setBufferSize(store.indexCount() + readable + 2);
    const std::size_t start = store.indexCount();
    const std::span<std::uint8_t> target = store.appendUnset(readable);
    const std::size_t got = std::fread(target.data(), 1, target.size(), rec.recordingFile.get());
    store.truncate(start + got);
    if (got != count) {
        return reporter.fail("readSoundFileSound failed read %u of %u", static_cast<unsigned>(got), count);
    }
    rec.audioLength = count;
    if (added && got > 0)
        added(store.samples().subspan(start));
    return 0;
}

int loadRecordingAudio(RecordingReader& reader, RecordingState& rec, SampleStore& store, Reporter& reporter,
                       const ProgressText& progress, const SamplesAdded& added) {
    int failed = 0;
    if (isCompressedVersion(rec.version())) {
        progress("READING FILE TO BUFFER");
        failed = reader.computeAudioLength();
        if (failed == 0)
            failed = decodeCompressedAudio(rec, store, reporter, progress, added);
    } else {
        progress("CREATING BUFFERS");
        failed = reader.computeAudioLength();
        progress("READING FILE TO BUFFER");
        if (failed == 0)
            failed = readRawAudio(rec, store, reporter, rec.audioLength, added);
    }
    rec.closeRecordingFile();
    return failed;
}

int openAndLoadRecording(RecordingState& recording, SampleStore& store, Reporter& reporter,
                         const SamplesAdded& added) {
    TextDisplays ignored;
    RecordingReader reader(recording, reporter, ignored, ignored, {});
    if (reader.openRecording() != 0)
        return 1;
    return loadRecordingAudio(
        reader, recording, store, reporter, [](const std::string&) {}, added);
}

} // namespace kestrum
