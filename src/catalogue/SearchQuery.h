#pragma once

#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace kestrum {

// What to look for in the catalogue. Every word must match some indexed text (names, numbers,
// station, site, system, rid, comments, keywords) as the start of one of its words, whatever the
// case and accents: "smi" finds "Smith", "mull" finds "Müller". A word of several parts ("555-12")
// matches them in a row. A word without a letter or digit ("-", "€", an emoji) is left out, as the
// index leaves such characters out of the text. Dates bound the call's date, both days included.
struct SearchQuery {
    std::vector<std::string> words;
    std::string from; // "YYYY-MM-DD", or empty
    std::string to;   // "YYYY-MM-DD", or empty
};

// The tokenizer of the catalogue's text index, as FTS5 takes it: its name, then its arguments.
inline constexpr const char* kTextTokenizer = "unicode61 remove_diacritics 2";

// The full-text match expression for the words: each one quoted, as a prefix, all required. A word
// in which the index's tokenizer (asked through `connection`) finds nothing to index is left out;
// empty when no word is left, so that the search is bounded by its dates only.
std::string matchExpression(sqlite3* connection, const std::vector<std::string>& words);

// Whether `text` is a calendar date written "YYYY-MM-DD".
bool isCalendarDate(std::string_view text);

} // namespace kestrum
