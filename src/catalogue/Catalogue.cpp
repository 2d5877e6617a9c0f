#include "catalogue/Catalogue.h"

#include "catalogue/PostgresCatalogue.h"
#include "catalogue/SqliteCatalogue.h"

namespace kestrum {

std::pair<std::string, std::string> pathRange(const std::string& folder) {
    const std::string start = folder.back() == '/' ? folder : folder + "/";
    std::string end = start;
    end.back() = '0';
    return {start, end};
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
