#pragma once

#include <QDialog>
#include <QKeySequence>
#include <QString>

#include <vector>

class QPushButton;
class QTextBrowser;

namespace kestrum {

// A key of the player and what it does, as the player window installs it.
struct KeyHelp {
    QKeySequence key;
    QString does;
};

// F1: the player's keys, the Alt letters of its buttons, the listening aids, the foot pedal and
// the media keys, as text a screen reader reads line by line. Not modal: the player goes on with
// it open; Escape closes it.
class HelpWindow : public QDialog {
    Q_OBJECT

  public:
    explicit HelpWindow(QWidget* owner);

    // Fills the help from what the player window has (its keys, the underlined letters of the
    // controls in `window`, the aids' controls with their hints) and shows it.
    void showHelp(const std::vector<KeyHelp>& keys, const QWidget& window,
                  const std::vector<const QWidget*>& aids);

  private:
    QTextBrowser* helpText_;
    QPushButton* closeButton_;
};

} // namespace kestrum
