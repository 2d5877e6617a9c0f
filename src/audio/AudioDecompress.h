#pragma once

#include "audio/SampleStore.h"
#include "platform/Reporter.h"
#include "recording/RecordingState.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace kestrum {

// Shows a start-up step text (the splash window's label) at once.
using ProgressText = std::function<void(const std::string&)>;

// Hears of the entries a loading step has just added to the sample store, in order, on the loading
// thread: a program can start on the call's first seconds while the rest decodes (zoqtool
// convert encodes them on a thread of its own).
using SamplesAdded = std::function<void(std::span<const std::uint8_t>)>;

// The wave-format tag searched for: a header of version 9 or later is played only as PCM (1),
// TrueSpeech (34) or MPEG layer 3 (85), any other tag counting as 0; older headers' tags as they are.
std::uint16_t wantedFormatTag(const RecordingState& recording);

// The stored audio's format, from the header layout of the file's version.
const WaveFormat& storedAudioFormat(const RecordingState& recording);

// 0 when a decoder serves the recording's format; 2 after "DSP TrueSpeach codec not found";
// 1 after the message for any other tag nothing decodes.
int findDecoderFor(const RecordingState& recording, Reporter& reporter);

class AudioDecoder;

// The decoding of one compressed call into the sample store, a pass at a time: four seconds of
// input a pass, the remainder of a pass read again with the next. Opened on the thread that
// reports; the passes may then run on another thread: they write only the store, and keep what
// they would report (a failure, a note for the log) for the opening thread to report.
class CompressedAudioDecode {
  public:
    // Finds and opens the decoder for the recording and reserves the store. The recording file
    // must stand at the first audio byte and `audioLength` hold the compressed byte count; the
    // decode takes the file over (the recording's is closed). Null after reporting.
    static std::unique_ptr<CompressedAudioDecode> open(RecordingState& recording, SampleStore& store,
                                                       Reporter& reporter, const ProgressText& progress);
    ~CompressedAudioDecode();
    CompressedAudioDecode(const CompressedAudioDecode&) = delete;
    CompressedAudioDecode& operator=(const CompressedAudioDecode&) = delete;

    enum class Pass { More, Done, Failed };
    // Decodes the next pass into the store; `added` hears of its entries.
    Pass decodePass(const SamplesAdded& added = {});
    // The message of a failed pass, as the player reports it; empty before one.
    const std::string& failure() const { return failure_; }
    // What the passes logged only (a trailing part-block left unused), empty when nothing.
    const std::string& note() const { return note_; }
    // PCM entries decoded so far.
    std::uint64_t produced() const { return produced_; }
    // About how many PCM entries the whole call makes, from the header's rates: for showing the
    // length before the decoding has ended.
    std::uint64_t expectedEntries() const { return expected_; }
    // Passes decoded so far.
    unsigned passes() const { return passes_; }
    // Sets `audioLength` to the entries decoded and reports what the passes kept (the note, then
    // the failure). 0, or 1 after reporting a failure.
    int finish(RecordingState& recording, Reporter& reporter) const;

  private:
    struct Buffers;
    CompressedAudioDecode() = default;
    Pass fail(std::string message);

    FileHandle file_;
    SampleStore* store_ = nullptr;
    std::unique_ptr<AudioDecoder> decoder_;
    std::unique_ptr<Buffers> buffers_;
    off_t position_ = 0;
    std::uint32_t compressed_ = 0;
    std::uint32_t consumed_ = 0;
    std::uint64_t produced_ = 0;
    std::uint64_t expected_ = 0;
    unsigned passes_ = 0;
    std::string failure_;
    std::string note_;
};

// Decodes the compressed audio into the sample store, in passes of four seconds of input. The
// recording file must stand at the first audio byte and `audioLength` hold the compressed byte
// count; on success `audioLength` is the number of PCM entries. The file is closed afterwards.
// Returns 0, or 1 after reporting.
int decodeCompressedAudio(RecordingState& recording, SampleStore& store, Reporter& reporter,
                          const ProgressText& progress, const SamplesAdded& added = {});

} // namespace kestrum
