#pragma once

// Thin owners of an SQLite connection and its prepared statements. Every failure throws a
// CatalogueError carrying SQLite's own message.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace kestrum {

class SqliteStatement {
  public:
    SqliteStatement() = default;
    SqliteStatement(sqlite3* connection, std::string_view sql);
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;
    ~SqliteStatement();

    // Parameters count from 1. Text is bound as it is (UTF-8); an empty optional binds NULL.
    SqliteStatement& bind(int index, std::int64_t value);
    SqliteStatement& bind(int index, std::string_view text);
    SqliteStatement& bind(int index, const std::optional<std::int64_t>& value);
    SqliteStatement& bindNull(int index);

    bool prepared() const { return statement_ != nullptr; }

    // Runs the statement to its next row: true with a row to read, false when done.
    bool step();
    // Ready to run again with new parameters.
    void reset();

    bool isNull(int column) const;
    std::int64_t integer(int column) const;
    std::string text(int column) const;
    // The same, valid until the statement moves on.
    std::string_view textView(int column) const;

  private:
    sqlite3* connection_ = nullptr;
    sqlite3_stmt* statement_ = nullptr;
};

class SqliteConnection {
  public:
    // Opens `path` with sqlite3_open_v2's `flags` (":memory:" for a database in memory).
    SqliteConnection(const std::string& path, int flags);
    SqliteConnection(SqliteConnection&& other) noexcept;
    SqliteConnection& operator=(SqliteConnection&& other) noexcept;
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;
    ~SqliteConnection();

    // Runs statements that return nothing to read.
    void execute(const char* sql);
    SqliteStatement prepare(std::string_view sql) { return SqliteStatement(connection_, sql); }
    // A one-value query's value (PRAGMA user_version and the like).
    std::int64_t queryInteger(const char* sql);
    std::int64_t lastInsertedRow() const;
    sqlite3* handle() const { return connection_; }

  private:
    sqlite3* connection_ = nullptr;
};

} // namespace kestrum
