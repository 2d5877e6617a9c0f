#include "catalogue/Postgres.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace kestrum {

namespace {

// A connection attempt to a server that does not answer gives up after this many seconds, unless
// the address or PGCONNECT_TIMEOUT says otherwise.
constexpr const char* kConnectTimeout = "10";

// The server's notices (NOTICE, WARNING) are not for the people using the catalogue.
void ignoreNotice(void*, const char*) {}

std::string firstLine(std::string text) {
    const std::size_t end = text.find_first_of("\r\n");
    if (end != std::string::npos)
        text.resize(end);
    return text;
}

// libpq's message for a failed connection, as one line saying only why: without its
// "connection to server ... failed: " and the "FATAL:  " of the server's own words.
std::string connectionProblem(const char* message) {
    std::string text = firstLine(message != nullptr ? message : "");
    if (const std::size_t failed = text.find(" failed: "); failed != std::string::npos)
        text.erase(0, failed + std::strlen(" failed: "));
    for (const char* level : {"FATAL:  ", "ERROR:  "})
        if (text.starts_with(level))
            text.erase(0, std::strlen(level));
    return text.empty() ? "the server gave no reason" : text;
}

std::string replaced(std::string text, const std::string& secret, const std::string& with) {
    if (secret.empty())
        return text;
    for (std::size_t at = text.find(secret); at != std::string::npos;
         at = text.find(secret, at + with.size()))
        text.replace(at, secret.size(), with);
    return text;
}

// The password an address holds, to keep it out of the message when libpq cannot read the address.
std::string addressPassword(const std::string& address) {
    PQconninfoOption* options = PQconninfoParse(address.c_str(), nullptr);
    std::string password;
    for (PQconninfoOption* option = options; option != nullptr && option->keyword != nullptr; ++option)
        if (std::strcmp(option->keyword, "password") == 0 && option->val != nullptr)
            password = option->val;
    PQconninfoFree(options);
    return password;
}

std::string nameOf(pg_conn* connection) {
    const auto value = [](const char* text) { return std::string(text != nullptr ? text : ""); };
    std::string server = value(PQhost(connection));
    if (server.empty())
        server = "(libpq's default)";
    return "\"" + value(PQdb(connection)) + "\" on the server " + server + ", port " +
           value(PQport(connection));
}

} // namespace

PostgresParameters& PostgresParameters::bytes(std::string_view value) {
    values_.emplace_back(value);
    isNull_.push_back(false);
    types_.push_back(postgres_type::kBytea);
    formats_.push_back(1);
    return *this;
}

PostgresParameters& PostgresParameters::integer(std::int64_t value) {
    std::string bigEndian(8, '\0');
    for (int i = 0; i < 8; ++i)
        bigEndian[static_cast<std::size_t>(i)] =
            static_cast<char>(static_cast<std::uint64_t>(value) >> (56 - 8 * i) & 0xFF);
    values_.push_back(std::move(bigEndian));
    isNull_.push_back(false);
    types_.push_back(postgres_type::kInt8);
    formats_.push_back(1);
    return *this;
}

PostgresParameters& PostgresParameters::boolean(bool value) {
    return typed(value ? "t" : "f", postgres_type::kBool);
}

PostgresParameters& PostgresParameters::text(std::string value) {
    return typed(std::move(value), postgres_type::kText);
}

PostgresParameters& PostgresParameters::typed(std::string value, unsigned type) {
    values_.push_back(std::move(value));
    isNull_.push_back(false);
    types_.push_back(type);
    formats_.push_back(0);
    return *this;
}

PostgresParameters& PostgresParameters::null(unsigned type) {
    values_.emplace_back();
    isNull_.push_back(true);
    types_.push_back(type);
    formats_.push_back(0);
    return *this;
}

PostgresResult::PostgresResult(PostgresResult&& other) noexcept
    : result_(std::exchange(other.result_, nullptr)) {}

PostgresResult& PostgresResult::operator=(PostgresResult&& other) noexcept {
    if (this != &other) {
        PQclear(result_);
        result_ = std::exchange(other.result_, nullptr);
    }
    return *this;
}

PostgresResult::~PostgresResult() {
    PQclear(result_);
}

int PostgresResult::columns() const {
    return result_ != nullptr ? PQnfields(result_) : 0;
}

int PostgresResult::rows() const {
    return result_ != nullptr ? PQntuples(result_) : 0;
}

bool PostgresResult::isNull(int row, int column) const {
    return PQgetisnull(result_, row, column) != 0;
}

std::int64_t PostgresResult::integer(int row, int column) const {
    if (isNull(row, column))
        return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(PQgetvalue(result_, row, column));
    const int length = PQgetlength(result_, row, column);
    // Big-endian, of the type's own width, the sign taken from the first byte.
    std::uint64_t value = length > 0 && (bytes[0] & 0x80) != 0 && length > 1 ? ~std::uint64_t{0} : 0;
    for (int i = 0; i < length; ++i)
        value = value << 8 | bytes[i];
    return static_cast<std::int64_t>(value);
}

std::string PostgresResult::text(int row, int column) const {
    if (isNull(row, column))
        return {};
    return std::string(PQgetvalue(result_, row, column),
                       static_cast<std::size_t>(PQgetlength(result_, row, column)));
}

