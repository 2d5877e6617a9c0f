#include "ui/QtMessenger.h"

#include "platform/StderrMessenger.h"

#include <QMessageBox>
#include <QString>

namespace kestrum {

namespace {

QMessageBox::StandardButton showBox(QMessageBox::Icon icon, const std::string& text,
                                    QMessageBox::StandardButtons buttons) {
    echoToStandardError(text);
    QMessageBox box(icon, QString::fromLatin1(kProductTitle), QString::fromLocal8Bit(text.c_str()), buttons);
    box.setTextFormat(Qt::PlainText);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

void QtMessenger::showError(const std::string& text) {
    showBox(QMessageBox::Critical, text, QMessageBox::Ok);
}

void QtMessenger::showInformation(const std::string& text) {
    showBox(QMessageBox::Information, text, QMessageBox::Ok);
}

bool QtMessenger::askQuestion(const std::string& text) {
    return showBox(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::unique_ptr<Messenger> makeMessenger() {
    if (const std::optional<bool> answer = unattendedAnswer())
        return std::make_unique<UnattendedMessenger>(*answer);
    return std::make_unique<QtMessenger>();
}

} // namespace kestrum
