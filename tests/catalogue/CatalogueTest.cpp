// The catalogue on real files: indexing a folder tree into a real SQLite file, again after
// changes, searching it, and the privacy of the file and its journal.

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueError.h"
#include "catalogue/IndexRun.h"
#include "catalogue/StampedRecordings.h"
#include "recording/FieldText.h"
#include "support/OtherUser.h"
#include "support/PostgresServer.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sqlite3.h>
#include <sys/stat.h>

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using test::RecordingBuilder;

RecordingBuilder call(int version, const char* last, int year, const char* comment = "") {
    RecordingBuilder builder(version);
    setFieldText(builder.vrh.lastName, last);
    setFieldText(builder.vrh2.lastName, last);
    setFieldText(builder.vrh3.lastName, last);
    builder.vrh.recYear = builder.vrh2.recYear = builder.vrh3.recYear = static_cast<std::int16_t>(year);
    builder.comments = comment;
    builder.audio = test::makeAudio(800);
    return builder;
}

std::vector<std::string> lastNames(const std::vector<CatalogueEntry>& entries) {
    std::vector<std::string> names;
    for (const CatalogueEntry& entry : entries)
        names.push_back(entry.readable() ? entry.lastName
                                         : "(" + fs::path(entry.path).filename().string() + ")");
    return names;
}

std::vector<std::string> fileNames(const std::vector<CatalogueEntry>& entries) {
    std::vector<std::string> names;
    for (const CatalogueEntry& entry : entries)
        names.push_back(fs::path(entry.path).filename().string());
    return names;
}

// The addresses of a team's catalogue: its indexing role's and a reviewer's.
struct TeamAddresses {
    std::string indexer, reviewer;
};

// Makes the team's catalogue on `server`, as the README sets it up.
TeamAddresses teamCatalogue(const test::PostgresServer& server) {
    server.makeTeamCatalogue();
    return {server.address(test::kTeamDatabase, test::kTeamIndexer, test::kTeamIndexerPassword),
            server.address(test::kTeamDatabase, test::kTeamReviewer, test::kTeamReviewerPassword)};
}

class CatalogueTest : public ::testing::Test {
  protected:
    CatalogueTest() {
        fs::create_directories(calls / "2004" / "march");
        fs::permissions(dir.path(), fs::perms::owner_all);
        call(9, "Smith", 2004, "Caller asked for the \x93manager\x94\r\n").writeTo(file("2004/march/a.ZOQ"));
        RecordingBuilder keyworded = call(11, "M\xFCller", 2010, "");
        keyworded.words = {test::makeWord("firearm", {100})};
        setFieldText(keyworded.vrh3.destAni, "555-0199");
        keyworded.writeTo(file("b.zoq"));
        call(5, "Jones", 1999, "Transfer to desk\r\n").writeTo(file("2004/c.ZOQ"));
        test::writeFileBytes(file("broken.ZOQ"), {'n', 'o', 't'});
        test::writeFileBytes(file("notes.txt"), {'x'}); // not a recording
    }

    std::string file(const std::string& name) const { return (calls / name).string(); }
    IndexCounts index(bool verify = false) {
        Catalogue catalogue = Catalogue::openForWriting(database);
        IndexOptions options;
        options.verify = verify;
        return indexFolder(catalogue, calls.string(), options);
    }
    std::vector<CatalogueEntry> search(std::vector<std::string> words, std::string from = "",
                                       std::string to = "") {
        return Catalogue::openForReading(database).search({std::move(words), std::move(from), std::move(to)});
    }

    test::TempDir dir;
    fs::path calls = dir.path() / "calls";
    std::string database = (dir.path() / "catalogue.sqlite").string();
};

