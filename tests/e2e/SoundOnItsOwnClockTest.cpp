// The sound on its own clock: the real player's windows with the real SDL device (its disk driver
// writes what is played, in real time). A windows' thread held for two seconds while a call
// plays leaves no silence in the sound, at every speed; with Keep pitch the whole call is heard,
// its last frames too, the position shown is the one heard, and a change of aid loses and repeats
// nothing; a long call sounds while it still decodes, and a jump into what is not decoded yet plays
// that part once it is; and closing the player while an export works ends the export cleanly, with
// nothing left behind.

#include "app/ExportCommand.h"
#include "app/InitRecord.h"
#include "audio/AudioLoader.h"
#include "audio/SdlAudioOutput.h"
#include "platform/LogSink.h"
#include "support/ProcessRunner.h"
#include "support/RealAudio.h"
#include "ui/UiRunFixture.h"

#include <QPushButton>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kestrum {
namespace {

namespace fs = std::filesystem;

// What the disk driver wrote, without the silence (0x80, or 0 for 16-bit sound) before the first
// and after the last sample.
std::vector<std::uint8_t> heard(const std::string& path, std::uint8_t silence) {
    std::vector<std::uint8_t> bytes = test::readFileBytes(path);
    const auto sound = [silence](std::uint8_t b) { return b != silence; };
    const auto first = std::find_if(bytes.begin(), bytes.end(), sound);
    const auto last = std::find_if(bytes.rbegin(), bytes.rend(), sound).base();
    return first < last ? std::vector<std::uint8_t>(first, last) : std::vector<std::uint8_t>{};
}

// Keeps the windows' event loop going until `done`, or for `seconds` at most.
bool runWindowsUntil(const std::function<bool()>& done, double seconds) {
    return test::waitUntil(
        [&] {
            QApplication::processEvents();
            return done();
        },
        seconds);
}

// The frames of sound in what the disk driver wrote: from the first sound to the last, less the
// gaps (runs of silence of 5 ms or more, where the device found nothing ready or was paused).
std::size_t soundFrames(const std::string& path) {
    const std::vector<std::uint8_t> sound = heard(path, 0x80);
    std::size_t frames = 0;
    std::size_t quiet = 0;
    for (const std::uint8_t b : sound) {
        quiet = b == 0x80 ? quiet + 1 : 0;
        ++frames;
        if (quiet == 40)
            frames -= 40;
        else if (quiet > 40)
            --frames;
    }
    return frames;
}

// A TrueSpeech call of about `seconds`: the test recording's blocks over and over.
test::RecordingBuilder longTrueSpeechCall(double seconds) {
    const WavContents& wav = test::testWav("8ktruespeech.wav");
    test::RecordingBuilder builder(10);
    builder.vrh.audioFormat = builder.vrh2.audioFormat = builder.vrh3.audioFormat = wav.format;
    while (static_cast<double>(builder.audio.size()) * 7.5 < seconds * 8000) // 240 samples a 32-byte block
        builder.audio.insert(builder.audio.end(), wav.data.begin(), wav.data.end());
    return builder;
}

// Where `part` first occurs in `sound`, or npos.
std::size_t findIn(const std::vector<std::uint8_t>& sound, const std::vector<std::uint8_t>& part) {
    const auto found = std::search(sound.begin(), sound.end(), part.begin(), part.end());
    return found == sound.end() ? std::string::npos : static_cast<std::size_t>(found - sound.begin());
}

class SoundOnItsOwnClockTest : public test::UiRunFixture {
  protected:
    SoundOnItsOwnClockTest() {
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("SDL_DISKAUDIOFILE", played.c_str(), 1);
        ::setenv("TMPDIR", temporary.path().c_str(), 1);
        ::setenv("KESTRUM_UNATTENDED", "yes", 1);
    }
    ~SoundOnItsOwnClockTest() override {
        for (const char* name : {"SDL_AUDIODRIVER", "SDL_DISKAUDIOFILE", "TMPDIR", "KESTRUM_UNATTENDED"})
            ::unsetenv(name);
    }

    // The settings of an earlier run, so play starts at `speedPosition`.
    fs::path userDirectory() const { return dir.path() / ::getpwuid(::geteuid())->pw_name; }

    void startAtSpeed(int speedPosition) {
        const fs::path user = userDirectory();
        fs::create_directories(user);
        fs::permissions(user, fs::perms(0700));
        InitRecord record;
        record.stepSizePosition = 3;
        record.playSpeedPosition = speedPosition;
        record.waveformKnobPosition = 1;
        const auto bytes = layout::encode(record);
        test::writeFileBytes((user / "Kestrum.DAT").string(), {bytes.begin(), bytes.end()});
    }

