// The playback session below the windows: the transport rules and their state table, what the
// device pulls (every frame in order, loops exact to the mark, silence when stopped or held), the
// time and progress shown, speeds through the real sound output over a device the test clocks.

#include "audio/PlaybackSession.h"
#include "app/PlaybackTexts.h"
#include "support/FakeAudioOutput.h"
#include "support/FakeMessenger.h"
#include "support/RecordingBuilder.h"

#include <gtest/gtest.h>

namespace kestrum {
namespace {

using Control = TransportControl;

Speed speed(int position) {
    return *Speed::ofPosition(position);
}

class PlaybackSessionTest : public ::testing::Test {
  protected:
    // A loaded recording of `frames` frames at 8000 Hz in `format`, the device open as at start-up.
    void load(std::uint64_t frames, WaveFormat playbackFormat = kPcmDefaultFormat) {
        format = playbackFormat;
        audio = test::makeAudio(frames * FrameClock(format).frameBytes());
        session.reset(); // its renderer reads the store
        store.clear();
        store.append(audio);
        session = std::make_unique<PlaybackSession>(store, format, output, messenger);
        session->audioLoaded(audio.size());
        output.attachSource(session->sound());
        device.beforeEachBuffer = [this] { session->sound().waitUntilRendered(); };
        ASSERT_EQ(output.openSoundDevice(), 0);
    }
    PlaybackSnapshot shown() const { return session->snapshot(); }
    std::uint64_t position() const { return shown().position; }
    // The device takes `bytes`; the display ticks after it.
    std::vector<std::uint8_t> pull(std::size_t bytes) {
        std::vector<std::uint8_t> taken = device.pull(bytes);
        session->refresh();
        return taken;
    }
    std::vector<std::uint8_t> audioBetween(std::size_t from, std::size_t to) const {
        return {audio.begin() + static_cast<long>(from), audio.begin() + static_cast<long>(to)};
    }

