#include "ui/QtExportUi.h"

#include "app/PlayerState.h"
#include "platform/StderrMessenger.h"
#include "ui/PlayerWindow.h"
#include "ui/QtPlayerUi.h"

#include <QMessageBox>
#include <QThread>

#include <optional>

namespace kestrum {

namespace {

QColor fromBgr(std::uint32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

std::uint32_t toBgr(const QColor& colour) {
    return static_cast<std::uint32_t>(colour.red()) | (static_cast<std::uint32_t>(colour.green()) << 8) |
           (static_cast<std::uint32_t>(colour.blue()) << 16);
}

} // namespace

QtExportUi::QtExportUi(Messenger& messenger, const PlayerState& state, QtPlayerUi& windows)
    : messenger_(messenger), state_(state), windows_(windows) {}

bool QtExportUi::onGuiThread(std::function<void()> work) {
    if (QThread::currentThread() == thread()) {
        if (closing_)
            return false;
        work();
        return true;
    }
    // Posted, not sent blocking: a worker must not wait on a thread that waits for it at close.
    // The call owns the work and all it touches: once the player closes, the worker stops waiting
    // and returns while a question may still be open on the windows' thread.
    struct Call {
        std::function<void()> work;
        bool finished = false;
    };
    auto call = std::make_shared<Call>();
    call->work = std::move(work);
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (closing_)
            return false;
    }
    QMetaObject::invokeMethod(
        this,
        [this, call] {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                if (closing_)
                    return;
            }
            call->work();
            std::unique_lock<std::mutex> lock(mutex_);
            call->finished = true;
            done_.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] { return call->finished || closing_; });
    return call->finished;
}

template <typename Value> Value QtExportUi::fromGuiThread(std::function<Value()> compute, Value whenClosing) {
    auto value = std::make_shared<std::optional<Value>>();
    // Read only when the call finished: the windows' thread wrote it before saying so.
    if (!onGuiThread([value, compute = std::move(compute)] { *value = compute(); }))
        return whenClosing;
    return std::move(**value);
}

void QtExportUi::playerClosing() {
    std::unique_lock<std::mutex> lock(mutex_);
    closing_ = true;
    done_.notify_all();
}

void QtExportUi::showError(const std::string& text) {
    onGuiThread([this, text] { messenger_.showError(text); });
}

void QtExportUi::showInformation(const std::string& text) {
    onGuiThread([this, text] { messenger_.showInformation(text); });
}

bool QtExportUi::askQuestion(const std::string& text) {
    return fromGuiThread<bool>([this, text] { return messenger_.askQuestion(text); }, false);
}

bool QtExportUi::askNoByDefault(const std::string& question) {
    return fromGuiThread<bool>(
        [this, question] {
            if (unattendedAnswer())
                return messenger_.askQuestion(question);
            echoToStandardError(question);
            QMessageBox box(QMessageBox::Question, QString::fromLatin1(kProductTitle),
                            QString::fromLocal8Bit(question.c_str()), QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::No);
            box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
            return box.exec() == QMessageBox::Yes;
        },
        false);
}

ExportUi::ButtonLook QtExportUi::exportButtonLook() {
    return fromGuiThread<ButtonLook>(
        [this] {
            const PlayerWindow& window = *windows_.playerWindow();
            return ButtonLook{window.exportCaption().toStdString(), toBgr(window.exportCaptionColour())};
        },
        {});
}

void QtExportUi::setExportButtonLook(const ButtonLook& look) {
    onGuiThread([this, look] {
        windows_.playerWindow()->showExportCaption(QString::fromStdString(look.caption),
                                                   fromBgr(look.colour));
    });
}

bool QtExportUi::additionsPending() {
    return fromGuiThread<bool>([this] { return state_.recording.additionsPending; }, false);
}

void QtExportUi::saveComments() {
    onGuiThread([this] { windows_.saveFromWindows(); });
}

RecordingState QtExportUi::recordingSnapshot() {
    return fromGuiThread<RecordingState>([this] { return state_.recording.copyWithoutFile(); }, {});
}

void QtExportUi::normalizeTopMosts() {
    onGuiThread([this] { windows_.setSideWindowsOnTop(false); });
}

void QtExportUi::restoreTopMosts() {
    onGuiThread([this] { windows_.setSideWindowsOnTop(true); });
}

} // namespace kestrum
