#include "ui/SideWindow.h"

#include "platform/FormatText.h"
#include "recording/Windows1252.h"
#include "ui/ScreenPlacement.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include <cmath>

namespace kestrum {

SideWindow::SideWindow(QWidget* owner, const QString& caption, QSize startSize, QSize minimumSize,
                       int fontPixels)
    : QWidget(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint |
                         Qt::WindowStaysOnTopHint) {
    setWindowTitle(caption);
    QFont font = this->font();
    font.setPixelSize(fontPixels);
    setFont(font);
    setMinimumSize(minimumSize);
    resize(startSize);
}

void moveWithinScreen(QWidget& window, int left, int top) {
    window.move(placementOnScreens(window, left, top, std::nullopt).topLeft());
}

void SideWindow::restorePlacement(int height, int left, int top, int width) {
    const QRect placed = placementOnScreens(*this, left, top, QSize(width, height));
    resize(placed.size());
    move(placed.topLeft());
    placed_ = true;
}

void SideWindow::placeBeside(const QWidget* player) {
    if (placed_)
        return;
    if (player != nullptr && player->isVisible()) {
        move(placementBeside(*this, *player, besideSlot_));
    } else if (const QScreen* screen = QApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    }
    placed_ = true;
}

void SideWindow::toggle(const QWidget* player) {
    if (isVisible()) {
        hide();
        return;
    }
    placeBeside(player);
    show();
}

QString totalTimeText(double seconds) {
    const int whole = static_cast<int>(seconds);
    return QString::fromStdString(formatText("Total %2d:%2.2f", whole / 60, std::fmod(seconds, 60.0)));
}

QString commentTextForDisplay(const std::string& stored) {
    QString text;
    text.reserve(static_cast<qsizetype>(stored.size()));
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const auto c = static_cast<unsigned char>(stored[i]);
        if (c == '\r') {
            text += '\n';
            if (i + 1 < stored.size() && stored[i + 1] == '\n')
                ++i;
        } else if (c == 0) {
            text += QChar(0x2400); // the symbol for NUL
        } else {
            text += QChar(static_cast<char16_t>(windows1252Character(c))); // all within the BMP
        }
    }
    return text;
}

std::string commentTextFromWindow(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    std::string typed;
    typed.reserve(static_cast<std::size_t>(utf8.size()));
    for (const char c : utf8) {
        if (c == '\n')
            typed += "\r\n";
        else
            typed += c;
    }
    return typed;
}

QString keywordLineForDisplay(const std::string& stored) {
    return QString::fromStdString(windows1252ToUtf8(stored));
}

} // namespace kestrum

namespace kestrum {

QPlainTextEdit* makeSideMemo(QWidget* parent, const char* name, bool readOnly, const char* hint,
                             const char* accessibleName) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setReadOnly(readOnly);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setToolTip(hint);
    memo->setAccessibleDescription(hint);
    memo->setAccessibleName(accessibleName);
    return memo;
}

QPushButton* makeSideButton(QWidget* parent, const char* name, const char* caption,
                            const char* accessibleName, const char* hint) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(accessibleName);
    button->setToolTip(hint);
    button->setAccessibleDescription(hint);
    return button;
}

} // namespace kestrum
