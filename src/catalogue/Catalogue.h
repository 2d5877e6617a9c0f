#pragma once

#include "catalogue/CatalogueBackEnd.h"

#include <memory>
#include <string>

namespace kestrum {

// The catalogue of recordings: one row per recording file (by its absolute path) with the call's
// details, searched by the words of its names, numbers, station, site, system, rid, comments and
// keywords. Kept in an SQLite file (a reviewer's own, or one beside a folder), in memory (the disc
// menu), or on a PostgreSQL server that a team shares; the same searches find the same calls in
// each. Every failure throws a CatalogueError naming the file or the server and what is wrong.
class Catalogue {
  public:
    // `target` is a PostgreSQL connection URI ("postgresql://..." or "postgres://...", see
    // isServerAddress) or the path of an SQLite file. For writing, a file is made when missing
    // and the server's tables when the database has none. A catalogue of an older layout is
    // brought up to date when opened for writing and read as it is otherwise; one of a newer
    // layout is refused.
    static Catalogue openForWriting(const std::string& target);
    static Catalogue openForReading(const std::string& target);
    static Catalogue inMemory();

    // Whether `target` names a PostgreSQL server rather than a file.
    static bool isServerAddress(const std::string& target);

    using Known = KnownRecording;
    // The recordings stored under `folder` (an absolute path), by path.
    std::unordered_map<std::string, Known> recordingsUnder(const std::string& folder) {
        return backEnd_->recordingsUnder(folder);
    }

    // Stores an entry as its path's row: over row `replacing` when the catalogue knew it, else new.
    void store(const CatalogueEntry& entry, std::int64_t replacing = 0) { backEnd_->store(entry, replacing); }
    void storeChecksums(std::int64_t id, ChecksumState state, const std::string& problem) {
        backEnd_->storeChecksums(id, state, problem);
    }
    void remove(std::int64_t id) { backEnd_->remove(id); }

    // Changes between these two are written together, and undone together after a failure.
    void beginChanges() { backEnd_->beginChanges(); }
    void commitChanges() { backEnd_->commitChanges(); }
    void rollBackChanges() { backEnd_->rollBackChanges(); }
    void tidyAfterIndexing() { backEnd_->tidyAfterIndexing(); }

    // The recordings that match, newest call first (those that did not read last, by path).
    std::vector<CatalogueEntry> search(const SearchQuery& query) {
        return backEnd_->search(query, {}, 0, -1);
    }
    // The same, only those under `folder` (all when empty), `limit` of them from the `offset`th on:
    // a page of a long list.
    std::vector<CatalogueEntry> searchPage(const SearchQuery& query, const std::string& folder,
                                           std::int64_t offset, std::int64_t limit) {
        return backEnd_->search(query, folder, offset, limit);
    }
    // How many recordings under `folder` (all when empty) match; with `atMost` (>= 0), counted no
    // further than that, quick however many match.
    std::int64_t count(const SearchQuery& query, const std::string& folder = {}, std::int64_t atMost = -1) {
        return backEnd_->count(query, folder, atMost);
    }
    // Only the rows of the recordings that match, in no particular order.
    std::vector<std::int64_t> matchingRows(const SearchQuery& query) { return backEnd_->matchingRows(query); }

  private:
    explicit Catalogue(std::unique_ptr<CatalogueBackEnd> backEnd) : backEnd_(std::move(backEnd)) {}

    std::unique_ptr<CatalogueBackEnd> backEnd_;
};

} // namespace kestrum
