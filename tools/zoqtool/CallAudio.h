#pragma once

#include "audio/SampleStore.h"
#include "recording/RecordingState.h"

#include <string>

namespace zoqtool {

// Opens the recording and loads its audio as the player does at start-up, without command-line
// header values. 1 after the reader's or decoder's message went to stderr.
int loadCallAudio(const std::string& path, kestrum::RecordingState& recording, kestrum::SampleStore& store);

} // namespace zoqtool
