#pragma once

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

// A keyword position one writer added, kept until it is saved: a save applies it to the table as the
// file holds it then, which other writers may have added to meanwhile.
struct KeywordAddition {
    std::string word; // trimmed, as stored
    std::uint32_t position = 0;
    int timesHeld = 0; // how often the table held that position under that word before the addition
};
// The addition of `position` under `typed` to the table as it is now (before adding it).
KeywordAddition keywordAddition(const RecordingState& recording, const std::string& typed,
                                std::uint32_t position);
// Applies an addition to another table: as addKeywordPosition does, unless that table holds the
// position under that word more often than the one it was added to, when it is there already (the
// same word at the same position from two writers is kept once; a position the user added twice
// stays twice). Added when the table holds it now; the table is unchanged otherwise.
AddKeywordResult mergeKeywordAddition(RecordingState& recording, const KeywordAddition& addition);

// A stored keyword as one line of text (still Windows-1252): control characters become blanks and
// the blanks around it go. Empty for a keyword of blanks alone. The catalogue and the chapter
// marks of converted calls show keywords this way.
std::string keywordLine(const ScannedWord& word);

} // namespace kestrum
