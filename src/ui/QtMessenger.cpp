#include "ui/QtMessenger.h"

#include "platform/StderrMessenger.h"
#include "ui/TerminationSignals.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QString>

#include <algorithm>
#include <vector>

namespace kestrum {

namespace {

// The message boxes (OK alone) waiting for a click now, the innermost last.
std::vector<QMessageBox*> openMessages;

// Shows the box and returns the button clicked. After a termination signal a message does not wait
// (its text goes to standard error only); a question still does, since what hangs on its answer is
// the user's work (the shutdown's "Save New Additions?").
QMessageBox::StandardButton showBox(QMessageBox::Icon icon, const std::string& text,
                                    QMessageBox::StandardButtons buttons) {
    echoToStandardError(text);
    const bool message = buttons == QMessageBox::Ok;
    if (message && terminationRequested())
        return QMessageBox::Ok;
    QMessageBox box(icon, QString::fromLatin1(kProductTitle), QString::fromLocal8Bit(text.c_str()), buttons);
    box.setTextFormat(Qt::PlainText);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (message)
        openMessages.push_back(&box);
    const auto clicked = static_cast<QMessageBox::StandardButton>(box.exec());
    if (message)
        openMessages.erase(std::find(openMessages.begin(), openMessages.end(), &box));
    return clicked;
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

Messenger::Answer QtMessenger::askQuestionOrCancel(const std::string& text) {
    switch (showBox(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

void endOpenMessages() {
    // Each exec() returns once the loops inside it have ended, the innermost first.
    for (QMessageBox* box : std::vector<QMessageBox*>(openMessages))
        box->button(QMessageBox::Ok)->click();
}

std::unique_ptr<Messenger> makeMessenger() {
    if (const std::optional<bool> answer = unattendedAnswer())
        return std::make_unique<UnattendedMessenger>(*answer);
    return std::make_unique<QtMessenger>();
}

} // namespace kestrum
