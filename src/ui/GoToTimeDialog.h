#pragma once

#include <QDialog>

#include <functional>

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

    // The call's length in seconds, and the move to a time within it.
    std::function<double()> callSeconds;
    std::function<void(double seconds)> goTo;

    // Shows the box empty, without a message, over its owner.
    void start();

    QLabel* promptLabel;
    QLineEdit* timeEdit;
    QLabel* messageLabel;
    QPushButton* goButton;
    QPushButton* cancelButton;

  private:
    void goClicked();
    void showMessage(const QString& message);
};

} // namespace kestrum
