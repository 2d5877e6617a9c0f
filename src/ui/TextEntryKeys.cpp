#include "ui/TextEntryKeys.h"

#include <QAbstractSpinBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace kestrum {

namespace {

bool takesTypedText(const QObject* object) {
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(object))
        return !plain->isReadOnly();
    if (const auto* rich = qobject_cast<const QTextEdit*>(object))
        return !rich->isReadOnly();
    if (const auto* line = qobject_cast<const QLineEdit*>(object))
        return !line->isReadOnly();
    return qobject_cast<const QAbstractSpinBox*>(object) != nullptr;
}

} // namespace

bool TextEntryKeys::eventFilter(QObject* watched, QEvent* event) {
    // Accepting the override makes the key go to the field as typing, not to a shortcut.
    if (event->type() == QEvent::ShortcutOverride && takesTypedText(watched)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == Qt::NoModifier)
            event->accept();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kestrum
