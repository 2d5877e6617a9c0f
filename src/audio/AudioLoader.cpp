#include "audio/AudioLoader.h"

#include "recording/VersionTable.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <sys/stat.h>

namespace kestrum {

namespace {

// A raw call is played from a read-only mapping of its file, not copied. A save renames a new
// file over the call, which leaves the mapping of the old one as it was; but a file cut short in
// place would take the mapped pages with it, and the player with them. So a file that others may
// write (a team's share) is read into memory instead, as is one that cannot be mapped.
bool mapRawAudio(const RecordingState& rec, SampleStore& store, std::int64_t position, std::uint32_t count) {
    const int fd = ::fileno(rec.recordingFile.get());
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return false;
    return store.mapFile(fd, position, count);
}

} // namespace

int readRawAudio(RecordingState& rec, SampleStore& store, Reporter& reporter, std::uint32_t count,
                 const SamplesAdded& added) {
    // Read straight into the store, never reserving more than the file can hold: a header that
    // claims more audio than the file has fails as the short read it is.
    const std::int64_t position = ::ftello(rec.recordingFile.get());
    const std::int64_t available = position < 0 ? 0 : std::max<std::int64_t>(0, rec.fileSize - position);
    const auto readable = static_cast<std::size_t>(std::min<std::int64_t>(count, available));
    const std::size_t start = store.indexCount();
    if (readable != count || start != 0 || !mapRawAudio(rec, store, position, count)) {
        store.setBufferSize(start + readable + 2);
        std::vector<std::uint8_t> block(std::min<std::size_t>(readable, std::size_t{1} << 20));
        std::size_t got = 0;
        while (got < readable) {
            const std::size_t wanted = std::min(block.size(), readable - got);
            const std::size_t read = std::fread(block.data(), 1, wanted, rec.recordingFile.get());
            store.append({block.data(), read});
            got += read;
            if (read != wanted)
                break;
        }
        if (got != count)
            return reporter.fail("readSoundFileSound failed read %u of %u", static_cast<unsigned>(got),
                                 count);
    }
    rec.audioLength = count;
    if (added && count > 0)
        added(store.samples().subspan(start));
    return 0;
}

namespace {

int readAudioLengthAndRawAudio(RecordingReader& reader, RecordingState& rec, SampleStore& store,
                               Reporter& reporter, const ProgressText& progress, const SamplesAdded& added) {
    progress("CREATING BUFFERS");
    int failed = reader.computeAudioLength();
    progress("READING FILE TO BUFFER");
    if (failed == 0)
        failed = readRawAudio(rec, store, reporter, rec.audioLength, added);
    return failed;
}

} // namespace

int loadRecordingAudio(RecordingReader& reader, RecordingState& rec, SampleStore& store, Reporter& reporter,
                       const ProgressText& progress, const SamplesAdded& added) {
    int failed = 0;
    if (isCompressedVersion(rec.version())) {
        progress("READING FILE TO BUFFER");
        failed = reader.computeAudioLength();
        if (failed == 0)
            failed = decodeCompressedAudio(rec, store, reporter, progress, added);
    } else {
        failed = readAudioLengthAndRawAudio(reader, rec, store, reporter, progress, added);
    }
    rec.closeRecordingFile();
    return failed;
}

int startLoadingRecordingAudio(RecordingReader& reader, RecordingState& rec, SampleStore& store,
                               Reporter& reporter, const ProgressText& progress,
                               std::unique_ptr<LoaderThread>& decoding) {
    decoding.reset();
    if (!isCompressedVersion(rec.version())) {
        const int failed = readAudioLengthAndRawAudio(reader, rec, store, reporter, progress, {});
        rec.closeRecordingFile();
        return failed;
    }
    progress("READING FILE TO BUFFER");
    std::unique_ptr<CompressedAudioDecode> decode;
    if (reader.computeAudioLength() == 0)
        decode = CompressedAudioDecode::open(rec, store, reporter, progress);
    rec.closeRecordingFile();
    if (!decode)
        return 1;
    // The first stretch here, so that a call whose decoding fails at once fails as it always has;
    // the rest on the loader's thread while the call plays.
    const CompressedAudioDecode::Pass first = decode->decodePass();
    if (first != CompressedAudioDecode::Pass::More)
        return decode->finish(rec, reporter);
    progress("Decompressing block 0");
    decoding = std::make_unique<LoaderThread>(std::move(decode));
    return 0;
}

int openAndLoadRecording(RecordingState& recording, SampleStore& store, Reporter& reporter,
                         const SamplesAdded& added) {
    RecordingReader reader(recording, reporter, {});
    if (reader.openRecording() != 0)
        return 1;
    return loadRecordingAudio(
        reader, recording, store, reporter, [](const std::string&) {}, added);
}

} // namespace kestrum
