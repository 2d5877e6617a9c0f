#include "convert/CallConversion.h"

#include "audio/FrameClock.h"
#include "convert/AudioFileWriter.h"
#include "convert/CallTags.h"
#include "platform/FormatText.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace kestrum {

namespace {

// How far the loader may run ahead of the encoder: a few seconds of a call's samples.
constexpr std::size_t kMostQueuedBytes = 4u << 20;

} // namespace

std::unique_ptr<CallConversion> CallConversion::prepare(const ConversionRequest& request,
                                                        ConversionProgress progress, std::string& error) {
    std::unique_ptr<CallConversion> conversion(new CallConversion);
    conversion->request_ = request;
    conversion->progress_ = std::move(progress);
    // The kind of file is known by the name alone; .wav's sample size may wait for the call's.
    if (audioFileFormatFor(request.outputPath, request.wavBits != 0 ? request.wavBits : 8) == nullptr) {
        error = "cannot tell what kind of audio file " + request.outputPath +
                " is to be: its name must end in " + knownAudioFileExtensions();
        return nullptr;
    }
    if (request.toSeconds && *request.toSeconds <= request.fromSeconds) {
        error = formatText("nothing to convert: the section from %.3f s to %.3f s is empty",
                           request.fromSeconds, *request.toSeconds);
        return nullptr;
    }
    // A folder in the output's place would only refuse the rename once the whole call is encoded.
    if (struct stat existing{};
        ::lstat(request.outputPath.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
        error = "cannot write " + request.outputPath + ": " + std::strerror(EISDIR);
        return nullptr;
    }
    conversion->file_.emplace(TemporaryFile::beside(request.outputPath));
    if (!conversion->file_->isOpen()) {
        error = "cannot create " + request.outputPath + ": " + std::strerror(errno);
        return nullptr;
    }
    return conversion;
}

CallConversion::~CallConversion() {
    if (thread_.joinable()) {
        {
            const std::lock_guard lock(mutex_);
            closed_ = true;
            if (failure_.empty())
                failure_ = "stopped";
        }
        changed_.notify_all();
        thread_.join();
    }
    writer_.reset(); // before the file it writes to goes
}

bool CallConversion::start(const RecordingState& recording, std::string& error) {
    const WaveFormat& format = recording.playbackFormat;
    const int wavBits = request_.wavBits != 0 ? request_.wavBits : (format.bitsPerSample == 8 ? 8 : 16);
    kind_ = audioFileFormatFor(request_.outputPath, wavBits);
    const FrameClock clock(format);
    frameBytes_ = clock.frameBytes();
    framesPerSecond_ = clock.framesPerSecond();
    firstFrame_ = clock.framesAt(request_.fromSeconds);
    lastFrame_ = request_.toSeconds ? clock.framesAt(*request_.toSeconds) : UINT64_MAX;
    writer_ = AudioFileWriter::open(*kind_, format, ::fileno(file_->stream()), error);
    if (!writer_) {
        error = request_.outputPath + ": " + error;
        return false;
    }

    // When the marks stop depending on where the call ends (see the class).
    callTags_ = callTagsOf(recording, UINT64_MAX);
    const std::vector<ChapterMark> marks = sectionTags(callTags_, firstFrame_, lastFrame_).chapters;
    if (marks.empty() || kind_->chapters == ChapterMarks::None)
        headerAfter_ = 0;
    else if (kind_->chapters == ChapterMarks::Chapters)
        headerAfter_ = lastFrame_;
    else
        headerAfter_ = firstFrame_ + marks.back().frame + 1;
    if (headerAfter_ == 0 && !writeHeader(lastFrame_, error))
        return false;
    thread_ = std::thread([this] { encodeQueued(); });
    return true;
}

bool CallConversion::writeHeader(std::uint64_t end, std::string& error) {
    headerWritten_ = true;
    if (!writer_->writeHeader(sectionTags(callTags_, firstFrame_, end), end - firstFrame_, error)) {
        error = request_.outputPath + ": " + error;
        return false;
    }
    return true;
}

void CallConversion::fail(const std::string& message) {
    const std::lock_guard lock(mutex_);
    if (failure_.empty())
        failure_ = message;
    changed_.notify_all();
}

void CallConversion::add(std::span<const std::uint8_t> samples) {
    // In pieces, so a call read whole at once (raw PCM) is not copied whole.
    for (std::size_t done = 0; done < samples.size();) {
        const std::size_t piece = std::min(kMostQueuedBytes / 4, samples.size() - done);
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return queuedBytes_ < kMostQueuedBytes || !failure_.empty(); });
        if (!failure_.empty())
            return;
        queue_.emplace_back(samples.begin() + static_cast<std::ptrdiff_t>(done),
                            samples.begin() + static_cast<std::ptrdiff_t>(done + piece));
        queuedBytes_ += piece;
        done += piece;
        lock.unlock();
        changed_.notify_all();
    }
}

void CallConversion::encodeQueued() {
    std::vector<std::uint8_t> pending; // a part of a frame left at the end of a stretch
    for (;;) {
        std::vector<std::uint8_t> samples;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !queue_.empty() || closed_; });
            if (queue_.empty() || !failure_.empty())
                return;
            samples = std::move(queue_.front());
            queue_.pop_front();
            queuedBytes_ -= samples.size();
        }
        changed_.notify_all();
        if (!pending.empty()) {
            samples.insert(samples.begin(), pending.begin(), pending.end());
            pending.clear();
        }
        const std::uint64_t frames = samples.size() / frameBytes_;
        pending.assign(samples.begin() + static_cast<std::ptrdiff_t>(frames * frameBytes_), samples.end());

        // The part of these frames inside the section.
        const std::uint64_t begin = std::max(receivedFrames_, firstFrame_);
        const std::uint64_t end = std::min(receivedFrames_ + frames, lastFrame_);
        if (begin < end) {
            const std::span<const std::uint8_t> section(
                samples.data() + (begin - receivedFrames_) * frameBytes_, (end - begin) * frameBytes_);
            std::string error;
            if (!writer_->write(section, error)) {
                fail(request_.outputPath + ": " + error);
                return;
            }
            encodedFrames_ += end - begin;
            if (progress_)
                progress_(static_cast<double>(encodedFrames_) / std::max<std::uint32_t>(framesPerSecond_, 1));
        }
        receivedFrames_ += frames;
        if (!headerWritten_ && receivedFrames_ >= headerAfter_) {
            std::string error;
            if (!writeHeader(std::min(receivedFrames_, lastFrame_), error)) {
                fail(error);
                return;
            }
        }
    }
}

bool CallConversion::finish(const RecordingState& recording, std::string& error) {
    if (!thread_.joinable() && !start(recording, error))
        return false; // a call without a single sample never started the encoder
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
    thread_.join();
    if (!failure_.empty()) {
        error = failure_;
        return false;
    }

    const FrameClock clock(recording.playbackFormat);
    const std::uint64_t callFrames = receivedFrames_;
    const std::uint64_t end = std::min(callFrames, lastFrame_);
    if (firstFrame_ >= end) {
        error = formatText(
            "nothing to convert: the section from %.3f s to %.3f s is empty (the call is %.3f s long)",
            clock.secondsOf(firstFrame_), clock.secondsOf(end), clock.secondsOf(callFrames));
        return false;
    }
    if (!headerWritten_ && !writeHeader(end, error))
        return false;
    if (!writer_->finish(error)) {
        error = request_.outputPath + ": " + error;
        return false;
    }
    writer_.reset();
    if (!file_->finishWriting() || !file_->replaceTarget()) {
        error = "cannot write " + request_.outputPath + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace kestrum
