#include "catalogue/IndexRun.h"

#include "catalogue/CatalogueError.h"
#include "catalogue/EntryReader.h"
#include "catalogue/FolderWalk.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrum {

namespace {

// Writes the changes of a run in batches: one transaction per few thousand rows keeps the run
// fast and the catalogue whole if the run ends early.
class ChangeBatches {
  public:
    explicit ChangeBatches(Catalogue& catalogue) : catalogue_(catalogue) { catalogue_.beginChanges(); }
    ~ChangeBatches() {
        try {
            catalogue_.rollBackChanges(); // only after a failure: the run commits at its end
        } catch (const CatalogueError&) {
        }
    }
    ChangeBatches(const ChangeBatches&) = delete;
    ChangeBatches& operator=(const ChangeBatches&) = delete;

    void changed() {
        if (++changes_ < kBatchSize)
            return;
        catalogue_.commitChanges();
        catalogue_.beginChanges();
        changes_ = 0;
    }
    void finish() { catalogue_.commitChanges(); }

  private:
    static constexpr int kBatchSize = 2000;
    Catalogue& catalogue_;
    int changes_ = 0;
};

bool isUnder(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

} // namespace

std::string catalogueFolder(const std::string& folder) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(folder.c_str(), nullptr), &std::free);
    struct stat info {};
    if (!resolved || ::stat(resolved.get(), &info) != 0)
        throw CatalogueError("cannot read the folder " + folder + ": " + std::strerror(errno));
    if (!S_ISDIR(info.st_mode))
        throw CatalogueError("cannot read the folder " + folder + ": it is not a folder");
    return resolved.get();
}

IndexCounts indexFolder(Catalogue& catalogue, const std::string& folder, const IndexOptions& options) {
    const std::string root = catalogueFolder(folder);
    std::unordered_map<std::string, Catalogue::Known> known = catalogue.recordingsUnder(root);
    std::vector<std::string> unlisted; // folders whose rows must stay: their files were not seen
    IndexCounts counts;
    bool stopped = false;
    ChangeBatches batches(catalogue);

    const auto found = [&](const FoundRecording& file) {
        if (options.stop != nullptr && options.stop->load()) {
            stopped = true;
            return false;
        }
        const auto stored = known.find(file.path);
        const bool isKnown = stored != known.end();
        const Catalogue::Known before = isKnown ? stored->second : Catalogue::Known{};
        if (isKnown)
            known.erase(stored);

        if (isKnown && before.file == file.file) {
            ++counts.unchanged;
            if (options.verify && before.checksums == ChecksumState::Unchecked) {
                CatalogueEntry entry;
                entry.path = file.path;
                entry.exported = true;
                verifyCatalogueEntry(entry);
                catalogue.storeChecksums(before.id, entry.checksums, entry.checksumProblem);
                ++counts.verified;
                batches.changed();
            }
        } else {
            CatalogueEntry entry = readCatalogueEntry(file.path);
            if (options.verify && entry.readable() && entry.exported) {
                verifyCatalogueEntry(entry);
                ++counts.verified;
            }
            catalogue.store(entry, before.id);
            batches.changed();
            if (entry.readable()) {
                ++counts.read;
            } else {
                ++counts.failed;
                if (options.failedFile)
                    options.failedFile(entry);
            }
        }
        if (options.progress)
            options.progress(counts);
        return true;
    };
    const auto unreadable = [&](const std::string& path, int error) {
        unlisted.push_back(path);
        if (options.unreadableFolder)
            options.unreadableFolder(path, error);
    };
    if (!walkRecordings(root, found, unreadable))
        throw CatalogueError("cannot read the folder " + folder + ": " + std::strerror(errno));

    if (!stopped) {
        for (const auto& [path, row] : known) {
            bool keep = false;
            for (const std::string& folderNotListed : unlisted)
                keep = keep || isUnder(path, folderNotListed);
            if (keep)
                continue;
            catalogue.remove(row.id);
            ++counts.removed;
            batches.changed();
        }
    }
    batches.finish();
    catalogue.tidyAfterIndexing();
    return counts;
}

} // namespace kestrum
