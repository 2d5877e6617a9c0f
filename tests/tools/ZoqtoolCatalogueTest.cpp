// zoqtool index and search: the real binary on real files, the JSON read back with a JSON parser;
// into an SQLite file and into a real PostgreSQL server that the tests start themselves.

#include "recording/FieldText.h"
#include "support/OtherUser.h"
#include "support/PostgresServer.h"
#include "support/ProcessRunner.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using test::RecordingBuilder;

test::ProcessResult zoqtool(const std::vector<std::string>& arguments, const std::string& in = "") {
    test::ProcessOptions options;
    options.workingDirectory = in;
    return test::runProcess(ZOQTOOL_BINARY, arguments, options);
}

QJsonArray searchJson(const std::vector<std::string>& arguments) {
    const test::ProcessResult result = zoqtool(arguments);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(result.out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << result.out;
    return document.array();
}

// Whether a terminal shown `text` gets strictly valid UTF-8 and no control character but the line feed.
bool safeOnATerminal(const std::string& text) {
    QStringDecoder strict(QStringDecoder::Utf8);
    const QString decoded = strict(QByteArray::fromStdString(text));
    return !strict.hasError() && std::none_of(decoded.begin(), decoded.end(), [](QChar c) {
        return c != u'\n' && c.category() == QChar::Other_Control;
    });
}

class ZoqtoolCatalogueTest : public ::testing::Test {
  protected:
    ZoqtoolCatalogueTest() {
        fs::create_directories(calls / "older");
        RecordingBuilder first(10);
        setFieldText(first.vrh3.lastName, "Gr\xFCn"); // Windows-1252
        first.vrh3.duration = 125;
        first.vrh3.stationNumber = 42;
        first.comments = "Asked about the \x80 balance\r\n";
        first.words = {test::makeWord("refund", {1067})};
        first.audio = test::makeAudio(32 * 50);
        first.writeTo((calls / "first.ZOQ").string());
        RecordingBuilder second(8);
        second.vrh2.recYear = 1998;
        second.audio = test::makeAudio(16000);
        second.writeTo((calls / "older" / "second.ZOQ").string());
        test::writeFileBytes((calls / "older" / "bad.ZOQ").string(), std::vector<std::uint8_t>(50, 'Z'));
    }

    test::TempDir dir;
    fs::path calls = dir.path() / "calls";
    std::string database = (calls / ".catalogue.sqlite").string();
};

TEST_F(ZoqtoolCatalogueTest, IndexesIntoTheFolderAndSearchesAsJson) {
    test::ProcessResult run = zoqtool({"index", calls.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "2 read, 0 unchanged, 1 failed, 0 removed\n");
    // The failed file is named with the reader's message; no progress line off a terminal.
    EXPECT_EQ(run.err,
              "zoqtool: " + fs::canonical(calls).string() + "/older/bad.ZOQ: File Edh read failed 98\n");
    EXPECT_EQ(test::modeOf(database), 0600u);

    const QJsonArray all = searchJson({"search", "--db", database, "--json"});
    ASSERT_EQ(all.size(), 3);
    const QJsonObject newest = all[0].toObject();
    EXPECT_EQ(newest["path"].toString().toStdString(), fs::canonical(calls).string() + "/first.ZOQ");
    EXPECT_TRUE(newest["problem"].isNull());
    EXPECT_EQ(newest["version"].toInt(), 10);
    EXPECT_EQ(newest["exported"].toBool(), false);
    EXPECT_EQ(newest["recorded"].toString(), "2004-03-05 09:07:02");
    EXPECT_EQ(newest["rid"].toString(), "RID123");
    EXPECT_EQ(newest["firstName"].toString(), "John");
    EXPECT_EQ(newest["lastName"].toString(), QString::fromUtf8("Grün"));
    EXPECT_EQ(newest["dialledNumber"].toString(), "5551234");
    EXPECT_EQ(newest["stationName"].toString(), "Block A");
    EXPECT_EQ(newest["stationNumber"].toInt(), 42);
    EXPECT_EQ(newest["site"].toInt(), 7);
    EXPECT_EQ(newest["system"].toString(), "SYS1");
    EXPECT_EQ(newest["durationSeconds"].toInt(), 125);
    EXPECT_EQ(newest["comments"].toString(), QString::fromUtf8("Asked about the € balance\r\n"));
    EXPECT_EQ(newest["keywords"].toArray(), QJsonArray({"refund"}));
    EXPECT_EQ(newest["checksums"].toString(), "none");
    EXPECT_TRUE(newest["checksumProblem"].isNull());
    EXPECT_EQ(all[1].toObject()["recorded"].toString(), "1998-03-05 09:07:02");
    EXPECT_EQ(all[1].toObject()["durationSeconds"].toInt(), 2); // 16000 bytes at 8000 a second
    const QJsonObject bad = all[2].toObject();
    EXPECT_EQ(bad["problem"].toString(), "File Edh read failed 98");
    EXPECT_FALSE(bad.contains("recorded"));

    // Words, prefixes, accents and dates; the default catalogue is the one in the current folder.
    test::ProcessResult found = zoqtool({"search", "--json", "gru", "refu"}, calls.string());
    EXPECT_EQ(found.exitCode, 0) << found.err;
    EXPECT_NE(found.out.find("first.ZOQ"), std::string::npos);
    EXPECT_EQ(searchJson({"search", "--db", database, "--json", "--to", "1999-12-31"}).size(), 1);
    EXPECT_EQ(searchJson({"search", "--db", database, "--json", "--from", "1998-03-05", "--to", "1998-03-05"})
                  .size(),
              1);
    EXPECT_EQ(searchJson({"search", "--db", database, "--json", "nobody"}).size(), 0);

    run = zoqtool({"index", calls.string(), "--verify"});
    EXPECT_EQ(run.out, "0 read, 3 unchanged, 0 failed, 0 removed, 0 verified\n");
    fs::remove(calls / "older" / "bad.ZOQ");
    run = zoqtool({"index", calls.string()});
    EXPECT_EQ(run.out, "0 read, 2 unchanged, 0 failed, 1 removed\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(ZoqtoolCatalogueTest, PrintsCallsForPeopleNewestFirst) {
    ASSERT_EQ(zoqtool({"index", calls.string(), "--db", dir.file("elsewhere.sqlite")}).exitCode, 0);
    EXPECT_FALSE(fs::exists(database));
    const test::ProcessResult found = zoqtool({"search", "--db", dir.file("elsewhere.sqlite")});
    ASSERT_EQ(found.exitCode, 0) << found.err;
    const std::string root = fs::canonical(calls).string();
    EXPECT_EQ(found.out, root +
                             "/first.ZOQ\n"
                             "  2004-03-05 09:07:02   rid RID123   duration 2:05   checksums none\n"
                             "  John Grün, dialled 5551234, station Block A\n"
                             "  keywords: refund\n" +
                             root +
                             "/older/second.ZOQ\n"
                             "  1998-03-05 09:07:02   rid RID123   duration 0:02   checksums none\n"
                             "  John Smith, dialled 5551234, station Block A\n" +
                             root +
                             "/older/bad.ZOQ\n"
                             "  not read: File Edh read failed 98\n"
                             "3 found\n");

    // A screen of the newest unless asked for more, saying that there are more.
    const std::string newest = zoqtool({"search", "--db", dir.file("elsewhere.sqlite"), "--limit", "1"}).out;
    EXPECT_EQ(newest.substr(newest.find('\n', newest.find("keywords"))),
              "\nthe newest 1 shown; more were found: --limit N or --all shows them\n");
    EXPECT_EQ(zoqtool({"search", "--db", dir.file("elsewhere.sqlite"), "--limit", "3"}).out, found.out);
    EXPECT_EQ(zoqtool({"search", "--db", dir.file("elsewhere.sqlite"), "--all"}).out, found.out);
}

TEST_F(ZoqtoolCatalogueTest, AFolderTheUserCannotReadKeepsItsRowsAndIsNamed) {
    const std::optional<test::OtherUser> user = test::otherUser();
    if (!user)
        GTEST_SKIP() << "needs root, to run zoqtool as a user whom permissions bind";
    // The calls and their catalogue are the other user's, and zoqtool runs as that user.
    fs::permissions(dir.path(), fs::perms(0755));
    test::handOver(calls, *user);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(calls))
        test::handOver(entry.path(), *user);
    const auto indexAsUser = [&] {
        const std::vector<std::string> command =
            test::commandAs(*user, ZOQTOOL_BINARY, {"index", calls.string()});
        return test::runProcess(command[0], {command.begin() + 1, command.end()});
    };
    const test::ProcessResult first = indexAsUser();
    if (first.exitCode != 0 && first.err.find("bad.ZOQ") == std::string::npos)
        GTEST_SKIP() << "the other user cannot run the build's zoqtool here: " << first.err;
    ASSERT_EQ(first.out, "2 read, 0 unchanged, 1 failed, 0 removed\n");

    const fs::path older = calls / "older";
    const struct {
        const char* what;
        fs::perms mode;
    } folders[] = {{"neither listed nor searched", fs::perms::none},
                   {"listed but not searched", fs::perms::owner_read}};
    for (const auto& [what, mode] : folders) {
        SCOPED_TRACE(what);
        fs::permissions(older, mode);
        const test::ProcessResult run = indexAsUser();
        fs::permissions(older, fs::perms::owner_all);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err, "zoqtool: cannot read the folder " + fs::canonical(older).string() +
                               ": Permission denied\n");
        EXPECT_EQ(run.out, "0 read, 1 unchanged, 0 failed, 0 removed\n");
    }
    EXPECT_EQ(indexAsUser().out, "0 read, 3 unchanged, 0 failed, 0 removed\n");
}

TEST_F(ZoqtoolCatalogueTest, SaysWhatIsWrongWithTheCommandLineOrTheCatalogue) {
    EXPECT_EQ(zoqtool({"index"}).exitCode, 2);
    EXPECT_EQ(zoqtool({"index", calls.string(), "--db"}).exitCode, 2);
    EXPECT_EQ(zoqtool({"search", "--from", "2004-02-30"}).exitCode, 2);
    EXPECT_EQ(zoqtool({"search", "--color"}).exitCode, 2);
    for (const std::vector<std::string>& limit :
         {std::vector<std::string>{"--limit", "0"}, {"--limit", "2x"}, {"--limit", "2", "--all"}}) {
        std::vector<std::string> command{"search"};
        command.insert(command.end(), limit.begin(), limit.end());
        EXPECT_EQ(zoqtool(command).exitCode, 2) << limit[1];
    }

    // A folder that is not there is not made, and no catalogue either.
    const test::ProcessResult missing = zoqtool({"index", dir.file("missing")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err,
              "zoqtool: cannot read the folder " + dir.file("missing") + ": No such file or directory\n");
    EXPECT_FALSE(fs::exists(dir.file("missing")));

    const test::ProcessResult none = zoqtool({"search", "--db", database, "smith"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.err, "zoqtool: there is no catalogue at " + database + "\n");
    EXPECT_FALSE(fs::exists(database));
}

TEST_F(ZoqtoolCatalogueTest, ShowsHostileTextEscapedOnATerminalAndAsValidUtf8InJson) {
    // Names that clear the screen and set the terminal's title, a C1 control (Windows-1252's
    // undefined 0x9D), line breaks, and a file name with bytes no UTF-8 holds: an overlong form, a
    // surrogate, a byte above F4 and a Latin-1 letter.
    RecordingBuilder hostile(10);
    setFieldText(hostile.vrh3.firstName, "\x1b[2J");
    setFieldText(hostile.vrh3.lastName, "\x1b]0;owned\x07");
    setFieldText(hostile.vrh3.stationName, "desk\x9d\r\nx");
    hostile.comments = "red\x1b[31m\r\n";
    hostile.audio = test::makeAudio(800);
    const std::string name = "hostile\x1b[2J\r\n\xc0\xaf\xed\xa0\x80\xf5\xe9.ZOQ";
    hostile.writeTo((calls / name).string());
    test::writeFileBytes((calls / "bad\x1b]0;x\x07.ZOQ").string(), {'Z', 'O', 'Q'});
    const std::string root = fs::canonical(calls).string();
    const std::string path = root + "/" + name;
    const std::string shownPath = root + "/hostile\\x1b[2J\\r\\n\\xc0\\xaf\\xed\\xa0\\x80\\xf5\\xe9.ZOQ";

    const test::ProcessResult indexed = zoqtool({"index", calls.string()});
    EXPECT_TRUE(safeOnATerminal(indexed.err)) << indexed.err;
    EXPECT_NE(indexed.err.find(root + "/bad\\x1b]0;x\\x07.ZOQ: File Edh read failed 98\n"), std::string::npos)
        << indexed.err;

    const test::ProcessResult found = zoqtool({"search", "--db", database, "owned"});
    ASSERT_EQ(found.exitCode, 0) << found.err;
    EXPECT_TRUE(safeOnATerminal(found.out)) << found.out;
    EXPECT_EQ(found.out.rfind(shownPath + "\n", 0), 0u) << found.out;
    EXPECT_NE(found.out.find("  \\x1b[2J \\x1b]0;owned\\x07, dialled 5551234, station desk\\u009d\\r\\nx\n"),
              std::string::npos)
        << found.out;

    // JSON: strictly valid UTF-8 (the parser refuses anything else), no raw control character, the
    // path readable with U+FFFD for each byte UTF-8 cannot hold and exact in pathBytes.
    const test::ProcessResult json = zoqtool({"search", "--db", database, "--json", "owned"});
    EXPECT_EQ(std::count_if(json.out.begin(), json.out.end(), [](char c) { return c >= 0 && c < 0x20; }), 1)
        << json.out;
    EXPECT_NE(json.out.find("\"desk\\u009d\\r\\nx\""), std::string::npos) << json.out; // C1 escaped too
    const QJsonArray entries = searchJson({"search", "--db", database, "--json", "owned"});
    ASSERT_EQ(entries.size(), 1);
    const QJsonObject entry = entries[0].toObject();
    EXPECT_EQ(entry["path"].toString(),
              QString::fromStdString(root + "/hostile\x1b[2J\r\n") + QString(7, QChar(0xFFFD)) + ".ZOQ");
    EXPECT_EQ(QByteArray::fromBase64(entry["pathBytes"].toString().toLatin1()).toStdString(), path);
    EXPECT_EQ(entry["lastName"].toString(), "\x1b]0;owned\x07");
    EXPECT_EQ(entry["stationName"].toString(), QString::fromUtf8("desk\xc2\x9d\r\nx"));

    // info prints the same text the same way, from the file itself.
    const test::ProcessResult info = zoqtool({"info", path});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_TRUE(safeOnATerminal(info.out)) << info.out;
    EXPECT_NE(info.out.find("file                   " + shownPath + "\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("  lastName             \\x1b]0;owned\\x07\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("comments\n  red\\x1b[31m\n"), std::string::npos) << info.out;
    const test::ProcessResult infoJson = zoqtool({"info", path, "--json"});
    QJsonParseError error{};
    const QJsonObject infoObject =
        QJsonDocument::fromJson(QByteArray::fromStdString(infoJson.out), &error).object();
    EXPECT_EQ(error.error, QJsonParseError::NoError) << infoJson.out;
    EXPECT_EQ(infoObject["header"].toObject()["firstName"].toString(), "\x1b[2J");
    EXPECT_EQ(infoObject["comments"].toString(), "red\x1b[31m\r\n");
    // A missing file's message names its path escaped too.
    const test::ProcessResult missing = zoqtool({"info", path + ".gone"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(safeOnATerminal(missing.err)) << missing.err;
}

// The same, with the catalogue on a PostgreSQL server of the test's own, set up for a team as the
// README shows: an indexing role that owns the database, and a reviewer who may only read.
class ZoqtoolServerCatalogueTest : public ZoqtoolCatalogueTest {
  protected:
    void SetUp() override {
        std::string whyNot;
        server = test::PostgresServer::start(whyNot);
        if (!server)
            GTEST_SKIP() << whyNot;
        server->makeTeamCatalogue();
    }
    std::string indexer() const {
        return server->address(test::kTeamDatabase, test::kTeamIndexer, test::kTeamIndexerPassword);
    }
    std::string reviewer() const {
        return server->address(test::kTeamDatabase, test::kTeamReviewer, test::kTeamReviewerPassword);
    }
    std::string rows() const {
        return server->queryValue("SELECT count(*) || ' ' || count(DISTINCT path) FROM recordings",
                                  test::kTeamDatabase);
    }
    // No password of the team's roles anywhere in what a run printed.
    static void expectNoPassword(const test::ProcessResult& run) {
        for (const char* password :
             {test::kTeamIndexerPassword, test::kTeamReviewerPassword, "wrong-Pw-77"}) {
            EXPECT_EQ(run.out.find(password), std::string::npos) << run.out;
            EXPECT_EQ(run.err.find(password), std::string::npos) << run.err;
        }
    }
    // What the catalogue is called in messages.
    std::string named(const std::string& name = test::kTeamDatabase) const {
        return "\"" + name + "\" on the server " + server->socketFolder() + ", port 5432";
    }

    std::unique_ptr<test::PostgresServer> server;
};

TEST_F(ZoqtoolServerCatalogueTest, BothBackEndsFindTheSameCallsAndWriteTheSameJson) {
    // Beside the fixture's calls: one with a name that is not UTF-8, accents, a number of several
    // parts and two keywords in a row.
    RecordingBuilder third(11);
    setFieldText(third.vrh3.lastName, "M\xFCller");
    setFieldText(third.vrh3.destAni, "555-0199");
    third.vrh3.recYear = 2010;
    third.words = {test::makeWord("refund", {100}), test::makeWord("transfer", {200})};
    third.audio = test::makeAudio(800);
    third.writeTo((calls / "caf\xE9.ZOQ").string());
    const std::string sqlite = dir.file("catalogue.sqlite");
    ASSERT_EQ(zoqtool({"index", calls.string(), "--db", sqlite}).exitCode, 0);
    const test::ProcessResult indexed = zoqtool({"index", calls.string(), "--db", indexer()});
    ASSERT_EQ(indexed.exitCode, 0) << indexed.err;
    EXPECT_EQ(indexed.out, "3 read, 0 unchanged, 1 failed, 0 removed\n");

    // The searches, each with the files it finds, newest first; on the server as the reviewer.
    const struct {
        std::vector<std::string> arguments;
        std::vector<std::string> found;
    } searches[] = {
        {{}, {"caf\xE9.ZOQ", "first.ZOQ", "second.ZOQ", "bad.ZOQ"}},
        {{"gru"}, {"first.ZOQ"}},
        {{"MULLER"}, {"caf\xE9.ZOQ"}},
        {{"john", "refu"}, {"caf\xE9.ZOQ", "first.ZOQ"}},
        {{"555-01"}, {"caf\xE9.ZOQ"}},
        {{"refund-trans"}, {"caf\xE9.ZOQ"}}, // two keywords in a row
        {{"grun-5551"}, {}},                 // a name and a number are not in a row
        {{"balance", "blo"}, {"first.ZOQ"}},
        {{"sys1", "42"}, {"first.ZOQ"}},
        {{"smi", "\xE2\x82\xAC"}, {"second.ZOQ"}},
        {{"-"}, {"caf\xE9.ZOQ", "first.ZOQ", "second.ZOQ", "bad.ZOQ"}},
        {{"\x01sm\x1b"}, {"second.ZOQ"}},
        {{"sm\"ith"}, {}},
        {{"NOT", "AND"}, {}},
        {{"\"", "*"}, {"caf\xE9.ZOQ", "first.ZOQ", "second.ZOQ", "bad.ZOQ"}},
        {{"--from", "1999-01-01"}, {"caf\xE9.ZOQ", "first.ZOQ"}},
        {{"--to", "1998-03-05"}, {"second.ZOQ"}},
        {{"--from", "2004-03-05", "--to", "2004-03-05", "john"}, {"first.ZOQ"}},
        {{"--limit", "2"}, {"caf\xE9.ZOQ", "first.ZOQ"}},
    };
    for (const auto& [arguments, found] : searches) {
        std::string trace;
        for (const std::string& argument : arguments)
            trace += argument + " ";
        SCOPED_TRACE(trace);
        std::vector<std::string> command{"search", "--json", "--db", sqlite};
        command.insert(command.end(), arguments.begin(), arguments.end());
        const test::ProcessResult fromFile = zoqtool(command);
        command[3] = reviewer();
        const test::ProcessResult fromServer = zoqtool(command);
        ASSERT_EQ(fromServer.exitCode, 0) << fromServer.err;
        EXPECT_EQ(fromServer.out, fromFile.out);
        std::vector<std::string> names;
        for (const QJsonValue entry :
             QJsonDocument::fromJson(QByteArray::fromStdString(fromServer.out)).array())
            names.push_back(
                fs::path(QByteArray::fromBase64(entry["pathBytes"].toString().toLatin1()).toStdString())
                    .filename()
                    .string());
        EXPECT_EQ(names, found);
        if (!arguments.empty())
            continue;
        command.erase(command.begin() + 1); // every call for people, too
        const std::string forPeople = zoqtool(command).out;
        command[2] = sqlite;
        EXPECT_EQ(forPeople, zoqtool(command).out);
    }

    // The reviewer reads and may not write: nothing is read or written, and it is said in one line.
    const std::string before = rows();
    fs::remove(calls / "first.ZOQ");
    const test::ProcessResult refused = zoqtool({"index", calls.string(), "--db", reviewer()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "zoqtool: the catalogue " + named() + " cannot be written by the role " +
                               test::kTeamReviewer +
                               ": indexing needs a role that may add, change and remove its recordings\n");
    expectNoPassword(refused);
    EXPECT_EQ(rows(), before);
}

TEST_F(ZoqtoolServerCatalogueTest, SeveralIndexersAtOnceLeaveOneRowPerFileAndNoError) {
    // Three folders of one archive, from three machines, and the third folder twice at once.
    constexpr int kFiles = 40;
    for (const char* folder : {"a", "b", "c"}) {
        fs::create_directories(dir.path() / "archive" / folder);
        for (int i = 0; i < kFiles; ++i) {
            RecordingBuilder call(11);
            setFieldText(call.vrh3.lastName, std::string(folder) + "caller" + std::to_string(i));
            call.audio = test::makeAudio(800);
            call.writeTo((dir.path() / "archive" / folder / (std::to_string(i) + ".ZOQ")).string());
        }
    }
    // The first index makes the tables; the indexers then find them.
    fs::create_directories(dir.path() / "empty");
    ASSERT_EQ(zoqtool({"index", dir.file("empty"), "--db", indexer()}).exitCode, 0);

    // The indexers are held at their first write until all four wait there, then let go together:
    // each has looked at the catalogue before any has written, so the two over the same folder
    // write the same new rows at the same time.
    test::PostgresSession holder(*server, test::kTeamDatabase);
    holder.run("BEGIN; LOCK TABLE recordings IN EXCLUSIVE MODE");
    // Two as libpq users configure it: the server from PGHOST, the role from PGUSER, the password
    // from a password file.
    const std::string passwords = dir.file("pgpass");
    const std::string line =
        "*:*:*:" + std::string(test::kTeamIndexer) + ":" + test::kTeamIndexerPassword + "\n";
    test::writeFileBytes(passwords, {line.begin(), line.end()});
    fs::permissions(passwords, fs::perms::owner_read | fs::perms::owner_write);
    test::ProcessOptions fromEnvironment;
    fromEnvironment.env = {
        {"PGHOST", server->socketFolder()}, {"PGUSER", test::kTeamIndexer}, {"PGPASSFILE", passwords}};
    std::vector<std::unique_ptr<test::RunningProcess>> indexers;
    for (const auto& [folder, address, options] :
         std::vector<std::tuple<std::string, std::string, test::ProcessOptions>>{
             {"a", indexer(), {}},
             {"b", "postgresql:///calls", fromEnvironment},
             {"c", indexer(), {}},
             {"c", "postgres:///calls", fromEnvironment}})
        indexers.push_back(std::make_unique<test::RunningProcess>(
            ZOQTOOL_BINARY, std::vector<std::string>{"index", dir.file("archive/" + folder), "--db", address},
            options));
    const auto waiting = [this] {
        return server->queryValue("SELECT count(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock' AND "
                                  "application_name = 'kestrum catalogue'") == "4";
    };
    ASSERT_TRUE(test::waitUntil(waiting, 30));
    holder.run("COMMIT");
    for (auto& indexer : indexers) {
        const test::ProcessResult run = indexer->wait(60);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, std::to_string(kFiles) + " read, 0 unchanged, 0 failed, 0 removed\n");
    }
    EXPECT_EQ(rows(), std::to_string(3 * kFiles) + " " + std::to_string(3 * kFiles));
    EXPECT_EQ(searchJson({"search", "--json", "--db", reviewer(), "ccaller"}).size(), kFiles);
    EXPECT_EQ(zoqtool({"index", dir.file("archive"), "--db", indexer()}).out,
              "0 read, " + std::to_string(3 * kFiles) + " unchanged, 0 failed, 0 removed\n");
}

TEST_F(ZoqtoolServerCatalogueTest, EveryFailureIsOneLineNamingTheServerWithoutThePassword) {
    ASSERT_EQ(zoqtool({"index", calls.string(), "--db", indexer()}).exitCode, 0);
    const std::string before = rows();
    const std::string nowhere = dir.file("no-server");
    fs::create_directories(nowhere);
    const std::string socket = server->socketFolder();
    const struct {
        const char* what;
        std::string address;
        std::string said;
    } failures[] = {
        {"no server there", "postgresql://kestrum_indexer:wrong-Pw-77@/calls?host=" + nowhere,
         "cannot connect to the catalogue \"calls\" on the server " + nowhere +
             ", port 5432: No such file or directory"},
        {"a wrong password", "postgresql://kestrum_indexer:wrong-Pw-77@/calls?host=" + socket,
         "cannot connect to the catalogue " + named() +
             ": password authentication failed for user \"kestrum_indexer\""},
        {"no such database", server->address("archive", test::kTeamIndexer, test::kTeamIndexerPassword),
         "cannot connect to the catalogue " + named("archive") + ": database \"archive\" does not exist"},
        {"an address libpq cannot read", "postgresql://kestrum_indexer:wrong-Pw-77@[::1/calls",
         "cannot read the catalogue's address: end of string reached when looking for matching \"]\" in IPv6 "
         "host address in URI: \"(the address)\""},
    };
    for (const auto& [what, address, said] : failures) {
        SCOPED_TRACE(what);
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"index", calls.string(), "--db", address},
              std::vector<std::string>{"search", "--db", address, "john"}}) {
            const test::ProcessResult run = zoqtool(command);
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(run.err, "zoqtool: " + said + "\n");
            expectNoPassword(run);
        }
    }

    // A catalogue of a later layout is left alone.
    server->runSql("UPDATE catalogue_layout SET layout = 99", test::kTeamDatabase);
    const test::ProcessResult later = zoqtool({"index", calls.string(), "--db", indexer()});
    EXPECT_EQ(later.exitCode, 1);
    EXPECT_EQ(later.err,
              "zoqtool: the catalogue " + named() + " was made by another version of this program\n");
    EXPECT_EQ(zoqtool({"search", "--db", reviewer()}).err, later.err);
    EXPECT_EQ(rows(), before);
}

TEST_F(ZoqtoolServerCatalogueTest, AServerStoppedMidIndexEndsTheRunInOneLineAndKeepsNoHalfBatch) {
    ASSERT_EQ(zoqtool({"index", calls.string(), "--db", indexer()}).exitCode, 0);
    const std::string before = rows();
    RecordingBuilder later(11);
    later.audio = test::makeAudio(800);
    for (int i = 0; i < 30; ++i)
        later.writeTo((calls / ("later" + std::to_string(i) + ".ZOQ")).string());

    // The run is held at its first write; the server stops under it there.
    test::PostgresSession holder(*server, test::kTeamDatabase);
    holder.run("BEGIN; LOCK TABLE recordings IN EXCLUSIVE MODE");
    test::RunningProcess run(ZOQTOOL_BINARY, {"index", calls.string(), "--db", indexer()});
    ASSERT_TRUE(test::waitUntil(
        [this] {
            return server->queryValue("SELECT count(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock' "
                                      "AND application_name = 'kestrum catalogue'") == "1";
        },
        30));
    // Meanwhile every user's ps sees the command line without the password.
    const std::string commandLine = test::readFileText("/proc/" + std::to_string(run.pid()) + "/cmdline");
    EXPECT_NE(commandLine.find("kestrum_indexer:xxxxxxxxxxxxxxxxx@"), std::string::npos) << commandLine;
    EXPECT_EQ(commandLine.find(test::kTeamIndexerPassword), std::string::npos) << commandLine;
    server->stop();
    const test::ProcessResult ended = run.wait(30);
    EXPECT_EQ(ended.exitCode, 1);
    EXPECT_EQ(ended.out, "");
    EXPECT_EQ(ended.err, "zoqtool: lost the connection to the catalogue " + named() +
                             ": terminating connection due to administrator command\n");
    expectNoPassword(ended);

    server->restart();
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(zoqtool({"index", calls.string(), "--db", indexer()}).out,
              "30 read, 3 unchanged, 0 failed, 0 removed\n");
}

} // namespace
} // namespace kestrum
