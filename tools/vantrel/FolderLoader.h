#pragma once

#include "catalogue/Catalogue.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace vantrel {

// The recordings of a folder, read into a catalogue in memory (a disc cannot hold one); or, from a
// catalogue kept elsewhere (vantrel --db), the first page of those it holds under the folder.
struct FolderListing {
    std::unique_ptr<kestrum::Catalogue> catalogue;
    std::vector<kestrum::CatalogueEntry> entries; // newest call first
    std::string error;                            // the folder or the catalogue could not be read
    bool paged = false;                           // entries is the first page of `total`
    std::int64_t total = 0;
};

// How many rows a page of a catalogue kept elsewhere holds: a screenful or two, fetched at once.
inline constexpr std::int64_t kRowsAPage = 200;
// How far the catalogue counts what a filter finds: beyond, the menu says "more than" that, so
// that a word most calls hold is answered as quickly as a rare one.
inline constexpr std::int64_t kFoundCountedUpTo = 1000;

// A stamped copy's checksums, once checked.
struct CheckedCopy {
    std::int64_t id = 0;
    kestrum::ChecksumState state = kestrum::ChecksumState::Unchecked;
    std::string problem;
};

// Reads a folder's recordings on a thread of its own, then checks the checksums of its stamped
// copies one by one (each read whole), so the list shows at once and the check follows. Given a
// catalogue (`database`: a file or a server's address), it opens that instead and reads the first
// page of what it holds under the folder (everything when the folder is empty); its checksums are
// those the catalogue keeps (zoqtool index --verify). The callbacks run on that thread. The
// destructor stops the work at the next file and waits for it.
class FolderLoader {
  public:
    struct Callbacks {
        std::function<void(int filesSeen)> progress;
        std::function<void(std::shared_ptr<FolderListing>)> listed;
        std::function<void(std::vector<CheckedCopy>)> checked; // a few at a time
        std::function<void()> allChecked;
    };

    FolderLoader(std::string folder, std::string database, Callbacks callbacks);
    ~FolderLoader();
    FolderLoader(const FolderLoader&) = delete;
    FolderLoader& operator=(const FolderLoader&) = delete;

  private:
    void run(const std::string& folder, const std::string& database);
    void readFolder(const std::string& folder, FolderListing& listing);
    void checkCopies(std::vector<kestrum::CatalogueEntry> copies);

    Callbacks callbacks_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace vantrel
