#include "ui/GoToTimeDialog.h"

#include "app/PlaybackTexts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace kestrum {

GoToTimeDialog::GoToTimeDialog(QWidget* owner) : QDialog(owner) {
    setObjectName("goToTimeDialog");
    setWindowTitle("Go to time");
    promptLabel = new QLabel("&Go to time (m:ss, h:mm:ss or seconds):", this);
    timeEdit = new QLineEdit(this);
    timeEdit->setObjectName("timeEdit");
    timeEdit->setAccessibleName("Go to time");
    promptLabel->setBuddy(timeEdit);
    messageLabel = new QLabel(this);
    messageLabel->setObjectName("messageLabel");
    messageLabel->setTextFormat(Qt::PlainText);
    messageLabel->setStyleSheet("QLabel { color: darkred; }");
    messageLabel->hide();
    goButton = new QPushButton("Go", this);
    goButton->setDefault(true);
    cancelButton = new QPushButton("Cancel", this);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(goButton);
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(promptLabel);
    layout->addWidget(timeEdit);
    layout->addWidget(messageLabel);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(goButton, &QPushButton::clicked, this, [this] { goClicked(); });
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void GoToTimeDialog::start() {
    timeEdit->clear();
    messageLabel->clear();
    messageLabel->hide();
    timeEdit->setAccessibleDescription(QString());
    open();
    if (parentWidget() != nullptr)
        move(parentWidget()->frameGeometry().center() - rect().center());
    timeEdit->setFocus();
}

void GoToTimeDialog::showMessage(const QString& message) {
    messageLabel->setText(message);
    messageLabel->show();
    // A screen reader hears it with the field.
    timeEdit->setAccessibleDescription(message);
    timeEdit->selectAll();
    timeEdit->setFocus();
}

void GoToTimeDialog::goClicked() {
    const QString typed = timeEdit->text().trimmed();
    const std::optional<double> seconds = secondsOfTypedTime(typed.toStdString());
    if (!seconds) {
        showMessage(QString("\"%1\" is not a time: type m:ss, h:mm:ss or seconds").arg(typed));
        return;
    }
    const double length = callSeconds ? callSeconds() : 0;
    if (*seconds >= length) {
        showMessage(
            QString("%1 is past the end of the call (%2)")
                .arg(typed, QString::fromStdString(callTimeText(static_cast<int>(std::floor(length))))));
        return;
    }
    accept();
    if (goTo)
        goTo(*seconds);
}

} // namespace kestrum
