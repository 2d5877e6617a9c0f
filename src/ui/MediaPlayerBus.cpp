#include "ui/MediaPlayerBus.h"

#include "platform/Reporter.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>

#include <unistd.h>

namespace kestrum {

namespace {

constexpr const char* kBusName = "org.mpris.MediaPlayer2.kestrum";

} // namespace

MediaPlayerBus::MediaPlayerBus(MediaPlayerParts parts, Reporter& reporter) {
    new MprisRootAdaptor(this, parts);
    player_ = new MprisPlayerAdaptor(this, parts);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        reporter.logOnly("No session bus (%s): the desktop's media controls and media keys do not reach "
                         "the player",
                         qPrintable(bus.lastError().message()));
        return;
    }
    if (!bus.registerObject(kMprisObjectPath, this, QDBusConnection::ExportAdaptors) || !registerName()) {
        reporter.logOnly("The session bus refused the name %s: the desktop's media controls do not reach "
                         "the player (%s)",
                         kBusName, qPrintable(bus.lastError().message()));
        bus.unregisterObject(kMprisObjectPath);
        return;
    }
    onBus_ = true;
    announced_ = player_->changingProperties();
}

MediaPlayerBus::~MediaPlayerBus() {
    if (!onBus_)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(busName_);
    bus.unregisterObject(kMprisObjectPath);
}

// The usual name, or, when another player holds it, the name of this instance.
bool MediaPlayerBus::registerName() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    busName_ = QString::fromLatin1(kBusName);
    if (bus.registerService(busName_))
        return true;
    busName_ += QStringLiteral(".instance%1").arg(::getpid());
    return bus.registerService(busName_);
}

void MediaPlayerBus::playbackShown() {
    if (!onBus_)
        return;
    const QVariantMap now = player_->changingProperties();
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it)
        if (announced_.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    if (changed.isEmpty())
        return;
    announced_ = now;
    QDBusMessage signal =
        QDBusMessage::createSignal(kMprisObjectPath, "org.freedesktop.DBus.Properties", "PropertiesChanged");
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

} // namespace kestrum
