#pragma once

#include "catalogue/CatalogueEntry.h"
#include "catalogue/SearchQuery.h"

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

namespace kestrum {

// What the catalogue holds of a recording file, to tell whether it changed since.
struct KnownRecording {
    std::int64_t id = 0;
    FileStamp file; // as stored: all 0 for rows from before the layout kept the whole stamp
    ChecksumState checksums = ChecksumState::NotStamped;
};

// Where a catalogue keeps its rows: an SQLite file or database in memory (SqliteCatalogue), or a
// PostgreSQL server (PostgresCatalogue). Catalogue is what the rest of the program uses; these are
// what it asks. Every failure throws a CatalogueError naming the file or the server.
class CatalogueBackEnd {
  public:
    virtual ~CatalogueBackEnd() = default;

    // The recordings stored under `folder` (an absolute path), by path.
    virtual std::unordered_map<std::string, KnownRecording> recordingsUnder(const std::string& folder) = 0;

    // Stores an entry as its path's row: over row `replacing` when the catalogue knew it, else new.
    virtual void store(const CatalogueEntry& entry, std::int64_t replacing) = 0;
    virtual void storeChecksums(std::int64_t id, ChecksumState state, const std::string& problem) = 0;
    virtual void remove(std::int64_t id) = 0;

    // Changes between these two are written together, and undone together after a failure.
    virtual void beginChanges() = 0;
    virtual void commitChanges() = 0;
    virtual void rollBackChanges() = 0;
    // After an index run: readies the catalogue for searching when the run changed much of it.
    virtual void tidyAfterIndexing() {}

    // The recordings under `folder` (all when empty) that match, newest call first (those that did
    // not read last, by path): `limit` of them from the `offset`th on (every one when `limit` < 0).
    virtual std::vector<CatalogueEntry> search(const SearchQuery& query, const std::string& folder,
                                               std::int64_t offset, std::int64_t limit) = 0;
    // How many recordings under `folder` (all when empty) match, no more than `atMost` when that
    // is >= 0.
    virtual std::int64_t count(const SearchQuery& query, const std::string& folder, std::int64_t atMost) = 0;
    // Only the rows of the recordings that match, in no particular order.
    virtual std::vector<std::int64_t> matchingRows(const SearchQuery& query) = 0;
};

// The entries in a search's order: newest call first, those without a date (files that did not
// read) last, then by path (as bytes).
std::vector<CatalogueEntry> newestFirst(std::deque<CatalogueEntry> entries);

// The rows whose path lies under `folder`: from "folder/" up to, not including, "folder0" ('0'
// follows '/').
std::pair<std::string, std::string> pathRange(const std::string& folder);

} // namespace kestrum
