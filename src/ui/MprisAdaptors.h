#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QStringList>
#include <QVariantMap>

#include <cstdint>

class QWidget;

namespace kestrum {

class PlayerPresenter;
class PlaybackSession;
struct PlayerState;

// What the desktop's media controls act on: the player window (raised, closed), its transport
// through the presenter (the buttons' rules), the playback shown, and the call's details.
struct MediaPlayerParts {
    QWidget& window;
    PlayerPresenter& transport;
    const PlaybackSession& session;
    const PlayerState& state;
};

// The player's object path and the call's track id (one call a run: one track).
inline constexpr const char* kMprisObjectPath = "/org/mpris/MediaPlayer2";
inline constexpr const char* kMprisTrackId = "/org/kestrum/call";

// org.mpris.MediaPlayer2: who the player is, and closing or raising its window.
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)

  public:
    MprisRootAdaptor(QObject* object, MediaPlayerParts parts);

    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const;
    QString desktopEntry() const { return QStringLiteral("kestrum"); }
    QStringList supportedUriSchemes() const { return {}; }
    QStringList supportedMimeTypes() const { return {}; }

  public slots:
    void Raise();
    void Quit();

  private:
    MediaPlayerParts parts_;
};

// org.mpris.MediaPlayer2.Player: the transport. Next and Previous step forward and back by the
// step size; Rate is the play speed, one of the player's five.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ minimumRate)
    Q_PROPERTY(double MaximumRate READ maximumRate)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)

  public:
    MprisPlayerAdaptor(QObject* object, MediaPlayerParts parts);

    QString playbackStatus() const;
    double rate() const;
    void setRate(double rate);
    double minimumRate() const;
    double maximumRate() const;
    double volume() const;
    void setVolume(double volume);
    qlonglong position() const;
    QVariantMap metadata() const;
    bool canGoNext() const;
    bool canGoPrevious() const;
    bool canPlay() const { return true; }
    bool canPause() const { return true; }
    bool canSeek() const { return true; }
    bool canControl() const { return true; }

    // The properties that PropertiesChanged reports, as they now are.
    QVariantMap changingProperties() const;

  public slots:
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Next();
    void Previous();
    void Seek(qlonglong offset);
    void SetPosition(const QDBusObjectPath& trackId, qlonglong position);

  signals:
    void Seeked(qlonglong position);

  private:
    std::uint64_t framesAt(qlonglong microseconds) const;
    void moveTo(std::uint64_t frame);

    MediaPlayerParts parts_;
    QVariantMap fixedMetadata_; // what does not change while the call loads: names, title, file
};

} // namespace kestrum
