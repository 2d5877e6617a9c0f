#pragma once

#include "ui/SideWindow.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kestrum {

// The comment text stored in the recording, read-only, with its playing time.
class ExistingCommentsWindow : public SideWindow {
    Q_OBJECT

  public:
    explicit ExistingCommentsWindow(QWidget* owner);

    void clearComments();
    void showComments(const QString& text);
    // Start-up: no total until the window shows.
    void clearTotal();
    // The call's playing time, as it grows while the call loads: shown as the window shows.
    void setTotalSeconds(double seconds) { totalSeconds_ = seconds; }

  signals:
    // A timestamp in the comments ("[2:13]") was double-clicked: play from its second.
    void playFromSecondsRequested(int seconds);

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    double totalSeconds_ = 0;
    QPlainTextEdit* existingCommentsText_;
    QPushButton* closeButton_;
    QLabel* totalTimeLabel_;
};

// Where new comments are typed; Save writes them into the recording.
class NewCommentsWindow : public SideWindow {
    Q_OBJECT

  public:
    explicit NewCommentsWindow(QWidget* owner);

    // What the user typed.
    QString typedText() const;
    // Empties the text without counting as an edit: only the user's own edits make a save due.
    void clearQuietly();
    void setSaveEnabled(bool enabled);

  signals:
    void edited();
    void saveRequested();
    // Ctrl+T: the play position is to go into the text at the cursor (insertTimestamp).
    void timestampRequested();

  public:
    void insertTimestamp(const QString& timestamp);

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPlainTextEdit* newCommentsText_;
    QPushButton* saveButton_;
    QPushButton* closeButton_;
};

// Shown while the recording is rewritten.
class SavingFileWindow : public QDialog {
    Q_OBJECT

  public:
    explicit SavingFileWindow(QWidget* owner);

  private:
    QLabel* savingLabel_;
};

// A sunken aqua box for a total playing time.
QLabel* makeTotalTimeBox(QWidget* parent, const char* name);

} // namespace kestrum
