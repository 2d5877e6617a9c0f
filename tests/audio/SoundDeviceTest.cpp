// Opening the sound device, reopening it at the speed-scaled rates, and its failures.

#include "audio/PlaybackFixture.h"

namespace kestrum {
namespace {

using test::PlaybackFixture;

class SoundDeviceTest : public PlaybackFixture {
  protected:
    SoundDeviceTest() { recording.playbackFormat = kPcmDefaultFormat; }
};

TEST_F(SoundDeviceTest, NoDeviceAtAllIsReported) {
    waveOut.devices = 0;
    EXPECT_EQ(device.openSoundDevice(), 1);
    EXPECT_EQ(messenger.onlyText(), "NO sound dev found");
    EXPECT_EQ(log.lines, std::vector<std::string>{"NO sound dev found"});
}

TEST_F(SoundDeviceTest, TheFirstDeviceThatOpensIsKeptAndEachFailureReportsItself) {
    waveOut.devices = 3;
    waveOut.failingDevices = {0};
    EXPECT_EQ(device.openSoundDevice(), 0);
    EXPECT_EQ(waveOut.openedIds, std::vector<int>{1});
    EXPECT_EQ(messenger.onlyText(), "openSndOutDev waveOutOpen failed 2 fake error 2");

    waveOut.failingDevices = {0, 1, 2};
    device.closeSndOutDev();
    EXPECT_EQ(device.openSoundDevice(), 1);
    EXPECT_EQ(messenger.shown.size(), 4u);
    EXPECT_FALSE(device.isOpen());
}

TEST_F(SoundDeviceTest, SpeedCodesScaleBothRatesDividingFirst) {
    const std::vector<std::pair<int, std::uint32_t>> expected = {{0, 8000},  {1, 6000}, {2, 10000},
                                                                 {3, 12000}, {4, 7000}, {9, 8000}};
    for (const auto& [code, rate] : expected) {
        const WaveFormat scaled = scaledFormat(kPcmDefaultFormat, code);
        EXPECT_EQ(scaled.samplesPerSec, rate) << code;
        EXPECT_EQ(scaled.avgBytesPerSec, rate) << code;
    }
    // 11025 / 8 = 1378 (in integers), x 7 = 9646.
    WaveFormat odd = kPcmDefaultFormat;
    odd.samplesPerSec = odd.avgBytesPerSec = 11025;
    EXPECT_EQ(scaledFormat(odd, 4).samplesPerSec, 9646u);
    EXPECT_EQ(scaledFormat(odd, 1).samplesPerSec, 8268u);
}

TEST_F(SoundDeviceTest, AReopenUsesTheMapperAtTheScaledRateWithBothBuffersFree) {
    ASSERT_EQ(device.openSoundDevice(), 0);
    ASSERT_EQ(device.createPlayBuffers(), 0);
    view.timer = true;
    ASSERT_EQ(device.reOpenSndOutDev(3), 0);
    EXPECT_EQ(waveOut.openedIds.back(), WaveOut::kWaveMapper);
    EXPECT_EQ(waveOut.opened.back().samplesPerSec, 12000u);
    EXPECT_TRUE(view.timer); // stopped for the reopen and restored
    for (const WaveHeader& header : device.playBuffers()) {
        EXPECT_TRUE(header.prepared);
        EXPECT_TRUE(header.done);
    }
    view.timer = false;
    ASSERT_EQ(device.reOpenSndOutDev(1), 0);
    EXPECT_FALSE(view.timer);
    EXPECT_TRUE(messenger.shown.empty());
}

TEST_F(SoundDeviceTest, ARefusedRateFallsBackToNormalWithOneMessage) {
    ASSERT_EQ(device.openSoundDevice(), 0);
    ASSERT_EQ(device.createPlayBuffers(), 0);
    waveOut.refusedRates = {12000};
    view.speedPosition = 4;
    ASSERT_EQ(device.reOpenSndOutDev(3), 0);
    EXPECT_EQ(messenger.onlyText(), "reOpenSndOutDev waveOutOpen failed, Playout using sound device failed. "
                                    "Speed changed. 32 fake error 32");
    EXPECT_EQ(view.speedPosition, 2);
    EXPECT_EQ(waveOut.opened.back().samplesPerSec, 8000u);

    messenger.shown.clear();
    waveOut.refusedRates = {12000, 8000};
    EXPECT_EQ(device.reOpenSndOutDev(3), 1);
    ASSERT_EQ(messenger.shown.size(), 2u);
    EXPECT_EQ(messenger.shown[1].text, "reOpenSndOutDev waveOutOpen failed again. 32 fake error 32");
}

TEST_F(SoundDeviceTest, AFailedReopenClosesThePlayer) {
    load(8000);
    waveOut.failingDevices = {WaveOut::kWaveMapper};
    startPlay();
    EXPECT_TRUE(view.closed);
    EXPECT_EQ(messenger.onlyText(),
              "reOpenSndOutDev waveOutOpen error opening output sound device 2 fake error 2");
}

TEST_F(SoundDeviceTest, ReleaseClosesTheDeviceAndUnpreparesTheBuffers) {
    ASSERT_EQ(device.openSoundDevice(), 0);
    ASSERT_EQ(device.createPlayBuffers(), 0);
    device.releaseSoundDevice();
    EXPECT_FALSE(device.isOpen());
    for (const WaveHeader& header : device.playBuffers()) {
        EXPECT_FALSE(header.prepared);
        EXPECT_EQ(header.bufferLength, kPlayBufferSize);
    }
    device.releaseSoundDevice(); // nothing open: nothing happens
}

} // namespace
} // namespace kestrum
