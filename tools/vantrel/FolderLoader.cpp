#include "FolderLoader.h"

#include "catalogue/CatalogueError.h"
#include "catalogue/EntryReader.h"
#include "catalogue/IndexRun.h"

#include <chrono>

namespace vantrel {

using namespace kestrum;

FolderLoader::FolderLoader(std::string folder, std::string database, Callbacks callbacks)
    : callbacks_(std::move(callbacks)),
      thread_([this, folder = std::move(folder), database = std::move(database)] { run(folder, database); }) {
}

FolderLoader::~FolderLoader() {
    stop_ = true;
    thread_.join();
}

void FolderLoader::readFolder(const std::string& folder, FolderListing& listing) {
    listing.catalogue = std::make_unique<Catalogue>(Catalogue::inMemory());
    IndexOptions options;
    options.stop = &stop_;
    options.progress = [this](const IndexCounts& counts) {
        if (counts.seen() % 500 == 0 && callbacks_.progress)
            callbacks_.progress(counts.seen());
    };
    indexFolder(*listing.catalogue, folder, options);
    listing.entries = listing.catalogue->search({});
}

void FolderLoader::run(const std::string& folder, const std::string& database) {
    auto listing = std::make_shared<FolderListing>();
    try {
        if (database.empty()) {
            readFolder(folder, *listing);
        } else {
            listing->catalogue = std::make_unique<Catalogue>(Catalogue::openForReading(database));
            listing->paged = true;
            listing->total = listing->catalogue->count({}, folder);
            listing->entries = listing->catalogue->searchPage({}, folder, 0, kRowsAPage);
        }
    } catch (const CatalogueError& error) {
        listing->error = error.what();
        listing->paged = false;
        listing->catalogue.reset();
        listing->entries.clear();
    }
    if (stop_)
        return;
    std::vector<CatalogueEntry> copies;
    for (const CatalogueEntry& entry : listing->entries)
        if (entry.checksums == ChecksumState::Unchecked && !listing->paged)
            copies.push_back(entry);
    callbacks_.listed(std::move(listing));
    checkCopies(std::move(copies));
}

void FolderLoader::checkCopies(std::vector<CatalogueEntry> copies) {
    using Clock = std::chrono::steady_clock;
    std::vector<CheckedCopy> batch;
    Clock::time_point sent = Clock::now();
    for (CatalogueEntry& copy : copies) {
        if (stop_)
            return;
        verifyCatalogueEntry(copy);
        batch.push_back({copy.id, copy.checksums, copy.checksumProblem});
        // A few updates a second: enough to watch, few enough not to load the windows' thread.
        if (Clock::now() - sent > std::chrono::milliseconds(200)) {
            callbacks_.checked(std::move(batch));
            batch.clear();
            sent = Clock::now();
        }
    }
    if (!batch.empty())
        callbacks_.checked(std::move(batch));
    if (callbacks_.allChecked)
        callbacks_.allChecked();
}

} // namespace vantrel
