#pragma once

#include "audio/AudioDecompress.h"
#include "audio/SampleStore.h"
#include "recording/RecordingState.h"

#include <string>

namespace zoqtool {

// Opens the recording and loads its audio as the player does at start-up, without command-line
// header values; `added` hears of the samples as they are decoded. 1 after the reader's or
// decoder's message went to stderr.
int loadCallAudio(const std::string& path, kestrum::RecordingState& recording, kestrum::SampleStore& store,
                  const kestrum::SamplesAdded& added = {});

} // namespace zoqtool
