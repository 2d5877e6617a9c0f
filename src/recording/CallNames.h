#pragma once

#include "recording/RecordingState.h"

#include <string>

namespace kestrum {

// How other programs name a call, in UTF-8 (decoded from the recording's Windows-1252): the title
// and artist of a converted audio file and of the desktop's media controls alike.
struct CallNames {
    std::string title;  // the rid and the recorded date and time: "0001 2004-03-05 09:07:02"
    std::string artist; // the caller's names: first, middle and last, those that are there
    std::string date;   // the recorded day: "2004-03-05"
};

CallNames callNamesOf(const RecordingState& recording);

} // namespace kestrum
