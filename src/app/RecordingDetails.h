#pragma once

#include "app/CommandLine.h"
#include "recording/RecordingState.h"

#include <string>

namespace kestrum {

// The detail lines of the player window, each formatted from the header copy that belongs to the
// recording's version (vrh for 1-6, vrh2 for 7-8, the converted vrh3 with the command-line values
// for 9-11). Lines a version does not have are empty. The lines are UTF-8: the header's text fields
// decoded from the recording's Windows-1252, the command-line texts as given.
struct RecordingDetails {
    std::string identifier;
    std::string firstName;
    std::string lastName;
    std::string trunkDestination;
    std::string recorded;
    std::string site;
    std::string stationAni;
    std::string stationName;
    std::string cost;
    std::string archivedBy;
    std::string archivedAt;
    std::string archivedDate;
};

RecordingDetails recordingDetails(const RecordingState& recording, const Options& options);

} // namespace kestrum
