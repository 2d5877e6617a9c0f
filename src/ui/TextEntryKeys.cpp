#include "ui/TextEntryKeys.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QCheckBox>
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

bool isSliderKey(int key) {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

// Whether the focused control works with this key itself.
bool keepsKey(const QObject* control, int key) {
    if (takesTypedText(control))
        return key < Qt::Key_F1 || key > Qt::Key_F35; // a function key types nothing: F1 is help
    if (qobject_cast<const QCheckBox*>(control) != nullptr)
        return key == Qt::Key_Space;
    if (qobject_cast<const QAbstractSlider*>(control) != nullptr)
        return isSliderKey(key);
    return false;
}

} // namespace

bool TextEntryKeys::eventFilter(QObject* watched, QEvent* event) {
    // Accepting the override makes the key go to the control as its own, not to a shortcut.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == Qt::NoModifier &&
            keepsKey(watched, key->key()))
            event->accept();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kestrum
