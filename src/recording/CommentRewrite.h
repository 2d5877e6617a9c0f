#pragma once

#include "platform/Reporter.h"
#include "recording/RecordingState.h"

#include <ctime>
#include <string>

namespace kestrum {

// The stamp line that heads each saved addition: "month/day/year hh:mm:ss user @ computer".
std::string commentStamp(const std::tm& localTime, const std::string& userName,
                         const std::string& computerName);

// One save's addition to the comment section.
struct CommentAddition {
    std::string newText; // as typed, lines separated by CR LF; empty adds nothing
    std::string stamp;   // the stamp line, when there is new text
};

// The comment section after an addition, in the pieces it is written in: the existing text (with a
// line break added when it ends mid-line), the stamp line, and the new text with a closing line
// break when it has none. Without new text only the existing text is there, unchanged.
struct CommentSection {
    std::string existing;
    std::string stampLine;
    std::string added;

    std::string joined() const { return existing + stampLine + added; }
};
CommentSection commentSectionWith(const std::string& existingText, const CommentAddition& addition);

// Rewrites the recording file with its comment section (the existing text plus the addition) and
// the whole keyword table in front of its unchanged audio, through a TemporaryFile (a name of its
// own beside the recording, the recording's permissions) that is read back and checked before it
// replaces the recording. A recording that is a symbolic link is rewritten where the link leads,
// the link kept, when rewriteTargetOf trusts it, and is refused before anything is written
// otherwise. On success the header copies, the comment text and the file facts describe the new
// file; on failure the file and the header copies are as they were. Returns 0, or 1 after
// reporting.
int appendComments(RecordingState& recording, const CommentAddition& addition, Reporter& reporter);

} // namespace kestrum
