// The disc menu's window on real recordings, offscreen: what the table shows, sorting, the filter
// as the user types, opening a call from the keyboard and the mouse, the background check of the
// stamped copies, and what assistive technology reads; and over a catalogue kept in a file or on
// a PostgreSQL server, a page at a time.

#include "MenuWindow.h"
#include "PlayerLauncher.h"
#include "catalogue/Catalogue.h"
#include "catalogue/IndexRun.h"
#include "catalogue/StampedRecordings.h"
#include "recording/FieldText.h"
#include "support/PostgresServer.h"
#include "support/ProcessRunner.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <QAccessible>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using kestrum::test::RecordingBuilder;
using Column = RecordingTableModel::Column;

RecordingBuilder call(const char* first, const char* last, int year, const char* comment) {
    RecordingBuilder builder(11);
    kestrum::setFieldText(builder.vrh3.firstName, first);
    kestrum::setFieldText(builder.vrh3.lastName, last);
    builder.vrh3.recYear = static_cast<std::int16_t>(year);
    builder.vrh3.duration = static_cast<std::int16_t>(year - 1900);
    builder.comments = comment;
    builder.words = {kestrum::test::makeWord("ransom", {100})};
    builder.audio = kestrum::test::makeAudio(800);
    return builder;
}

class MenuWindowTest : public ::testing::Test {
  protected:
    MenuWindowTest() {
        fs::create_directories(recs);
        call("Ann", "Zeller", 2001, "Stamp line\r\nFirst words\r\n").writeTo((recs / "a.ZOQ").string());
        call("Bob", "Young", 2003, "").writeTo((recs / "b.ZOQ").string());
        call("Cy", "Xu", 2002, "\r\nSecond\r\n").writeTo((recs / "c.ZOQ").string());
        kestrum::test::writeFileBytes((recs / "d.ZOQ").string(), {'Z', 'O', 'Q'});
    }

    // The window on the folder, once its recordings are in the table.
    std::unique_ptr<MenuWindow> openMenu() {
        auto window = std::make_unique<MenuWindow>(QString::fromStdString(recs.string()),
                                                   [this](const QByteArray& path) {
                                                       opened.push_back(path.toStdString());
                                                       return openProblem;
                                                   });
        QSignalSpy listed(window.get(), &MenuWindow::listed);
        window->show();
        EXPECT_TRUE(listed.wait(5000));
        return window;
    }
    static QString cell(MenuWindow& window, int row, int column) {
        return window.shownRecordings().index(row, column).data().toString();
    }
    static QStringList columnTexts(MenuWindow& window, int column) {
        QStringList texts;
        for (int row = 0; row < window.shownRecordings().rowCount(); ++row)
            texts << cell(window, row, column);
        return texts;
    }

    kestrum::test::TempDir dir;
    fs::path recs = dir.path() / "Recs";
    std::vector<std::string> opened;
    QString openProblem;
};

TEST_F(MenuWindowTest, ListsTheFolderNewestFirstAndSortsByAnyColumn) {
    auto window = openMenu();
    ASSERT_EQ(window->shownRecordings().rowCount(), 4);
    EXPECT_EQ(columnTexts(*window, Column::LastName), (QStringList{"Young", "Xu", "Zeller", ""}));
    EXPECT_EQ(cell(*window, 0, Column::Recorded), "2003-03-05 09:07:02");
    EXPECT_EQ(cell(*window, 0, Column::Rid), "RID123");
    EXPECT_EQ(cell(*window, 0, Column::FirstName), "Bob");
    EXPECT_EQ(cell(*window, 0, Column::DialledNumber), "5551234");
    EXPECT_EQ(cell(*window, 0, Column::Station), "Block A");
    EXPECT_EQ(cell(*window, 0, Column::Duration), "1:43");
    EXPECT_EQ(cell(*window, 0, Column::Keywords), "ransom");
    EXPECT_EQ(cell(*window, 0, Column::Checksums), "not stamped");
    EXPECT_EQ(cell(*window, 0, Column::File), "b.ZOQ");
    EXPECT_EQ(columnTexts(*window, Column::Comment),
              (QStringList{"", "Second", "Stamp line", "Could not be read: File Edh read failed 98"}));
    EXPECT_EQ(window->statusLine->text(), "4 recordings; 1 could not be read");

    // A click on a column title sorts by it, a second click the other way.
    const int lastName = window->table->horizontalHeader()->sectionViewportPosition(Column::LastName) + 5;
    QTest::mouseClick(window->table->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(lastName, 5));
    EXPECT_EQ(columnTexts(*window, Column::LastName), (QStringList{"", "Xu", "Young", "Zeller"}));
    QTest::mouseClick(window->table->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(lastName, 5));
    EXPECT_EQ(columnTexts(*window, Column::LastName), (QStringList{"Zeller", "Young", "Xu", ""}));
    window->table->sortByColumn(Column::Duration, Qt::AscendingOrder); // by seconds, not by text
    EXPECT_EQ(columnTexts(*window, Column::Duration), (QStringList{"", "1:41", "1:42", "1:43"}));
}

