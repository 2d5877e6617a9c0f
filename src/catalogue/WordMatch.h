#pragma once

#include "catalogue/IndexWords.h"

#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

// The test the catalogue's text index makes, made on one row's texts: every search word must be
// found in some column, its parts (IndexWords) as words in a row, the last as the start of a word,
// whatever the case and accents. A word in which the index finds nothing is left out, as the
// index's own search leaves it out (matchExpression). For the rows of a search that the index
// would be slow to list (a word of one letter starts a word in most calls).
class WordMatch {
  public:
    WordMatch(IndexWords& words, const std::vector<std::string>& searchWords);

    // Whether no word is left to find: every row matches.
    bool empty() const { return phrases_.empty(); }
    // Whether the texts of a row's indexed columns, each a column of its own, hold every word.
    bool matches(const std::vector<std::string_view>& columns);

  private:
    bool holds(const std::vector<std::string>& phrase) const;

    IndexWords& words_;
    std::vector<std::vector<std::string>> phrases_; // the parts of each word
    std::vector<std::vector<std::string>> columns_; // the words of each column of the row tested
};

} // namespace kestrum
