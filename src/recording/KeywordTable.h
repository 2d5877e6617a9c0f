#pragma once

#include "recording/ReaderDisplays.h"
#include "recording/RecordingState.h"

#include <cstdint>
#include <string>

namespace kestrum {

enum class AddKeywordResult { Added, Blank, NoKeywordLocation, NoSecondsLocation };

// A keyword as typed, without its trailing blanks and control characters.
std::string trimKeyword(const std::string& typed);

// Adds a position under a keyword: to the first entry whose word matches it whatever the letter
// case (in its first free slot after the first), or as a new entry. The table is unchanged
// unless the result is Added.
AddKeywordResult addKeywordPosition(RecordingState& recording, const std::string& typed,
                                    std::uint32_t position);

// A stored keyword as one line of text (still Windows-1252): control characters become blanks and
// the blanks around it go. Empty for a keyword of blanks alone. The catalogue and the chapter
// marks of converted calls show keywords this way.
std::string keywordLine(const ScannedWord& word);

// The keyword list: a title line, then each keyword right-aligned in 19 columns followed by its
// positions in whole seconds of the playback format.
void buildScannedWordList(const RecordingState& recording, KeywordListDisplay& list);

} // namespace kestrum
