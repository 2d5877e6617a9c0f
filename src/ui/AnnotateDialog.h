#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrum {

class SwitchSlider;

// A keyword to add at the play position, with how many seconds before it playback
// from the keyword should start. Add keeps the dialog open when the keyword is refused.
class AnnotateDialog : public QDialog {
    Q_OBJECT

  public:
    explicit AnnotateDialog(QWidget* owner);

    // Shows the dialog for a keyword at `playSeconds` of the call, saying where it will mark the
    // call, and waits for Add or Cancel.
    int ask(double playSeconds);

    // Start-up: no keyword typed.
    void clearKeyword();

  signals:
    // Add, with the keyword and the seconds before: a receiver that adds it closes the dialog
    // (accept); one refused leaves it open.
    void addRequested(const QString& keyword, int secondsBefore);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void addClicked();
    void showMark();

    double playSeconds_ = 0;
    QLabel* keywordLabel_;
    QLineEdit* keywordEdit_;
    SwitchSlider* secondsBeforeSwitch_;
    QLabel* secondsBeforeLabel_;
    // "Marks the call at m:ss.t": the play position less the seconds before.
    QLabel* markLabel_;
    QPushButton* addButton_;
    QPushButton* cancelButton_;
};

} // namespace kestrum
