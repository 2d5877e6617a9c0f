#include "ui/PlayerMnemonics.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>

namespace kestrum {

namespace {

bool isMnemonicOf(const QString& caption, const QKeyEvent& key) {
    return QKeySequence::mnemonic(caption) ==
           QKeySequence(QKeyCombination(Qt::AltModifier, Qt::Key(key.key())));
}

} // namespace

bool PlayerMnemonics::eventFilter(QObject* watched, QEvent* event) {
    // A key press reaches a widget only when no shortcut of its window took it; the first widget it
    // reaches is the one with the focus, where the press is taken before it goes up to the window.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        const auto* widget = static_cast<QWidget*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers others = key->modifiers() & ~(Qt::AltModifier | Qt::KeypadModifier);
        if ((key->modifiers() & Qt::AltModifier) && others == Qt::NoModifier &&
            widget->window() != &playerWindow_ && QApplication::activeModalWidget() == nullptr &&
            pressMnemonic(*key))
            return true;
    }
    return QObject::eventFilter(watched, event);
}

bool PlayerMnemonics::pressMnemonic(const QKeyEvent& key) {
    for (QAbstractButton* button : playerWindow_.findChildren<QAbstractButton*>()) {
        if (button->window() == &playerWindow_ && button->isVisible() && isMnemonicOf(button->text(), key)) {
            if (button->isEnabled())
                button->click();
            return true;
        }
    }
    for (QLabel* label : playerWindow_.findChildren<QLabel*>()) {
        QWidget* control = label->buddy();
        if (control != nullptr && label->window() == &playerWindow_ && label->isVisible() &&
            isMnemonicOf(label->text(), key)) {
            playerWindow_.activateWindow();
            control->setFocus(Qt::ShortcutFocusReason);
            return true;
        }
    }
    return false;
}

} // namespace kestrum
