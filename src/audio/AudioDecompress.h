#pragma once

#include "audio/SampleStore.h"
#include "platform/Reporter.h"
#include "recording/RecordingState.h"

#include <cstdint>
#include <functional>
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

// Decodes the compressed audio into the sample store, in passes of four seconds of input. The
// recording file must stand at the first audio byte and `audioLength` hold the compressed byte
// count; on success `audioLength` is the number of PCM entries. Returns 0, or 1 after reporting.
int decodeCompressedAudio(RecordingState& recording, SampleStore& store, Reporter& reporter,
                          const ProgressText& progress, const SamplesAdded& added = {});

} // namespace kestrum
