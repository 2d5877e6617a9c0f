#include "ui/ScannedWordWindow.h"

#include "app/KeywordListLines.h"
#include "ui/CommentWindows.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QVBoxLayout>

namespace kestrum {

ScannedWordWindow::ScannedWordWindow(QWidget* owner)
    : SideWindow(owner, "Scanned Word", QSize(384, 229), QSize(314, 138), 14) {
    setObjectName("keywordWindow");
    keywordList_ =
        makeSideMemo(this, "keywordList", true, "Double Click on Seconds to Start Playing", "Scanned words");
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(17);
    keywordList_->setFont(fixed);
    keywordList_->viewport()->installEventFilter(this);
    widenForHeading();

    closeButton_ = makeSideButton(this, "closeButton", "&Close Window", "Close Window", "Closes this Window");
    saveButton_ = makeSideButton(this, "saveButton", "&Save", "Save", "Saves Changes to Recording");
    saveButton_->setEnabled(false);
    totalSecondsLabel_ = makeTotalTimeBox(this, "totalSecondsLabel");
    connect(closeButton_, &QPushButton::clicked, this, &QWidget::hide);
    connect(saveButton_, &QPushButton::clicked, this, &ScannedWordWindow::saveRequested);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 5);
    layout->addWidget(keywordList_, 1);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(5, 0, 5, 0);
    row->addWidget(closeButton_);
    row->addWidget(saveButton_);
    row->addStretch(1);
    row->addWidget(totalSecondsLabel_);
    layout->addLayout(row);
}

// Wide enough at first for the list's heading, "Seconds From Beginning" and all, in its font.
void ScannedWordWindow::widenForHeading() {
    const int text =
        keywordList_->fontMetrics().horizontalAdvance(QString::fromStdString(keywordListHeading()));
    const auto margins =
        static_cast<int>(2 * keywordList_->document()->documentMargin()) + 2 * keywordList_->frameWidth();
    const int needed = text + margins + keywordList_->verticalScrollBar()->sizeHint().width();
    if (width() < needed)
        resize(needed, height());
}

void ScannedWordWindow::clearList() {
    keywordList_->clear();
}

void ScannedWordWindow::addLine(const std::string& line) {
    keywordList_->appendPlainText(keywordLineForDisplay(line));
}

void ScannedWordWindow::setSaveEnabled(bool enabled) {
    saveButton_->setEnabled(enabled);
}

void ScannedWordWindow::clearTotal() {
    totalSecondsLabel_->clear();
}

void ScannedWordWindow::showEvent(QShowEvent* event) {
    SideWindow::showEvent(event);
    totalSecondsLabel_->setText(totalTimeText(totalSeconds_));
}

int ScannedWordWindow::secondsAt(const QString& line, int position) {
    // The keyword takes the first 19 columns and a blank; the seconds follow.
    constexpr int kFirstSecondsColumn = 20;
    if (position < kFirstSecondsColumn || position >= line.size() || !line[position].isDigit())
        return 0;
    int start = position;
    int end = position;
    while (start > 0 && line[start - 1].isDigit())
        --start;
    while (end < line.size() && line[end].isDigit())
        ++end;
    if (line[start - 1] != ' ' || (end < line.size() && line[end] != ' ') || end - start > 7)
        return 0;
    return line.mid(start, end - start).toInt();
}

bool ScannedWordWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == keywordList_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* click = static_cast<QMouseEvent*>(event);
        const QTextCursor cursor = keywordList_->cursorForPosition(click->position().toPoint());
        const QString line = cursor.block().text();
        int column = cursor.positionInBlock();
        // The click may land just after the character it was aimed at.
        if (column > 0 && (column >= line.size() || !line[column].isDigit()))
            --column;
        emit playFromSecondsRequested(secondsAt(line, column));
        return false;
    }
    return SideWindow::eventFilter(watched, event);
}

} // namespace kestrum