TEST_F(CatalogueTest, IndexesAFolderTreeAndFindsCallsByAnyOfTheirWords) {
    const IndexCounts counts = index();
    EXPECT_EQ(counts.read, 3);
    EXPECT_EQ(counts.failed, 1);
    EXPECT_EQ(counts.removed, 0);

    // Everything, newest call first, the file that did not read last with the reader's message.
    const std::vector<CatalogueEntry> all = search({});
    EXPECT_EQ(lastNames(all), (std::vector<std::string>{"Müller", "Smith", "Jones", "(broken.ZOQ)"}));
    EXPECT_EQ(all[3].problem, "File Edh read failed 98");
    EXPECT_EQ(all[0].path, fs::canonical(calls).string() + "/b.zoq");
    EXPECT_EQ(all[0].keywords, std::vector<std::string>{"firearm"});

    // Prefixes of any indexed word, every word required, whatever the case and accents.
    EXPECT_EQ(lastNames(search({"smi"})), std::vector<std::string>{"Smith"});
    EXPECT_EQ(lastNames(search({"MULLER"})), std::vector<std::string>{"Müller"});
    EXPECT_EQ(lastNames(search({"fire"})), std::vector<std::string>{"Müller"});   // keyword
    EXPECT_EQ(lastNames(search({"manag"})), std::vector<std::string>{"Smith"});   // comment
    EXPECT_EQ(lastNames(search({"555-01"})), std::vector<std::string>{"Müller"}); // number
    EXPECT_EQ(lastNames(search({"rid1", "block"})).size(), 3u);                   // rid, station
    EXPECT_EQ(lastNames(search({"john", "transfer"})), std::vector<std::string>{"Jones"});
    EXPECT_TRUE(search({"smith", "transfer"}).empty());
    // Words the query language would read as operators are only text.
    EXPECT_TRUE(search({"\"", "*"}).size() == 4u);
    EXPECT_TRUE(search({"NOT", "AND"}).empty());
    EXPECT_TRUE(search({"sm\"ith"}).empty());
    // A word without a letter or digit holds nothing the index keeps, in any script: it is left
    // out, so alone it lists every call of the dates asked, and beside a word it changes nothing.
    for (const char* sign : {"-", "(", "\xE2\x80\x94", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"}) {
        EXPECT_EQ(search({sign}).size(), 4u) << sign;
        EXPECT_EQ(lastNames(search({sign, sign}, "2004-03-05", "2010-03-05")),
                  (std::vector<std::string>{"Müller", "Smith"}))
            << sign;
        EXPECT_EQ(lastNames(search({"smi", sign})), std::vector<std::string>{"Smith"}) << sign;
    }

    // Dates bound the call's date, both days included; a call without a date is not in the range.
    EXPECT_EQ(lastNames(search({}, "2004-03-05", "2010-03-05")),
              (std::vector<std::string>{"Müller", "Smith"}));
    EXPECT_EQ(lastNames(search({}, "", "2004-03-05")), (std::vector<std::string>{"Smith", "Jones"}));
    EXPECT_EQ(lastNames(search({"smith"}, "2004-03-06")), std::vector<std::string>{});
}

TEST_F(CatalogueTest, APageWalkedNewestFirstFindsWhatTheTextIndexFinds) {
    // A page or a count of a search over the whole catalogue walks the calls newest first and
    // tests each itself (words of one letter among them, which the text index is slow to list);
    // it must find what the text index finds. Beside the fixture's calls: one of the same date as
    // another, an accent, keywords in a row, numbers of several parts.
    call(9, "Smyth", 2004, "Upset about the visit\r\n").writeTo(file("2004/tie.ZOQ"));
    RecordingBuilder more = call(11, "Sch\xF6n", 2011, "");
    more.words = {test::makeWord("refund", {100}), test::makeWord("transfer", {200})};
    setFieldText(more.vrh3.destAni, "555-0123");
    more.writeTo(file("more.ZOQ"));
    index();
    Catalogue catalogue = Catalogue::openForReading(database);
    const std::vector<std::pair<std::vector<std::string>, int>> searches = {
        {{"s"}, -1},    {{"j"}, -1},       {{"b", "a"}, -1}, {{"\xC3\xBC"}, 1}, // "upset"
        {{"555-0"}, 2}, {{"refund-t"}, 1}, {{"smith-t"}, 0}, {{"a", "m"}, -1},  {{"\x01s\x1b"}, -1},
        {{"x"}, 0},     {{"t", "-"}, -1},  {{"5"}, -1},      {{"r", "sch"}, 1}, {{"fire", "5"}, 1},
    };
    for (const auto& [words, found] : searches) {
        SCOPED_TRACE(words.front());
        const SearchQuery query{words, "", ""};
        const std::vector<CatalogueEntry> all = catalogue.search(query);
        if (found >= 0) {
            EXPECT_EQ(all.size(), static_cast<std::size_t>(found));
        }
        EXPECT_EQ(lastNames(catalogue.searchPage(query, {}, 0, 100)), lastNames(all));
        const std::vector<CatalogueEntry> rest(all.begin() + std::min<std::ptrdiff_t>(1, std::ssize(all)),
                                               all.begin() + std::min<std::ptrdiff_t>(3, std::ssize(all)));
        EXPECT_EQ(lastNames(catalogue.searchPage(query, {}, 1, 2)), lastNames(rest));
        EXPECT_EQ(catalogue.count(query, {}, 2), std::min<std::int64_t>(std::ssize(all), 2));
        EXPECT_EQ(catalogue.count(query), std::ssize(all));
    }
    EXPECT_EQ(lastNames(catalogue.searchPage({{"s"}, "", ""}, {}, 0, 100)),
              (std::vector<std::string>{"Sch\xC3\xB6n", "M\xC3\xBCller", "Smith", "Smyth", "Jones"}));

    // Where the newest calls hold too few of the words, the walk gives the page to the text index:
    // many matches are found walking the index by date, a few read and put in order.
    Catalogue writer = Catalogue::openForWriting(database);
    writer.beginChanges();
    for (int i = 0; i < 3200; ++i) {
        CatalogueEntry entry;
        entry.path = fs::canonical(calls).string() + "/many/" + std::to_string(i) + ".ZOQ";
        entry.version = 11;
        entry.recorded = (i < 600 ? "2030-01-01 00:00:" : "1980-01-01 00:00:") + std::to_string(i % 60);
        entry.lastName = i < 600 ? "Newer" : i % 1000 == 1 ? "Rarest" : "Common";
        writer.store(entry);
    }
    writer.commitChanges();
    for (const char* word : {"common", "rarest"}) {
        SCOPED_TRACE(word);
        const SearchQuery query{{word}, "", ""};
        const std::vector<CatalogueEntry> all = catalogue.search(query);
        EXPECT_EQ(all.size(), word[0] == 'c' ? 2597u : 3u);
        const std::vector<CatalogueEntry> page = catalogue.searchPage(query, {}, 1, 2);
        ASSERT_EQ(page.size(), 2u);
        EXPECT_EQ(page[0].path, all[1].path);
        EXPECT_EQ(page[1].path, all[2].path);
    }
}

TEST_F(CatalogueTest, APageOfManyCallsOnAServerIsTheFilesWhicheverWayTheServerLooksForIt) {
    std::string whyNot;
    const std::unique_ptr<test::PostgresServer> server = test::PostgresServer::start(whyNot);
    if (!server)
        GTEST_SKIP() << whyNot;
    const TeamAddresses team = teamCatalogue(*server);
    // Many calls, two to a date, the newest first; their words in shares that send a page of ten
    // each way the server looks for it: found among the newest calls (alpha), walked by date (alpha
    // and beta together, each common), read from a date on (gamma), from a date on that turns out
    // to hold too few and then among all (delta, crowded among the newest only), and read all and
    // put in order (epsilon, rare). The file's catalogue gives the same pages.
    constexpr int kCalls = 12000;
    std::vector<CatalogueEntry> entries(kCalls);
    for (int i = 0; i < kCalls; ++i) {
        CatalogueEntry& entry = entries[static_cast<std::size_t>(i)];
        entry.path = fs::weakly_canonical(dir.path()).string() + "/many/" + std::to_string(i) + ".ZOQ";
        entry.version = 11;
        const std::time_t when = 1600000000 - static_cast<std::time_t>(i / 2) * 600;
        std::tm parts{};
        gmtime_r(&when, &parts);
        char recorded[32];
        std::strftime(recorded, sizeof recorded, "%Y-%m-%d %H:%M:%S", &parts);
        entry.recorded = recorded;
        entry.lastName = "Caller";
        for (const auto& [word, holds] : std::initializer_list<std::pair<const char*, bool>>{
                 {"alpha", i % 2 == 0},
                 {"beta", i % 2 == 1 || i % 50 == 0},
                 {"gamma", i % 50 == 7},
                 {"delta", (i < 400 && i % 50 == 9) || i % 1000 == 509},
                 {"epsilon", i % 997 == 500}})
            if (holds)
                entry.comments += std::string(word) + " ";
    }
    const std::string sqlite = dir.file("many.sqlite");
    for (const std::string& target : {sqlite, team.indexer}) {
        Catalogue catalogue = Catalogue::openForWriting(target);
        catalogue.beginChanges();
        for (const CatalogueEntry& entry : entries)
            catalogue.store(entry);
        catalogue.commitChanges();
    }
    server->runSql("ANALYZE recordings", test::kTeamDatabase); // as the server's own upkeep would
    Catalogue fromFile = Catalogue::openForReading(sqlite);
    Catalogue fromServer = Catalogue::openForReading(team.reviewer);
    const SearchQuery searches[] = {
        {{"alpha"}, "", ""},  {{"alpha", "beta"}, "", ""}, {{"gamma"}, "", ""},
        {{"delta"}, "", ""},  {{"epsilon"}, "", ""},       {{"gamma"}, "2020-08-10", "2020-09-01"},
        {{"caller"}, "", ""}, {{"zeta"}, "", ""},
    };
    for (const SearchQuery& query : searches) {
        SCOPED_TRACE(query.words.back() + " " + query.from);
        const auto found = std::ssize(fromFile.search(query));
        EXPECT_EQ(found, std::ssize(fromServer.search(query)));
        for (const std::int64_t offset : {0, 4, 15}) {
            const std::vector<std::string> page = fileNames(fromFile.searchPage(query, {}, offset, 10));
            EXPECT_EQ(fileNames(fromServer.searchPage(query, {}, offset, 10)), page) << offset;
            EXPECT_EQ(std::ssize(page), std::clamp<std::ptrdiff_t>(found - offset, 0, 10)) << offset;
        }
    }
}

TEST_F(CatalogueTest, PrefixesFindTheSameCallsOnAServerOfTheFirstLayoutAndOnceItsListOfWordsIsMade) {
    std::string whyNot;
    const std::unique_ptr<test::PostgresServer> server = test::PostgresServer::start(whyNot);
    if (!server)
        GTEST_SKIP() << whyNot;
    const TeamAddresses team = teamCatalogue(*server);
    // Words that share beginnings: eighty names of one (more than a search names one by one),
    // three words of another, numbers of two parts, accents; and a call whose name changed, whose
    // old words stay in the server's list.
    const std::string sqlite = dir.file("prefixes.sqlite");
    const auto storeCalls = [&](const std::string& target, const std::string& renamed) {
        Catalogue catalogue = Catalogue::openForWriting(target);
        catalogue.beginChanges();
        for (int i = 0; i < 80; ++i) {
            CatalogueEntry entry;
            entry.path =
                fs::weakly_canonical(dir.path()).string() + "/prefixes/" + std::to_string(i) + ".ZOQ";
            entry.version = 11;
            entry.recorded = "2020-01-01 00:" + std::to_string(10 + i % 50) + ":00";
            entry.lastName = i == 0 ? renamed : "Word" + std::to_string(i);
            entry.firstName = i % 2 == 0 ? "J\xC3\xBCrgen" : "Juan";
            entry.comments = std::array{"statement", "station", "state"}[i % 3];
            entry.dialledNumber = "555-01" + std::to_string(i % 7);
            catalogue.store(entry);
        }
        catalogue.commitChanges();
    };
    storeCalls(sqlite, "Otherwise");
    storeCalls(team.indexer, "Wordsmith");
    storeCalls(team.indexer, "Otherwise");
    Catalogue fromFile = Catalogue::openForReading(sqlite);
    const SearchQuery searches[] = {
        {{"word"}, "", ""},          {{"word7"}, "", ""},          {{"wordsm"}, "", ""},
        {{"stat"}, "", ""},          {{"stati", "word1"}, "", ""}, {{"555-01"}, "", ""},
        {{"555-013", "ju"}, "", ""}, {{"jurg", "state"}, "", ""},  {{"statements"}, "", ""},
        {{"oth", "stat"}, "", ""},
    };
    const auto expectTheFilesAnswers = [&](const char* when) {
        Catalogue fromServer = Catalogue::openForReading(team.reviewer);
        for (const SearchQuery& query : searches) {
            SCOPED_TRACE(std::string(when) + ": " + query.words.front() + " " + query.words.back());
            EXPECT_EQ(fileNames(fromServer.search(query)), fileNames(fromFile.search(query)));
            EXPECT_EQ(fileNames(fromServer.searchPage(query, {}, 3, 5)),
                      fileNames(fromFile.searchPage(query, {}, 3, 5)));
            EXPECT_EQ(fromServer.count(query), fromFile.count(query));
        }
    };
    expectTheFilesAnswers("with its list of words");

    // As the first layout had it: no list of words. A team.reviewer reads it as it is; an team.indexer
    // makes the list, of every word of every call it holds, and keeps it as it writes (a word
    // new to the list, among listed words of its beginning).
    server->runSql("DROP TABLE catalogue_words; DROP FUNCTION catalogue_list_words CASCADE; "
                   "UPDATE catalogue_layout SET layout = 1",
                   test::kTeamDatabase);
    expectTheFilesAnswers("the first layout");
    storeCalls(team.indexer, "Word7b");
    storeCalls(dir.file("prefixes-renamed.sqlite"), "Word7b");
    fromFile = Catalogue::openForReading(dir.file("prefixes-renamed.sqlite"));
    EXPECT_EQ(server->queryValue("SELECT string_agg(layout::text, ' ' ORDER BY layout) FROM catalogue_layout",
                                 test::kTeamDatabase),
              "1 2");
    EXPECT_EQ(
        server->queryValue("SELECT count(*) FROM catalogue_words WHERE word >= 'word' AND word < 'wore'",
                           test::kTeamDatabase),
        "80");
    expectTheFilesAnswers("its list of words made");
}

TEST_F(CatalogueTest, ReadsOnlyWhatChangedAndForgetsWhatWentAway) {
    index();
    IndexCounts again = index();
    EXPECT_EQ(again.unchanged, 4);
    EXPECT_EQ(again.read + again.failed + again.removed, 0);

    // A changed file is read again and found by its new text only; a fixed file reads now.
    call(9, "Smithers", 2004, "").writeTo(file("2004/march/a.ZOQ"));
    call(10, "Fixed", 2001, "").writeTo(file("broken.ZOQ"));
    fs::remove(file("2004/c.ZOQ"));
    again = index();
    EXPECT_EQ(again.read, 2);
    EXPECT_EQ(again.unchanged, 1);
    EXPECT_EQ(again.failed, 0);
    EXPECT_EQ(again.removed, 1);
    EXPECT_EQ(lastNames(search({})), (std::vector<std::string>{"Müller", "Smithers", "Fixed"}));
    EXPECT_EQ(lastNames(search({"smith"})), std::vector<std::string>{"Smithers"});
    EXPECT_TRUE(search({"transfer"}).empty());
    EXPECT_TRUE(search({"manager"}).empty());

    // The same file under another path is another row; the old path is gone.
    fs::rename(calls / "2004", calls / "2005");
    again = index();
    EXPECT_EQ(again.read, 1);
    EXPECT_EQ(again.removed, 1);
    ASSERT_EQ(search({"smithers"}).size(), 1u);
    EXPECT_EQ(search({"smithers"})[0].path, fs::canonical(calls).string() + "/2005/march/a.ZOQ");
}

TEST_F(CatalogueTest, AFileReplacedUnderTheSameSizeAndModificationTimeIsReadAgain) {
    // Another call of the same size given the old one's modification time, as cp -p, rsync -t and
    // archives leave it: a new file renamed over the old one, or the old file written over.
    const struct {
        const char* how;
        bool inPlace;
        const char* lastName;
    } replacements[] = {{"renamed over it", false, "Smythe"}, {"written into it", true, "Smithy"}};
    const std::string path = file("2004/march/a.ZOQ");
    index();
    for (const auto& [how, inPlace, lastName] : replacements) {
        SCOPED_TRACE(how);
        struct stat before {};
        ASSERT_EQ(::stat(path.c_str(), &before), 0);
        const RecordingBuilder other = call(9, lastName, 2004, "Caller asked for the \x93manager\x94\r\n");
        const std::string written = inPlace ? path : path + ".new";
        if (inPlace) {
            // File times come from a clock that moves a few milliseconds at a time: wait for it to
            // pass the old change time, so the write gives the file a change time of its own.
            timespec now{};
            do
                ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
            while (now.tv_sec == before.st_ctim.tv_sec && now.tv_nsec <= before.st_ctim.tv_nsec);
        }
        other.writeTo(written);
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, written.c_str(), times, 0), 0);
        if (!inPlace)
            fs::rename(written, path);
        struct stat after {};
        ASSERT_EQ(::stat(path.c_str(), &after), 0);
        ASSERT_EQ(after.st_size, before.st_size);
        ASSERT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
        ASSERT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);

        const IndexCounts counts = index();
        EXPECT_EQ(counts.read, 1);
        EXPECT_EQ(counts.unchanged, 3);
        EXPECT_EQ(lastNames(search({"manager"})), std::vector<std::string>{lastName});
    }
}

