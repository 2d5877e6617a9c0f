#pragma once

#include "export/ExportUi.h"

#include <QObject>

#include <condition_variable>
#include <functional>
#include <mutex>

namespace kestrum {

class QtPlayerUi;
struct PlayerState;

// The export workers' way to the windows: each call runs on the user-interface thread (where Qt
// allows widgets and message boxes) while the worker waits for it.
class QtExportUi : public QObject, public ExportUi {
    Q_OBJECT

  public:
    QtExportUi(Messenger& messenger, const PlayerState& state, QtPlayerUi& windows);

    void showError(const std::string& text) override;
    void showInformation(const std::string& text) override;
    bool askQuestion(const std::string& text) override;
    bool askNoByDefault(const std::string& question) override;
    ButtonLook exportButtonLook() override;
    void setExportButtonLook(const ButtonLook& look) override;
    bool additionsPending() override;
    void saveComments() override;
    RecordingState recordingSnapshot() override;
    void normalizeTopMosts() override;
    void restoreTopMosts() override;
    void playerClosing() override;

  private:
    // Runs `work` on the user-interface thread and waits for it; false once the player is closing
    // (the windows' thread may then be waiting for this worker): then it is not run, or, when it
    // had begun (a question open), it finishes later, after the worker went on. So `work` owns
    // copies of what it uses, never references into the worker's stack.
    bool onGuiThread(std::function<void()> work);
    // The value `compute` gives on the user-interface thread, or `whenClosing` once the player is
    // closing.
    template <typename Value> Value fromGuiThread(std::function<Value()> compute, Value whenClosing);

    Messenger& messenger_;
    const PlayerState& state_;
    QtPlayerUi& windows_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool closing_ = false;
};

} // namespace kestrum
