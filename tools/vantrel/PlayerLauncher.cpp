#include "PlayerLauncher.h"

#include "app/CommandLine.h"
#include "export/ExportList.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantrel {

namespace {

// Starts `program` with its one `argument`, both as bytes, in a session of its own and not as the
// menu's child: a short-lived child starts it and ends, so nothing is left to wait for. (QProcess
// takes arguments as text, which loses a file name's bytes that are not UTF-8.) False when the
// program could not be started.
bool startDetached(const QByteArray& program, const QByteArray& argument) {
    char* const argv[] = {const_cast<char*>(program.constData()), const_cast<char*>(argument.constData()),
                          nullptr};
    int execFailure[2];
    if (::pipe2(execFailure, O_CLOEXEC) != 0)
        return false;
    const pid_t child = ::fork();
    if (child == 0) {
        // The menu has other threads: only async-signal-safe calls until exec.
        ::close(execFailure[0]);
        const pid_t player = ::fork();
        if (player == 0) {
            ::setsid();
            ::execv(argv[0], argv);
            const int error = errno;
            [[maybe_unused]] const ssize_t told = ::write(execFailure[1], &error, sizeof error);
            ::_exit(127);
        }
        ::_exit(player < 0 ? 1 : 0);
    }
    ::close(execFailure[1]);
    int status = -1;
    while (child > 0 && ::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // The pipe closes without a word when exec succeeds; a failed exec writes its errno first.
    int error = 0;
    ssize_t told = 0;
    while (child > 0 && (told = ::read(execFailure[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(execFailure[0]);
    return child > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 && told == 0;
}

} // namespace

QString findPlayer(const QString& menuFolder) {
    for (const QString& name :
         {QString::fromLatin1(kestrum::kDiscPlayerProgram), QStringLiteral("kestrum")}) {
        const QFileInfo beside(menuFolder + QLatin1Char('/') + name);
        if (beside.isFile() && beside.isExecutable())
            return beside.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(QStringLiteral("kestrum"));
}

QByteArray viewerCommandLine(const QByteArray& recordingPath) {
    return "^F" + recordingPath + "^O1";
}

QString openInPlayer(const QString& player, const QByteArray& recordingPath) {
    if (player.isEmpty())
        return QStringLiteral("No player to open the call in: there is no %1 beside the menu and no kestrum "
                              "on the PATH.")
            .arg(QString::fromLatin1(kestrum::kDiscPlayerProgram));
    const QString shownPath = QFile::decodeName(recordingPath);
    // The player reads its command line as caret-separated pieces: a caret in the path would end it.
    if (recordingPath.contains('^'))
        return QStringLiteral("The player cannot be given %1: its path holds a '^'.").arg(shownPath);
    // A longer path is dropped by the player, which would then find no file.
    const std::size_t longest = kestrum::kPathBufferSize - 1;
    if (static_cast<std::size_t>(recordingPath.size()) > longest)
        return QStringLiteral(
                   "The player cannot be given %1: its path is longer than the %2 bytes the player "
                   "takes.")
            .arg(shownPath)
            .arg(longest);
    if (!startDetached(QFile::encodeName(player), viewerCommandLine(recordingPath)))
        return QStringLiteral("Could not start the player %1.").arg(player);
    return {};
}

} // namespace vantrel
