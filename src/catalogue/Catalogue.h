#pragma once

#include "catalogue/CatalogueEntry.h"
#include "catalogue/SearchQuery.h"
#include "catalogue/Sqlite.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace kestrum {

// The catalogue of recordings: one row per recording file (by its absolute path) with the
// call's details, and a full-text index over the names, numbers, station, site, system, rid,
// comments and keywords (SQLite with FTS5). Kept in a file (zoqtool) or in memory (the disc menu).
// Every failure throws a CatalogueError.
class Catalogue {
  public:
    // The catalogue in the file at `path`, made when missing (see CatalogueFile.h for the rules it
    // is opened by). A file that holds something other than a catalogue is refused. A catalogue
    // of an older layout is brought up to date when opened for writing (its rows are then read
    // again once) and read as it is otherwise; one of a newer layout is refused.
    static Catalogue openForWriting(const std::string& path);
    static Catalogue openForReading(const std::string& path);
    static Catalogue inMemory();

    // What the catalogue holds of a recording file, to tell whether it changed since.
    struct Known {
        std::int64_t id = 0;
        FileStamp file; // as stored: all 0 for rows from before the layout kept the whole stamp
        ChecksumState checksums = ChecksumState::NotStamped;
    };
    // The recordings stored under `folder` (an absolute path), by path.
    std::unordered_map<std::string, Known> recordingsUnder(const std::string& folder);

    // Stores an entry as a new row, or over row `replacing`; returns its row.
    std::int64_t store(const CatalogueEntry& entry, std::int64_t replacing = 0);
    void storeChecksums(std::int64_t id, ChecksumState state, const std::string& problem);
    void remove(std::int64_t id);

    // Changes between these two are written together, and undone together after a failure.
    void beginChanges();
    void commitChanges();
    void rollBackChanges();

    // The recordings that match, newest call first (those that did not read last, by path).
    std::vector<CatalogueEntry> search(const SearchQuery& query);
    // Only the rows of the recordings that match, in no particular order.
    std::vector<std::int64_t> matchingRows(const SearchQuery& query);

  private:
    explicit Catalogue(SqliteConnection connection) : connection_(std::move(connection)) {}
    // Makes the tables in a new catalogue, or checks that an existing file holds one of ours and
    // brings an older layout up to date when it may write.
    void prepare(const std::string& path, bool mayWrite);
    // Runs the layout's steps from `version` on, and marks the catalogue as of the newest layout.
    void upgradeFrom(std::int64_t version);
    SqliteStatement selectMatching(const SearchQuery& query, const std::string& columns, bool ordered);

    SqliteConnection connection_;
    SqliteStatement insert_, update_;
};

} // namespace kestrum