PostgresConnection::PostgresConnection(const std::string& address) {
    char* parseError = nullptr;
    PQconninfoOption* parsed = PQconninfoParse(address.c_str(), &parseError);
    PQconninfoFree(parsed);
    if (parsed == nullptr) {
        // libpq's message may quote the whole address, password and all.
        std::string why = firstLine(parseError != nullptr ? parseError : "out of memory");
        PQfreemem(parseError);
        why = replaced(replaced(why, address, "(the address)"), addressPassword(address), "********");
        throw PostgresError("cannot read the catalogue's address: " + why, {});
    }
    // Defaults the address may override: those before "dbname" give way to what it expands to. The
    // text sent and read is UTF-8 whatever the address says.
    std::vector<const char*> keywords{"fallback_application_name"};
    std::vector<const char*> values{"kestrum catalogue"};
    if (std::getenv("PGCONNECT_TIMEOUT") == nullptr) {
        keywords.push_back("connect_timeout");
        values.push_back(kConnectTimeout);
    }
    keywords.insert(keywords.end(), {"dbname", "client_encoding", nullptr});
    values.insert(values.end(), {address.c_str(), "UTF8", nullptr});
    connection_ = PQconnectdbParams(keywords.data(), values.data(), 1);
    if (connection_ == nullptr)
        throw PostgresError("cannot connect to the catalogue: out of memory", {});
    name_ = nameOf(connection_);
    if (PQstatus(connection_) != CONNECTION_OK) {
        const std::string message = withoutPassword("cannot connect to the catalogue " + name_ + ": " +
                                                    connectionProblem(PQerrorMessage(connection_)));
        PQfinish(connection_);
        throw PostgresError(message, {});
    }
    PQsetNoticeProcessor(connection_, ignoreNotice, nullptr);
}

PostgresConnection::~PostgresConnection() {
    PQfinish(connection_);
}

std::string PostgresConnection::role() const {
    const char* user = PQuser(connection_);
    return user != nullptr ? user : "";
}

std::string PostgresConnection::setting(const char* name) const {
    const char* value = PQparameterStatus(connection_, name);
    return value != nullptr ? value : "";
}

std::string PostgresConnection::withoutPassword(std::string text) const {
    const char* password = PQpass(connection_);
    return replaced(std::move(text), password != nullptr ? password : "", "********");
}

void PostgresConnection::fail(pg_result* result) {
    const char* state = result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const char* primary = result != nullptr ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    std::string why = primary != nullptr ? primary : connectionProblem(PQerrorMessage(connection_));
    PQclear(result);
    std::string code = state != nullptr ? state : "";
    std::string message;
    if (PQstatus(connection_) == CONNECTION_BAD)
        message = "lost the connection to the catalogue " + name_ + ": " + firstLine(why);
    else if (code == "42501")
        message = "the catalogue " + name_ + " refuses the role " + role() + ": " + firstLine(why);
    else
        message = "the catalogue " + name_ + " cannot be read or written: " + firstLine(why);
    throw PostgresError(withoutPassword(message), code);
}

PostgresResult PostgresConnection::run(const std::string& sql, const PostgresParameters& parameters) {
    std::vector<const char*> values;
    std::vector<int> lengths;
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        values.push_back(parameters.isNull_[i] ? nullptr : parameters.values_[i].c_str());
        lengths.push_back(static_cast<int>(parameters.values_[i].size()));
    }
    pg_result* result =
        PQexecParams(connection_, sql.c_str(), static_cast<int>(parameters.size()), parameters.types_.data(),
                     values.data(), lengths.data(), parameters.formats_.data(), 1);
    const ExecStatusType status = result != nullptr ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(result);
    return PostgresResult(result);
}

void PostgresConnection::execute(const char* sql) {
    pg_result* result = PQexec(connection_, sql);
    const ExecStatusType status = result != nullptr ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(result);
    PQclear(result);
}

void PostgresConnection::forEachRow(const std::string& sql, const PostgresParameters& parameters,
                                    const std::function<void(const PostgresResult& row)>& row) {
    std::vector<const char*> values;
    std::vector<int> lengths;
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        values.push_back(parameters.isNull_[i] ? nullptr : parameters.values_[i].c_str());
        lengths.push_back(static_cast<int>(parameters.values_[i].size()));
    }
    if (PQsendQueryParams(connection_, sql.c_str(), static_cast<int>(parameters.size()),
                          parameters.types_.data(), values.data(), lengths.data(), parameters.formats_.data(),
                          1) == 0)
        fail(nullptr);
    PQsetSingleRowMode(connection_);
    // Every result is taken, also after a failure, so the connection is ready for the next query.
    pg_result* failure = nullptr;
    while (pg_result* result = PQgetResult(connection_)) {
        const ExecStatusType status = PQresultStatus(result);
        if (status == PGRES_SINGLE_TUPLE && failure == nullptr) {
            PostgresResult owned(result);
            row(owned);
        } else if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK || failure != nullptr) {
            PQclear(result);
        } else {
            failure = result;
        }
    }
    if (failure != nullptr || PQstatus(connection_) == CONNECTION_BAD)
        fail(failure);
}

bool PostgresConnection::inTransaction() const {
    const PGTransactionStatusType status = PQtransactionStatus(connection_);
    return status == PQTRANS_INTRANS || status == PQTRANS_INERROR || status == PQTRANS_ACTIVE;
}

} // namespace kestrum
