#pragma once

#include "ui/SideWindow.h"

#include <functional>
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
    ScannedWordWindow(QWidget* owner, std::function<double()> totalSeconds);

    // The list's lines, as stored (keywordLineForDisplay shows them).
    void clearList();
    void addLine(const std::string& line);
    void setSaveEnabled(bool enabled);
    // Start-up: no total until the window shows.
    void clearTotal();

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

    std::function<double()> totalSeconds_;
    QPlainTextEdit* keywordList_;
    QPushButton* closeButton_;
    QPushButton* saveButton_;
    QLabel* totalSecondsLabel_;
};

} // namespace kestrum
