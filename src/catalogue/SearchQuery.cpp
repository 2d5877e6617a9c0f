#include "catalogue/SearchQuery.h"

#include "catalogue/CatalogueError.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <sqlite3.h>
#include <sstream>

namespace kestrum {

namespace {

bool isAsciiControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

fts5_api* fts5Of(sqlite3* connection) {
    fts5_api* api = nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(connection, "SELECT fts5(?1)", -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_pointer(statement, 1, static_cast<void*>(&api), "fts5_api_ptr", nullptr);
        sqlite3_step(statement);
    }
    sqlite3_finalize(statement);
    return api;
}

// The index's own tokenizer, so that what counts as a word here is what the index keeps: letters
// and digits of every script, not punctuation, symbols or emoji.
class IndexTokenizer {
  public:
    explicit IndexTokenizer(sqlite3* connection) {
        std::istringstream spec(kTextTokenizer);
        std::string name;
        spec >> name;
        for (std::string argument; spec >> argument;)
            arguments_.push_back(argument);
        std::vector<const char*> pointers;
        for (const std::string& argument : arguments_)
            pointers.push_back(argument.c_str());
        fts5_api* api = fts5Of(connection);
        void* context = nullptr;
        if (api == nullptr || api->xFindTokenizer(api, name.c_str(), &context, &methods_) != SQLITE_OK ||
            methods_.xCreate(context, pointers.data(), static_cast<int>(pointers.size()), &tokenizer_) !=
                SQLITE_OK)
            throw CatalogueError("the catalogue's word tokenizer " + name + " is not available");
    }
    ~IndexTokenizer() {
        if (tokenizer_ != nullptr)
            methods_.xDelete(tokenizer_);
    }
    IndexTokenizer(const IndexTokenizer&) = delete;
    IndexTokenizer& operator=(const IndexTokenizer&) = delete;

    bool findsWordIn(const std::string& text) {
        bool found = false;
        const auto token = [](void* context, int, const char*, int, int, int) {
            *static_cast<bool*>(context) = true;
            return SQLITE_DONE; // one is enough
        };
        methods_.xTokenize(tokenizer_, &found, FTS5_TOKENIZE_QUERY, text.data(),
                           static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX)), token);
        return found;
    }

  private:
    std::vector<std::string> arguments_;
    fts5_tokenizer methods_{};
    Fts5Tokenizer* tokenizer_ = nullptr;
};

} // namespace

std::string matchExpression(sqlite3* connection, const std::vector<std::string>& words) {
    IndexTokenizer tokenizer(connection);
    std::string expression;
    for (const std::string& word : words) {
        if (!tokenizer.findsWordIn(word))
            continue;
        // Inside double quotes every character is text to the query parser, a doubled quote a quote,
        // but a NUL ends it: a control character becomes a blank, which separates words as it does.
        std::string quoted = "\"";
        for (const char c : word)
            quoted += c == '"' ? std::string("\"\"") : std::string(1, isAsciiControl(c) ? ' ' : c);
        // A star the user typed is what the prefix match does anyway.
        while (quoted.size() > 1 && quoted.back() == '*')
            quoted.pop_back();
        if (!expression.empty())
            expression += ' ';
        expression += quoted + "\"*";
    }
    return expression;
}

bool isCalendarDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    for (const std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (std::isdigit(static_cast<unsigned char>(text[i])) == 0)
            return false;
    const auto number = [&text](std::size_t from, std::size_t length) {
        return std::stoi(std::string(text.substr(from, length)));
    };
    const std::chrono::year_month_day date{std::chrono::year(number(0, 4)),
                                           std::chrono::month(static_cast<unsigned>(number(5, 2))),
                                           std::chrono::day(static_cast<unsigned>(number(8, 2)))};
    return date.ok();
}

} // namespace kestrum
