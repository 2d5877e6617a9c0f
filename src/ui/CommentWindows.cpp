#include "ui/CommentWindows.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrum {

QLabel* makeTotalTimeBox(QWidget* parent, const char* name) {
    auto* box = new QLabel(parent);
    box->setObjectName(name);
    box->setTextFormat(Qt::PlainText);
    box->setAlignment(Qt::AlignCenter);
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    box->setStyleSheet("QLabel { background-color: aqua; font-size: 17px; }");
    box->setToolTip("The Total Playing Time of the Recording");
    box->setAccessibleDescription(box->toolTip());
    return box;
}

ExistingCommentsWindow::ExistingCommentsWindow(QWidget* owner, std::function<double()> totalSeconds)
    : SideWindow(owner, "Existing Comments", QSize(316, 207), QSize(267, 188), 14),
      totalSeconds_(std::move(totalSeconds)) {
    setObjectName("ECommentsFrm");
    Memo1 = makeSideMemo(this, true, "Comments Stored In Recording", "Existing comments");
    CloseBtn = makeSideButton(this, "CloseBtn", "&Close Window", "Close Window", "Close This Window");
    TotalTimeText = makeTotalTimeBox(this, "TotalTimeText");
    connect(CloseBtn, &QPushButton::clicked, this, &QWidget::hide);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 5);
    layout->addWidget(Memo1, 1);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(5, 0, 5, 0);
    row->addWidget(CloseBtn);
    row->addStretch(1);
    row->addWidget(TotalTimeText);
    layout->addLayout(row);
}

void ExistingCommentsWindow::showEvent(QShowEvent* event) {
    SideWindow::showEvent(event);
    TotalTimeText->setText(totalTimeText(totalSeconds_ ? totalSeconds_() : 0.0));
    Memo1->setFocus();
}

NewCommentsWindow::NewCommentsWindow(QWidget* owner)
    : SideWindow(owner, "New Comments", QSize(275, 197), QSize(275, 197), 14) {
    setObjectName("CommentsFrm");
    Memo1 = makeSideMemo(this, false, "Type New Comments Here", "New comments");
    SaveBtn = makeSideButton(this, "SaveBtn", "&Save", "Save", "Permanently Add All New Comments");
    SaveBtn->setEnabled(false);
    CloseBtn = makeSideButton(this, "CloseBtn", "&Close Window", "Close Window", "Close This Window");
    connect(CloseBtn, &QPushButton::clicked, this, &QWidget::hide);
    connect(SaveBtn, &QPushButton::clicked, this, &NewCommentsWindow::saveRequested);
    connect(Memo1, &QPlainTextEdit::textChanged, this, &NewCommentsWindow::edited);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 5);
    layout->addWidget(Memo1, 1);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(5, 0, 5, 0);
    row->addWidget(CloseBtn);
    row->addStretch(1);
    row->addWidget(SaveBtn);
    layout->addLayout(row);
}

void NewCommentsWindow::showEvent(QShowEvent* event) {
    SideWindow::showEvent(event);
    Memo1->setFocus();
}

SavingFileWindow::SavingFileWindow(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    setObjectName("SavingFileFrm");
    setWindowTitle("Saving File");
    SavingFileText = new QLabel("Saving File Please Wait", this);
    SavingFileText->setObjectName("SavingFileText");
    QFont font = SavingFileText->font();
    font.setPixelSize(13);
    SavingFileText->setFont(font);
    SavingFileText->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SavingFileText);
    setFixedSize(171, 54);
}

} // namespace kestrum
