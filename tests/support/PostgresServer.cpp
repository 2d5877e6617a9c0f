#include "support/PostgresServer.h"

#include "support/ProcessRunner.h"

#include <libpq-fe.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <glob.h>
#include <grp.h>
#include <pwd.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace kestrum::test {

namespace fs = std::filesystem;

namespace {

// The folder of the newest installed server's programs (Debian keeps each major version apart).
std::string serverPrograms() {
    glob_t found{};
    std::string folder;
    if (::glob("/usr/lib/postgresql/*/bin/initdb", 0, nullptr, &found) == 0 && found.gl_pathc > 0)
        folder = fs::path(found.gl_pathv[found.gl_pathc - 1]).parent_path().string();
    ::globfree(&found);
    return folder;
}

// Runs `program` with `arguments` as `uid`/`gid` (when the test runs as root), in `folder`, its
// output into `log`; with `dieWithTest` it is killed when the test's process ends however it ends.
pid_t spawnAs(uid_t uid, gid_t gid, const std::string& folder, const std::string& log,
              const std::vector<std::string>& command, bool dieWithTest) {
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (out < 0)
        throw std::runtime_error("cannot open " + log);
    ::fchown(out, uid, gid);
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
        ::dup2(::open("/dev/null", O_RDONLY), STDIN_FILENO);
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0))
            ::_exit(126);
        if (dieWithTest && (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent))
            ::_exit(126);
        if (::chdir(folder.c_str()) != 0)
            ::_exit(126);
        std::vector<char*> argv;
        for (const std::string& part : command)
            argv.push_back(const_cast<char*>(part.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out);
    return child;
}

std::string logText(const std::string& log) {
    std::ifstream in(log);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool answers(const std::string& address) {
    return PQping(address.c_str()) == PQPING_OK;
}

} // namespace

std::unique_ptr<PostgresServer> PostgresServer::start(std::string& whyNot) {
    std::unique_ptr<PostgresServer> server(new PostgresServer);
    server->programs_ = serverPrograms();
    if (server->programs_.empty()) {
        whyNot = "PostgreSQL's server programs are not installed (/usr/lib/postgresql/*/bin/initdb): "
                 "scripts/install-deps.sh installs them";
        return nullptr;
    }
    server->uid_ = ::geteuid();
    server->gid_ = ::getegid();
    if (::geteuid() == 0) {
        const passwd* account = ::getpwnam("postgres");
        if (account == nullptr) {
            whyNot = "the tests run as root and there is no postgres account to run the server as";
            return nullptr;
        }
        server->uid_ = account->pw_uid;
        server->gid_ = account->pw_gid;
    }
    // Short, for the socket's name: /tmp, not a long TMPDIR.
    std::string pattern = "/tmp/kestrum-pg-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    server->folder_ = pattern;
    if (::chown(pattern.c_str(), server->uid_, server->gid_) != 0)
        throw std::runtime_error("cannot give " + pattern + " to the server's account");
    const std::string log = server->folder_ + "/initdb.log";
    const pid_t initdb =
        spawnAs(server->uid_, server->gid_, server->folder_, log,
                {server->programs_ + "/initdb", "-D", server->folder_ + "/data", "-U", "admin", "-E", "UTF8",
                 "--no-locale", "--no-sync", "--auth-local=trust", "--auth-host=reject"},
                true);
    int status = 0;
    ::waitpid(initdb, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("initdb failed: " + logText(log));
    // The administrator alone without a password; every other role with its own.
    const std::string hba = server->folder_ + "/data/pg_hba.conf";
    std::ofstream(hba, std::ios::trunc) << "local all admin trust\nlocal all all scram-sha-256\n";
    if (::chown(hba.c_str(), server->uid_, server->gid_) != 0)
        throw std::runtime_error("cannot give " + hba + " to the server's account");
    server->launch();
    return server;
}

void PostgresServer::launch() {
    pid_ = spawnAs(uid_, gid_, folder_, folder_ + "/server.log",
                   {programs_ + "/postgres", "-D", folder_ + "/data", "-c", "listen_addresses=", "-c",
                    "unix_socket_directories=" + folder_, "-c", "fsync=off", "-c", "synchronous_commit=off",
                    "-c", "full_page_writes=off", "-c", "shared_buffers=16MB", "-c", "max_connections=30"},
                   true);
    // Ready when it answers: start-up takes a moment, and reports nothing to wait on.
    if (!waitUntil([this] { return answers(address("postgres")); }, 60)) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
        throw std::runtime_error("the test's PostgreSQL server did not start: " +
                                 logText(folder_ + "/server.log"));
    }
}

void PostgresServer::stop() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGINT);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

void PostgresServer::restart() {
    stop();
    launch();
}

PostgresServer::~PostgresServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGQUIT); // immediate: nothing of it is kept
        ::waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

std::string PostgresServer::address(const std::string& database, const std::string& role,
                                    const std::string& password) const {
    std::string address = "postgresql://" + (role.empty() ? std::string("admin") : role);
    if (!password.empty())
        address += ":" + password;
    return address + "@/" + database + "?host=" + folder_;
}

PostgresSession::PostgresSession(const PostgresServer& server, const std::string& database)
    : connection_(PQconnectdb(server.address(database).c_str())) {
    if (PQstatus(static_cast<PGconn*>(connection_)) != CONNECTION_OK) {
        const std::string message = PQerrorMessage(static_cast<PGconn*>(connection_));
        PQfinish(static_cast<PGconn*>(connection_));
        throw std::runtime_error("cannot connect to the test's server: " + message);
    }
}

PostgresSession::~PostgresSession() {
    PQfinish(static_cast<PGconn*>(connection_));
}

void PostgresSession::run(const std::string& sql) {
    value(sql);
}

std::string PostgresSession::value(const std::string& sql) {
    PGresult* result = PQexec(static_cast<PGconn*>(connection_), sql.c_str());
    const ExecStatusType status = PQresultStatus(result);
    const std::string message = PQresultErrorMessage(result);
    std::string value;
    if (status == PGRES_TUPLES_OK && PQntuples(result) > 0 && PQnfields(result) > 0)
        value = PQgetvalue(result, 0, 0);
    PQclear(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        throw std::runtime_error("SQL failed: " + message + sql);
    return value;
}

void PostgresServer::runSql(const std::string& sql, const std::string& database) const {
    PostgresSession(*this, database).run(sql);
}

std::string PostgresServer::queryValue(const std::string& sql, const std::string& database) const {
    return PostgresSession(*this, database).value(sql);
}

void PostgresServer::makeTeamCatalogue() const {
    const std::string indexer = kTeamIndexer, reviewer = kTeamReviewer, database = kTeamDatabase;
    runSql("CREATE ROLE " + indexer + " LOGIN PASSWORD '" + kTeamIndexerPassword +
           "';"
           "CREATE ROLE kestrum_reviewers NOLOGIN;"
           "CREATE ROLE " +
           reviewer + " LOGIN PASSWORD '" + kTeamReviewerPassword + "' IN ROLE kestrum_reviewers;");
    runSql("CREATE DATABASE " + database + " OWNER " + indexer + " ENCODING 'UTF8' TEMPLATE template0");
    runSql("REVOKE ALL ON DATABASE " + database +
               " FROM PUBLIC;"
               "GRANT CONNECT ON DATABASE " +
               database +
               " TO kestrum_reviewers;"
               "ALTER DEFAULT PRIVILEGES FOR ROLE " +
               indexer + " IN SCHEMA public GRANT SELECT ON TABLES TO kestrum_reviewers;",
           database);
}

} // namespace kestrum::test
