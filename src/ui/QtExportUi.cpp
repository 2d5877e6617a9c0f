#include "ui/QtExportUi.h"

#include "app/PlayerState.h"
#include "platform/StderrMessenger.h"
#include "ui/PlayerWindow.h"
#include "ui/QtPlayerUi.h"

#include <QMessageBox>
#include <QPushButton>
#include <QThread>

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

bool QtExportUi::onGuiThread(const std::function<void()>& work) {
    if (QThread::currentThread() == thread()) {
        if (closing_)
            return false;
        work();
        return true;
    }
    // Posted, not sent blocking: a worker must not wait on a thread that waits for it at close.
    struct Call {
        std::function<void()> work;
        bool finished = false;
    };
    auto call = std::make_shared<Call>();
    call->work = work;
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

void QtExportUi::playerClosing() {
    std::unique_lock<std::mutex> lock(mutex_);
    closing_ = true;
    done_.notify_all();
}

void QtExportUi::showError(const std::string& text) {
    onGuiThread([&] { messenger_.showError(text); });
}

void QtExportUi::showInformation(const std::string& text) {
    onGuiThread([&] { messenger_.showInformation(text); });
}

bool QtExportUi::askQuestion(const std::string& text) {
    bool answer = false;
    onGuiThread([&] { answer = messenger_.askQuestion(text); });
    return answer;
}

bool QtExportUi::askNoByDefault(const std::string& question) {
    bool answer = false;
    onGuiThread([&] {
        if (unattendedAnswer()) {
            answer = messenger_.askQuestion(question);
            return;
        }
        echoToStandardError(question);
        QMessageBox box(QMessageBox::Question, QString::fromLatin1(kProductTitle),
                        QString::fromLocal8Bit(question.c_str()), QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        answer = box.exec() == QMessageBox::Yes;
    });
    return answer;
}

ExportUi::ButtonLook QtExportUi::exportButtonLook() {
    ButtonLook look;
    onGuiThread([&] {
        const QPushButton* button = windows_.playerWindow()->exportButton;
        look.caption = button->text().toStdString();
        look.colour = toBgr(button->palette().color(QPalette::ButtonText));
    });
    return look;
}

void QtExportUi::setExportButtonLook(const ButtonLook& look) {
    onGuiThread([&] {
        QPushButton* button = windows_.playerWindow()->exportButton;
        QPalette palette = button->palette();
        palette.setColor(QPalette::ButtonText, fromBgr(look.colour));
        button->setPalette(palette);
        button->setText(QString::fromStdString(look.caption));
        button->setAccessibleName(button->text().remove('&'));
    });
}

bool QtExportUi::additionsPending() {
    bool pending = false;
    onGuiThread([&] { pending = state_.recording.additionsPending; });
    return pending;
}

void QtExportUi::saveComments() {
    onGuiThread([&] { windows_.saveFromWindows(); });
}

RecordingState QtExportUi::recordingSnapshot() {
    RecordingState copy;
    onGuiThread([&] { copy = state_.recording.copyWithoutFile(); });
    return copy;
}

void QtExportUi::normalizeTopMosts() {
    onGuiThread([&] { windows_.setSideWindowsOnTop(false); });
}

void QtExportUi::restoreTopMosts() {
    onGuiThread([&] { windows_.setSideWindowsOnTop(true); });
}

} // namespace kestrum
