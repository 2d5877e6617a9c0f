#pragma once

#include "recording/RecordingState.h"

#include <string>

namespace kestrum {

// Reads the recording at `recording.recordingPath` (or, when `recording.recordingFile` is open
// already, that file) as start-up does, telling no one: for checking a file this program has just
// written. Opens and converts the header and, with
// `withSections`, runs the audio-length rule with its comment and keyword readers. False with the
// reader's message in `problem` (when given); the file stays open either way.
bool readRecordingQuietly(RecordingState& recording, bool withSections, std::string* problem = nullptr);

} // namespace kestrum
