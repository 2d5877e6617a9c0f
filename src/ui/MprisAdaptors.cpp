#include "ui/MprisAdaptors.h"

#include "app/PlayerState.h"
#include "audio/PlaybackSession.h"
#include "platform/Messenger.h"
#include "recording/CallNames.h"
#include "ui/PlayerPresenter.h"

#include <QWidget>

#include <QDBusObjectPath>
#include <QFile>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace kestrum {

namespace {

constexpr qlonglong kMicroseconds = 1000000;

qlonglong microsecondsOf(const FrameClock& clock, std::uint64_t frames) {
    if (clock.framesPerSecond() == 0)
        return 0;
    return static_cast<qlonglong>(frames / clock.framesPerSecond() * kMicroseconds +
                                  frames % clock.framesPerSecond() * kMicroseconds / clock.framesPerSecond());
}

// The player's speed nearest to a rate (a rate outside them takes the nearest end).
Speed speedNearest(double rate) {
    Speed nearest;
    for (int position = 0; position < Speed::kCount; ++position) {
        const Speed speed = *Speed::ofPosition(position);
        if (std::abs(speed.factor() - rate) < std::abs(nearest.factor() - rate))
            nearest = speed;
    }
    return nearest;
}

} // namespace

// --- org.mpris.MediaPlayer2 ---------------------------------------------------------------

MprisRootAdaptor::MprisRootAdaptor(QObject* object, MediaPlayerParts parts)
    : QDBusAbstractAdaptor(object), parts_(parts) {}

QString MprisRootAdaptor::identity() const {
    return QString::fromLatin1(kProductTitle);
}

void MprisRootAdaptor::Raise() {
    parts_.window.showNormal();
    parts_.window.raise();
    parts_.window.activateWindow();
}

// As the Close button: the shutdown asks about unsaved additions.
void MprisRootAdaptor::Quit() {
    parts_.window.close();
}

// --- org.mpris.MediaPlayer2.Player --------------------------------------------------------

MprisPlayerAdaptor::MprisPlayerAdaptor(QObject* object, MediaPlayerParts parts)
    : QDBusAbstractAdaptor(object), parts_(parts) {
    // The header's text is the recording's Windows-1252, decoded as every window decodes it.
    const CallNames names = callNamesOf(parts.state.recording);
    fixedMetadata_.insert("mpris:trackid", QVariant::fromValue(QDBusObjectPath(kMprisTrackId)));
    fixedMetadata_.insert("xesam:title", QString::fromStdString(names.title));
    if (!names.artist.empty())
        fixedMetadata_.insert("xesam:artist", QStringList{QString::fromStdString(names.artist)});
    const std::string& path = parts.state.recording.recordingPath;
    fixedMetadata_.insert("xesam:url", QUrl::fromLocalFile(QFile::decodeName(path.c_str())).toString());
}

QString MprisPlayerAdaptor::playbackStatus() const {
    const PlaybackSnapshot shown = parts_.session.snapshot();
    if (shown.playing())
        return QStringLiteral("Playing");
    return shown.position == 0 ? QStringLiteral("Stopped") : QStringLiteral("Paused");
}

double MprisPlayerAdaptor::rate() const {
    return parts_.session.snapshot().speed.factor();
}

void MprisPlayerAdaptor::setRate(double rate) {
    if (rate > 0 && std::isfinite(rate))
        parts_.transport.setSpeed(speedNearest(rate));
}

double MprisPlayerAdaptor::minimumRate() const {
    return Speed::ofPosition(0)->factor();
}

double MprisPlayerAdaptor::maximumRate() const {
    return Speed::ofPosition(Speed::kCount - 1)->factor();
}

double MprisPlayerAdaptor::volume() const {
    const int bar = parts_.session.snapshot().volume.barPosition();
    return static_cast<double>(Volume::kSteps - bar) / Volume::kSteps;
}

void MprisPlayerAdaptor::setVolume(double volume) {
    if (!std::isfinite(volume))
        return;
    const double level = std::clamp(volume, 0.0, 1.0) * Volume::kSteps;
    parts_.transport.setVolume(Volume::ofBar(Volume::kSteps - static_cast<int>(std::lround(level))));
}

qlonglong MprisPlayerAdaptor::position() const {
    return microsecondsOf(parts_.session.clock(), parts_.session.snapshot().position);
}

QVariantMap MprisPlayerAdaptor::metadata() const {
    QVariantMap shown = fixedMetadata_;
    shown.insert("mpris:length", microsecondsOf(parts_.session.clock(), parts_.session.snapshot().length));
    return shown;
}

bool MprisPlayerAdaptor::canGoNext() const {
    return parts_.session.snapshot().controls[TransportControl::Step];
}

bool MprisPlayerAdaptor::canGoPrevious() const {
    return parts_.session.snapshot().controls[TransportControl::Back];
}

QVariantMap MprisPlayerAdaptor::changingProperties() const {
    return {{"PlaybackStatus", playbackStatus()},
            {"Rate", rate()},
            {"Volume", volume()},
            {"Metadata", metadata()},
            {"CanGoNext", canGoNext()},
            {"CanGoPrevious", canGoPrevious()}};
}

void MprisPlayerAdaptor::Play() {
    parts_.transport.play();
}

void MprisPlayerAdaptor::Pause() {
    parts_.transport.pause();
}

void MprisPlayerAdaptor::PlayPause() {
    parts_.transport.playOrPause();
}

// Stopped is paused at the start.
void MprisPlayerAdaptor::Stop() {
    parts_.transport.pause();
    parts_.transport.press(TransportControl::Restart);
}

void MprisPlayerAdaptor::Next() {
    parts_.transport.press(TransportControl::Step);
}

void MprisPlayerAdaptor::Previous() {
    parts_.transport.press(TransportControl::Back);
}

std::uint64_t MprisPlayerAdaptor::framesAt(qlonglong microseconds) const {
    return parts_.session.clock().framesAt(static_cast<double>(microseconds) / kMicroseconds);
}

void MprisPlayerAdaptor::moveTo(std::uint64_t frame) {
    parts_.transport.moveTo(frame);
    emit Seeked(position());
}

void MprisPlayerAdaptor::Seek(qlonglong offset) {
    const qlonglong target = std::max<qlonglong>(0, position() + offset);
    moveTo(std::min(framesAt(target), parts_.session.snapshot().length));
}

// A position for another track, or outside the call, is ignored.
void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& trackId, qlonglong position) {
    if (trackId.path() != QLatin1String(kMprisTrackId) || position < 0)
        return;
    const std::uint64_t frame = framesAt(position);
    if (frame <= parts_.session.snapshot().length)
        moveTo(frame);
}

} // namespace kestrum
