#pragma once

#include "catalogue/CatalogueBackEnd.h"
#include "catalogue/IndexWords.h"
#include "catalogue/Postgres.h"
#include "catalogue/Sqlite.h"

#include <map>
#include <memory>
#include <optional>
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
    // Vacuums and analyses the recordings when the run changed a tenth of them or more.
    void tidyAfterIndexing() override;
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
    // Runs `read` in a transaction of its own that sees one state of the catalogue.
    template <typename Read> auto reading(Read read) -> decltype(read());
    std::vector<CatalogueEntry> searchNow(const SearchQuery& query, const std::string& folder,
                                          std::int64_t offset, std::int64_t limit);
    // The tsquery of search words, with the words its prefixes begin where the list of words names
    // them (kept for the transaction).
    std::string matchText(const std::vector<std::string>& searchWords);
    std::vector<std::string> wordsBeginning(const std::string& prefix);
    // A page of a search by words, found among the newest rows when they hold it, else among the
    // rows from a date on, else among all rows that hold the words.
    std::vector<CatalogueEntry> pageOfWords(const SearchQuery& query, const std::string& folder,
                                            std::int64_t offset, std::int64_t limit);
    // What a page found among the newest rows of the dates and folder.
    struct NewestRows {
        std::vector<CatalogueEntry> page; // the first rows of the page that match there
        std::int64_t asked = 0;           // the newest rows looked among
        std::int64_t rows = 0;            // the rows there were, up to `asked`
        std::int64_t matched = 0;         // of those, the rows that match all the words
        double wordEntries = 0;           // and that match each word, added up, in steps of reading them
        std::int64_t tableRows = 0;       // the server's estimate of the rows of the catalogue
    };
    // The first `wanted` rows that match among the `newest` rows of the dates and folder.
    NewestRows newestPage(const SearchQuery& query, const std::string& folder, std::int64_t newest,
                          std::int64_t wanted);
    // The server's estimate of the rows that hold the words, from its statistics.
    double estimatedRows(const SearchQuery& query);
    // The date of the row'th newest row of the dates and folder; none when there are fewer rows or
    // it has no date.
    std::optional<std::string> dateOfRow(const SearchQuery& query, const std::string& folder,
                                         std::int64_t row);
    // The rows of a search (recorded on `from` or later, when given) with `page` (its order and
    // limits), by the plan `plan` sets up (planner settings, to the end of the transaction).
    PostgresResult planned(const char* plan, const SearchQuery& query, const std::string& folder,
                           const std::string& from, const std::string& page);
    // The conditions of a search and their parameters.
    std::string conditions(const SearchQuery& query, const std::string& folder,
                           PostgresParameters& parameters);

    PostgresConnection connection_;
    SqliteConnection wordsConnection_; // SQLite's tokenizer, for IndexWords
    IndexWords words_;
    bool hasWordList_ = true; // false in a catalogue of layout 1, until an indexer adds the list
    std::map<std::string, std::vector<std::string>> wordsBeginning_;
    bool inChanges_ = false;
    std::int64_t rowsChanged_ = 0;                 // stored or removed since the catalogue was opened
    std::map<std::string, CatalogueEntry> stored_; // by path, in the order rows are written
    std::map<std::int64_t, std::pair<ChecksumState, std::string>> checksums_;
    std::set<std::int64_t> removed_;
};

} // namespace kestrum
