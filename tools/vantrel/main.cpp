// vantrel: the menu of an exported disc. It lists the recordings in Recs/ beside it (or in the
// folder given on its command line) and opens the chosen one in the player in viewer mode.

#include "MenuWindow.h"
#include "PlayerLauncher.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 2 || (arguments.size() == 2 && arguments[1].startsWith(QLatin1Char('-')))) {
        std::fprintf(stderr,
                     "usage: vantrel [FOLDER]   (without FOLDER: the Recs folder beside the program)\n");
        return 2;
    }
    // Beside the program itself, wherever it was started from: on a disc, that is the disc.
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString folder =
        QDir(arguments.size() == 2 ? arguments[1] : programFolder + QStringLiteral("/Recs")).absolutePath();
    vantrel::MenuWindow window(folder, [programFolder](const QByteArray& recording) {
        return vantrel::openInPlayer(vantrel::findPlayer(programFolder), recording);
    });
    window.show();
    return application.exec();
}
