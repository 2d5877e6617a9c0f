#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace kestrum {

// Turns SIGTERM, SIGINT and SIGHUP into a call on the GUI thread, so a signal closes the player
// through its normal close path (init file, lock) instead of killing it. From the first signal on
// no message waits for a click: one that is open ends as its OK button ends it, and none is shown
// after it (QtMessenger), so a signal ends the player at every moment, a box of a start-up failure
// open included (the run then ends with that failure's exit code). A question still waits: the
// user's unsaved work hangs on it.
class TerminationSignals : public QObject {
    Q_OBJECT

  public:
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;

  private:
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

// Whether SIGTERM, SIGINT or SIGHUP has come since TerminationSignals took them.
bool terminationRequested();

} // namespace kestrum
