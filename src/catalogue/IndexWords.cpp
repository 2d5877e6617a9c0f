#include "catalogue/IndexWords.h"

#include "catalogue/CatalogueError.h"
#include "catalogue/SearchQuery.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <sqlite3.h>
#include <sstream>
#include <vector>

namespace kestrum {

namespace {

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

struct Collector {
    const std::function<void(std::string_view)>* word = nullptr;
    bool stopAtFirst = false;
    bool found = false;
};

int collect(void* context, int, const char* token, int length, int, int) {
    auto* collector = static_cast<Collector*>(context);
    collector->found = true;
    if (collector->stopAtFirst)
        return SQLITE_DONE; // one is enough
    (*collector->word)(std::string_view(token, static_cast<std::size_t>(length)));
    return SQLITE_OK;
}

} // namespace

IndexWords::IndexWords(sqlite3* connection) : methods_(new fts5_tokenizer{}) {
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
    if (api == nullptr || api->xFindTokenizer(api, name.c_str(), &context, methods_) != SQLITE_OK ||
        methods_->xCreate(context, pointers.data(), static_cast<int>(pointers.size()), &tokenizer_) !=
            SQLITE_OK) {
        delete methods_;
        throw CatalogueError("the catalogue's word tokenizer " + name + " is not available");
    }
}

IndexWords::~IndexWords() {
    if (tokenizer_ != nullptr)
        methods_->xDelete(tokenizer_);
    delete methods_;
}

void IndexWords::forEachWord(std::string_view text, const std::function<void(std::string_view)>& word) {
    Collector collector{&word, false, false};
    methods_->xTokenize(tokenizer_, &collector, FTS5_TOKENIZE_DOCUMENT, text.data(),
                        static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX)), collect);
}

bool IndexWords::findsWordIn(std::string_view text) {
    Collector collector{nullptr, true, false};
    methods_->xTokenize(tokenizer_, &collector, FTS5_TOKENIZE_QUERY, text.data(),
                        static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX)), collect);
    return collector.found;
}

} // namespace kestrum
