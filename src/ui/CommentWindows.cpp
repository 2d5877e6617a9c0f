#include "ui/CommentWindows.h"

#include "app/PlaybackTexts.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
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

ExistingCommentsWindow::ExistingCommentsWindow(QWidget* owner, std::function<double()> totalSeconds)
    : SideWindow(owner, "Existing Comments", QSize(316, 207), QSize(267, 188), 14),
      totalSeconds_(std::move(totalSeconds)) {
    setObjectName("existingCommentsWindow");
    existingCommentsText =
        makeSideMemo(this, "existingCommentsText", true, "Comments Stored In Recording", "Existing comments");
    closeButton = makeSideButton(this, "closeButton", "&Close Window", "Close Window", "Close This Window");
    totalTimeLabel = makeTotalTimeBox(this, "totalTimeLabel");
    connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);
    existingCommentsText->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 5);
    layout->addWidget(existingCommentsText, 1);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(5, 0, 5, 0);
    row->addWidget(closeButton);
    row->addStretch(1);
    row->addWidget(totalTimeLabel);
    layout->addLayout(row);
}

void ExistingCommentsWindow::showEvent(QShowEvent* event) {
    SideWindow::showEvent(event);
    totalTimeLabel->setText(totalTimeText(totalSeconds_ ? totalSeconds_() : 0.0));
    existingCommentsText->setFocus();
}

bool ExistingCommentsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == existingCommentsText->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const QTextCursor at =
            existingCommentsText->cursorForPosition(static_cast<QMouseEvent*>(event)->pos());
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
    newCommentsText = makeSideMemo(this, "newCommentsText", false, "Type New Comments Here", "New comments");
    saveButton = makeSideButton(this, "saveButton", "&Save", "Save", "Permanently Add All New Comments");
    saveButton->setEnabled(false);
    closeButton = makeSideButton(this, "closeButton", "&Close Window", "Close Window", "Close This Window");
    connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);
    connect(saveButton, &QPushButton::clicked, this, &NewCommentsWindow::saveRequested);
    connect(newCommentsText, &QPlainTextEdit::textChanged, this, &NewCommentsWindow::edited);
    newCommentsText->installEventFilter(this);
    newCommentsText->setToolTip(newCommentsText->toolTip() + " (Ctrl+T: the play time)");
    newCommentsText->setAccessibleDescription(newCommentsText->toolTip());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 5);
    layout->addWidget(newCommentsText, 1);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(5, 0, 5, 0);
    row->addWidget(closeButton);
    row->addStretch(1);
    row->addWidget(saveButton);
    layout->addLayout(row);
}

// Ctrl+T is taken where the comment is typed, whichever window the desktop counts as active.
bool NewCommentsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == newCommentsText && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_T && key->modifiers() == Qt::ControlModifier) {
            emit timestampRequested();
            return true;
        }
    }
    return SideWindow::eventFilter(watched, event);
}

void NewCommentsWindow::insertTimestamp(const QString& timestamp) {
    newCommentsText->insertPlainText(timestamp);
}

void NewCommentsWindow::showEvent(QShowEvent* event) {
    SideWindow::showEvent(event);
    newCommentsText->setFocus();
}

SavingFileWindow::SavingFileWindow(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    setObjectName("savingFileWindow");
    setWindowTitle("Saving File");
    savingLabel = new QLabel("Saving File Please Wait", this);
    savingLabel->setObjectName("savingLabel");
    QFont font = savingLabel->font();
    font.setPixelSize(13);
    savingLabel->setFont(font);
    savingLabel->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(savingLabel);
    setFixedSize(171, 54);
}

} // namespace kestrum
