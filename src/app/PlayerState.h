#pragma once

#include "app/ButtonModes.h"
#include "app/CommandLine.h"
#include "app/Environment.h"
#include "audio/FrequencySummary.h"
#include "audio/PeakSummary.h"
#include "audio/PlaybackSession.h"
#include "audio/SampleStore.h"
#include "audio/SilenceMap.h"
#include "recording/RecordingState.h"

#include <optional>

namespace kestrum {

// How far the run has come; shutdown looks at these to know what to undo.
struct RunProgress {
    bool windowSetupReached = false;
    bool shutdownDone = false;
    bool windowStateSaved = false;
};

// The one player state of a run, made at start-up and passed by reference, in the parts that
// own its fields.
struct PlayerState {
    Options options;
    Environment environment;
    RecordingState recording;
    SampleStore store;
    PeakSummary peaks;   // of the store, for the waveform
    SilenceMap silences; // of the store, for skipping silence and the waveform's shading
    // Where telephone keys were pressed, in frames (never which keys): the waveform's marks, and
    // for any other view of the whole call.
    std::vector<FrameSpan> keyPresses;
    FrequencySummary spectrogram;        // of the store, for the waveform window
    ListeningAids aids;                  // as the user last left them (the settings file)
    std::string pedalDevice;             // the foot pedal the settings file names; empty: one found by itself
    WindowOpenFlags openAtLastRun;       // from the init record
    std::optional<double> resumeSeconds; // where the user left this call last time
    RunProgress progress;
};

} // namespace kestrum
