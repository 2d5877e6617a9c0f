#pragma once

#include <QObject>

class QKeyEvent;
class QWidget;

namespace kestrum {

// The player window's Alt+letter shortcuts (the underlined letter of its buttons and labels) from
// every other window of the player. Qt keeps a window's mnemonics to that window; installed on the
// application, this filter takes an Alt+letter that nothing in the window with the focus used (its
// own mnemonics come first) and does what it does in the player window: clicks the button when it
// can be used, or brings the player window up with the label's control focused.
class PlayerMnemonics : public QObject {
    Q_OBJECT

  public:
    explicit PlayerMnemonics(QWidget& playerWindow, QObject* parent = nullptr)
        : QObject(parent), playerWindow_(playerWindow) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool pressMnemonic(const QKeyEvent& key);

    QWidget& playerWindow_;
};

} // namespace kestrum
