#include "ui/CommentWindows.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrum {

namespace {

QPlainTextEdit* makeMemo(QWidget* parent, bool readOnly, const char* hint, const char* accessibleName) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName("Memo1");
    memo->setReadOnly(readOnly);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setToolTip(hint);
    memo->setAccessibleDescription(hint);
    memo->setAccessibleName(accessibleName);
    return memo;
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption, const char* accessibleName,
                        const char* hint) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(accessibleName);
    button->setToolTip(hint);
    button->setAccessibleDescription(hint);
    return button;
}

} // namespace

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
    Memo1 = makeMemo(this, true, "Comments Stored In Recording", "Existing comments");
    CloseBtn = makeButton(this, "CloseBtn", "&Close Window", "Close Window", "Close This Window");
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
    Memo1 = makeMemo(this, false, "Type New Comments Here", "New comments");
    SaveBtn = makeButton(this, "SaveBtn", "&Save", "Save", "Permanently Add All New Comments");
    SaveBtn->setEnabled(false);
    CloseBtn = makeButton(this, "CloseBtn", "&Close Window", "Close Window", "Close This Window");
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
