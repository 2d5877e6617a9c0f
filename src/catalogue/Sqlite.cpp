#include "catalogue/Sqlite.h"

#include "catalogue/CatalogueError.h"

#include <sqlite3.h>

#include <utility>

namespace kestrum {

namespace {

[[noreturn]] void fail(sqlite3* connection, const std::string& what) {
    throw CatalogueError(what + ": " +
                         (connection != nullptr ? sqlite3_errmsg(connection) : "out of memory"));
}

} // namespace

SqliteStatement::SqliteStatement(sqlite3* connection, std::string_view sql) : connection_(connection) {
    if (sqlite3_prepare_v2(connection, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr) !=
        SQLITE_OK)
        fail(connection, "the catalogue cannot prepare a query");
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : connection_(other.connection_), statement_(std::exchange(other.statement_, nullptr)) {}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(statement_);
        connection_ = other.connection_;
        statement_ = std::exchange(other.statement_, nullptr);
    }
    return *this;
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(statement_);
}

SqliteStatement& SqliteStatement::bind(int index, std::int64_t value) {
    if (sqlite3_bind_int64(statement_, index, value) != SQLITE_OK)
        fail(connection_, "the catalogue cannot take a value");
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, std::string_view text) {
    if (sqlite3_bind_text64(statement_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8) !=
        SQLITE_OK)
        fail(connection_, "the catalogue cannot take a text");
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, const std::optional<std::int64_t>& value) {
    return value ? bind(index, *value) : bindNull(index);
}

SqliteStatement& SqliteStatement::bindNull(int index) {
    if (sqlite3_bind_null(statement_, index) != SQLITE_OK)
        fail(connection_, "the catalogue cannot take a value");
    return *this;
}

bool SqliteStatement::step() {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE)
        return false;
    // The statement's own error, before a reset clears it.
    const std::string message = sqlite3_errmsg(connection_);
    sqlite3_reset(statement_);
    throw CatalogueError("the catalogue cannot be read or written: " + message);
}

void SqliteStatement::reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

bool SqliteStatement::isNull(int column) const {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

std::int64_t SqliteStatement::integer(int column) const {
    return sqlite3_column_int64(statement_, column);
}

std::string SqliteStatement::text(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return bytes != nullptr
               ? std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
               : std::string();
}

std::string_view SqliteStatement::textView(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return bytes != nullptr
               ? std::string_view(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
               : std::string_view();
}

SqliteConnection::SqliteConnection(const std::string& path, int flags) {
    if (sqlite3_open_v2(path.c_str(), &connection_, flags, nullptr) != SQLITE_OK) {
        const std::string message = connection_ != nullptr ? sqlite3_errmsg(connection_) : "out of memory";
        sqlite3_close_v2(connection_);
        throw CatalogueError("cannot open the catalogue " + path + ": " + message);
    }
    sqlite3_extended_result_codes(connection_, 1);
    // A catalogue file may come from anywhere: no statement may corrupt it on purpose.
    sqlite3_db_config(connection_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_busy_timeout(connection_, 5000);
}

SqliteConnection::SqliteConnection(SqliteConnection&& other) noexcept
    : connection_(std::exchange(other.connection_, nullptr)) {}

SqliteConnection& SqliteConnection::operator=(SqliteConnection&& other) noexcept {
    if (this != &other) {
        sqlite3_close_v2(connection_);
        connection_ = std::exchange(other.connection_, nullptr);
    }
    return *this;
}

SqliteConnection::~SqliteConnection() {
    sqlite3_close_v2(connection_);
}

void SqliteConnection::execute(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(connection_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error != nullptr ? error : sqlite3_errmsg(connection_);
        sqlite3_free(error);
        throw CatalogueError("the catalogue cannot be read or written: " + message);
    }
}

std::int64_t SqliteConnection::queryInteger(const char* sql) {
    SqliteStatement statement = prepare(sql);
    return statement.step() ? statement.integer(0) : 0;
}

std::int64_t SqliteConnection::lastInsertedRow() const {
    return sqlite3_last_insert_rowid(connection_);
}

} // namespace kestrum
