#include "PlayerLauncher.h"

#include "export/ExportList.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace vantrel {

QString findPlayer(const QString& menuFolder) {
    for (const QString& name :
         {QString::fromLatin1(kestrum::kDiscPlayerProgram), QStringLiteral("kestrum")}) {
        const QFileInfo beside(menuFolder + QLatin1Char('/') + name);
        if (beside.isFile() && beside.isExecutable())
            return beside.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(QStringLiteral("kestrum"));
}

QString viewerCommandLine(const QString& recordingPath) {
    return QStringLiteral("^F") + recordingPath + QStringLiteral("^O1");
}

QString openInPlayer(const QString& player, const QString& recordingPath) {
    if (player.isEmpty())
        return QStringLiteral("No player to open the call in: there is no %1 beside the menu and no kestrum "
                              "on the PATH.")
            .arg(QString::fromLatin1(kestrum::kDiscPlayerProgram));
    // The player reads its command line as caret-separated pieces: a caret in the path would end it.
    if (recordingPath.contains(QLatin1Char('^')))
        return QStringLiteral("The player cannot be given %1: its path holds a '^'.").arg(recordingPath);
    if (!QProcess::startDetached(player, {viewerCommandLine(recordingPath)}))
        return QStringLiteral("Could not start the player %1.").arg(player);
    return {};
}

} // namespace vantrel
