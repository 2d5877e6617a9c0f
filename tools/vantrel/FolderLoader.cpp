#include "FolderLoader.h"

#include "catalogue/CatalogueError.h"
#include "catalogue/EntryReader.h"
#include "catalogue/IndexRun.h"

#include <chrono>

namespace vantrel {

using namespace kestrum;

FolderLoader::FolderLoader(std::string folder, Callbacks callbacks)
    : callbacks_(std::move(callbacks)), thread_([this, folder = std::move(folder)] { run(folder); }) {}

FolderLoader::~FolderLoader() {
    stop_ = true;
    thread_.join();
}

void FolderLoader::run(const std::string& folder) {
    auto listing = std::make_shared<FolderListing>();
    try {
        listing->catalogue = std::make_unique<Catalogue>(Catalogue::inMemory());
        IndexOptions options;
        options.stop = &stop_;
        options.progress = [this](const IndexCounts& counts) {
            if (counts.seen() % 500 == 0 && callbacks_.progress)
                callbacks_.progress(counts.seen());
        };
        indexFolder(*listing->catalogue, folder, options);
        listing->entries = listing->catalogue->search({});
    } catch (const CatalogueError& error) {
        listing->error = error.what();
        listing->catalogue.reset();
        listing->entries.clear();
    }
    if (stop_)
        return;
    std::vector<CatalogueEntry> copies;
    for (const CatalogueEntry& entry : listing->entries)
        if (entry.checksums == ChecksumState::Unchecked)
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
