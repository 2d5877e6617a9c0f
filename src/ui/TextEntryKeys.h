#pragma once

#include <QObject>

namespace kestrum {

// The player's keys work in every window, so they are application shortcuts; but a control with
// the focus keeps the keys it works with: a field the user types in (a comment, a keyword, a
// number) every key but the function keys, a check box Space, a slider its arrows, Page Up, Page Down, Home
// and End. Installed once on the application, this filter claims those keys for the control before any
// shortcut sees them.
class TextEntryKeys : public QObject {
    Q_OBJECT

  public:
    explicit TextEntryKeys(QObject* parent = nullptr) : QObject(parent) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace kestrum
