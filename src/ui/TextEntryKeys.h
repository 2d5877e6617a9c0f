#pragma once

#include <QObject>

namespace kestrum {

// The player's keys work in every window, so they are application shortcuts; but a field the user
// types in (a comment, a keyword, a number) keeps every key while it has the focus. Installed once
// on the application, this filter claims the keys for such a field before any shortcut sees them.
class TextEntryKeys : public QObject {
    Q_OBJECT

  public:
    explicit TextEntryKeys(QObject* parent = nullptr) : QObject(parent) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace kestrum
