#pragma once

#include <QDialog>

#include <functional>

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

    // Called by Add with the keyword and the seconds before; true when the keyword was added.
    std::function<bool(const QString& keyword, int secondsBefore)> addScannedWord;

    QLabel* keywordLabel;
    QLineEdit* keywordEdit;
    SwitchSlider* secondsBeforeSwitch;
    QLabel* secondsBeforeLabel;
    // "Marks the call at m:ss.t": the play position less the seconds before.
    QLabel* markLabel;
    QPushButton* addButton;
    QPushButton* cancelButton;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void addClicked();
    void showMark();

    double playSeconds_ = 0;
};

} // namespace kestrum
