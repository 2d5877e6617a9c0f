#include "ui/FootPedal.h"

#include "platform/Reporter.h"
#include "ui/PlayerPresenter.h"

#include <QSocketNotifier>
#include <QTimer>

#include <array>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace kestrum {

namespace {

constexpr int kRepeatMilliseconds = 500;
constexpr int kLookAgainMilliseconds = 1000;

} // namespace

FootPedal::FootPedal(PlayerPresenter& transport, Reporter& reporter, std::string configuredPath)
    : transport_(transport), reporter_(reporter), configuredPath_(std::move(configuredPath)),
      retry_(new QTimer(this)), repeat_(new QTimer(this)) {
    retry_->setInterval(kLookAgainMilliseconds);
    connect(retry_, &QTimer::timeout, this, &FootPedal::tryToOpen);
    repeat_->setInterval(kRepeatMilliseconds);
    connect(repeat_, &QTimer::timeout, this, &FootPedal::stepHeld);
    tryToOpen();
}

FootPedal::~FootPedal() {
    playingHeld_ = false; // the player is closing: nothing more to pause
    closeDevice();
}

void FootPedal::tryToOpen() {
    path_ = configuredPath_.empty() ? findFootPedal() : configuredPath_;
    fd_ = path_.empty() ? -1 : openInputDevice(path_);
    if (fd_ < 0) {
        if (!path_.empty() && failureLogged_ != path_) {
            reporter_.logOnly("The foot pedal %s cannot be opened: %s", path_.c_str(), std::strerror(errno));
            failureLogged_ = path_;
        }
        retry_->start();
        return;
    }
    retry_->stop();
    failureLogged_.clear();
    decoder_ = InputEventDecoder();
    readable_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(readable_, &QSocketNotifier::activated, this, &FootPedal::readEvents);
}

// Everything there is, without waiting; the end of the device (unplugged, or the FIFO's writer
// gone) closes it and looks for it again.
void FootPedal::readEvents() {
    std::array<unsigned char, 4096> bytes{};
    for (;;) {
        const ssize_t got = ::read(fd_, bytes.data(), bytes.size());
        if (got > 0) {
            for (const PedalEvent& event : decoder_.decode(bytes.data(), static_cast<std::size_t>(got)))
                pedalMoved(event);
            if (fd_ < 0)
                return;
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        closeDevice();
        retry_->start();
        return;
    }
}

void FootPedal::closeDevice() {
    delete readable_;
    readable_ = nullptr;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    repeat_->stop();
    stepping_.reset();
    // A pedal that goes while held lets go of the play it held.
    if (playingHeld_) {
        playingHeld_ = false;
        transport_.pause();
    }
}

void FootPedal::pedalMoved(const PedalEvent& event) {
    if (event.pedal == Pedal::Middle) {
        playingHeld_ = event.pressed;
        if (event.pressed)
            transport_.play();
        else
            transport_.pause();
        return;
    }
    if (!event.pressed) {
        if (stepping_ == event.pedal) {
            stepping_.reset();
            repeat_->stop();
        }
        return;
    }
    stepping_ = event.pedal;
    stepHeld();
    repeat_->start();
}

void FootPedal::stepHeld() {
    if (stepping_)
        transport_.press(*stepping_ == Pedal::Left ? TransportControl::Back : TransportControl::Step);
}

} // namespace kestrum
