#include "ui/QtExportUi.h"

#include "app/Player.h"
#include "platform/StderrMessenger.h"
#include "ui/PlayerWindow.h"
#include "ui/QtPlayerUi.h"

#include <QMessageBox>
#include <QPushButton>
#include <QThread>

namespace kestrum {

namespace {

QColor fromBgr(std::uint32_t colour) { return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF); }

std::uint32_t toBgr(const QColor& colour) {
    return static_cast<std::uint32_t>(colour.red()) | (static_cast<std::uint32_t>(colour.green()) << 8) |
           (static_cast<std::uint32_t>(colour.blue()) << 16);
}

} // namespace

QtExportUi::QtExportUi(Player& player, QtPlayerUi& windows) : player_(player), windows_(windows) {}

void QtExportUi::onGuiThread(const std::function<void()>& work) {
    if (QThread::currentThread() == thread())
        work();
    else
        QMetaObject::invokeMethod(this, work, Qt::BlockingQueuedConnection);
}

void QtExportUi::showError(const std::string& text) {
    onGuiThread([&] { player_.messenger().showError(text); });
}

void QtExportUi::showInformation(const std::string& text) {
    onGuiThread([&] { player_.messenger().showInformation(text); });
}

bool QtExportUi::askQuestion(const std::string& text) {
    bool answer = false;
    onGuiThread([&] { answer = player_.messenger().askQuestion(text); });
    return answer;
}

bool QtExportUi::askNoByDefault(const std::string& question) {
    bool answer = false;
    onGuiThread([&] {
        if (unattendedAnswer()) {
            answer = player_.messenger().askQuestion(question);
            return;
        }
        echoToStandardError(question);
        QMessageBox box(QMessageBox::Question, QString::fromLatin1(kProductTitle), QString::fromLocal8Bit(question.c_str()),
                        QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        answer = box.exec() == QMessageBox::Yes;
    });
    return answer;
}

ExportUi::ButtonLook QtExportUi::exportButtonLook() {
    ButtonLook look;
    onGuiThread([&] {
        const QPushButton* button = windows_.playerWindow()->ExportBtn;
        look.caption = button->text().toStdString();
        look.colour = toBgr(button->palette().color(QPalette::ButtonText));
    });
    return look;
}

void QtExportUi::setExportButtonLook(const ButtonLook& look) {
    onGuiThread([&] {
        QPushButton* button = windows_.playerWindow()->ExportBtn;
        QPalette palette = button->palette();
        palette.setColor(QPalette::ButtonText, fromBgr(look.colour));
        button->setPalette(palette);
        button->setText(QString::fromStdString(look.caption));
        button->setAccessibleName(button->text().remove('&'));
    });
}

bool QtExportUi::additionsPending() {
    bool pending = false;
    onGuiThread([&] { pending = player_.state().recording.additionsPending; });
    return pending;
}

void QtExportUi::saveComments() {
    onGuiThread([&] { windows_.saveFromWindows(); });
}

RecordingState QtExportUi::recordingSnapshot() {
    RecordingState copy;
    onGuiThread([&] { copy = player_.state().recording.copyWithoutFile(); });
    return copy;
}

void QtExportUi::normalizeTopMosts() {
    onGuiThread([&] { windows_.setSideWindowsOnTop(false); });
}

void QtExportUi::restoreTopMosts() {
    onGuiThread([&] { windows_.setSideWindowsOnTop(true); });
}

} // namespace kestrum
