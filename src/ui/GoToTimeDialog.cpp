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
    promptLabel_ = new QLabel("&Go to time (m:ss, h:mm:ss or seconds):", this);
    timeEdit_ = new QLineEdit(this);
    timeEdit_->setObjectName("timeEdit");
    timeEdit_->setAccessibleName("Go to time");
    promptLabel_->setBuddy(timeEdit_);
    messageLabel_ = new QLabel(this);
    messageLabel_->setObjectName("messageLabel");
    messageLabel_->setTextFormat(Qt::PlainText);
    messageLabel_->setStyleSheet("QLabel { color: darkred; }");
    messageLabel_->hide();
    goButton_ = new QPushButton("Go", this);
    goButton_->setDefault(true);
    cancelButton_ = new QPushButton("Cancel", this);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(goButton_);
    buttons->addWidget(cancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(promptLabel_);
    layout->addWidget(timeEdit_);
    layout->addWidget(messageLabel_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(goButton_, &QPushButton::clicked, this, [this] { goClicked(); });
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void GoToTimeDialog::start() {
    timeEdit_->clear();
    messageLabel_->clear();
    messageLabel_->hide();
    timeEdit_->setAccessibleDescription(QString());
    open();
    if (parentWidget() != nullptr)
        move(parentWidget()->frameGeometry().center() - rect().center());
    timeEdit_->setFocus();
}

void GoToTimeDialog::showMessage(const QString& message) {
    messageLabel_->setText(message);
    messageLabel_->show();
    // A screen reader hears it with the field.
    timeEdit_->setAccessibleDescription(message);
    timeEdit_->selectAll();
    timeEdit_->setFocus();
}

void GoToTimeDialog::goClicked() {
    const QString typed = timeEdit_->text().trimmed();
    const std::optional<double> seconds = secondsOfTypedTime(typed.toStdString());
    if (!seconds) {
        showMessage(QString("\"%1\" is not a time: type m:ss, h:mm:ss or seconds").arg(typed));
        return;
    }
    const double length = callSeconds_;
    if (*seconds >= length) {
        showMessage(
            QString("%1 is past the end of the call (%2)")
                .arg(typed, QString::fromStdString(callTimeText(static_cast<int>(std::floor(length))))));
        return;
    }
    accept();
    emit goToRequested(*seconds);
}

} // namespace kestrum