    WaveFormat format = kPcmDefaultFormat;
    std::vector<std::uint8_t> audio;
    SampleStore store;
    test::FakeAudioOutput device;
    test::FakeMessenger messenger;
    test::FakeLog log;
    Reporter reporter{messenger, log};
    SoundOutput output{device, reporter, format};
    std::unique_ptr<PlaybackSession> session;
};

TEST_F(PlaybackSessionTest, PlayStopAndRestartFollowTheStateTable) {
    load(80000);
    ASSERT_TRUE(session->play());
    PlaybackSnapshot now = shown();
    EXPECT_EQ(now.state, TransportState::Playing);
    EXPECT_TRUE(device.running());
    for (const Control c : {Control::Play, Control::Restart, Control::StopPause, Control::Back, Control::Step,
                            Control::MarkLoopBegin})
        EXPECT_TRUE(now.controls[c]);
    EXPECT_FALSE(now.controls[Control::MarkLoopEnd]);
    EXPECT_FALSE(now.controls[Control::PlayLoop]);

    session->moveTo(4000);
    session->stop();
    now = shown();
    EXPECT_EQ(now.state, TransportState::Stopped);
    EXPECT_FALSE(device.running()); // a paused device plays silence
    EXPECT_EQ(device.pull(100), std::vector<std::uint8_t>(100, 0x80));
    // Paused, what moves the position stays usable; no loop is marked.
    EXPECT_FALSE(now.controls[Control::StopPause]);
    for (const Control c : {Control::Back, Control::Step, Control::MarkLoopBegin})
        EXPECT_TRUE(now.controls[c]);
    for (const Control c : {Control::MarkLoopEnd, Control::PlayLoop})
        EXPECT_FALSE(now.controls[c]);
    EXPECT_EQ(now.position, 4000u); // pause keeps the position

    // Restart while stopped stays stopped, with the displays at zero.
    session->restart();
    now = shown();
    EXPECT_EQ(now.state, TransportState::Stopped);
    EXPECT_EQ(now.position, 0u);
    EXPECT_EQ(playbackTexts(now).time, "Time  0:00");
    EXPECT_EQ(playbackTexts(now).percent, "00%");
    EXPECT_EQ(now.progress, 0);

    // Restart while playing goes on playing from the start.
    ASSERT_TRUE(session->play());
    session->moveTo(9000);
    session->restart();
    EXPECT_EQ(shown().state, TransportState::Playing);
    EXPECT_EQ(pull(10), audioBetween(0, 10));
}

TEST_F(PlaybackSessionTest, TheDeviceTakesEveryFrameInOrderAndPlayEndsAfterTheLast) {
    load(3000);
    ASSERT_TRUE(session->play());
    std::vector<std::uint8_t> heard;
    for (int pulls = 0; shown().playing() && pulls < 100; ++pulls) {
        const std::vector<std::uint8_t> taken = pull(256);
        heard.insert(heard.end(), taken.begin(), taken.end());
    }
    ASSERT_FALSE(shown().playing());
    ASSERT_GE(heard.size(), audio.size());
    EXPECT_EQ(audioBetween(0, audio.size()), std::vector<std::uint8_t>(heard.begin(), heard.begin() + 3000));
    EXPECT_EQ(std::vector<std::uint8_t>(heard.begin() + 3000, heard.end()),
              std::vector<std::uint8_t>(heard.size() - 3000, 0x80)); // silence after the end

    const PlaybackSnapshot now = shown();
    EXPECT_EQ(now.progress, 100);
    EXPECT_EQ(playbackTexts(now).percent, "100%");
    EXPECT_EQ(now.position, 3000u);
    EXPECT_FALSE(device.running());
    // At the end only Back moves: to hear the last words again.
    EXPECT_TRUE(now.controls[Control::Back]);
    for (const Control c :
         {Control::StopPause, Control::Step, Control::MarkLoopBegin, Control::MarkLoopEnd, Control::PlayLoop})
        EXPECT_FALSE(now.controls[c]);

    // Play at the end starts again from the beginning.
    ASSERT_TRUE(session->play());
    EXPECT_EQ(pull(5), audioBetween(0, 5));
}

TEST_F(PlaybackSessionTest, AnEndWithABeginMarkKeepsTheMarks) {
    load(2000);
    ASSERT_TRUE(session->play());
    session->moveTo(500);
    session->markLoopBegin();
    while (shown().playing())
        pull(400);
    const PlaybackSnapshot now = shown();
    EXPECT_TRUE(now.controls[Control::MarkLoopBegin]);
    EXPECT_TRUE(now.controls[Control::MarkLoopEnd]);
    EXPECT_EQ(now.loopBegin, 500u);
}

TEST_F(PlaybackSessionTest, ShowsTheTimeAndProgressAsThePositionPassesEachSecond) {
    load(8000 * 130);
    ASSERT_TRUE(session->play());
    session->moveTo(8000 * 65 + 10);
    PlaybackSnapshot now = session->refresh();
    EXPECT_EQ(playbackTexts(now).time, "Time  1:05");
    EXPECT_EQ(now.progress, 50);
    EXPECT_EQ(playbackTexts(now).percent, "50%");
    session->moveTo(8000 * 125);
    now = session->refresh();
    EXPECT_EQ(playbackTexts(now).time, "Time  2:05");
    EXPECT_EQ(playbackTexts(now).percent, "96%");

    // A recording under 100 frames has no percent step: 0% until its end, then 100%.
    load(60);
    ASSERT_TRUE(session->play());
    session->moveTo(30);
    EXPECT_EQ(session->refresh().progress, 0);
    while (shown().playing())
        pull(64);
    EXPECT_EQ(playbackTexts(shown()).percent, "100%");
}

TEST_F(PlaybackSessionTest, BackAndStepMoveByTheStepSizeWithinTheRecording) {
    load(8000 * 100);
    ASSERT_TRUE(session->play());
    session->moveTo(8000 * 50);
    session->step(0); // 5 s
    EXPECT_EQ(position(), 8000u * 55);
    session->back(4); // 40 s
    EXPECT_EQ(position(), 8000u * 15);
    session->back(2); // 20 s, more than there is: the start
    EXPECT_EQ(position(), 0u);
    session->step(7); // a position outside the control's range steps nothing
    EXPECT_EQ(position(), 0u);
    session->moveTo(8000 * 90);
    session->step(3); // 30 s past the end: one second before it
    EXPECT_EQ(position(), 8000u * 99);
    EXPECT_EQ(shown().state, TransportState::Playing);

    // Shorter than a second: a step past the end goes to the start.
    load(4000);
    ASSERT_TRUE(session->play());
    session->moveTo(100);
    session->step(0);
    EXPECT_EQ(position(), 0u);
}

TEST_F(PlaybackSessionTest, TimeIsCountedInFramesWhateverAFrameHolds) {
    // 16-bit stereo: four bytes a frame, 8000 frames a second.
    load(8000 * 20, WaveFormat{kTagPcm, 2, 8000, 32000, 4, 16, 0});
    ASSERT_TRUE(session->play());
    session->step(0);
    EXPECT_EQ(position(), 8000u * 5);
    EXPECT_EQ(session->refresh().shownSecond, 5);
    EXPECT_EQ(pull(8), audioBetween(4 * 8000 * 5, 4 * 8000 * 5 + 8));
    session->playFromSeconds(12);
    EXPECT_EQ(position(), 8000u * 12);
    EXPECT_EQ(device.pull(6).size(), 6u); // a part frame is silence, the position stays whole
    EXPECT_EQ(position(), 8000u * 12 + 1);
}

TEST_F(PlaybackSessionTest, MarksInTheWrongOrderRefuseLoopPlayAndChangeNothing) {
    load(80000);
    ASSERT_TRUE(session->play());
    session->moveTo(5000);
    session->markLoopBegin();
    EXPECT_TRUE(shown().controls[Control::MarkLoopEnd]);
    session->moveTo(3000);
    session->markLoopEnd();
    EXPECT_TRUE(shown().controls[Control::PlayLoop]);
    const PlaybackSnapshot before = shown();
    session->togglePlayLoop();
    EXPECT_EQ(messenger.onlyText(), "Begin mark is after end mark");
    EXPECT_EQ(messenger.shown[0].kind, test::FakeMessenger::Shown::Kind::Information);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(shown(), before);
}

TEST_F(PlaybackSessionTest, LoopPassesRunExactlyFromTheBeginMarkToTheEndMark) {
    load(80000);
    ASSERT_TRUE(session->play());
    session->moveTo(1000);
    session->markLoopBegin();
    session->moveTo(1700);
    session->markLoopEnd();
    session->togglePlayLoop();
    PlaybackSnapshot now = shown();
    EXPECT_TRUE(now.loopPlaying());
    EXPECT_EQ(now.position, 1000u);
    for (const Control c : {Control::Play, Control::Restart, Control::StopPause, Control::Back, Control::Step,
                            Control::MarkLoopBegin, Control::MarkLoopEnd})
        EXPECT_FALSE(now.controls[c]);
    EXPECT_TRUE(now.controls[Control::PlayLoop]);

    // Two and a half passes in one pull of 1750 bytes, without a gap or a stray byte.
    std::vector<std::uint8_t> expected;
    for (int pass = 0; pass < 3; ++pass) {
        const std::vector<std::uint8_t> loop = audioBetween(1000, 1700);
        expected.insert(expected.end(), loop.begin(), loop.end());
    }
    expected.resize(1750);
    EXPECT_EQ(pull(1750), expected);
    EXPECT_TRUE(shown().loopPlaying()); // loop play never ends by itself

    session->togglePlayLoop();
    now = shown();
    EXPECT_EQ(now.state, TransportState::Stopped);
    EXPECT_FALSE(device.running());
    EXPECT_TRUE(now.controls[Control::Play]);
    EXPECT_TRUE(now.controls[Control::Restart]);
    EXPECT_TRUE(now.controls[Control::PlayLoop]);
    EXPECT_FALSE(now.controls[Control::StopPause]);
    for (const Control c : {Control::Back, Control::Step, Control::MarkLoopBegin, Control::MarkLoopEnd})
        EXPECT_TRUE(now.controls[c]); // stopped in the loop as in a pause
    EXPECT_EQ(now.progress, 0);
    EXPECT_EQ(now.loopBegin, 1000u);
    EXPECT_EQ(now.loopEnd, 1700u);

    // Play clears the marks and plays on from where the loop stood.
    ASSERT_TRUE(session->play());
    EXPECT_EQ(shown().loopBegin, 0u);
    EXPECT_EQ(shown().loopEnd, 0u);
}

TEST_F(PlaybackSessionTest, ALoopOverNothingPlaysSilenceAndShowsNoProgress) {
    load(80000);
    ASSERT_TRUE(session->play());
    session->moveTo(2000);
    session->markLoopBegin();
    session->markLoopEnd();
    session->togglePlayLoop();
    EXPECT_EQ(pull(300), std::vector<std::uint8_t>(300, 0x80));
    EXPECT_EQ(session->refresh().progress, 0);
    EXPECT_TRUE(shown().loopPlaying());
}

TEST_F(PlaybackSessionTest, TheVolumeScalesEveryFormatAndShowsItsPercent) {
    const std::vector<std::tuple<int, std::uint32_t, std::string>> bars = {
        {0, 0xFFFFFFFFu, "100%"}, {16, 0x7FFF7FFFu, "50%"}, {31, 0x07FF07FFu, "03%"}, {32, 0u, "00%"}};
    for (const auto& [bar, volume, percent] : bars) {
        EXPECT_EQ(Volume::ofBar(bar).deviceWord(), volume) << bar;
        EXPECT_EQ(percentText(Volume::ofBar(bar).percent()), percent) << bar;
    }

    load(1000);
    ASSERT_TRUE(session->play());
    session->setVolume(Volume::ofBar(16)); // half
    EXPECT_EQ(playbackTexts(shown()).volumePercent, "50%");
    const std::vector<std::uint8_t> half = pull(4);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(half[i], 128 + (audio[i] - 128) * 0x7FFF / 0xFFFF) << i;
    session->setVolume(Volume::ofBar(32));
    EXPECT_EQ(pull(4), std::vector<std::uint8_t>(4, 0x80));

    // 16-bit stereo: each channel's samples scaled about zero.
    load(1000, WaveFormat{kTagPcm, 2, 8000, 32000, 4, 16, 0});
    ASSERT_TRUE(session->play());
    session->setVolume(Volume::ofBar(32));
    EXPECT_EQ(pull(8), std::vector<std::uint8_t>(8, 0));
    session->setVolume(Volume::ofBar(0));
    EXPECT_EQ(pull(8), audioBetween(8, 16)); // full volume: the bytes as they are
}

TEST_F(PlaybackSessionTest, SpeedsReopenTheDeviceAtTheScaledRateWhenPlayNeedsIt) {
    load(8000);
    session->restoreSpeed(speed(4)); // start-up's saved position: no reopen yet
    EXPECT_EQ(device.opened.size(), 1u);
    ASSERT_TRUE(session->play());
    EXPECT_EQ(device.opened.back().samplesPerSec, 12000u);
    EXPECT_EQ(device.openedIds.back(), AudioOutput::kAnyDevice);
    session->stop();
    ASSERT_TRUE(session->play()); // the device already runs at the speed
    EXPECT_EQ(device.opened.size(), 2u);

    const std::vector<std::pair<int, std::uint32_t>> rates = {
        {0, 6000}, {1, 7000}, {2, 8000}, {3, 10000}, {4, 12000}};
    for (const auto& [position, rate] : rates) {
        ASSERT_TRUE(session->changeSpeed(speed(position)));
        EXPECT_EQ(device.opened.back().samplesPerSec, rate) << position;
        EXPECT_EQ(shown().speed.position(), position);
        EXPECT_TRUE(device.running()); // playing goes on at the new rate
    }
    EXPECT_FALSE(Speed::ofPosition(5)); // outside the control: no speed
    EXPECT_EQ(device.opened.size(), 7u);

    session->stop();
    ASSERT_TRUE(session->changeSpeed(speed(0)));
    EXPECT_FALSE(device.running()); // a change while stopped leaves play stopped
    EXPECT_TRUE(messenger.shown.empty());
}

TEST_F(PlaybackSessionTest, ARefusedRateFallsBackToNormalAndAFailedDeviceEndsPlay) {
    load(8000);
    device.refusedRates = {12000};
    ASSERT_TRUE(session->changeSpeed(speed(4)));
    EXPECT_EQ(messenger.onlyText(), "reOpenSndOutDev waveOutOpen failed, Playout using sound device failed. "
                                    "Speed changed. 32 fake error 32");
    EXPECT_EQ(shown().speed, Speed());
    EXPECT_EQ(device.opened.back().samplesPerSec, 8000u);

    messenger.shown.clear();
    device.refusedRates = {12000, 8000};
    EXPECT_FALSE(session->changeSpeed(speed(4)));
    ASSERT_EQ(messenger.shown.size(), 2u);
    EXPECT_EQ(messenger.shown[1].text, "reOpenSndOutDev waveOutOpen failed again. 32 fake error 32");

    messenger.shown.clear();
    device.refusedRates.clear();
    device.failingDevices = {AudioOutput::kAnyDevice};
    session->restoreSpeed(speed(0));
    EXPECT_FALSE(session->play());
    EXPECT_EQ(messenger.onlyText(),
              "reOpenSndOutDev waveOutOpen error opening output sound device 2 fake error 2");
    EXPECT_EQ(log.lines.back(), messenger.onlyText());
}

TEST_F(PlaybackSessionTest, HeldSoundAndBrowsingKeepTheTransportAsItWas) {
    load(8000);
    ASSERT_TRUE(session->play());
    pull(100);
    session->setHeld(true);
    EXPECT_FALSE(device.running());
    EXPECT_EQ(shown().state, TransportState::Playing);
    EXPECT_EQ(position(), 100u);
    session->setHeld(false);
    EXPECT_EQ(pull(10), audioBetween(100, 110));

    session->stop();
    session->setBrowsing(true);
    EXPECT_FALSE(shown().controls[Control::Play]);
    EXPECT_FALSE(shown().controls[Control::PlayLoop]);
    session->setBrowsing(false);
    EXPECT_TRUE(shown().controls[Control::Play]);
}

TEST_F(PlaybackSessionTest, AListExportTakesTheWholeRecordingFromTheStart) {
    load(80000);
    ASSERT_TRUE(session->play());
    session->moveTo(1000);
    session->markLoopBegin();
    session->moveTo(5000);
    session->markLoopEnd();
    session->togglePlayLoop();
    session->clearLoopForWholeRecording();
    const PlaybackSnapshot now = shown();
    EXPECT_EQ(now.state, TransportState::Stopped);
    EXPECT_EQ(now.position, 0u);
    EXPECT_EQ(now.loopBegin, 0u);
    EXPECT_EQ(now.loopEnd, 0u);
    EXPECT_TRUE(now.controls[Control::MarkLoopBegin]);
    EXPECT_FALSE(now.controls[Control::MarkLoopEnd]);
    EXPECT_FALSE(now.controls[Control::PlayLoop]);
    EXPECT_TRUE(now.controls[Control::Play]);
}

TEST_F(PlaybackSessionTest, PlayAfterAPauseRewindsByTheChosenSeconds) {
    load(8000 * 20);
    ListeningAids aids;
    aids.rewindSeconds = 3;
    ASSERT_TRUE(session->setAids(aids));
    ASSERT_TRUE(session->play());
    EXPECT_EQ(position(), 0u); // from the start: nothing before it
    session->moveTo(8000 * 10);
    session->stop();
    ASSERT_TRUE(session->play());
    EXPECT_EQ(position(), 8000u * 7);
    ASSERT_TRUE(session->play()); // Play while playing is no resume
    EXPECT_EQ(position(), 8000u * 7);
    session->moveTo(8000 * 2);
    session->stop();
    ASSERT_TRUE(session->play());
    EXPECT_EQ(position(), 0u); // clamped at the start
    aids.rewindSeconds = 9;
    ASSERT_TRUE(session->setAids(aids));
    EXPECT_EQ(shown().aids.rewindSeconds, kLongestRewindSeconds);

    // Skipping silence, the rewind counts heard sound only: from 7.5 s back over 6-7.5, past the
    // skipped 2-6 and on through 1.5 s before it, never into the silence (which would play through).
    session->setSilences({{8000 * 2, 8000 * 6}});
    aids.rewindSeconds = 3;
    aids.skipSilence = true;
    ASSERT_TRUE(session->setAids(aids));
    session->moveTo(8000 * 15 / 2);
    session->stop();
    ASSERT_TRUE(session->play());
    EXPECT_EQ(position(), 4000u);
    session->moveTo(8000 * 9);
    session->stop();
    ASSERT_TRUE(session->play());
    EXPECT_EQ(position(), 8000u * 6); // 3 s heard, all after the silence
}

TEST_F(PlaybackSessionTest, EveryFailureOfTheListeningAidsIsShownOnceAndTheSoundGoesOn) {
    WaveFormat muLaw = kPcmDefaultFormat;
    muLaw.tag = 7; // no filter takes it
    load(8000 * 4, muLaw);
    ListeningAids aids;
    aids.filters.evenVoices = true;
    ASSERT_TRUE(session->setAids(aids));
    ASSERT_TRUE(session->play());
    std::size_t heard = 0;
    for (const bool reduceNoise : {false, true, false}) {
        aids.filters.reduceNoise = reduceNoise; // each choice of the user is tried anew
        ASSERT_TRUE(session->setAids(aids));
        messenger.shown.clear();
        EXPECT_EQ(pull(100), audioBetween(heard, heard + 100));
        EXPECT_EQ(pull(100), audioBetween(heard + 100, heard + 200));
        heard += 200;
        EXPECT_EQ(messenger.onlyText(),
                  "The listening aids cannot be used: the listening aids take 8-bit or 16-bit PCM only");
    }
}

TEST_F(PlaybackSessionTest, SkippingSilenceJumpsFromAStretchsStartButNotFromInsideIt) {
    load(8000 * 10);
    session->setSilences({{8000 * 2, 8000 * 6}});
    ListeningAids aids;
    aids.skipSilence = true;
    ASSERT_TRUE(session->setAids(aids));
    ASSERT_TRUE(session->play());
    session->moveTo(8000 * 2 - 100);
    // The 100 frames before the stretch, then straight on from its end.
    std::vector<std::uint8_t> expected = audioBetween(8000 * 2 - 100, 8000 * 2);
    const std::vector<std::uint8_t> after = audioBetween(8000 * 6, 8000 * 6 + 100);
    expected.insert(expected.end(), after.begin(), after.end());
    EXPECT_EQ(pull(200), expected);

    // Put inside a stretch (a keyword there), play goes on from there.
    session->playFromSeconds(3);
    EXPECT_EQ(pull(50), audioBetween(8000 * 3, 8000 * 3 + 50));
    // A loop plays what its marks hold, silence or not.
    session->moveTo(8000 * 1);
    session->markLoopBegin();
    session->moveTo(8000 * 7);
    session->markLoopEnd();
    session->togglePlayLoop();
    session->moveTo(8000 * 2 - 10);
    EXPECT_EQ(pull(20), audioBetween(8000 * 2 - 10, 8000 * 2 + 10));

    // Off, nothing is skipped.
    session->togglePlayLoop();
    ASSERT_TRUE(session->setAids({}));
    ASSERT_TRUE(session->play());
    session->moveTo(8000 * 2 - 10);
    EXPECT_EQ(pull(20), audioBetween(8000 * 2 - 10, 8000 * 2 + 10));
}

TEST_F(PlaybackSessionTest, KeepingThePitchHoldsTheDeviceAtTheRecordingsRateAndFiltersTheSound) {
    load(8000 * 4);
    ASSERT_TRUE(session->changeSpeed(speed(4))); // Fast +50%: the device at 12000 Hz
    EXPECT_EQ(device.opened.back().samplesPerSec, 12000u);
    ListeningAids aids;
    aids.filters.keepPitch = true;
    ASSERT_TRUE(session->setAids(aids)); // back to the recording's rate
    EXPECT_EQ(device.opened.back().samplesPerSec, 8000u);
    ASSERT_TRUE(session->play());
    const std::size_t opens = device.opened.size();
    // At 1.5 the filter takes about 1.5 frames for each it gives (once past its own delay, which
    // the position leads what is heard by); a speed change reopens nothing.
    pull(4000);
    std::uint64_t before = position();
    pull(4000);
    EXPECT_NEAR(static_cast<double>(position() - before), 6000, 600);
    ASSERT_TRUE(session->changeSpeed(speed(0))); // Slow -25%
    EXPECT_EQ(device.opened.size(), opens);
    pull(8000); // past the filter's own delay
    before = position();
    pull(8000);
    EXPECT_NEAR(static_cast<double>(position() - before), 6000, 600);
    EXPECT_EQ(shown().speed.position(), 0);

    // Off again: the device follows the speed once more.
    ASSERT_TRUE(session->setAids({}));
    EXPECT_EQ(device.opened.back().samplesPerSec, 6000u);
    const std::uint64_t at = position();
    EXPECT_EQ(pull(10), audioBetween(at, at + 10)); // the recording's own bytes again
}

TEST(PlaybackTexts, FormatTimePercentAndStepHints) {
    EXPECT_EQ(playTimeText(0), "Time  0:00");
    EXPECT_EQ(playTimeText(65), "Time  1:05");
    EXPECT_EQ(playTimeText(3600), "Time 60:00");
    EXPECT_EQ(percentText(7), "07%");
    EXPECT_EQ(percentText(100), "100%");
    EXPECT_EQ(stepHints(1).back, "Steps Back 10 Seconds");
    EXPECT_EQ(stepHints(1).step, "Steps Forward 10 Seconds");
    EXPECT_EQ(stepSeconds(5), 0);
}

} // namespace
} // namespace kestrum