TEST_F(MenuWindowTest, FiltersAsTheUserTypes) {
    auto window = openMenu();
    QSignalSpy shown(window.get(), &MenuWindow::filterShown);
    QTest::keyClicks(window->filterField, "ze");
    EXPECT_EQ(shown.count(), 2); // once a keystroke
    EXPECT_EQ(columnTexts(*window, Column::LastName), QStringList{"Zeller"});
    EXPECT_EQ(window->statusLine->text(), "1 of 4 recordings shown; 1 could not be read");
    QTest::keyClicks(window->filterField, " ran");
    EXPECT_EQ(columnTexts(*window, Column::LastName), QStringList{"Zeller"});
    QTest::keyClicks(window->filterField, "x");
    EXPECT_EQ(window->shownRecordings().rowCount(), 0);
    EXPECT_EQ(window->statusLine->text(), "0 of 4 recordings shown; 1 could not be read");
    // Escape clears the filter.
    QTest::keyClick(window->filterField, Qt::Key_Escape);
    EXPECT_EQ(window->filterField->text(), "");
    EXPECT_EQ(window->shownRecordings().rowCount(), 4);
    QTest::keyClicks(window->filterField, "5551234 bob");
    EXPECT_EQ(columnTexts(*window, Column::LastName), QStringList{"Young"});
    // Control characters pasted in, a NUL among them, separate words as blanks do.
    window->filterField->setText(QStringLiteral("5551234") + QChar(0) + QStringLiteral("bob\x01\x1b"));
    EXPECT_EQ(columnTexts(*window, Column::LastName), QStringList{"Young"});
    EXPECT_EQ(window->statusLine->text(), "1 of 4 recordings shown; 1 could not be read");
}

TEST_F(MenuWindowTest, OpensTheSelectedCallFromTheKeyboardOrWithADoubleClick) {
    auto window = openMenu();
    ASSERT_TRUE(window->filterField->hasFocus() || !window->isActiveWindow());
    // Typed, then Enter in the filter field: the first call shown.
    QTest::keyClicks(window->filterField, "xu");
    QTest::keyClick(window->filterField, Qt::Key_Return);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], fs::canonical(recs).string() + "/c.ZOQ");
    EXPECT_EQ(window->statusLine->text(),
              "Opened c.ZOQ in the player.  1 of 4 recordings shown; 1 could not be read");

    // Down moves into the table, where the arrows choose and Enter opens.
    QTest::keyClick(window->filterField, Qt::Key_Escape);
    window->table->setCurrentIndex({});
    QTest::keyClick(window->filterField, Qt::Key_Down);
    EXPECT_EQ(window->table->currentIndex().row(), 0);
    QTest::keyClick(window->table, Qt::Key_Down);
    QTest::keyClick(window->table, Qt::Key_Enter);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1], fs::canonical(recs).string() + "/c.ZOQ");

    // A double click opens the row clicked; the button the selected one.
    const QRect first = window->table->visualRect(window->shownRecordings().index(0, Column::LastName));
    // A real double click: a click, then the second press that the window system reports as double.
    QTest::mouseClick(window->table->viewport(), Qt::LeftButton, {}, first.center());
    QTest::mouseDClick(window->table->viewport(), Qt::LeftButton, {}, first.center());
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[2], fs::canonical(recs).string() + "/b.ZOQ");
    window->openButton->click();
    EXPECT_EQ(opened.size(), 4u);

    // A file that did not read is not handed to the player; a player that fails says why.
    window->table->setCurrentIndex(window->shownRecordings().index(3, 0));
    QTest::keyClick(window->table, Qt::Key_Return);
    EXPECT_EQ(opened.size(), 4u);
    EXPECT_TRUE(window->statusLine->text().startsWith("d.ZOQ cannot be opened: it could not be read."));
    openProblem = "Could not start the player /x.";
    window->table->setCurrentIndex(window->shownRecordings().index(0, 0));
    window->openButton->click();
    EXPECT_TRUE(window->statusLine->text().startsWith("Could not start the player /x."));
}

