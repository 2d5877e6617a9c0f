#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrum {

// A time to go to in the call, typed as m:ss, h:mm:ss or seconds. A text that is no time, or a
// time past the call's end, keeps the box open with a message saying so, and nothing moves.
class GoToTimeDialog : public QDialog {
    Q_OBJECT

  public:
    explicit GoToTimeDialog(QWidget* owner);

    // The call's length: a time at or past it is refused.
    void setCallSeconds(double seconds) { callSeconds_ = seconds; }
    // Shows the box empty, without a message, over its owner.
    void start();

  signals:
    // Go, with a time within the call.
    void goToRequested(double seconds);

  private:
    void goClicked();
    void showMessage(const QString& message);

    double callSeconds_ = 0;
    QLabel* promptLabel_;
    QLineEdit* timeEdit_;
    QLabel* messageLabel_;
    QPushButton* goButton_;
    QPushButton* cancelButton_;
};

} // namespace kestrum
