#pragma once

#include "catalogue/CatalogueEntry.h"
#include "catalogue/IndexWords.h"

#include <functional>
#include <string>
#include <vector>

namespace kestrum {

// The full-text index on PostgreSQL, made of the words the SQLite index keeps (IndexWords), so
// that both find the same calls: the server's own parser and dictionaries never see the text.

// The tsvector of an entry's indexed text, as PostgreSQL reads it ('word':1,2 'other':3): each word
// with its positions, the columns SQLite's index covers in its order, a position left out between
// two columns so that a phrase never runs from one into the next, as it cannot in SQLite. Within
// the server's limits: a word of at most 2046 bytes, 255 positions a word, positions up to 16383,
// a megabyte of words in all.
std::string tsvectorText(IndexWords& words, const CatalogueEntry& entry);

// The words the catalogue holds that begin with `prefix`; empty when it holds none, or more than
// is worth naming one by one (the server then matches the prefix itself).
using WordsBeginning = std::function<std::vector<std::string>(const std::string& prefix)>;

// The tsquery that every search word must match, as SQLite's match expression does: each word's
// parts in a row, the last as a prefix ('555' <-> '01':*), all words required (&). A prefix is
// given as the words that begin with it when `wordsBeginning` names them ('555' <-> ('01' | '012')):
// the server finds a word in its index at once, where a prefix costs it a list of every row of
// every word that begins with it. A word in which the index finds nothing is left out; empty when
// no word is left.
std::string tsqueryText(IndexWords& words, const std::vector<std::string>& searchWords,
                        const WordsBeginning& wordsBeginning = {});

} // namespace kestrum