// A stand-in player at `path` that writes its arguments, one a line, to `record`.
void writeStandInPlayer(const std::string& path, const std::string& record) {
    const std::string script = "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record + "'\n";
    kestrum::test::writeFileBytes(path, std::vector<std::uint8_t>(script.begin(), script.end()));
    fs::permissions(path, fs::perms(0700));
}

TEST_F(MenuWindowTest, GivesThePlayerTheFilesOwnBytesAndRefusesAPathTooLongForIt) {
    call("Dee", "Latin", 2005, "").writeTo((recs / "caf\xE9.ZOQ").string()); // not UTF-8
    const fs::path deep = recs / std::string(120, 'd') / std::string(120, 'e');
    fs::create_directories(deep);
    call("Eve", "Deep", 2006, "").writeTo((deep / "long.ZOQ").string());
    const std::string player = dir.file("kestrum");
    const std::string record = dir.file("player-arguments");
    writeStandInPlayer(player, record);
    auto window = std::make_unique<MenuWindow>(
        QString::fromStdString(recs.string()),
        [&player](const QByteArray& path) { return openInPlayer(QString::fromStdString(player), path); });
    QSignalSpy listed(window.get(), &MenuWindow::listed);
    window->show();
    ASSERT_TRUE(listed.wait(5000));

    QTest::keyClicks(window->filterField, "latin");
    QTest::keyClick(window->filterField, Qt::Key_Return);
    ASSERT_TRUE(
        kestrum::test::waitUntil([&record] { return fs::exists(record) && fs::file_size(record) > 0; }, 10));
    EXPECT_EQ(kestrum::test::readFileText(record), "^F" + fs::canonical(recs).string() + "/caf\xE9.ZOQ^O1\n");
    EXPECT_TRUE(
        window->statusLine->text().startsWith(QString::fromUtf8("Opened caf\uFFFD.ZOQ in the player.")))
        << window->statusLine->text().toStdString();

    // The player takes a path of up to 260 bytes; a longer one would open nothing there.
    window->filterField->setText("deep");
    QTest::keyClick(window->filterField, Qt::Key_Return);
    const std::string shown = window->statusLine->text().toStdString();
    EXPECT_EQ(shown.rfind("The player cannot be given " + fs::canonical(deep).string() + "/long.ZOQ: ", 0),
              0u)
        << shown;
    EXPECT_NE(shown.find("longer than the 260 bytes the player takes"), std::string::npos) << shown;
}

TEST_F(MenuWindowTest, ChecksTheStampedCopiesAfterListingThem) {
    fs::remove_all(recs);
    fs::create_directories(dir.path() / "source");
    kestrum::test::writeStampedCopy(call("Ann", "Intact", 2001, "a\r\n"), (dir.path() / "source").string(),
                                    "i.ZOQ");
    const std::string damaged = kestrum::test::writeStampedCopy(call("Bob", "Broken", 2002, "b\r\n"),
                                                                (dir.path() / "source").string(), "x.ZOQ");
    kestrum::test::flipByte(damaged, -3);
    recs = dir.path() / "source" / "Recs";

    auto window = std::make_unique<MenuWindow>(QString::fromStdString(recs.string()),
                                               [](const QString&) { return QString(); });
    QSignalSpy checked(window.get(), &MenuWindow::allChecked);
    window->show();
    ASSERT_TRUE(checked.wait(5000));
    EXPECT_EQ(columnTexts(*window, Column::Checksums), (QStringList{"DAMAGED", "intact"}));
    EXPECT_EQ(window->shownRecordings().index(0, Column::Checksums).data(Qt::ToolTipRole).toString(),
              "does not match: audio");
    EXPECT_EQ(window->statusLine->text(), "2 recordings; 1 stamped copies DAMAGED");
}

