#pragma once

#include <memory>
#include <string>
#include <sys/types.h>

namespace kestrum::test {

// A PostgreSQL server of the test's own: made by initdb in a new temporary folder, run from there
// (the postgres program itself, a child of the test that dies with it) and listening only on a
// Unix socket in that folder, never on the network. The server refuses to run as root, so when
// the tests run as root it runs as the `postgres` account, which owns the folder. Its
// administrator, "admin", connects without a password; every other role needs its password.
// Stopped, and the folder removed, when it goes.
class PostgresServer {
  public:
    // The server, started; or null with the reason in `whyNot` when it cannot be had here (its
    // programs are not installed, or as root there is no postgres account to run it as).
    static std::unique_ptr<PostgresServer> start(std::string& whyNot);
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // The connection URI of `database` as `role` (the administrator when empty), with `password`
    // in it when one is given.
    std::string address(const std::string& database, const std::string& role = {},
                        const std::string& password = {}) const;
    // The folder of the server's socket.
    const std::string& socketFolder() const { return folder_; }
    // Runs SQL statements in `database` as the administrator; throws std::runtime_error with the
    // server's message when they fail.
    void runSql(const std::string& sql, const std::string& database = "postgres") const;
    // The first value of the first row of a query, as text.
    std::string queryValue(const std::string& sql, const std::string& database = "postgres") const;

    // Stops the server as its administrator would (a fast shutdown: sessions are ended, their
    // transactions rolled back), and starts it again.
    void stop();
    void restart();

    // The roles and the database of a team's catalogue, with the grants the README shows: the
    // indexing role kTeamIndexer owns the database kTeamDatabase (its first index makes the
    // tables), and the reviewers (the role kTeamReviewer, a member of "kestrum_reviewers") may
    // read what it makes.
    void makeTeamCatalogue() const;

  private:
    PostgresServer() = default;
    void launch();

    std::string programs_; // the folder of initdb and postgres
    std::string folder_;   // the server's: its data and its socket
    uid_t uid_ = 0;        // whom the server runs as
    gid_t gid_ = 0;
    pid_t pid_ = -1;
};

inline constexpr const char* kTeamDatabase = "calls";
inline constexpr const char* kTeamIndexer = "kestrum_indexer";
inline constexpr const char* kTeamIndexerPassword = "ix-Pw-4417-s3cret";
inline constexpr const char* kTeamReviewer = "alice";
inline constexpr const char* kTeamReviewerPassword = "rv-Pw-9031-s3cret";

// A session of the administrator's, held open: to hold a lock while the programs run.
class PostgresSession {
  public:
    PostgresSession(const PostgresServer& server, const std::string& database);
    ~PostgresSession();
    PostgresSession(const PostgresSession&) = delete;
    PostgresSession& operator=(const PostgresSession&) = delete;

    // Runs SQL statements; throws std::runtime_error with the server's message when they fail.
    void run(const std::string& sql);
    // The first value of the first row of a query, as text.
    std::string value(const std::string& sql);

  private:
    void* connection_;
};

} // namespace kestrum::test
