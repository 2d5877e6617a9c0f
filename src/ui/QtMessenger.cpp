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

// The boxes waiting for a click now, the innermost last.
std::vector<QMessageBox*> openBoxes;

// Shows the box and returns the button clicked. After a termination signal none waits: the answer
// is then the box's Escape button (OK, or No to a question).
QMessageBox::StandardButton showBox(QMessageBox::Icon icon, const std::string& text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton escape) {
    echoToStandardError(text);
    if (terminationRequested())
        return escape;
    QMessageBox box(icon, QString::fromLatin1(kProductTitle), QString::fromLocal8Bit(text.c_str()), buttons);
    box.setTextFormat(Qt::PlainText);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.setEscapeButton(escape);
    openBoxes.push_back(&box);
    const auto clicked = static_cast<QMessageBox::StandardButton>(box.exec());
    openBoxes.erase(std::find(openBoxes.begin(), openBoxes.end(), &box));
    return terminationRequested() ? escape : clicked;
}

} // namespace

void QtMessenger::showError(const std::string& text) {
    showBox(QMessageBox::Critical, text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtMessenger::showInformation(const std::string& text) {
    showBox(QMessageBox::Information, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtMessenger::askQuestion(const std::string& text) {
    return showBox(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

void endOpenMessageBoxes() {
    // Each exec() returns once the loops inside it have ended, the innermost first.
    for (QMessageBox* box : std::vector<QMessageBox*>(openBoxes))
        box->escapeButton()->click();
}

std::unique_ptr<Messenger> makeMessenger() {
    if (const std::optional<bool> answer = unattendedAnswer())
        return std::make_unique<UnattendedMessenger>(*answer);
    return std::make_unique<QtMessenger>();
}

} // namespace kestrum
