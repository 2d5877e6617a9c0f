// The export workers' way to the windows at the moment the player closes: a question a worker
// asked may still be open when the worker is told to go on, and the user may answer it after.

#include "app/PlayerState.h"
#include "support/FakeMessenger.h"
#include "ui/QtExportUi.h"
#include "ui/QtPlayerUi.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace kestrum {
namespace {

using namespace std::chrono_literals;

// The worker keeps running after its question returns, so the frame that asked is gone but its
// stack is still there: an answer written into it is a use after return (AddressSanitizer
// reports it; the ui tests turn that check on).
TEST(ExportUiTest, AQuestionAnsweredAfterThePlayerClosedWritesNothingIntoTheWorker) {
    qunsetenv("KESTRUM_UNATTENDED");
    test::FakeMessenger messenger;
    PlayerState state;
    QtPlayerUi windows;
    QtExportUi exportUi(messenger, state, windows);

    std::atomic<bool> workerWentOn{false};
    std::atomic<bool> answered{false};
    std::atomic<bool> workerAnswer{true};
    std::thread worker([&] {
        workerAnswer = exportUi.askNoByDefault("Save New Comment Additions Before Exporting?");
        workerWentOn = true;
        while (!answered)
            std::this_thread::sleep_for(1ms); // keeps the thread's stack while the box is answered
    });

    // With the box open (its own event loop), the player closes, the worker goes on, then the
    // user answers Yes.
    QTimer watcher;
    watcher.setInterval(10);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        watcher.stop();
        exportUi.playerClosing();
        while (!workerWentOn)
            std::this_thread::sleep_for(1ms); // the worker is told to stop waiting: it returns
        box->button(QMessageBox::Yes)->click();
        answered = true;
    });
    watcher.start();
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!answered && std::chrono::steady_clock::now() < deadline)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    answered = true;
    worker.join();
    EXPECT_TRUE(workerWentOn);
    EXPECT_FALSE(workerAnswer); // closing answers No
}

} // namespace
} // namespace kestrum
