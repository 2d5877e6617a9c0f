#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

// What to look for in the catalogue. Every word must match some indexed text (names, numbers,
// station, site, system, rid, comments, keywords) as the start of one of its words, whatever the
// case and accents: "smi" finds "Smith", "mull" finds "Müller". A word of several parts ("555-12")
// matches them in a row. Dates bound the call's date, both days included.
struct SearchQuery {
    std::vector<std::string> words;
    std::string from; // "YYYY-MM-DD", or empty
    std::string to;   // "YYYY-MM-DD", or empty
};

// The full-text match expression for the words: each one quoted, as a prefix, all required. Empty
// when no word holds a letter or digit (nothing to match on).
std::string matchExpression(const std::vector<std::string>& words);

// Whether `text` is a calendar date written "YYYY-MM-DD".
bool isCalendarDate(std::string_view text);

} // namespace kestrum
