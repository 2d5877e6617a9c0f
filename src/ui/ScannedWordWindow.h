#pragma once

#include "ui/SideWindow.h"

#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kestrum {

// The recording's keywords with their positions in seconds; a double-click on
// a seconds value plays from there.
class ScannedWordWindow : public SideWindow {
    Q_OBJECT

  public:
    explicit ScannedWordWindow(QWidget* owner);

    // The list's lines, as stored (keywordLineForDisplay shows them).
    void clearList();
    void addLine(const std::string& line);
    void setSaveEnabled(bool enabled);
    // Start-up: no total until the window shows.
    void clearTotal();
    // The call's playing time, as it grows while the call loads: shown as the window shows.
    void setTotalSeconds(double seconds) { totalSeconds_ = seconds; }

    // The seconds value a double-click at `position` in a list line picks, or 0 when the click is
    // on no seconds value (a keyword, the heading, a blank).
    static int secondsAt(const QString& line, int position);

  signals:
    void playFromSecondsRequested(int seconds);
    void saveRequested();

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void widenForHeading();

    double totalSeconds_ = 0;
    QPlainTextEdit* keywordList_;
    QPushButton* closeButton_;
    QPushButton* saveButton_;
    QLabel* totalSecondsLabel_;
};

} // namespace kestrum