TEST_F(CatalogueTest, AnOlderCatalogueIsReadAsItIsAndBroughtUpToDateWhenIndexedAgain) {
    index();
    // The catalogue as its first layout kept it: size and modification time alone.
    const auto alter = [this](const char* sql) {
        sqlite3* connection = nullptr;
        ASSERT_EQ(sqlite3_open(database.c_str(), &connection), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(connection, sql, nullptr, nullptr, nullptr), SQLITE_OK)
            << sqlite3_errmsg(connection);
        sqlite3_close(connection);
    };
    alter("ALTER TABLE recordings DROP COLUMN changed; ALTER TABLE recordings DROP COLUMN device; "
          "ALTER TABLE recordings DROP COLUMN inode; PRAGMA user_version=1;");
    EXPECT_EQ(lastNames(search({"smith"})), std::vector<std::string>{"Smith"});

    // Every file is read once more, for what the old layout did not keep; then not again.
    IndexCounts counts = index();
    EXPECT_EQ(counts.read, 3);
    EXPECT_EQ(counts.failed, 1);
    EXPECT_EQ(counts.removed, 0);
    EXPECT_EQ(index().unchanged, 4);
    EXPECT_EQ(lastNames(search({})), (std::vector<std::string>{"Müller", "Smith", "Jones", "(broken.ZOQ)"}));

    // A catalogue of a layout this program does not know is left alone.
    alter("PRAGMA user_version=99;");
    try {
        index();
        ADD_FAILURE() << "opened a catalogue of a later layout";
    } catch (const CatalogueError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "the catalogue " + database + " was made by another version of this program");
    }
}

