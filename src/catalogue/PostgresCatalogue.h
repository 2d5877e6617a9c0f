#pragma once

#include "catalogue/CatalogueBackEnd.h"
#include "catalogue/IndexWords.h"
#include "catalogue/Postgres.h"
#include "catalogue/Sqlite.h"

#include <map>
#include <memory>
#include <set>

namespace kestrum {

// The catalogue on a PostgreSQL server, which a team shares: the same rows as SQLite's (keyed by
// path, which is stored as its bytes, as are the texts), a tsvector of the words SQLite's index
// would keep, with a GIN index, and a layout number in catalogue_layout. Several indexers may write
// at once, from several machines, also over the same folder: the changes of a batch are kept here
// and written in one transaction when it ends, as upserts by path in path order, so two writers
// neither duplicate a row nor wait on each other in a circle (a deadlock the server still reports
// is met by writing the batch again). A reader sees whole batches only.
class PostgresCatalogue : public CatalogueBackEnd {
  public:
    // Connects to the server and database of `address`. For writing, the tables are made when the
    // database has none, and a role that may not write them is refused before anything is read.
    static std::unique_ptr<PostgresCatalogue> open(const std::string& address, bool forWriting);

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
    explicit PostgresCatalogue(const std::string& address);
    // Makes the tables when the database has none (only when it may write), else checks that they
    // are a catalogue's of a layout this program reads.
    void prepare(bool mayWrite);
    void refuseRoleThatCannotWrite();
    // The batch's changes, in one transaction.
    void writeChanges();
    void writeChangesOnce();
    void rollBackQuietly();
    void storeRows(std::vector<const CatalogueEntry*>::const_iterator first,
                   std::vector<const CatalogueEntry*>::const_iterator last);
    // A page of a search found among the newest rows, in the order of the index by date (`page`:
    // its ORDER BY, LIMIT and OFFSET); empty when it is not full there, and then to be looked for
    // among all rows.
    std::vector<CatalogueEntry> newestPage(const SearchQuery& query, const std::string& folder,
                                           std::int64_t offset, std::int64_t limit, const std::string& page);
    // The conditions of a search and their parameters.
    std::string conditions(const SearchQuery& query, const std::string& folder,
                           PostgresParameters& parameters);

    PostgresConnection connection_;
    SqliteConnection wordsConnection_; // SQLite's tokenizer, for IndexWords
    IndexWords words_;
    bool inChanges_ = false;
    std::map<std::string, CatalogueEntry> stored_; // by path, in the order rows are written
    std::map<std::int64_t, std::pair<ChecksumState, std::string>> checksums_;
    std::set<std::int64_t> removed_;
};

} // namespace kestrum
