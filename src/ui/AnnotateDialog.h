#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrum {

class SwitchSlider;

// TAnnotateFrm: a keyword to add at the play position, with how many seconds before it playback
// from the keyword should start. Add keeps the dialog open when the keyword is refused.
class AnnotateDialog : public QDialog {
    Q_OBJECT

  public:
    explicit AnnotateDialog(QWidget* owner);

    // Called by Add with the keyword and the seconds before; true when the keyword was added.
    std::function<bool(const QString& keyword, int secondsBefore)> addScannedWord;

    QLabel* KeyWordLable;
    QLineEdit* KeyWordEdit;
    SwitchSlider* SecondsBeforeiSwitchSlider;
    QLabel* SecondsBeforeLabel;
    QPushButton* AddBtn;
    QPushButton* CancelBtn;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void AddBtnClick();
};

} // namespace kestrum
