#include "convert/CallConversion.h"

#include "audio/FrameClock.h"
#include "convert/AudioFileFormat.h"
#include "convert/AudioFileWriter.h"
#include "convert/CallTags.h"
#include "platform/AtomicFile.h"
#include "platform/FormatText.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kestrum {

namespace {

// Frames handed to the encoder at a time; progress is reported after each block.
constexpr std::uint64_t kBlockFrames = 1 << 16;

} // namespace

bool convertCall(const RecordingState& recording, const SampleStore& store, const ConversionRequest& request,
                 const ConversionProgress& progress, std::string& error) {
    const WaveFormat& format = recording.playbackFormat;
    const int wavBits = request.wavBits != 0 ? request.wavBits : (format.bitsPerSample == 8 ? 8 : 16);
    const AudioFileFormat* kind = audioFileFormatFor(request.outputPath, wavBits);
    if (kind == nullptr) {
        error = "cannot tell what kind of audio file " + request.outputPath +
                " is to be: its name must end in " + knownAudioFileExtensions();
        return false;
    }

    // The section, in whole frames of the store.
    const FrameClock clock(format);
    const std::uint64_t callFrames = clock.framesIn(store.indexCount());
    const std::uint64_t first = clock.framesAt(request.fromSeconds);
    const std::uint64_t end =
        request.toSeconds ? std::min(callFrames, clock.framesAt(*request.toSeconds)) : callFrames;
    if (first >= end) {
        error = formatText(
            "nothing to convert: the section from %.3f s to %.3f s is empty (the call is %.3f s long)",
            clock.secondsOf(first), clock.secondsOf(end), clock.secondsOf(callFrames));
        return false;
    }
    const CallTags tags = sectionTags(callTagsOf(recording, callFrames), first, end);

    ReplacementFile file;
    if (!file.open(request.outputPath)) {
        error = "cannot create " + request.outputPath + ": " + std::strerror(errno);
        return false;
    }
    std::unique_ptr<AudioFileWriter> writer =
        AudioFileWriter::open(*kind, format, tags, end - first, file.descriptor(), error);
    if (!writer) {
        error = request.outputPath + ": " + error;
        return false; // the file removes its temporary sibling
    }
    const std::span<const std::uint8_t> samples = store.samples();
    for (std::uint64_t frame = first; frame < end;) {
        const std::uint64_t count = std::min(kBlockFrames, end - frame);
        if (!writer->write(samples.subspan(clock.bytesOf(frame), clock.bytesOf(count)), error)) {
            error = request.outputPath + ": " + error;
            return false;
        }
        frame += count;
        if (progress)
            progress(frame - first, end - first);
    }
    if (!writer->finish(error)) {
        error = request.outputPath + ": " + error;
        return false;
    }
    writer.reset();
    if (!file.commit()) {
        error = "cannot write " + request.outputPath + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace kestrum
