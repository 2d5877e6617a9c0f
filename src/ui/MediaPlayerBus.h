#pragma once

#include "ui/MprisAdaptors.h"

#include <QObject>
#include <QVariantMap>

namespace kestrum {

class Reporter;

// The player on the desktop's session bus, as media players are (MPRIS 2): the desktop's media
// controls, its media keys and playerctl play, pause, step and seek the call through the player
// window's transport. Without a session bus the player runs as it would, and the log says so once.
class MediaPlayerBus : public QObject {
    Q_OBJECT

  public:
    MediaPlayerBus(MediaPlayerParts parts, Reporter& reporter);
    ~MediaPlayerBus() override;

    // With each display tick: the properties that changed, in a PropertiesChanged signal.
    void playbackShown();

  private:
    bool registerName();

    MprisPlayerAdaptor* player_ = nullptr;
    bool onBus_ = false;
    QString busName_;
    QVariantMap announced_; // the changing properties as last told
};

} // namespace kestrum
