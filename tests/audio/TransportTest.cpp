// The transport actions: the button state table, stepping, marks, loop play, volume and speed.

#include "audio/PlaybackFixture.h"

namespace kestrum {
namespace {

using test::PlaybackFixture;
using Control = TransportControl;

class TransportTest : public PlaybackFixture {
  protected:
    std::map<Control, bool> buttons() const { return view.enabled; }
};

TEST_F(TransportTest, PlayStopAndRestartFollowTheStateTable) {
    load(80000);
    startPlay();
    EXPECT_TRUE(view.timer);
    EXPECT_TRUE(view.enabled[Control::StopBtn]);
    EXPECT_TRUE(view.enabled[Control::BackBtn]);
    EXPECT_TRUE(view.enabled[Control::StepBtn]);
    EXPECT_TRUE(view.enabled[Control::MarkLoopBeginBtn]);
    EXPECT_FALSE(view.enabled[Control::MarkLoopEndBtn]);
    EXPECT_FALSE(view.enabled[Control::PlayLoopBtn]);
    EXPECT_EQ(waveOut.openedIds.back(), WaveOut::kWaveMapper); // play reopens the device

    playback.playPosition = 4000;
    transport.stop();
    EXPECT_FALSE(view.timer);
    for (const Control c : {Control::StopBtn, Control::BackBtn, Control::StepBtn, Control::MarkLoopBeginBtn,
                            Control::MarkLoopEndBtn, Control::PlayLoopBtn})
        EXPECT_FALSE(view.enabled[c]);
    EXPECT_EQ(playback.playPosition, 4000u); // pause keeps the position

    // Restart while stopped stays stopped, with the displays at zero.
    view.progress = 40;
    transport.restart();
    EXPECT_FALSE(view.timer);
    EXPECT_EQ(playback.playPosition, 0u);
    EXPECT_EQ(view.timeText, "Time  0:00");
    EXPECT_EQ(view.percent, "00%");

    // Restart while playing goes on playing from the start.
    startPlay();
    playback.playPosition = 9000;
    transport.restart();
    EXPECT_TRUE(view.timer);
    EXPECT_EQ(playback.playPosition, 0u);
}

TEST_F(TransportTest, PlayAtTheEndStartsAgainFromTheBeginning) {
    load(16000);
    playback.playPosition = 16000;
    startPlay();
    EXPECT_EQ(playback.playPosition, 0u);
}

TEST_F(TransportTest, BackAndStepMoveByTheStepSizeWithinTheRecording) {
    load(8000 * 100);
    startPlay();
    playback.playPosition = 8000 * 50;
    transport.step(0); // 5 s
    EXPECT_EQ(playback.playPosition, 8000u * 55);
    transport.back(4); // 40 s
    EXPECT_EQ(playback.playPosition, 8000u * 15);
    transport.back(2); // 20 s, more than there is: the start
    EXPECT_EQ(playback.playPosition, 0u);
    transport.step(7); // a position outside the control's range steps nothing
    EXPECT_EQ(playback.playPosition, 0u);
    playback.playPosition = 8000 * 90;
    transport.step(3); // 30 s past the end: one second before it
    EXPECT_EQ(playback.playPosition, 8000u * 99);
    EXPECT_TRUE(view.timer);
    const int resets = waveOut.resets;
    transport.back(1);
    EXPECT_EQ(waveOut.resets, resets); // stepping does not discard what is queued
}

TEST_F(TransportTest, AStepInARecordingShorterThanASecondGoesToTheStart) {
    load(4000);
    startPlay();
    playback.playPosition = 100;
    transport.step(0);
    EXPECT_EQ(playback.playPosition, 0u);
}

TEST_F(TransportTest, MarksInTheWrongOrderRefuseLoopPlayAndChangeNothing) {
    load(80000);
    startPlay();
    playback.playPosition = 5000;
    transport.markLoopBegin();
    EXPECT_TRUE(view.enabled[Control::MarkLoopEndBtn]);
    playback.playPosition = 3000;
    transport.markLoopEnd();
    EXPECT_TRUE(view.enabled[Control::PlayLoopBtn]);
    const auto before = buttons();
    transport.togglePlayLoop();
    EXPECT_EQ(messenger.onlyText(), "Begin mark is after end mark");
    EXPECT_EQ(messenger.shown[0].kind, test::FakeMessenger::Shown::Kind::Information);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_FALSE(playback.loopPlaying);
    EXPECT_EQ(buttons(), before);
}

TEST_F(TransportTest, LoopPlayStartsAtTheBeginMarkAndStopsKeepingTheMarks) {
    load(80000);
    startPlay();
    playback.playPosition = 1000;
    transport.markLoopBegin();
    playback.playPosition = 9000;
    transport.markLoopEnd();
    transport.togglePlayLoop();
    EXPECT_TRUE(playback.loopPlaying);
    EXPECT_TRUE(view.loopPlaying);
    EXPECT_EQ(playback.playPosition, 1000u);
    EXPECT_TRUE(view.timer);
    for (const Control c : {Control::PlayBtn, Control::RestartBtn, Control::StopBtn, Control::BackBtn,
                            Control::StepBtn, Control::MarkLoopBeginBtn, Control::MarkLoopEndBtn})
        EXPECT_FALSE(view.enabled[c]);
    EXPECT_TRUE(view.enabled[Control::PlayLoopBtn]);

    view.progress = 30;
    transport.togglePlayLoop();
    EXPECT_FALSE(playback.loopPlaying);
    EXPECT_FALSE(view.loopPlaying);
    EXPECT_FALSE(view.timer);
    EXPECT_TRUE(view.enabled[Control::PlayBtn]);
    EXPECT_TRUE(view.enabled[Control::RestartBtn]);
    EXPECT_TRUE(view.enabled[Control::PlayLoopBtn]);
    EXPECT_FALSE(view.enabled[Control::StopBtn]);
    EXPECT_EQ(view.progress, 0);
    EXPECT_EQ(playback.loopBegin, 1000u);
    EXPECT_EQ(playback.loopEnd, 9000u);

    // Play clears the marks and plays on from where the loop stood.
    transport.play();
    EXPECT_EQ(playback.loopBegin, 0u);
    EXPECT_EQ(playback.loopEnd, 0u);
}

TEST_F(TransportTest, TheVolumeBarSetsBothChannelsAndThePercent) {
    load(8000);
    const std::vector<std::tuple<int, std::uint32_t, std::string>> cases = {{0, 0xFFFFFFFFu, "100%"},
                                                                            {16, 0x7FFF7FFFu, "50%"},
                                                                            {31, 0x07FF07FFu, "03%"},
                                                                            {32, 0u, "00%"},
                                                                            {40, 0u, "00%"}};
    for (const auto& [bar, volume, percent] : cases) {
        transport.volumeBarChanged(bar);
        EXPECT_EQ(waveOut.volumeValue, volume) << bar;
        EXPECT_EQ(view.volumePercent, percent) << bar;
    }
}

TEST_F(TransportTest, TheStepSizeSetsTheButtonHints) {
    transport.stepSizeChanged(1);
    EXPECT_EQ(view.backHint, "Steps Back 10 Seconds");
    EXPECT_EQ(view.stepHint, "Steps Forward 10 Seconds");
}

TEST_F(TransportTest, SpeedChangesReopenTheDeviceOnlyOnceStartUpIsDone) {
    load(8000);
    const std::size_t opens = waveOut.opened.size();
    transport.playSpeedChanged(4); // start-up restoring the saved position: nothing happens
    EXPECT_EQ(waveOut.opened.size(), opens);

    playStarted = true;
    const std::vector<std::pair<int, std::uint32_t>> positions = {
        {0, 6000}, {1, 7000}, {2, 8000}, {3, 10000}, {4, 12000}};
    for (const auto& [position, rate] : positions) {
        transport.playSpeedChanged(position);
        EXPECT_EQ(waveOut.opened.back().samplesPerSec, rate) << position;
    }
    transport.playSpeedChanged(5);
    EXPECT_EQ(waveOut.opened.size(), opens + 5);
    EXPECT_FALSE(view.timer); // a change while stopped leaves play stopped
}

} // namespace
} // namespace kestrum
