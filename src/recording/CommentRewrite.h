#pragma once

#include "platform/Reporter.h"
#include "recording/KeywordTable.h"
#include "recording/RecordingState.h"

#include <chrono>
#include <ctime>
#include <string>
#include <vector>

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

// What one writer adds to a recording in one save.
struct RecordingAdditions {
    CommentAddition comment;
    std::vector<KeywordAddition> keywords; // in the order they were made
};

// How long a save waits for another program that is changing the recording.
inline constexpr std::chrono::seconds kRewriteWait{10};

// Saves one writer's additions into the recording file, whoever else saves into it meanwhile. The
// whole read-change-replace holds the recording's RewriteLock (another writer is waited for at most
// kRewriteWait): the file is read as it stands then, the comment addition (its stamp line and text)
// goes after whatever its comment section holds, the keyword additions are merged into its table,
// and the file is rewritten with the header copies held here (their section counts set), the
// comment section and the keyword table in front of its unchanged audio, through a TemporaryFile (a
// name of its own beside the recording, the recording's mode, and its owner and group where this
// user may give them) that is read back and checked before it replaces the recording. A file whose
// audio is no longer the one opened is not written. A recording that is a symbolic link is
// rewritten where the link leads, the link kept, when rewriteTargetOf trusts it, and is refused
// before anything is written otherwise. On success the state describes the new file (see
// takeSectionsOf); on failure the file and the state are as they were. Returns 0, or 1 after
// reporting.
int appendComments(RecordingState& recording, const RecordingAdditions& additions, Reporter& reporter);

// Takes into `recording` what the file read into `file` (comments and keywords too) holds: the
// section counts of the header copies, the export header and where the sections lie, the file's
// size, the comment text and the keyword table. The other header fields (with the values the
// command line gave them), the playback format and the audio length stay.
void takeSectionsOf(RecordingState& recording, const RecordingState& file);

} // namespace kestrum
