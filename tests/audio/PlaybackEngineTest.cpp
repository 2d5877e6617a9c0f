// The playback tick against a fake device: what is queued, when play ends, loops, progress.

#include "audio/PlaybackFixture.h"

namespace kestrum {
namespace {

using test::PlaybackFixture;
using Control = TransportControl;

class PlaybackEngineTest : public PlaybackFixture {};

TEST_F(PlaybackEngineTest, PlaysEveryByteInOrderAndEndsOnlyAfterTheLastBufferIsTaken) {
    load(3000); // two whole buffers and a short one of 600
    startPlay();
    waveOut.played.clear();

    engine.Timer1Timer(); // both buffers free: both are queued
    EXPECT_EQ(waveOut.writes, (std::vector<std::uint32_t>{1200, 1200}));
    engine.Timer1Timer(); // neither taken yet: nothing more, never more than two ahead
    EXPECT_EQ(waveOut.writes.size(), 2u);

    waveOut.consume(1200);
    engine.Timer1Timer();
    EXPECT_EQ(waveOut.writes, (std::vector<std::uint32_t>{1200, 1200, 600}));
    EXPECT_EQ(playback.playPosition, 3000u);

    // At the end, the queued audio still plays: the timer runs on until the device has it all.
    engine.Timer1Timer();
    EXPECT_TRUE(view.timer);
    waveOut.consume(1200);
    engine.Timer1Timer();
    EXPECT_TRUE(view.timer);
    const int resetsBefore = waveOut.resets;
    waveOut.consumeAll();
    engine.Timer1Timer();
    EXPECT_FALSE(view.timer);
    EXPECT_EQ(waveOut.resets, resetsBefore + 1);
    EXPECT_EQ(waveOut.played, audio);
    EXPECT_EQ(view.progress, 100);
    EXPECT_EQ(view.percent, "100%");
    EXPECT_FALSE(view.enabled[Control::StopBtn]);
    EXPECT_FALSE(view.enabled[Control::BackBtn]);
    EXPECT_FALSE(view.enabled[Control::StepBtn]);
    EXPECT_FALSE(view.enabled[Control::MarkLoopBeginBtn]);
    EXPECT_FALSE(view.enabled[Control::PlayLoopBtn]);
}

TEST_F(PlaybackEngineTest, AnEndWithABeginMarkKeepsTheMarks) {
    load(2400);
    startPlay();
    playback.playPosition = 1200;
    transport.markLoopBegin();
    playToEnd();
    EXPECT_FALSE(view.timer);
    EXPECT_TRUE(view.enabled[Control::MarkLoopEndBtn]);
    EXPECT_TRUE(view.enabled[Control::MarkLoopBeginBtn]);
    EXPECT_EQ(playback.loopBegin, 1200u);
}

TEST_F(PlaybackEngineTest, ShowsTheTimeAndProgressWhenTheSecondChanges) {
    load(8000 * 130);
    startPlay();
    playback.playPosition = 8000 * 65 + 10;
    engine.Timer1Timer();
    EXPECT_EQ(view.timeText, "Time  1:05");
    EXPECT_EQ(view.progress, 50);
    EXPECT_EQ(view.percent, "50%");

    playback.playPosition = 8000 * 9 + 1;
    engine.Timer1Timer();
    EXPECT_EQ(view.timeText, "Time  0:09");
    EXPECT_EQ(view.percent, "06%");

    // Within the same second nothing is rewritten.
    view.timeText = "untouched";
    playback.playPosition += 100;
    engine.Timer1Timer();
    EXPECT_EQ(view.timeText, "untouched");
}

TEST_F(PlaybackEngineTest, ARecordingShorterThanOnePercentStepShowsNoProgressUntilItsEnd) {
    load(50);
    EXPECT_EQ(playback.onePercent, 0u);
    startPlay();
    playback.lastShownSecond = -1; // the second counts as changed, so the progress is worked out
    engine.Timer1Timer();
    EXPECT_EQ(waveOut.writes.back(), 50u);
    EXPECT_EQ(view.percent, "00%");
    playToEnd();
    EXPECT_EQ(view.percent, "100%");
}

TEST_F(PlaybackEngineTest, LoopPassesStartExactlyAtTheBeginMarkAndEndExactlyAtTheEndMark) {
    load(10000);
    startPlay();
    playback.playPosition = 1000;
    transport.markLoopBegin();
    playback.playPosition = 3500;
    transport.markLoopEnd();
    transport.togglePlayLoop();
    waveOut.played.clear();
    waveOut.writes.clear();

    for (int tick = 0; tick < 8; ++tick) {
        engine.Timer1Timer();
        waveOut.consumeAll();
    }
    // 2500 bytes a pass: 1200, 1200, 100, then again from the begin mark.
    const std::vector<std::uint32_t> pass = {1200, 1200, 100};
    ASSERT_GE(waveOut.writes.size(), 6u);
    EXPECT_EQ(std::vector<std::uint32_t>(waveOut.writes.begin(), waveOut.writes.begin() + 3), pass);
    EXPECT_EQ(std::vector<std::uint32_t>(waveOut.writes.begin() + 3, waveOut.writes.begin() + 6), pass);
    const std::vector<std::uint8_t> loop(audio.begin() + 1000, audio.begin() + 3500);
    EXPECT_EQ(std::vector<std::uint8_t>(waveOut.played.begin(), waveOut.played.begin() + 2500), loop);
    EXPECT_EQ(std::vector<std::uint8_t>(waveOut.played.begin() + 2500, waveOut.played.begin() + 5000), loop);
    EXPECT_TRUE(view.timer); // loop play never ends by itself
}

TEST_F(PlaybackEngineTest, ALoopWithoutLengthQueuesNothingAndDividesByNothing) {
    load(5000);
    startPlay();
    playback.playPosition = 2000;
    transport.markLoopBegin();
    transport.markLoopEnd();
    transport.togglePlayLoop();
    const std::size_t writes = waveOut.writes.size();
    playback.playPosition = 2000 + 8000; // make the second change so the progress is worked out
    playback.lastShownSecond = -1;
    for (int tick = 0; tick < 3; ++tick)
        engine.Timer1Timer();
    EXPECT_EQ(waveOut.writes.size(), writes);
    EXPECT_EQ(view.progress, 0);
}

TEST_F(PlaybackEngineTest, AFailedQueueIsReportedAndPlayGoesOnAfterThatBuffer) {
    load(5000);
    startPlay();
    waveOut.failWrite = true;
    engine.Timer1Timer();
    EXPECT_EQ(messenger.shown.at(0).text, "waveOutWrite 0 failed");
    EXPECT_EQ(log.lines.at(0), "waveOutWrite 0 failed");
    EXPECT_EQ(playback.playPosition, 1200u);
    EXPECT_TRUE(view.timer);
}

TEST_F(PlaybackEngineTest, KeepsTheWaveformCentredOnThePlayPosition) {
    load(80000);
    playback.waveformScale = 0.1; // half span (0.1 x 100 + 1) x 0.05 = 0.55 s
    engine.showPlayPosition(16000);
    ASSERT_EQ(waveform.spans.size(), 1u);
    EXPECT_DOUBLE_EQ(waveform.spans[0].minimum, 2.0 - 0.55);
    EXPECT_DOUBLE_EQ(waveform.spans[0].maximum, 2.0 + 0.55);
    EXPECT_DOUBLE_EQ(waveform.spans[0].cursor, 2.0);

    // A wide view redraws every second call only, but always at the end.
    playback.waveformScale = 0.5;
    waveform.spans.clear();
    for (int call = 0; call < 4; ++call)
        engine.showPlayPosition(8000);
    EXPECT_EQ(waveform.spans.size(), 2u);
    engine.showPlayPosition(80000);
    engine.showPlayPosition(80000);
    EXPECT_EQ(waveform.spans.size(), 4u);

    waveform.visible = false;
    engine.showPlayPosition(0);
    EXPECT_EQ(waveform.spans.size(), 4u);
}

TEST(PlaybackTexts, FormatTimeAndPercent) {
    EXPECT_EQ(playTimeText(0), "Time  0:00");
    EXPECT_EQ(playTimeText(3599), "Time 59:59");
    EXPECT_EQ(playTimeText(6000), "Time 100:00");
    EXPECT_EQ(percentText(7), "07%");
    EXPECT_EQ(percentText(100), "100%");
}

} // namespace
} // namespace kestrum