TEST_F(CatalogueTest, ChecksStampedCopiesWhenAskedAndKeepsTheResult) {
    RecordingBuilder exported = call(10, "Exported", 2012, "for the disc\r\n");
    exported.audio = test::makeAudio(32 * 20);
    const std::string copy = test::writeStampedCopy(exported, calls.string(), "e.ZOQ");
    RecordingBuilder other = call(11, "Damaged", 2013);
    const std::string damaged = test::writeStampedCopy(other, calls.string(), "d.ZOQ");
    test::flipByte(damaged, -1);

    IndexCounts counts = index();
    EXPECT_EQ(counts.verified, 0);
    EXPECT_EQ(search({"exported"}).at(0).checksums, ChecksumState::Unchecked);
    EXPECT_EQ(search({"exported"}).at(1).checksums, ChecksumState::NotStamped); // the source

    // Unchanged copies not checked yet are checked now; the sources have nothing to check.
    counts = index(true);
    EXPECT_EQ(counts.unchanged, 8);
    EXPECT_EQ(counts.verified, 2);
    EXPECT_EQ(search({"exported"}).at(0).checksums, ChecksumState::Intact);
    const CatalogueEntry bad = search({"damaged"}).at(0);
    EXPECT_EQ(bad.path, fs::canonical(copy).parent_path().string() + "/d.ZOQ");
    EXPECT_EQ(bad.checksums, ChecksumState::Damaged);
    EXPECT_EQ(bad.checksumProblem, "does not match: audio");

    // Checked copies are not checked again while they stay as they are.
    EXPECT_EQ(index(true).verified, 0);
    // A copy that changed is read and checked again.
    test::flipByte(damaged, -1);
    counts = index(true);
    EXPECT_EQ(counts.read, 1);
    EXPECT_EQ(counts.verified, 1);
    EXPECT_EQ(search({"damaged"}).at(0).checksums, ChecksumState::Intact);
}

