#include "catalogue/Catalogue.h"

#include "catalogue/PostgresCatalogue.h"
#include "catalogue/SqliteCatalogue.h"

#include <algorithm>
#include <string_view>

namespace kestrum {

std::pair<std::string, std::string> pathRange(const std::string& folder) {
    const std::string start = folder.back() == '/' ? folder : folder + "/";
    std::string end = start;
    end.back() = '0';
    return {start, end};
}

std::vector<CatalogueEntry> newestFirst(std::deque<CatalogueEntry> entries) {
    // Sorted by keys that sit together, not by the entries: an entry is many strings.
    struct Key {
        bool undated;
        std::string_view recorded, path;
        std::size_t row;
    };
    std::vector<Key> keys;
    keys.reserve(entries.size());
    for (std::size_t row = 0; row < entries.size(); ++row)
        keys.push_back({!entries[row].readable(), entries[row].recorded, entries[row].path, row});
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        if (a.undated != b.undated)
            return b.undated;
        if (const int dates = a.recorded.compare(b.recorded); dates != 0)
            return dates > 0;
        return a.path < b.path;
    });
    std::vector<CatalogueEntry> sorted;
    sorted.reserve(entries.size());
    for (const Key& key : keys)
        sorted.push_back(std::move(entries[key.row]));
    return sorted;
}

bool Catalogue::isServerAddress(const std::string& target) {
    // The two URI schemes libpq takes; a file of such a name is written "./postgresql://...".
    return target.starts_with("postgresql://") || target.starts_with("postgres://");
}

Catalogue Catalogue::openForWriting(const std::string& target) {
    if (isServerAddress(target))
        return Catalogue(PostgresCatalogue::open(target, true));
    return Catalogue(SqliteCatalogue::openForWriting(target));
}

Catalogue Catalogue::openForReading(const std::string& target) {
    if (isServerAddress(target))
        return Catalogue(PostgresCatalogue::open(target, false));
    return Catalogue(SqliteCatalogue::openForReading(target));
}

Catalogue Catalogue::inMemory() {
    return Catalogue(SqliteCatalogue::inMemory());
}

} // namespace kestrum
