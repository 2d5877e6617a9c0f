// The catalogue on every hostile recording and on every sample recording cut inside each of its
// sections, all in one folder: each is a row, with the reader's own message where it does not
// read, and neither the library nor the real zoqtool stops or crashes. A folder whose reading
// fails keeps its rows.

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueError.h"
#include "catalogue/IndexRun.h"
#include "hostile/FaultInjection.h"
#include "hostile/HostileFiles.h"
#include "hostile/HostileRuns.h"
#include "hostile/SampleRecordings.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

namespace kestrum {
namespace {

namespace fs = std::filesystem;

TEST(CatalogueHostile, EveryHostileOrCutFileIsARowWithTheReadersMessage) {
    test::TempDir dir;
    const fs::path folder = dir.path() / "calls";
    fs::create_directories(folder);
    // What the reader says of each file (nothing: it reads), by path.
    std::map<std::string, std::optional<std::string>> expected;
    int n = 0;
    const std::string root = fs::canonical(folder).string();
    const auto add = [&](const std::vector<std::uint8_t>& bytes, const std::optional<std::string>& failure) {
        const std::string name = "f" + std::to_string(n++) + ".ZOQ";
        test::writeFileBytes((folder / name).string(), bytes);
        const std::string path = root + "/" + name;
        expected[path] = failure ? std::optional<std::string>(test::withPath(*failure, path)) : std::nullopt;
    };
    for (const test::HostileFile& file : test::hostileFiles())
        add(file.bytes, file.infoFailure);
    for (const test::SampleRecording& sample : test::sampleRecordings())
        for (const std::size_t length : test::chosenCuts(sample))
            add(test::cutTo(sample, length), test::expectedReadFailure(sample, length));

    int failures = 0;
    {
        Catalogue catalogue = Catalogue::openForWriting(dir.file("catalogue.sqlite"));
        const IndexCounts counts = indexFolder(catalogue, folder.string());
        EXPECT_EQ(counts.seen(), static_cast<int>(expected.size()));
        for (const CatalogueEntry& entry : catalogue.search({})) {
            SCOPED_TRACE(entry.path);
            ASSERT_TRUE(expected.contains(entry.path));
            const std::optional<std::string>& failure = expected[entry.path];
            EXPECT_EQ(entry.problem, failure.value_or(""));
            failures += failure ? 1 : 0;
        }
        EXPECT_EQ(counts.failed, failures);
    }

    // The real zoqtool, checking the stamped copies as well, names each failed file and goes on.
    const test::ProcessResult run = test::runZoqtool({"index", folder.string(), "--verify"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, std::to_string(expected.size() - failures) + " read, 0 unchanged, " +
                           std::to_string(failures) + " failed, 0 removed, " +
                           run.out.substr(run.out.rfind(", ") + 2));
    std::size_t lines = 0;
    for (const char c : run.err)
        lines += c == '\n' ? 1 : 0;
    EXPECT_EQ(lines, static_cast<std::size_t>(failures));
    const test::ProcessResult search =
        test::runZoqtool({"search", "--db", folder.string() + "/.catalogue.sqlite", "--json"});
    EXPECT_EQ(search.exitCode, 0) << search.err;
}

TEST(CatalogueHostile, AFolderWhoseReadingFailsKeepsItsRowsAndIsReported) {
    test::TempDir dir;
    const fs::path calls = dir.path() / "calls";
    fs::create_directories(calls / "sub" / "deeper");
    const std::vector<std::uint8_t> call = test::sampleRecordings().at(0).bytes;
    for (const char* name : {"a.ZOQ", "gone.ZOQ", "sub/b.ZOQ", "sub/deeper/c.ZOQ"})
        test::writeFileBytes((calls / name).string(), call);
    const std::string root = fs::canonical(calls).string();
    Catalogue catalogue = Catalogue::openForWriting(dir.file("catalogue.sqlite"));
    ASSERT_EQ(indexFolder(catalogue, root).read, 4);
    const auto paths = [&catalogue] {
        std::set<std::string> stored;
        for (const CatalogueEntry& entry : catalogue.search({}))
            stored.insert(entry.path);
        return stored;
    };

    // The rest of the tree is brought up to date; what lies under the folder stays as it was.
    fs::remove(calls / "gone.ZOQ");
    test::writeFileBytes((calls / "new.ZOQ").string(), call);
    std::vector<std::pair<std::string, int>> reported;
    IndexOptions options;
    options.unreadableFolder = [&reported](const std::string& folder, int error) {
        reported.emplace_back(folder, error);
    };
    {
        const test::FailingFolder failing((calls / "sub").string(), EIO);
        const IndexCounts counts = indexFolder(catalogue, root, options);
        EXPECT_EQ(counts.read, 1);
        EXPECT_EQ(counts.unchanged, 1);
        EXPECT_EQ(counts.removed, 1);
    }
    EXPECT_EQ(reported, (std::vector<std::pair<std::string, int>>{{root + "/sub", EIO}}));
    const std::set<std::string> kept = {root + "/a.ZOQ", root + "/new.ZOQ", root + "/sub/b.ZOQ",
                                        root + "/sub/deeper/c.ZOQ"};
    EXPECT_EQ(paths(), kept);

    // The folder indexed failing to read: the run fails, and nothing is removed.
    fs::remove(calls / "a.ZOQ");
    {
        const test::FailingFolder failing(root, EIO);
        try {
            indexFolder(catalogue, root, options);
            ADD_FAILURE() << "a folder that could not be read was indexed";
        } catch (const CatalogueError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "cannot read the folder " + root + ": " + std::strerror(EIO));
        }
    }
    EXPECT_EQ(paths(), kept);
}

} // namespace
} // namespace kestrum
