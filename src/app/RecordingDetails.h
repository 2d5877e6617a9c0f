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
    std::string identifier;       // StaticText2
    std::string firstName;        // StaticText8
    std::string lastName;         // StaticText9
    std::string trunkDestination; // StaticText10
    std::string recorded;         // StaticText11
    std::string site;             // StaticText12
    std::string stationAni;       // StaticText1
    std::string stationName;      // StaticText13
    std::string cost;             // StaticText3
    std::string archivedBy;       // StaticText5
    std::string archivedAt;       // StaticText6
    std::string archivedDate;     // StaticText7
};

RecordingDetails recordingDetails(const RecordingState& recording, const Options& options);

} // namespace kestrum
