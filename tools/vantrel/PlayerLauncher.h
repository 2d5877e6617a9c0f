#pragma once

#include <QByteArray>
#include <QString>

namespace vantrel {

// The player the menu opens calls in: Kestrum.Exe beside the menu (on a disc, the player copied
// there with it), else kestrum beside it (the installed pair in <prefix>/bin), else kestrum on
// PATH. Empty when there is none.
QString findPlayer(const QString& menuFolder);

// The player's one argument for a call in viewer mode (as on a disc): "^F<path>^O1", the path's
// bytes as the file system has them.
QByteArray viewerCommandLine(const QByteArray& recordingPath);

// Starts `player` on the recording (its path's bytes, which need not be UTF-8) in viewer mode, not
// waiting for it. What went wrong, or empty; a path the player's command line cannot carry (a
// caret in it, or longer than the player takes) is refused before anything starts.
QString openInPlayer(const QString& player, const QByteArray& recordingPath);

} // namespace vantrel
