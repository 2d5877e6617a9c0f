// The sound output: the start-up device by index, the speed-scaled rates, and what a device that
// pulls hears before the session is attached.

#include "audio/SoundOutput.h"
#include "support/FakeAudioOutput.h"
#include "support/FakeMessenger.h"

#include <gtest/gtest.h>

namespace kestrum {
namespace {

class SoundOutputTest : public ::testing::Test {
  protected:
    WaveFormat format = kPcmDefaultFormat;
    test::FakeAudioOutput device;
    test::FakeMessenger messenger;
    test::FakeLog log;
    Reporter reporter{messenger, log};
    SoundOutput output{device, reporter, format};
};

TEST_F(SoundOutputTest, NoDeviceAtAllIsReported) {
    device.devices = 0;
    EXPECT_EQ(output.openSoundDevice(), 1);
    EXPECT_EQ(messenger.onlyText(), "NO sound dev found");
    EXPECT_EQ(log.lines, std::vector<std::string>{"NO sound dev found"});
}

TEST_F(SoundOutputTest, TheFirstDeviceThatOpensIsKeptAndEachFailureReportsItself) {
    device.devices = 3;
    device.failingDevices = {0};
    EXPECT_EQ(output.openSoundDevice(), 0);
    EXPECT_EQ(device.openedIds, std::vector<int>{1});
    EXPECT_EQ(device.opened.back(), format); // the recording's own rate
    EXPECT_FALSE(device.running());
    EXPECT_EQ(messenger.onlyText(), "openSndOutDev waveOutOpen failed 2 fake error 2");

    device.failingDevices = {0, 1, 2};
    output.release();
    EXPECT_EQ(output.openSoundDevice(), 1);
    EXPECT_EQ(messenger.shown.size(), 4u);
    EXPECT_FALSE(output.isOpen());
}

TEST_F(SoundOutputTest, SpeedCodesScaleBothRatesDividingFirst) {
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

TEST_F(SoundOutputTest, BeforeTheSessionIsAttachedTheDevicePlaysSilence) {
    ASSERT_EQ(output.openSoundDevice(), 0);
    device.setRunning(true);
    EXPECT_EQ(device.pull(16), std::vector<std::uint8_t>(16, 0x80));
    format.bitsPerSample = 16;
    EXPECT_EQ(device.pull(16), std::vector<std::uint8_t>(16, 0x00));
}

} // namespace
} // namespace kestrum