TEST_F(MenuWindowTest, AssistiveTechnologyReadsEveryPart) {
    auto window = openMenu();
    const auto name = [](QObject* object) {
        return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name);
    };
    EXPECT_EQ(name(window->filterField), "Find recordings");
    EXPECT_EQ(name(window->openButton), "Open in Player");
    EXPECT_EQ(name(window->table), "Recordings");
    EXPECT_EQ(name(window->statusLine), "4 recordings; 1 could not be read"); // heard with its text
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(window->table);
    ASSERT_NE(table->tableInterface(), nullptr);
    EXPECT_EQ(table->tableInterface()->rowCount(), 4);
    EXPECT_EQ(table->tableInterface()->columnCount(), RecordingTableModel::ColumnCount);
    EXPECT_EQ(table->tableInterface()->columnDescription(Column::Recorded), "Date and time");
    for (int column = 0; column < RecordingTableModel::ColumnCount; ++column) {
        QAccessibleInterface* accessibleCell = table->tableInterface()->cellAt(0, column);
        ASSERT_NE(accessibleCell, nullptr);
        EXPECT_EQ(accessibleCell->text(QAccessible::Name), cell(*window, 0, column)) << "column " << column;
    }
    EXPECT_EQ(table->tableInterface()->cellAt(3, Column::Comment)->text(QAccessible::Name),
              "Could not be read: File Edh read failed 98");
}

TEST_F(MenuWindowTest, ShowsACatalogueAPageAtATimeAndFiltersInIt) {
    // More calls than a page holds: a year each of twenty, the oldest year at the end of the list.
    fs::remove_all(recs);
    fs::create_directories(recs);
    constexpr int kCalls = 450;
    for (int i = 0; i < kCalls; ++i) {
        const std::string name = "caller" + std::to_string(i);
        RecordingBuilder builder = call("Ann", name.c_str(), 2000 + i % 20, "");
        builder.words = i % 10 == 0 ? std::vector{kestrum::test::makeWord("ransom", {100})}
                                    : std::vector<kestrum::ScannedWord>{};
        builder.writeTo((recs / (std::to_string(1000 + i) + ".ZOQ")).string());
    }
    // In a file; on a server, indexed by the team's indexing role and read by a reviewer.
    std::vector<std::pair<std::string, std::string>> catalogues{{dir.file("catalogue.sqlite"), ""}};
    std::string whyNot;
    std::unique_ptr<kestrum::test::PostgresServer> server = kestrum::test::PostgresServer::start(whyNot);
    if (server) {
        server->makeTeamCatalogue();
        catalogues.emplace_back(server->address(kestrum::test::kTeamDatabase, kestrum::test::kTeamIndexer,
                                                kestrum::test::kTeamIndexerPassword),
                                server->address(kestrum::test::kTeamDatabase, kestrum::test::kTeamReviewer,
                                                kestrum::test::kTeamReviewerPassword));
    }
    for (const auto& [writer, reader] : catalogues) {
        SCOPED_TRACE(writer);
        kestrum::Catalogue catalogue = kestrum::Catalogue::openForWriting(writer);
        kestrum::indexFolder(catalogue, recs.string());
        const auto window =
            std::make_unique<MenuWindow>(QString::fromStdString(recs.string()),
                                         reader.empty() ? writer : reader, [this](const QByteArray& path) {
                                             opened.push_back(path.toStdString());
                                             return QString();
                                         });
        QSignalSpy listed(window.get(), &MenuWindow::listed);
        window->show();
        ASSERT_TRUE(listed.wait(10000));

        // The first page at once, newest call first; the rest as the list is scrolled to its end.
        EXPECT_EQ(window->shownRecordings().rowCount(), 200);
        EXPECT_EQ(window->statusLine->text(), "450 recordings");
        EXPECT_EQ(cell(*window, 0, Column::Recorded), "2019-03-05 09:07:02");
        EXPECT_EQ(cell(*window, 0, Column::LastName), "caller19");
        for (const int expected : {400, 450, 450}) {
            window->table->scrollToBottom();
            QApplication::processEvents();
            EXPECT_EQ(window->shownRecordings().rowCount(), expected);
        }
        EXPECT_EQ(cell(*window, 449, Column::LastName), "caller440");

        // The catalogue finds what the filter asks for, beyond the rows fetched so far too.
        window->table->scrollToTop();
        window->filterField->setText("ransom");
        EXPECT_EQ(window->shownRecordings().rowCount(), 45);
        EXPECT_EQ(window->statusLine->text(), "45 of 450 recordings shown");
        window->filterField->setText("caller44");
        EXPECT_EQ(columnTexts(*window, Column::Recorded).size(), 11);
        window->filterField->setText("caller440");
        EXPECT_EQ(columnTexts(*window, Column::LastName), QStringList{"caller440"});
        QTest::keyClick(window->filterField, Qt::Key_Return);
        ASSERT_FALSE(opened.empty());
        EXPECT_EQ(opened.back(), fs::canonical(recs).string() + "/1440.ZOQ");
        window->filterField->clear();
        EXPECT_EQ(window->shownRecordings().rowCount(), 200);

        // What a filter finds is counted up to a limit: beyond it the menu says "more than", and
        // the list still goes on to the last of them as it is scrolled.
        constexpr int kMany = 1100;
        catalogue.beginChanges();
        for (int i = 0; i < kMany; ++i) {
            kestrum::CatalogueEntry entry;
            entry.path = fs::canonical(recs).string() + "/many/" + std::to_string(i) + ".ZOQ";
            entry.version = 11;
            entry.recorded = "1990-01-01 00:00:00";
            entry.lastName = "Manyfold";
            catalogue.store(entry);
        }
        catalogue.commitChanges();
        const auto wide = std::make_unique<MenuWindow>(QString::fromStdString(recs.string()),
                                                       reader.empty() ? writer : reader,
                                                       [](const QByteArray&) { return QString(); });
        QSignalSpy wideListed(wide.get(), &MenuWindow::listed);
        wide->show();
        ASSERT_TRUE(wideListed.wait(10000));
        for (const char* filter : {"manyfold", "m"}) {
            wide->filterField->setText(filter);
            EXPECT_EQ(wide->shownRecordings().rowCount(), 200) << filter;
            EXPECT_EQ(wide->statusLine->text(), "more than 1000 of 1550 recordings shown") << filter;
        }
        wide->filterField->setText("manyfold");
        for (int scrolled = 0; scrolled < 8; ++scrolled) {
            wide->table->scrollToBottom();
            QApplication::processEvents();
        }
        EXPECT_EQ(wide->shownRecordings().rowCount(), kMany);
        EXPECT_EQ(wide->statusLine->text(), "1100 of 1550 recordings shown");
    }
    if (!server)
        GTEST_SKIP() << "the file's catalogue was shown; the server's was not: " << whyNot;
}

