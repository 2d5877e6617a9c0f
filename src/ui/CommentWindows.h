#pragma once

#include "ui/SideWindow.h"

#include <functional>

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kestrum {

// The comment text stored in the recording, read-only, with its playing time.
class ExistingCommentsWindow : public SideWindow {
    Q_OBJECT

  public:
    ExistingCommentsWindow(QWidget* owner, std::function<double()> totalSeconds);

    QPlainTextEdit* existingCommentsText;
    QPushButton* closeButton;
    QLabel* totalTimeLabel;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    std::function<double()> totalSeconds_;
};

// Where new comments are typed; Save writes them into the recording.
class NewCommentsWindow : public SideWindow {
    Q_OBJECT

  public:
    explicit NewCommentsWindow(QWidget* owner);

    QPlainTextEdit* newCommentsText;
    QPushButton* saveButton;
    QPushButton* closeButton;

  signals:
    void edited();
    void saveRequested();

  protected:
    void showEvent(QShowEvent* event) override;
};

// Shown while the recording is rewritten.
class SavingFileWindow : public QDialog {
    Q_OBJECT

  public:
    explicit SavingFileWindow(QWidget* owner);

    QLabel* savingLabel;
};

// A sunken aqua box for a total playing time.
QLabel* makeTotalTimeBox(QWidget* parent, const char* name);

} // namespace kestrum
