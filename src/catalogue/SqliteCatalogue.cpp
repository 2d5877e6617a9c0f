#include "catalogue/SqliteCatalogue.h"

#include "catalogue/CatalogueError.h"
#include "catalogue/CatalogueFile.h"
#include "catalogue/IndexWords.h"
#include "catalogue/WordMatch.h"

#include <algorithm>
#include <array>
#include <deque>
#include <sqlite3.h>

namespace kestrum {

namespace {

// Marks a database as a catalogue of recordings ("KstC").
constexpr std::int64_t kApplicationId = 0x4B737443;

// The steps from each layout of the tables to the next: layout 1 is schema()'s, layout n + 1 what
// step n makes of layout n. A new catalogue is made at layout 1 and brought up by the same steps as
// an older one. Layout 2 keeps the rest of the file's stamp: its change time and which file it is.
constexpr std::array<const char*, 1> kLayoutSteps = {
    "ALTER TABLE recordings ADD COLUMN changed INTEGER; ALTER TABLE recordings ADD COLUMN device INTEGER; "
    "ALTER TABLE recordings ADD COLUMN inode INTEGER;",
};
constexpr std::int64_t kLayoutVersion = 1 + static_cast<std::int64_t>(kLayoutSteps.size());

// The columns of a row that a search reads, which every layout has, in the order every statement
// here binds and reads them.
constexpr const char* kColumns =
    "path, size, modified, problem, version, exported, recorded, rid, first_name, "
    "middle_name, last_name, dialled_number, station_name, station_ani, "
    "station_number, site, second_site, system, duration, comments, keywords, "
    "checksums, checksum_problem";
constexpr int kColumnCount = 23;
// The rest of the file's stamp, written with every row after kColumns and read only to tell which
// files changed (a catalogue of layout 1, read as it is, lacks them).
constexpr const char* kStampColumns = "changed, device, inode";
constexpr int kStampColumnCount = 3;
constexpr int kStoredColumnCount = kColumnCount + kStampColumnCount;

// New rows written by one statement, when SQLite takes that many parameters.
constexpr int kRowsAStatement = 200;

// Where the columns the text index covers are in a row of "id, " followed by kColumns, in the
// index's order.
constexpr std::array<int, 13> kTextColumnsRead = {8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 20, 21};

// Rows a walk newest first may test before it gives the search to the text index, and how many
// it tests before it judges from the share that match whether it would get there.
constexpr std::int64_t kRowsWalked = 10000;
constexpr std::int64_t kRowsSampled = 500;

// Fewer matching rows than this are read and put in order quicker than a walk by date finds them.
constexpr std::int64_t kFewRows = 2500;

// The columns the full-text index covers.
constexpr const char* kTextColumns =
    "rid, first_name, middle_name, last_name, dialled_number, station_name, "
    "station_ani, station_number, site, second_site, system, comments, keywords";

std::string prefixed(const char* prefix, const std::string& columns) {
    std::string out;
    std::size_t start = 0;
    while (start < columns.size()) {
        std::size_t end = columns.find(',', start);
        if (end == std::string::npos)
            end = columns.size();
        std::string name = columns.substr(start, end - start);
        name.erase(0, name.find_first_not_of(' '));
        out += (out.empty() ? "" : ", ") + std::string(prefix) + name;
        start = end + 1;
    }
    return out;
}

// The tables of a new catalogue, at layout 1. The text index holds no copy of the text (it reads
// the rows), and triggers keep it in step with the rows; a change of the checksum state alone
// leaves it be.
std::string schema() {
    const std::string text = kTextColumns;
    return "CREATE TABLE recordings (id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE, size INTEGER NOT "
           "NULL, "
           "modified INTEGER NOT NULL, problem TEXT, version INTEGER, exported INTEGER, recorded TEXT, rid "
           "TEXT, "
           "first_name TEXT, middle_name TEXT, last_name TEXT, dialled_number TEXT, station_name TEXT, "
           "station_ani TEXT, station_number INTEGER, site INTEGER, second_site INTEGER, system TEXT, "
           "duration INTEGER, comments TEXT, keywords TEXT, checksums TEXT NOT NULL, checksum_problem "
           "TEXT);\n"
           "CREATE INDEX recordings_by_date ON recordings(recorded);\n"
           "CREATE VIRTUAL TABLE recording_text USING fts5(" +
           text + ", content='recordings', content_rowid='id', tokenize='" + kTextTokenizer +
           "', prefix='2 3');\n"
           "CREATE TRIGGER recording_added AFTER INSERT ON recordings BEGIN "
           "INSERT INTO recording_text(rowid, " +
           text + ") VALUES (new.id, " + prefixed("new.", text) +
           "); END;\n"
           "CREATE TRIGGER recording_removed AFTER DELETE ON recordings BEGIN "
           "INSERT INTO recording_text(recording_text, rowid, " +
           text + ") VALUES ('delete', old.id, " + prefixed("old.", text) +
           "); END;\n"
           "CREATE TRIGGER recording_changed AFTER UPDATE OF " +
           text +
           " ON recordings BEGIN "
           "INSERT INTO recording_text(recording_text, rowid, " +
           text + ") VALUES ('delete', old.id, " + prefixed("old.", text) +
           "); INSERT INTO recording_text(rowid, " + text + ") VALUES (new.id, " + prefixed("new.", text) +
           "); END;\n";
}

// The statement parameters of a row's columns: "?N" from `first` + 1 on.
std::string rowParameters(int first) {
    std::string text;
    for (int i = 1; i <= kStoredColumnCount; ++i)
        text += (i > 1 ? ", ?" : "?") + std::to_string(first + i);
    return text;
}

std::optional<std::int64_t> noneWhenZero(std::int64_t value) {
    return value != 0 ? std::optional<std::int64_t>(value) : std::nullopt;
}

// Binds an entry's columns, in the order of kColumns and then kStampColumns, from parameter
// `first` + 1 on.
void bindEntry(SqliteStatement& statement, const CatalogueEntry& e, int first = 0) {
    statement.bind(first + 1, e.path).bind(first + 2, e.file.size).bind(first + 3, e.file.modified);
    statement.bind(first + 22, checksumStateName(e.checksums));
    statement.bind(first + kColumnCount + 1, e.file.changed).bind(first + kColumnCount + 2, e.file.device);
    statement.bind(first + kColumnCount + 3, e.file.inode);
    if (!e.readable()) {
        statement.bind(first + 4, e.problem);
        return; // the details stay NULL: nothing was read
    }
    statement.bindNull(first + 4).bind(first + 5, std::int64_t{e.version});
    statement.bind(first + 6, std::int64_t{e.exported ? 1 : 0}).bind(first + 7, e.recorded);
    statement.bind(first + 8, e.rid).bind(first + 9, e.firstName).bind(first + 10, e.middleName);
    statement.bind(first + 11, e.lastName).bind(first + 12, e.dialledNumber);
    statement.bind(first + 13, e.stationName).bind(first + 14, e.stationAni);
    statement.bind(first + 15, noneWhenZero(e.stationNumber)).bind(first + 16, e.site);
    statement.bind(first + 17, e.secondSite).bind(first + 18, e.system);
    statement.bind(first + 19,
                   e.durationSeconds ? std::optional<std::int64_t>(*e.durationSeconds) : std::nullopt);
    statement.bind(first + 20, e.comments).bind(first + 21, joinedKeywords(e.keywords));
    if (!e.checksumProblem.empty())
        statement.bind(first + 23, e.checksumProblem);
}

// Reads an entry from a row of "id, " followed by kColumns into `e`, a new entry.
void readEntry(const SqliteStatement& row, CatalogueEntry& e) {
    e.id = row.integer(0);
    e.path = row.text(1);
    e.file.size = row.integer(2);
    e.file.modified = row.integer(3);
    e.problem = row.text(4);
    e.checksums = checksumStateNamed(row.text(22)).value_or(ChecksumState::NotStamped);
    e.checksumProblem = row.text(23);
    if (!row.isNull(4))
        return;
    e.version = static_cast<int>(row.integer(5));
    e.exported = row.integer(6) != 0;
    e.recorded = row.text(7);
    e.rid = row.text(8);
    e.firstName = row.text(9);
    e.middleName = row.text(10);
    e.lastName = row.text(11);
    e.dialledNumber = row.text(12);
    e.stationName = row.text(13);
    e.stationAni = row.text(14);
    e.stationNumber = row.integer(15);
    e.site = row.integer(16);
    e.secondSite = row.integer(17);
    e.system = row.text(18);
    if (!row.isNull(19))
        e.durationSeconds = static_cast<int>(row.integer(19));
    e.comments = row.text(20);
    e.keywords = splitKeywords(row.text(21));
}

} // namespace

SqliteCatalogue::SqliteCatalogue(SqliteConnection connection) : connection_(std::move(connection)) {
    const int parameters = sqlite3_limit(connection_.handle(), SQLITE_LIMIT_VARIABLE_NUMBER, -1);
    rowsAStatement_ =
        static_cast<std::size_t>(std::clamp(parameters / kStoredColumnCount, 1, kRowsAStatement));
}

std::unique_ptr<SqliteCatalogue> SqliteCatalogue::openForWriting(const std::string& path) {
    std::unique_ptr<SqliteCatalogue> catalogue(new SqliteCatalogue(openCatalogueForWriting(path)));
    catalogue->prepare(path, true);
    // Commits wait for the disc less often; the journal still keeps every commit whole.
    catalogue->connection_.execute("PRAGMA journal_mode=DELETE; PRAGMA synchronous=NORMAL; "
                                   "PRAGMA temp_store=MEMORY; PRAGMA cache_size=-8000;");
    return catalogue;
}

std::unique_ptr<SqliteCatalogue> SqliteCatalogue::openForReading(const std::string& path) {
    std::unique_ptr<SqliteCatalogue> catalogue(new SqliteCatalogue(openCatalogueForReading(path)));
    catalogue->prepare(path, false);
    catalogue->connection_.execute("PRAGMA temp_store=MEMORY;");
    return catalogue;
}

std::unique_ptr<SqliteCatalogue> SqliteCatalogue::inMemory() {
    std::unique_ptr<SqliteCatalogue> catalogue(
        new SqliteCatalogue(SqliteConnection(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)));
    catalogue->prepare(":memory:", true);
    return catalogue;
}

void SqliteCatalogue::prepare(const std::string& path, bool mayWrite) {
    try {
        const std::int64_t application = connection_.queryInteger("PRAGMA application_id");
        const std::int64_t tables = connection_.queryInteger("SELECT count(*) FROM sqlite_schema");
        if (application == 0 && tables == 0) {
            if (!mayWrite)
                throw CatalogueError("holds no recordings");
            connection_.execute("BEGIN");
            connection_.execute(schema().c_str());
            connection_.execute(("PRAGMA application_id=" + std::to_string(kApplicationId)).c_str());
            upgradeFrom(1);
            connection_.execute("COMMIT");
        } else if (application != kApplicationId) {
            throw CatalogueError("is not a catalogue of recordings");
        } else if (const std::int64_t version = connection_.queryInteger("PRAGMA user_version");
                   version < 1 || version > kLayoutVersion) {
            throw CatalogueError("was made by another version of this program");
        } else if (version < kLayoutVersion && mayWrite) {
            connection_.execute("BEGIN IMMEDIATE");
            upgradeFrom(connection_.queryInteger("PRAGMA user_version")); // another run may have done it
            connection_.execute("COMMIT");
        }
    } catch (const CatalogueError& error) {
        throw CatalogueError("the catalogue " + path + " " + error.what());
    }
}

void SqliteCatalogue::upgradeFrom(std::int64_t version) {
    for (std::int64_t step = version; step < kLayoutVersion; ++step)
        connection_.execute(kLayoutSteps[static_cast<std::size_t>(step - 1)]);
    connection_.execute(("PRAGMA user_version=" + std::to_string(kLayoutVersion)).c_str());
}

std::unordered_map<std::string, KnownRecording> SqliteCatalogue::recordingsUnder(const std::string& folder) {
    insertPending();
    const auto [start, end] = pathRange(folder);
    SqliteStatement select =
        connection_.prepare(std::string("SELECT path, id, checksums, size, modified, ") + kStampColumns +
                            " FROM recordings WHERE path >= ? AND path < ?");
    select.bind(1, start).bind(2, end);
    std::unordered_map<std::string, KnownRecording> known;
    while (select.step()) {
        KnownRecording& row = known[select.text(0)];
        row.id = select.integer(1);
        row.checksums = checksumStateNamed(select.text(2)).value_or(ChecksumState::NotStamped);
        row.file = {select.integer(3), select.integer(4), select.integer(5), select.integer(6),
                    select.integer(7)};
    }
    return known;
}

void SqliteCatalogue::store(const CatalogueEntry& entry, std::int64_t replacing) {
    if (replacing == 0) {
        pending_.push_back(entry);
        // Outside a batch every change is written at once.
        if (pending_.size() >= rowsAStatement_ || sqlite3_get_autocommit(connection_.handle()) != 0)
            insertPending();
        return;
    }
    insertPending(); // in the order they came
    // Prepared once, for the many rows of an indexing run.
    if (!update_.prepared()) {
        const std::string columns = std::string(kColumns) + ", " + kStampColumns;
        update_ = connection_.prepare("UPDATE recordings SET (" + columns + ") = (" + rowParameters(0) +
                                      ") WHERE id = ?" + std::to_string(kStoredColumnCount + 1));
    }
    update_.reset();
    bindEntry(update_, entry);
    update_.bind(kStoredColumnCount + 1, replacing);
    update_.step();
}

SqliteStatement& SqliteCatalogue::insertStatement(std::size_t rows) {
    const bool group = rows == rowsAStatement_;
    SqliteStatement& statement = group ? insertGroup_ : insertRest_;
    if (!statement.prepared() || (!group && restRows_ != rows)) {
        std::string values;
        for (std::size_t row = 0; row < rows; ++row)
            values +=
                (row > 0 ? ", (" : "(") + rowParameters(static_cast<int>(row) * kStoredColumnCount) + ")";
        statement = connection_.prepare(std::string("INSERT INTO recordings (") + kColumns + ", " +
                                        kStampColumns + ") VALUES " + values);
        if (!group)
            restRows_ = rows;
    }
    statement.reset();
    return statement;
}

void SqliteCatalogue::insertPending() {
    for (std::size_t first = 0; first < pending_.size(); first += rowsAStatement_) {
        const std::size_t rows = std::min(rowsAStatement_, pending_.size() - first);
        SqliteStatement& insert = insertStatement(rows);
        for (std::size_t row = 0; row < rows; ++row)
            bindEntry(insert, pending_[first + row], static_cast<int>(row) * kStoredColumnCount);
        try {
            insert.step();
        } catch (const CatalogueError&) {
            pending_.clear();
            throw;
        }
    }
    pending_.clear();
}

void SqliteCatalogue::storeChecksums(std::int64_t id, ChecksumState state, const std::string& problem) {
    insertPending();
    SqliteStatement update =
        connection_.prepare("UPDATE recordings SET checksums = ?, checksum_problem = ? WHERE id = ?");
    update.bind(1, checksumStateName(state));
    if (!problem.empty())
        update.bind(2, problem);
    update.bind(3, id).step();
}

void SqliteCatalogue::remove(std::int64_t id) {
    insertPending();
    connection_.prepare("DELETE FROM recordings WHERE id = ?").bind(1, id).step();
}

void SqliteCatalogue::beginChanges() {
    connection_.execute("BEGIN IMMEDIATE");
}

void SqliteCatalogue::commitChanges() {
    insertPending();
    connection_.execute("COMMIT");
}

void SqliteCatalogue::rollBackChanges() {
    pending_.clear();
    if (sqlite3_get_autocommit(connection_.handle()) == 0)
        connection_.execute("ROLLBACK");
}

SqliteStatement SqliteCatalogue::selectMatching(const SearchQuery& query, const std::string& folder,
                                                const std::string& select, const std::string& tail,
                                                Plan plan) {
    insertPending(); // what this connection wrote is found too
    const std::string match = matchExpression(connection_.handle(), query.words);
    std::string conditions;
    if (!folder.empty())
        conditions += " AND path >= :under AND path < :beyond";
    if (!query.from.empty())
        conditions += " AND recorded >= :from";
    // Every time of the last day: '~' follows the blank before the time.
    if (!query.to.empty())
        conditions += " AND recorded < :to || '~'";
    std::string sql;
    if (match.empty())
        sql = select + " FROM recordings WHERE 1" + conditions;
    else if (plan == Plan::LedByText && conditions.empty())
        sql = select + " FROM recording_text WHERE recording_text MATCH :match";
    else if (plan == Plan::LedByText)
        sql = select +
              " FROM recording_text JOIN recordings ON recordings.id = recording_text.rowid WHERE "
              "recording_text MATCH :match" +
              conditions;
    else
        sql = select + " FROM recordings" + (plan == Plan::ByDate ? " INDEXED BY recordings_by_date" : "") +
              " WHERE id IN (SELECT rowid FROM recording_text WHERE recording_text MATCH :match)" +
              conditions;
    SqliteStatement statement = connection_.prepare(sql + tail);
    int index = 1;
    if (!match.empty())
        statement.bind(index++, match);
    if (!folder.empty()) {
        const auto [start, end] = pathRange(folder);
        statement.bind(index++, start);
        statement.bind(index++, end);
    }
    if (!query.from.empty())
        statement.bind(index++, query.from);
    if (!query.to.empty())
        statement.bind(index++, query.to);
    return statement;
}

bool SqliteCatalogue::walkNewestFirst(const SearchQuery& query, const std::string& folder,
                                      std::int64_t wanted,
                                      const std::function<bool(const SqliteStatement& row)>& found) {
    IndexWords words(connection_.handle());
    WordMatch match(words, query.words);
    if (!folder.empty() || match.empty())
        return false;
    SqliteStatement rows =
        selectMatching({{}, query.from, query.to}, {}, std::string("SELECT id, ") + kColumns,
                       " ORDER BY recorded DESC, path", Plan::ByDate);
    std::vector<std::string_view> texts(kTextColumnsRead.size());
    std::int64_t matched = 0;
    for (std::int64_t walked = 1; rows.step(); ++walked) {
        for (std::size_t column = 0; column < texts.size(); ++column)
            texts[column] = rows.textView(kTextColumnsRead[column]);
        if (match.matches(texts) && (++matched, !found(rows)))
            return true;
        // At the share of rows that match so far, the rows still to walk would be too many.
        if (walked >= kRowsSampled && (wanted - matched) * walked > (kRowsWalked - walked) * matched)
            return false;
    }
    return true;
}

std::int64_t SqliteCatalogue::countUpTo(const SearchQuery& query, const std::string& folder,
                                        std::int64_t atMost) {
    // Led by the text index, counting stops there: the rows a common word finds need not all be
    // visited.
    SqliteStatement counted = selectMatching(query, folder, "SELECT count(*) FROM (SELECT 1",
                                             " LIMIT " + std::to_string(atMost) + ")", Plan::LedByText);
    return counted.step() ? counted.integer(0) : 0;
}

std::vector<CatalogueEntry> SqliteCatalogue::search(const SearchQuery& query, const std::string& folder,
                                                    std::int64_t offset, std::int64_t limit) {
    const std::string select = std::string("SELECT id, ") + kColumns;
    if (limit < 0 && offset == 0) {
        // Every match: read in the table's order and put in order here, which is much quicker
        // than SQLite's sorting so many rows of so many columns.
        SqliteStatement rows = selectMatching(query, folder, select, "");
        std::deque<CatalogueEntry> entries;
        while (rows.step())
            readEntry(rows, entries.emplace_back());
        return newestFirst(std::move(entries));
    }
    std::vector<CatalogueEntry> entries;
    std::int64_t skipped = 0;
    if (limit >= 0 && walkNewestFirst(query, folder, offset + limit, [&](const SqliteStatement& row) {
            if (skipped < offset)
                return ++skipped, true;
            if (static_cast<std::int64_t>(entries.size()) < limit)
                readEntry(row, entries.emplace_back());
            return static_cast<std::int64_t>(entries.size()) < limit;
        }))
        return entries;
    entries.clear();
    // A page, newest first. Without a date (a file that did not read) is NULL, which SQLite puts
    // last in a descending order. Of many rows over the whole catalogue, the walk by date finds the
    // newest at once; a few are sooner read and put in order (within a folder, its rows first).
    const bool many = folder.empty() && countUpTo(query, folder, kFewRows) == kFewRows;
    SqliteStatement rows = selectMatching(query, folder, select,
                                          " ORDER BY recorded DESC, path LIMIT " + std::to_string(limit) +
                                              " OFFSET " + std::to_string(offset),
                                          many ? Plan::ByDate : Plan::FromList);
    while (rows.step())
        readEntry(rows, entries.emplace_back());
    return entries;
}

std::int64_t SqliteCatalogue::count(const SearchQuery& query, const std::string& folder,
                                    std::int64_t atMost) {
    if (atMost < 0) {
        SqliteStatement counted = selectMatching(query, folder, "SELECT count(*)", "");
        return counted.step() ? counted.integer(0) : 0;
    }
    std::int64_t found = 0;
    if (walkNewestFirst(query, folder, atMost, [&](const SqliteStatement&) { return ++found < atMost; }))
        return std::min(found, atMost);
    return countUpTo(query, folder, atMost);
}

std::vector<std::int64_t> SqliteCatalogue::matchingRows(const SearchQuery& query) {
    SqliteStatement select = selectMatching(query, {}, "SELECT id", "");
    std::vector<std::int64_t> rows;
    while (select.step())
        rows.push_back(select.integer(0));
    return rows;
}

} // namespace kestrum
