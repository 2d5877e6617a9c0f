// Message boxes at the moment the player ends: a question an export worker asked may still be
// open when the worker is told to go on, and the user may answer it after; a termination signal
// ends the messages open but leaves a question about the user's work to be answered.

#include "app/PlayerState.h"
#include "support/FakeMessenger.h"
#include "ui/CommentWindows.h"
#include "ui/QtExportUi.h"
#include "ui/QtMessenger.h"
#include "ui/QtPlayerUi.h"
#include "ui/TerminationSignals.h"
#include "ui/UiRunFixture.h"

#include <QApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
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

// Runs `asking` while `answer` answers the box it opens (null when none opened within a second).
template <typename Asking> void whileABoxIsAnswered(Asking asking, std::function<void(QMessageBox*)> answer) {
    QMessageBox* seen = nullptr;
    QTimer watcher;
    watcher.setInterval(10);
    int ticks = 0;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        seen = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (seen == nullptr && ++ticks < 100)
            return;
        watcher.stop();
        answer(seen);
    });
    watcher.start();
    asking();
}

TEST(MessageBoxesTest, ATerminationSignalEndsTheMessagesButAsksTheQuestionOfUnsavedWork) {
    qunsetenv("KESTRUM_UNATTENDED");
    QtMessenger messenger;
    bool ended = false;
    TerminationSignals termination([&] { ended = true; });
    // A message open when the signal comes ends without a click.
    whileABoxIsAnswered([&] { messenger.showError("File not found\n/calls/none.ZOQ"); },
                        [](QMessageBox* box) {
                            ASSERT_NE(box, nullptr);
                            std::raise(SIGTERM);
                        });
    EXPECT_TRUE(ended);
    // From then on a message is not shown; the question of unsaved work still is, and its answer counts.
    whileABoxIsAnswered([&] { messenger.showInformation("Export finished"); },
                        [](QMessageBox* box) { EXPECT_EQ(box, nullptr); });
    bool asked = false;
    bool answer = false;
    whileABoxIsAnswered([&] { answer = messenger.askQuestion("Save New Additions?"); },
                        [&](QMessageBox* box) {
                            asked = box != nullptr;
                            if (box != nullptr)
                                box->button(QMessageBox::Yes)->click();
                        });
    EXPECT_TRUE(asked);
    EXPECT_TRUE(answer);
}

class CloseQuestionTest : public test::UiRunFixture {};

// Closing with a comment typed and not saved: Escape or Cancel puts the close aside and keeps the
// comment; Yes then saves it and the player ends.
TEST_F(CloseQuestionTest, EscapeOrCancelOnSaveNewAdditionsKeepsThePlayerAndTheTypedWork) {
    qunsetenv("KESTRUM_UNATTENDED");
    QtMessenger realBoxes;
    boxes = &realBoxes;
    test::RecordingBuilder builder(10);
    builder.audio = test::makeAudio(8000 * 5);
    runOn(builder, "^C3", [&](test::InspectingUi& ui) {
        PlayerWindow& player = *ui.playerWindow();
        test::partOf<QPushButton>(player, "commentsButton")->click();
        QPlainTextEdit* comment = test::partOf<QPlainTextEdit>(*ui.newCommentsWindow(), "newCommentsText");
        comment->setPlainText("heard a name at 1:32");
        const std::function<void(QMessageBox*)> answers[] = {
            [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); },
            [](QMessageBox* box) { box->button(QMessageBox::Cancel)->click(); },
        };
        for (const auto& answer : answers) {
            QString asked;
            whileABoxIsAnswered([&] { EXPECT_FALSE(player.close()); },
                                [&](QMessageBox* box) {
                                    ASSERT_NE(box, nullptr);
                                    asked = box->text();
                                    answer(box);
                                });
            EXPECT_EQ(asked.toStdString(), "Save New Additions?");
            EXPECT_TRUE(player.isVisible());
            EXPECT_TRUE(test::partOf<QTimer>(player, "displayTimer")->isActive()); // the player goes on
            EXPECT_EQ(comment->toPlainText().toStdString(), "heard a name at 1:32");
            EXPECT_TRUE(ui.player->state().recording.additionsPending);
        }
        whileABoxIsAnswered([&] { EXPECT_TRUE(player.close()); },
                            [](QMessageBox* box) {
                                ASSERT_NE(box, nullptr);
                                box->button(QMessageBox::Yes)->click();
                            });
    });
    EXPECT_NE(test::readFileText(path).find("heard a name at 1:32"), std::string::npos);
}

} // namespace
} // namespace kestrum
