#pragma once

#include "app/AnnotationViews.h"
#include "recording/RecordingReader.h"
#include "recording/RecordingState.h"

#include <string>
#include <vector>

namespace kestrum {

// The keyword window's list as lines of text (still Windows-1252): a heading, then each keyword
// right-aligned in 19 columns followed by its positions in whole seconds of the playback format.
std::vector<std::string> keywordListLines(const RecordingState& recording);
// The list's first line, its heading.
std::string keywordListHeading();

// Replaces the list in `list` with the recording's keyword list.
void showKeywordList(const RecordingState& recording, KeywordListDisplay& list);

// Shows in the comment and keyword windows the sections a reader read, leaving the windows of
// the others as they are: the comment windows emptied and the existing comments shown, the keyword
// list built.
void showSectionsRead(const RecordingState& recording, const SectionsRead& read, AnnotationViews& views);

} // namespace kestrum
