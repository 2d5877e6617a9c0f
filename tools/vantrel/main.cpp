// vantrel: the menu of an exported disc. It lists the recordings in Recs/ beside it (or in the
// folder given on its command line) and opens the chosen one in the player in viewer mode. With
// --db it lists those a catalogue holds instead (a file, or a server's address), under the folder
// when one is given.

#include "MenuWindow.h"
#include "PlayerLauncher.h"
#include "app/CommandLine.h"
#include "catalogue/CatalogueAddress.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

constexpr const char* kUsage =
    "usage: vantrel [FOLDER]   (without FOLDER: the Recs folder beside the program)\n"
    "       vantrel --db FILE|postgresql://... [FOLDER]\n"
    "       vantrel --help | --version\n";

constexpr const char* kHelp =
    "\n"
    "The menu of an exported disc: lists the recorded calls (.ZOQ files) in FOLDER, with their\n"
    "details, keywords and checksum state, finds calls by the words typed into Find, and opens\n"
    "the chosen one in the player (kestrum) in viewer mode. With --db it shows a catalogue kept\n"
    "by zoqtool index: an SQLite file or a PostgreSQL server.\n"
    "\n"
    "Exit status: 0 when the menu was closed; 2 when the command line was not understood.\n";

} // namespace

int main(int argc, char** argv) {
    // Asked about itself, the menu answers and ends without opening a window.
    if (const kestrum::InformationRequest request = kestrum::informationRequestOf(argc, argv);
        request != kestrum::InformationRequest::None)
        return kestrum::answerInformationRequest(request, "vantrel", std::string(kUsage) + kHelp);
    QApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    // A catalogue server's password, copied above, is not left for every user's ps to read.
    kestrum::hidePasswordsInCommandLine(argc, argv);
    std::string database;
    if (arguments.size() >= 3 && arguments[1] == QLatin1String("--db")) {
        database = QFile::encodeName(arguments[2]).toStdString();
        arguments.remove(1, 2);
    }
    if (arguments.size() > 2 || (arguments.size() == 2 && arguments[1].startsWith(QLatin1Char('-')))) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    // Beside the program itself, wherever it was started from: on a disc, that is the disc.
    const QString programFolder = QCoreApplication::applicationDirPath();
    // Over a catalogue without a folder: all that it holds.
    const QString folder = arguments.size() == 2 ? QDir(arguments[1]).absolutePath()
                           : database.empty() ? QDir(programFolder + QStringLiteral("/Recs")).absolutePath()
                                              : QString();
    vantrel::MenuWindow window(folder, database, [programFolder](const QByteArray& recording) {
        return vantrel::openInPlayer(vantrel::findPlayer(programFolder), recording);
    });
    window.show();
    return application.exec();
}
