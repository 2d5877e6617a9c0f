#pragma once

#include "ui/SideWindow.h"

#include <functional>

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kestrum {

// TECommentsFrm: the comment text stored in the recording, read-only, with its playing time.
class ExistingCommentsWindow : public SideWindow {
    Q_OBJECT

  public:
    ExistingCommentsWindow(QWidget* owner, std::function<double()> totalSeconds);

    QPlainTextEdit* Memo1;
    QPushButton* CloseBtn;
    QLabel* TotalTimeText;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    std::function<double()> totalSeconds_;
};

// TCommentsFrm: where new comments are typed; Save writes them into the recording.
class NewCommentsWindow : public SideWindow {
    Q_OBJECT

  public:
    explicit NewCommentsWindow(QWidget* owner);

    QPlainTextEdit* Memo1;
    QPushButton* SaveBtn;
    QPushButton* CloseBtn;

  signals:
    void edited();
    void saveRequested();

  protected:
    void showEvent(QShowEvent* event) override;
};

// TSavingFileFrm: shown while the recording is rewritten.
class SavingFileWindow : public QDialog {
    Q_OBJECT

  public:
    explicit SavingFileWindow(QWidget* owner);

    QLabel* SavingFileText;
};

// A sunken aqua box for a total playing time.
QLabel* makeTotalTimeBox(QWidget* parent, const char* name);

} // namespace kestrum
