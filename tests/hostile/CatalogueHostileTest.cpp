// The catalogue on every hostile recording and on every sample recording cut inside each of its
// sections, all in one folder: each is a row, with the reader's own message where it does not
// read, and neither the library nor the real zoqtool stops or crashes.

#include "catalogue/Catalogue.h"
#include "catalogue/IndexRun.h"
#include "hostile/HostileFiles.h"
#include "hostile/HostileRuns.h"
#include "hostile/SampleRecordings.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

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

} // namespace
} // namespace kestrum
