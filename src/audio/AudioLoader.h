#pragma once

#include "audio/AudioDecompress.h"
#include "audio/LoaderThread.h"
#include "audio/SampleStore.h"
#include "platform/Reporter.h"
#include "recording/RecordingReader.h"
#include "recording/RecordingState.h"

#include <cstdint>
#include <memory>

namespace kestrum {

// Loads `count` stored PCM bytes from the recording file's current position into the store (a
// read-only mapping of the file where it can, a copy otherwise); `audioLength` becomes the count.
// Returns 1 after reporting a file that ends early.
int readRawAudio(RecordingState& recording, SampleStore& store, Reporter& reporter, std::uint32_t count,
                 const SamplesAdded& added = {});

// The loading step of start-up for an opened recording: the audio-length rule with its comment
// and keyword readers, then the compressed audio decoded or the raw audio read into the store.
// `added` hears of the entries as they come (by then the header, comments and keywords are read).
// The recording file is closed afterwards. Returns 0, or 1 after reporting.
int loadRecordingAudio(RecordingReader& reader, RecordingState& recording, SampleStore& store,
                       Reporter& reporter, const ProgressText& progress, const SamplesAdded& added = {});

// The loading step as the player runs it: as loadRecordingAudio, except that a compressed call
// goes on decoding on a thread of its own, `decoding`, once its first stretch is in the store, so
// that it plays meanwhile (null when the whole call is in). A failure in the first stretch fails
// the step as it always has. Returns 0, or 1 after reporting.
int startLoadingRecordingAudio(RecordingReader& reader, RecordingState& recording, SampleStore& store,
                               Reporter& reporter, const ProgressText& progress,
                               std::unique_ptr<LoaderThread>& decoding);

// Opens the recording at `recording.recordingPath` as start-up does, without command-line header
// values, and loads its audio into the store: for the programs beside the player. Returns 0, or 1
// after reporting.
int openAndLoadRecording(RecordingState& recording, SampleStore& store, Reporter& reporter,
                         const SamplesAdded& added = {});

} // namespace kestrum