    test::TempDir temporary;
    std::string played = dir.file("played.raw");
};

TEST_F(SoundOnItsOwnClockTest, AHeldWindowThreadLeavesNoSilenceInTheSoundAtAnySpeedInAnyFormat) {
    struct Run {
        const char* format;
        std::uint16_t channels, bits;
        std::vector<int> speedPositions;
    };
    const Run runs[] = {
        {"8-bit mono", 1, 8, {0, 1, 2, 3, 4}}, {"16-bit mono", 1, 16, {2}}, {"8-bit stereo", 2, 8, {3}}};
    const std::array<double, 5> speedOfPosition = {0.75, 0.875, 1.0, 1.25, 1.5};
    for (const Run& run : runs) {
        // Four seconds of sound, never the silence value, so a gap would show.
        test::RecordingBuilder builder(11);
        const auto frameBytes = static_cast<std::uint16_t>(run.channels * run.bits / 8);
        builder.vrh3.audioFormat = {kTagPcm, run.channels, 8000, 8000u * frameBytes, frameBytes, run.bits, 0};
        builder.audio = test::makeAudio(4 * 8000 * frameBytes);
        const std::uint8_t silence = run.bits == 16 ? 0 : 0x80;
        std::replace(builder.audio.begin(), builder.audio.end(), silence, std::uint8_t{0x81});
        for (const int speed : run.speedPositions) {
            SCOPED_TRACE(std::string(run.format) + ", speed position " + std::to_string(speed));
            startAtSpeed(speed);
            SdlAudioOutput sdl;
            soundDevice = &sdl;
            double playedFor = 0;
            runOn(builder, "", [&](test::InspectingUi& ui) {
                PlaybackSession& session = ui.player->session();
                ASSERT_TRUE(runWindowsUntil([&] { return session.snapshot().position > 0; }, 5));
                const auto started = std::chrono::steady_clock::now();
                // The windows' thread does something long (a save on a slow disk, say).
                std::this_thread::sleep_for(std::chrono::seconds(2));
                ASSERT_TRUE(runWindowsUntil([&] { return !session.snapshot().playing(); }, 10));
                playedFor = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            });
            EXPECT_EQ(heard(played, silence), builder.audio);
            const double lasts = 4.0 / speedOfPosition[static_cast<std::size_t>(speed)];
            EXPECT_NEAR(playedFor, lasts, lasts * 0.1);
        }
    }
}

TEST_F(SoundOnItsOwnClockTest, KeepingThePitchTheWholeCallIsHeardWhereShownAndAnAidChangeLosesNothing) {
    // Two seconds of a tone, never silent for more than a sample.
    test::RecordingBuilder builder(9);
    for (int i = 0; i < 2 * 8000; ++i)
        builder.audio.push_back(
            static_cast<std::uint8_t>(std::lround(128 + 100 * std::sin(2 * M_PI * 400 * i / 8000.0))));
    const std::size_t frames = builder.audio.size();
    for (const int speed : {0, 2, 4}) {
        const double tempo = Speed::ofPosition(speed)->factor();
        SCOPED_TRACE("tempo " + std::to_string(tempo));
        // Play with Keep pitch, Even out voices turned on half a second in, paused at one second
        // and played on; `closeAtPause` ends the run at the pause instead, the position then shown
        // in `shownAtPause`.
        const auto run = [&](bool closeAtPause, std::uint64_t& shownAtPause) {
            startAtSpeed(speed);
            const std::string aids = "keepPitch=1\n";
            test::writeFileBytes((userDirectory() / kSettingsFileName).string(), {aids.begin(), aids.end()});
            SdlAudioOutput sdl;
            soundDevice = &sdl;
            runOn(builder, "", [&](test::InspectingUi& ui) {
                PlaybackSession& session = ui.player->session();
                ASSERT_TRUE(runWindowsUntil([&] { return session.snapshot().position > 4000; }, 5));
                ListeningAids more = session.snapshot().aids;
                more.filters.evenVoices = true;
                ASSERT_TRUE(session.setAids(more));
                ASSERT_TRUE(runWindowsUntil([&] { return session.snapshot().position > 8000; }, 5));
                session.stop();
                shownAtPause = session.snapshot().position;
                if (closeAtPause)
                    return;
                ASSERT_TRUE(session.play());
                ASSERT_TRUE(runWindowsUntil([&] { return !session.snapshot().playing(); }, 10));
            });
        };
        // What the device played before the pause, in the call's frames, is what was shown.
        std::uint64_t shown = 0;
        run(true, shown);
        EXPECT_NEAR(static_cast<double>(shown), static_cast<double>(soundFrames(played)) * tempo,
                    8000 * 0.02);
        // The whole call, its last 10 ms included, and no more than the filter's smear besides.
        run(false, shown);
        const double expected = static_cast<double>(frames) / tempo;
        EXPECT_GE(static_cast<double>(soundFrames(played)), expected - 8000 * 0.01);
        EXPECT_LE(static_cast<double>(soundFrames(played)), expected + 8000 * 0.02);
    }
}

TEST_F(SoundOnItsOwnClockTest, ALongCallSoundsWhileItDecodesAndAJumpPastTheDecodedPartPlaysItsOwnBytes) {
    const test::RecordingBuilder builder = longTrueSpeechCall(2 * 3600);
    // The call as zoqtool reads it, all at once, for what each second should sound like.
    builder.writeTo(path);
    RecordingState whole;
    whole.recordingPath = path;
    SampleStore reference;
    NoLog quiet;
    Reporter reporter(messenger, quiet);
    ASSERT_EQ(openAndLoadRecording(whole, reference, reporter), 0);
    const std::uint64_t target = 8000 * (3600 + 50 * 60); // 1:50:00, near the end
    ASSERT_GT(reference.indexCount(), target + 8000);

    SdlAudioOutput sdl;
    soundDevice = &sdl;
    runOn(builder, "", [&](test::InspectingUi& ui) {
        const SampleStore& store = ui.player->state().store;
        PlaybackSession& session = ui.player->session();
        ASSERT_TRUE(runWindowsUntil([&] { return !heard(played, 0x80).empty(); }, 10));
        // Sound while most of the call is still to be decoded.
        EXPECT_LT(store.indexCount(), reference.indexCount() / 2);
        // A keyword's second, far past what is decoded: the windows go on, and it plays once there.
        ASSERT_LT(store.indexCount(), target);
        session.playFromSeconds(static_cast<int>(target / 8000));
        EXPECT_EQ(session.snapshot().position, target);
        ASSERT_TRUE(runWindowsUntil([&] { return session.snapshot().position > target + 12000; }, 120));
        EXPECT_TRUE(session.snapshot().playing());
    });
    const std::vector<std::uint8_t> out = test::readFileBytes(played);
    const std::span<const std::uint8_t> expected = reference.samples().subspan(target, 8000);
    EXPECT_NE(findIn(out, {expected.begin(), expected.end()}), std::string::npos);
}

TEST_F(SoundOnItsOwnClockTest, ClosingThePlayerDuringAnExportEndsItWithNothingLeftBehind) {
    // A disc program that takes its time, as one writing a disc does.
    const std::string started = dir.file("disc-started");
    const std::string discProgram = "#!/bin/sh\ntouch '" + started + "'\nsleep 2\n";
    test::writeFileBytes(dir.file("Oskaret.exe"), {discProgram.begin(), discProgram.end()});
    fs::permissions(dir.file("Oskaret.exe"), fs::perms::owner_all);
    test::writeFileBytes(dir.file("Vantrel.Exe"), {'m'});
    test::RecordingBuilder builder(9);
    builder.audio = test::makeAudio(8000 * 120); // two minutes
    messenger.answer = true;

    for (const char* mode : {"^E2", "^K1^E2"}) { // CD audio, then the export list
        for (const bool discProgramRunning : {false, true}) {
            SCOPED_TRACE(std::string(mode) +
                         (discProgramRunning ? ", the disc program running" : ", at once"));
            fs::remove(started);
            SdlAudioOutput sdl;
            soundDevice = &sdl;
            EXPECT_EQ(runOn(builder, mode,
                            [&](test::InspectingUi& ui) {
                                test::partOf<QPushButton>(*ui.playerWindow(), "exportButton")->click();
                                ASSERT_TRUE(ui.exportCommand()->exportListRunning() ||
                                            ui.exportCommand()->audioExportRunning());
                                if (discProgramRunning) {
                                    ASSERT_TRUE(runWindowsUntil([&] { return fs::exists(started); }, 20));
                                }
                                // Closed while the export works (the path a SIGTERM takes too): a
                                // conversion or copy stops, a disc program is waited for.
                                ui.playerWindow()->close();
                                EXPECT_FALSE(ui.exportCommand()->exportListRunning());
                                EXPECT_FALSE(ui.exportCommand()->audioExportRunning());
                            }),
                      0);
            // No CD audio file, no partial copy; the lock is gone.
            for (const fs::directory_entry& entry : fs::recursive_directory_iterator(temporary.path())) {
                const std::string name = entry.path().filename().string();
                EXPECT_NE(name.rfind("KESTRUM", 0), 0u) << entry.path();
                EXPECT_EQ(name.find(".part"), std::string::npos) << entry.path();
                if (entry.is_regular_file() && entry.path().extension() == ".ZOQ") {
                    EXPECT_EQ(fs::file_size(entry.path()), 98u + builder.bytes().size()); // only a whole copy
                }
            }
            for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir.path()))
                EXPECT_NE(entry.path().filename(), "Kestrum.LCK");
        }
    }
}

} // namespace
} // namespace kestrum
