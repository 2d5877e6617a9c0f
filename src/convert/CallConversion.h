#pragma once

#include "convert/AudioFileFormat.h"
#include "convert/CallTags.h"
#include "platform/TemporaryFile.h"
#include "recording/RecordingState.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace kestrum {

class AudioFileWriter;

// What to convert a call to.
struct ConversionRequest {
    std::string outputPath; // its extension picks the kind of file (see AudioFileFormat)
    double fromSeconds = 0;
    std::optional<double> toSeconds; // the end of the call when not given
    int wavBits = 0;                 // 8 or 16 for .wav; 0: the call's own
};

// How far a conversion got: seconds of the call encoded.
using ConversionProgress = std::function<void(double secondsDone)>;

// Converts a call to a standard audio file while it loads: the loader hands over each stretch of
// samples as it decodes it (add), and a thread of the conversion's own encodes them meanwhile, so
// decoding and encoding run side by side on two cores.
//
// The file's header holds the tags and the keyword marks, and a mark past the end of the call
// makes none: the header is written as soon as the marks no longer depend on where the call ends
// (at once when the section holds none; once the samples have passed the last mark; for MP3,
// whose last chapter ends with the section, at the section's end), the encoded sound waiting in
// memory until then.
//
// The file is written as a new file (0600) beside the output and renamed to it when complete: on
// failure nothing is left at the output's path and an existing file there is untouched.
class CallConversion {
  public:
    // Checks what the request asks for and makes the output's temporary sibling, before any
    // work is done. Null with the reason in `error`.
    static std::unique_ptr<CallConversion> prepare(const ConversionRequest& request,
                                                   ConversionProgress progress, std::string& error);
    ~CallConversion();
    CallConversion(const CallConversion&) = delete;
    CallConversion& operator=(const CallConversion&) = delete;

    // Opens the encoder for the call's playback format and starts the encoding thread. Called
    // once the recording's header, comments and keywords are read, before the first samples.
    bool start(const RecordingState& recording, std::string& error);
    // The call's next samples, in order from its start (a copy is queued; only the section asked
    // for is encoded). Waits while the encoder is far behind. Nothing is done after a failure.
    void add(std::span<const std::uint8_t> samples);
    // After the last samples: waits for the encoder, writes the header if it is not written yet
    // and completes the file. False with the reason.
    bool finish(const RecordingState& recording, std::string& error);

  private:
    CallConversion() = default;
    // The encoding thread: takes the queued samples to the writer until the queue is closed.
    void encodeQueued();
    // Fails the conversion with `message`, unless it failed already.
    void fail(const std::string& message);
    // Writes the file's header with the marks of the section [firstFrame_, end).
    bool writeHeader(std::uint64_t end, std::string& error);

    ConversionRequest request_;
    ConversionProgress progress_;
    const AudioFileFormat* kind_ = nullptr;
    std::optional<TemporaryFile> file_; // the file being written, until it takes its name
    std::unique_ptr<AudioFileWriter> writer_;
    std::thread thread_;

    // Shared with the encoding thread, under the mutex.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<std::uint8_t>> queue_;
    std::size_t queuedBytes_ = 0;
    bool closed_ = false;
    std::string failure_;

    // The encoding thread's own until it is joined.
    std::uint32_t frameBytes_ = 1;
    std::uint32_t framesPerSecond_ = 0;
    std::uint64_t firstFrame_ = 0;     // the section's first frame
    std::uint64_t lastFrame_ = 0;      // the section's end as asked (the call may end sooner)
    std::uint64_t receivedFrames_ = 0; // frames of the call received so far
    std::uint64_t encodedFrames_ = 0;  // frames of the section encoded so far
    CallTags callTags_;                // every mark of the call, wherever it ends
    std::uint64_t headerAfter_ = 0;    // the header can be written once this many frames are here
    bool headerWritten_ = false;
};

} // namespace kestrum
