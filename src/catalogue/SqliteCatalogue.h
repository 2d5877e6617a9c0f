#pragma once

#include "catalogue/CatalogueBackEnd.h"
#include "catalogue/Sqlite.h"

#include <functional>
#include <memory>

namespace kestrum {

// The catalogue in SQLite: one row per recording file (by its absolute path) with the call's
// details, and a full-text index (FTS5) over the names, numbers, station, site, system, rid,
// comments and keywords that triggers keep in step with the rows. Kept in a file (zoqtool) or in
// memory (the disc menu).
class SqliteCatalogue : public CatalogueBackEnd {
  public:
    // The catalogue in the file at `path`, made when missing (see CatalogueFile.h for the rules it
    // is opened by). A file that holds something other than a catalogue is refused. A catalogue
    // of an older layout is brought up to date when opened for writing (its rows are then read
    // again once) and read as it is otherwise; one of a newer layout is refused.
    static std::unique_ptr<SqliteCatalogue> openForWriting(const std::string& path);
    static std::unique_ptr<SqliteCatalogue> openForReading(const std::string& path);
    static std::unique_ptr<SqliteCatalogue> inMemory();

    std::unordered_map<std::string, KnownRecording> recordingsUnder(const std::string& folder) override;
    void store(const CatalogueEntry& entry, std::int64_t replacing) override;
    void storeChecksums(std::int64_t id, ChecksumState state, const std::string& problem) override;
    void remove(std::int64_t id) override;
    void beginChanges() override;
    void commitChanges() override;
    void rollBackChanges() override;
    std::vector<CatalogueEntry> search(const SearchQuery& query, const std::string& folder,
                                       std::int64_t offset, std::int64_t limit) override;
    std::int64_t count(const SearchQuery& query, const std::string& folder, std::int64_t atMost) override;
    std::vector<std::int64_t> matchingRows(const SearchQuery& query) override;

  private:
    explicit SqliteCatalogue(SqliteConnection connection);
    // Makes the tables in a new catalogue, or checks that an existing file holds one of ours and
    // brings an older layout up to date when it may write.
    void prepare(const std::string& path, bool mayWrite);
    // Runs the layout's steps from `version` on, and marks the catalogue as of the newest layout.
    void upgradeFrom(std::int64_t version);
    // How a search finds its rows: from the text index's list of matching rows, in no order; walking
    // the index by date, newest first, testing each against that list (a page of a long list,
    // which a common word fills at once); or led by the text index row by row (a count that may
    // stop early).
    enum class Plan { FromList, ByDate, LedByText };
    // The statement that runs `select` ("SELECT columns") over the rows that match, its parameters
    // bound; with `tail` (ORDER BY, LIMIT) after the conditions.
    SqliteStatement selectMatching(const SearchQuery& query, const std::string& folder,
                                   const std::string& select, const std::string& tail,
                                   Plan plan = Plan::FromList);
    // Over the whole catalogue, a search with a word whose last part is one character is answered
    // by walking the rows newest first through the index by date and testing each here (the
    // text index would first gather every row that any word starting so holds, most of them).
    // Hands `found` each row that matches until it returns false, for `wanted` rows; false when
    // the search has no such word, or the walk gave up as too few rows match.
    bool walkNewestFirst(const SearchQuery& query, const std::string& folder, std::int64_t wanted,
                         const std::function<bool(const SqliteStatement& row)>& found);
    // How many rows match, up to `atMost`, counted through the text index.
    std::int64_t countUpTo(const SearchQuery& query, const std::string& folder, std::int64_t atMost);
    // Writes the new rows kept by store, several to a statement.
    void insertPending();
    // The statement that inserts `rows` rows at once.
    SqliteStatement& insertStatement(std::size_t rows);

    SqliteConnection connection_;
    SqliteStatement update_;
    // The statement for a whole group of new rows, and one for the rest of a batch.
    SqliteStatement insertGroup_, insertRest_;
    std::size_t rowsAStatement_ = 1, restRows_ = 0;
    // New rows of the batch not written yet. The text index's triggers make each statement that
    // writes rows leave its words as a segment of their own, which the index merges later: a
    // statement a row makes the index merge all the time.
    std::vector<CatalogueEntry> pending_;
};

} // namespace kestrum