TEST_F(CatalogueTest, TheDatabaseAndItsJournalAreTheUsersAlone) {
    // New rows are written a few hundred at a time: enough files that some are written mid-run.
    fs::create_directories(calls / "many");
    for (int i = 0; i < 500; ++i)
        fs::copy_file(file("2004/c.ZOQ"), file("many/" + std::to_string(i) + ".ZOQ"));
    Catalogue catalogue = Catalogue::openForWriting(database);
    EXPECT_EQ(test::modeOf(database), 0600u);
    IndexOptions options;
    bool journalSeen = false;
    options.progress = [&](const IndexCounts&) {
        // Inside the run's transaction SQLite keeps its rollback journal beside the database.
        if (fs::exists(database + "-journal")) {
            journalSeen = true;
            EXPECT_EQ(test::modeOf(database + "-journal"), 0600u);
        }
    };
    indexFolder(catalogue, calls.string(), options);
    EXPECT_TRUE(journalSeen);
    EXPECT_FALSE(fs::exists(database + "-wal"));

    // A catalogue others could read is made private when opened.
    fs::permissions(database, fs::perms(0644));
    Catalogue::openForWriting(database);
    EXPECT_EQ(test::modeOf(database), 0600u);
}

TEST_F(CatalogueTest, RefusesPlacesAndFilesThatAreNotSafeOrNotCatalogues) {
    const auto refusal = [](const std::function<void()>& open) {
        try {
            open();
        } catch (const CatalogueError& error) {
            return std::string(error.what());
        }
        return std::string("(opened)");
    };
    // A link at the catalogue's name is refused and what it points to left alone.
    test::writeFileBytes(dir.file("target"), {'k', 'e', 'e', 'p'});
    fs::create_symlink(dir.file("target"), database);
    EXPECT_EQ(refusal([&] { Catalogue::openForWriting(database); }),
              "will not use the catalogue " + database + ": it is a symbolic link");
    EXPECT_EQ(refusal([&] { Catalogue::openForReading(database); }),
              "will not use the catalogue " + database + ": it is a symbolic link");
    EXPECT_EQ(test::readFileText(dir.file("target")), "keep");
    fs::remove(database);

    // A folder others may write to is no place for it.
    fs::create_directories(dir.path() / "shared");
    fs::permissions(dir.path() / "shared", fs::perms(0777));
    EXPECT_EQ(refusal([&] { Catalogue::openForWriting(dir.file("shared/c.sqlite")); }),
              "will not keep the catalogue in " + dir.file("shared") + ": it can be written by other users");
    EXPECT_FALSE(fs::exists(dir.file("shared/c.sqlite")));

    // Nothing to search is said so; a file that is no catalogue is refused and left as it was.
    EXPECT_EQ(refusal([&] { Catalogue::openForReading(dir.file("none.sqlite")); }),
              "there is no catalogue at " + dir.file("none.sqlite"));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(dir.file("other.sqlite").c_str(), &other), SQLITE_OK);
    sqlite3_exec(other, "CREATE TABLE t(x); INSERT INTO t VALUES (1);", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    fs::permissions(dir.file("other.sqlite"), fs::perms(0600));
    const auto before = test::readFileBytes(dir.file("other.sqlite"));
    EXPECT_EQ(refusal([&] { Catalogue::openForWriting(dir.file("other.sqlite")); }),
              "the catalogue " + dir.file("other.sqlite") + " is not a catalogue of recordings");
    EXPECT_EQ(test::readFileBytes(dir.file("other.sqlite")), before);
    test::writeFileBytes(dir.file("text.sqlite"), std::vector<std::uint8_t>(600, 'x'));
    EXPECT_NE(refusal([&] { Catalogue::openForReading(dir.file("text.sqlite")); }).find("not a database"),
              std::string::npos);
}

TEST_F(CatalogueTest, RefusesAnotherUsersCatalogue) {
    const std::optional<test::OtherUser> user = test::otherUser();
    if (!user)
        GTEST_SKIP() << "needs root, to act for another user";
    index();
    test::handOver(database, *user);
    const auto before = test::readFileBytes(database);
    for (const bool writing : {true, false}) {
        try {
            writing ? (void)Catalogue::openForWriting(database) : (void)Catalogue::openForReading(database);
            ADD_FAILURE() << "opened another user's catalogue";
        } catch (const CatalogueError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "will not use the catalogue " + database + ": it belongs to another user");
        }
    }
    EXPECT_EQ(test::readFileBytes(database), before);
}

} // namespace
} // namespace kestrum
