#pragma once

// Thin owners of a libpq connection and its results. Every failure throws a PostgresError naming
// the database and the server and saying what went wrong: never the password, whether it came in
// the address, from the environment or from ~/.pgpass.

#include "catalogue/CatalogueError.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

namespace kestrum {

// A failure of the server or of what was asked of it, with its SQLSTATE code ("40P01" for a
// deadlock) where the server gave one.
class PostgresError : public CatalogueError {
  public:
    PostgresError(const std::string& message, std::string state)
        : CatalogueError(message), state_(std::move(state)) {}
    const std::string& state() const { return state_; }

  private:
    std::string state_;
};

// The values of a statement's parameters, $1 first: bytes and numbers in libpq's binary format,
// other text as the server reads it, each with its type.
class PostgresParameters {
  public:
    PostgresParameters& bytes(std::string_view value); // bytea
    PostgresParameters& integer(std::int64_t value);   // bigint
    PostgresParameters& boolean(bool value);
    PostgresParameters& text(std::string value);                 // text
    PostgresParameters& typed(std::string value, unsigned type); // read by the type's own input
    PostgresParameters& null(unsigned type);
    std::size_t size() const { return types_.size(); }

  private:
    friend class PostgresConnection;
    std::vector<std::string> values_;
    std::vector<bool> isNull_;
    std::vector<unsigned> types_;
    std::vector<int> formats_;
};

// Type numbers of the server's types that the catalogue sends.
namespace postgres_type {
inline constexpr unsigned kBool = 16, kBytea = 17, kInt8 = 20, kInt4 = 23, kText = 25, kTsvector = 3614;
}

// One answer, its values in libpq's binary format.
class PostgresResult {
  public:
    explicit PostgresResult(pg_result* result = nullptr) : result_(result) {}
    PostgresResult(PostgresResult&& other) noexcept;
    PostgresResult& operator=(PostgresResult&& other) noexcept;
    PostgresResult(const PostgresResult&) = delete;
    PostgresResult& operator=(const PostgresResult&) = delete;
    ~PostgresResult();

    int rows() const;
    int columns() const;
    bool isNull(int row, int column) const;
    // A number of any integer type, or a boolean (1 or 0); 0 for NULL.
    std::int64_t integer(int row, int column) const;
    // Bytes or text as stored; empty for NULL.
    std::string text(int row, int column) const;

  private:
    pg_result* result_;
};

class PostgresConnection {
  public:
    // Connects through libpq to the server and database that `address` (a connection URI) names,
    // with libpq's own defaults, environment, service file and password file.
    explicit PostgresConnection(const std::string& address);
    PostgresConnection(const PostgresConnection&) = delete;
    PostgresConnection& operator=(const PostgresConnection&) = delete;
    ~PostgresConnection();

    // What names the catalogue in messages: the database, the server and its port.
    const std::string& name() const { return name_; }
    std::string role() const;
    // A setting the server reports (server_encoding and the like).
    std::string setting(const char* name) const;

    PostgresResult run(const std::string& sql, const PostgresParameters& parameters = {});
    // Runs statements without parameters, several in one text.
    void execute(const char* sql);
    // Runs a query and hands its rows over one at a time, so that a long answer is never held whole.
    void forEachRow(const std::string& sql, const PostgresParameters& parameters,
                    const std::function<void(const PostgresResult& row)>& row);
    // True when a transaction is open (or failed and not yet rolled back).
    bool inTransaction() const;

  private:
    [[noreturn]] void fail(pg_result* result);
    std::string withoutPassword(std::string text) const;

    pg_conn* connection_ = nullptr;
    std::string name_;
};

} // namespace kestrum
