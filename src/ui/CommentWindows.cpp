#include "ui/CommentWindows.h"

#include "app/PlaybackTexts.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextBlock>
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

ExistingCommentsWindow::ExistingCommentsWindow(QWidget* owner)
    : SideWindow(owner, "Existing Comments", QSize(316, 207), QSize(267, 188), 14) {
    setObjectName("existingCommentsWindow");
    existingCommentsText_ =
        makeSideMemo(this, "existingCommentsText", true, "Comments Stored In Recording", "Existing comments");
    closeButton_ = makeSideButton(this, "closeButton", "&Close Window", "Close Window", "Close This Window");
    totalTimeLabel_ = makeTotalTimeBox(this, "totalTimeLabel");
    connect(closeButton_, &QPushButton::clicked, this, &QWidget::hide);
    existingCommentsText_->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 5);
    layout->addWidget(existingCommentsText_, 1);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(5, 0, 5, 0);
    row->addWidget(closeButton_);
    row->addStretch(1);
    row->addWidget(totalTimeLabel_);
    layout->addLayout(row);
}

void ExistingCommentsWindow::showEvent(QShowEvent* event) {
    SideWindow::showEvent(event);
    totalTimeLabel_->setText(totalTimeText(totalSeconds_));
    existingCommentsText_->setFocus();
}

void ExistingCommentsWindow::clearComments() {
    existingCommentsText_->clear();
}

void ExistingCommentsWindow::showComments(const QString& text) {
    existingCommentsText_->setPlainText(text);
}

void ExistingCommentsWindow::clearTotal() {
    totalTimeLabel_->clear();
}

bool ExistingCommentsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == existingCommentsText_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const QTextCursor at =
            existingCommentsText_->cursorForPosition(static_cast<QMouseEvent*>(event)->pos());
        const QString line = at.block().text();
        // The index in UTF-8 of the character clicked: the timestamp itself is ASCII.
        const auto index = static_cast<std::size_t>(line.left(at.positionInBlock()).toUtf8().size());
        if (const std::optional<int> seconds = timestampAt(line.toStdString(), index)) {
            emit playFromSecondsRequested(*seconds);
            return true;
        }
    }
    return SideWindow::eventFilter(watched, event);
}

NewCommentsWindow::NewCommentsWindow(QWidget* owner)
    : SideWindow(owner, "New Comments", QSize(275, 197), QSize(275, 197), 14) {
    setObjectName("newCommentsWindow");
    newCommentsText_ = makeSideMemo(this, "newCommentsText", false, "Type New Comments Here", "New comments");
    saveButton_ = makeSideButton(this, "saveButton", "&Save", "Save", "Permanently Add All New Comments");
    saveButton_->setEnabled(false);
    closeButton_ = makeSideButton(this, "closeButton", "&Close Window", "Close Window", "Close This Window");
    connect(closeButton_, &QPushButton::clicked, this, &QWidget::hide);
    connect(saveButton_, &QPushButton::clicked, this, &NewCommentsWindow::saveRequested);
    connect(newCommentsText_, &QPlainTextEdit::textChanged, this, &NewCommentsWindow::edited);
    newCommentsText_->installEventFilter(this);
    newCommentsText_->setToolTip(newCommentsText_->toolTip() + " (Ctrl+T: the play time)");
    newCommentsText_->setAccessibleDescription(newCommentsText_->toolTip());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 5);
    layout->addWidget(newCommentsText_, 1);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(5, 0, 5, 0);
    row->addWidget(closeButton_);
    row->addStretch(1);
    row->addWidget(saveButton_);
    layout->addLayout(row);
}

// Ctrl+T is taken where the comment is typed, whichever window the desktop counts as active.
bool NewCommentsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == newCommentsText_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_T && key->modifiers() == Qt::ControlModifier) {
            emit timestampRequested();
            return true;
        }
    }
    return SideWindow::eventFilter(watched, event);
}

void NewCommentsWindow::insertTimestamp(const QString& timestamp) {
    newCommentsText_->insertPlainText(timestamp);
}

QString NewCommentsWindow::typedText() const {
    return newCommentsText_->toPlainText();
}

void NewCommentsWindow::clearQuietly() {
    const QSignalBlocker quiet(newCommentsText_);
    newCommentsText_->clear();
}

void NewCommentsWindow::setSaveEnabled(bool enabled) {
    saveButton_->setEnabled(enabled);
}

void NewCommentsWindow::showEvent(QShowEvent* event) {
    SideWindow::showEvent(event);
    newCommentsText_->setFocus();
}

SavingFileWindow::SavingFileWindow(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    setObjectName("savingFileWindow");
    setWindowTitle("Saving File");
    savingLabel_ = new QLabel("Saving File Please Wait", this);
    savingLabel_->setObjectName("savingLabel");
    QFont font = savingLabel_->font();
    font.setPixelSize(13);
    savingLabel_->setFont(font);
    savingLabel_->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(savingLabel_);
    setFixedSize(171, 54);
}

} // namespace kestrum
