#pragma once

#include "recording/RecordingState.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrum {

// A chapter mark: where a keyword was set in the call, in frames of its playback format, and the
// keywords set there (several at one place share one mark: "gun, transfer").
struct ChapterMark {
    std::uint64_t frame = 0;
    std::string title;
};

// The call's details as the tags of an audio file, in UTF-8 (decoded from the recording's
// Windows-1252).
struct CallTags {
    std::string title;                 // the rid and the recorded date and time: "0001 2004-03-05 09:07:02"
    std::string artist;                // the caller's names: first, middle and last, those that are there
    std::string comment;               // the comment text, lines ending in LF, without trailing blank lines
    std::string date;                  // the recorded day: "2004-03-05"
    std::vector<ChapterMark> chapters; // in time order, within the call
};

// The tags of a read recording; `totalFrames` is the length of its loaded audio (a keyword set
// past the end makes no mark).
CallTags callTagsOf(const RecordingState& recording, std::uint64_t totalFrames);

// The tags of the section [firstFrame, endFrame) of the call: its chapter marks counted from the
// section's start. A mark before the start moves to it when no other mark is there, so the
// section still says which keyword it begins in.
CallTags sectionTags(const CallTags& tags, std::uint64_t firstFrame, std::uint64_t endFrame);

} // namespace kestrum
