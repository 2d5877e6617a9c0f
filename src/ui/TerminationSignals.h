#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace kestrum {

// Turns SIGTERM and SIGINT into a call on the GUI thread, so a signal closes the player through
// its normal close path (questions, init file, lock) instead of killing it.
class TerminationSignals : public QObject {
    Q_OBJECT

  public:
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;

  private:
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace kestrum
