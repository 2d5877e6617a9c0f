#pragma once

#include <QString>

namespace vantrel {

// The player the menu opens calls in: Kestrum.Exe beside the menu (on a disc, the player copied
// there with it), else kestrum beside it (the installed pair in <prefix>/bin), else kestrum on
// PATH. Empty when there is none.
QString findPlayer(const QString& menuFolder);

// The player's one argument for a call in viewer mode (as on a disc): "^F<path>^O1".
QString viewerCommandLine(const QString& recordingPath);

// Starts `player` on the recording in viewer mode, not waiting for it. What went wrong, or empty.
QString openInPlayer(const QString& player, const QString& recordingPath);

} // namespace vantrel