TEST(PlayerLauncher, FindsThePlayerBesideTheMenuFirstAndGivesItTheViewerCommandLine) {
    kestrum::test::TempDir dir;
    EXPECT_EQ(viewerCommandLine("/disc/Recs/a b.ZOQ"), "^F/disc/Recs/a b.ZOQ^O1");
    const std::string player = dir.file("Kestrum.Exe");
    kestrum::test::writeFileBytes(player, {'#', '!'});
    fs::permissions(player, fs::perms(0700));
    EXPECT_EQ(findPlayer(QString::fromStdString(dir.path().string())), QString::fromStdString(player));
    const QString onPath = QStandardPaths::findExecutable("kestrum");
    EXPECT_EQ(findPlayer(QString::fromStdString((dir.path() / "none").string())), onPath);
    // Installed, the menu and the player are side by side in <prefix>/bin.
    fs::create_directories(dir.path() / "bin");
    const std::string installed = dir.file("bin/kestrum");
    kestrum::test::writeFileBytes(installed, {'#', '!'});
    fs::permissions(installed, fs::perms(0755));
    EXPECT_EQ(findPlayer(QString::fromStdString((dir.path() / "bin").string())),
              QString::fromStdString(installed));

    EXPECT_TRUE(openInPlayer("", "/disc/a.ZOQ").startsWith("No player to open the call in"));
    EXPECT_EQ(openInPlayer(QString::fromStdString(player), "/disc/a^b.ZOQ"),
              "The player cannot be given /disc/a^b.ZOQ: its path holds a '^'.");
    EXPECT_EQ(openInPlayer(QString::fromStdString(player), QByteArray("/") + QByteArray(260, 'x')),
              "The player cannot be given /" + QString(260, 'x') +
                  ": its path is longer than the 260 bytes the player takes.");
}

} // namespace
} // namespace vantrel
