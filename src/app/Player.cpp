#include "app/Player.h"

#include "app/KeywordListLines.h"
#include "app/ListeningSettings.h"
#include "app/ResumePositions.h"
#include "audio/AudioLoader.h"
#include "audio/CodecLibrary.h"
#include "platform/FormatText.h"
#include "platform/Priority.h"
#include "recording/RecordingReader.h"
#include "recording/StoredAudio.h"
#include "recording/VersionTable.h"

#include <chrono>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace kestrum {

namespace {

// The one player whose shutdown runs at process exit; an exit hook can reach nothing else.
Player* playerForExit = nullptr;

// The call as the resume positions know it: its full path and its size now.
CallIdentity callIdentityOf(const std::string& path) {
    CallIdentity call;
    struct stat info {};
    char* full = ::realpath(path.c_str(), nullptr);
    if (full == nullptr || ::stat(full, &info) != 0) {
        std::free(full);
        return call;
    }
    call.path = full;
    std::free(full);
    call.size = static_cast<std::uint64_t>(info.st_size);
    return call;
}

// Whether the path names anything: what is no file the reader can read (a folder, a FIFO, a
// device) is refused by the reader, with what it is.
bool somethingExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

} // namespace

// At process exit the windows may be half torn down: the sequence runs without touching them.
void shutdownAtExit() {
    if (playerForExit != nullptr)
        playerForExit->shutdown(false);
}

Player::Player(Messenger& messenger, SystemServices& system, AudioOutput& device, PlayerUi& ui)
    : messenger_(messenger), system_(system), ui_(ui), log_(state_.environment, state_.options),
      reporter_(messenger, log_),
      playback_(device, reporter_, messenger, state_.store, state_.recording.playbackFormat) {}

Player::~Player() {
    shutdown(false);
    if (openedAudioFile_ >= 0)
        ::close(openedAudioFile_);
    if (playerForExit == this)
        playerForExit = nullptr;
}

void Player::registerShutdownAtExit() {
    static bool registered = false;
    playerForExit = this;
    if (!registered) {
        std::atexit(shutdownAtExit);
        registered = true;
    }
}

int Player::run(const std::string& commandLine) {
    // The decoders load while start-up opens the recording, the device and the windows.
    codecsLoaded_ = std::async(std::launch::async, [] { CodecLibrary::get(); });
    if (parseCommandLine(commandLine, state_.options, messenger_) != 0)
        return 1;
    state_.recording.recordingPath = state_.options.recordingPath;
    if (prepareEnvironment(state_.environment, state_.options, system_, messenger_) != 0)
        return 1;
    if (openForPlay() != 0) {
        shutdown();
        return 1;
    }

    playback_.makeSession();
    ui_.createWindows(*this);
    annotations_ = std::make_unique<Annotations>(state_, reporter_, ui_.annotationViews());

    setUpWindows();
    if (loadRecording() == 0) {
        destroySplash();
        ui_.runMessageLoop();
    }
    shutdown();
    return 0;
}

int Player::openForPlay() {
    registerShutdownAtExit();
    splash_ = &ui_.createSplash();
    Environment& env = state_.environment;
    if (readProgramVersion(env, messenger_) != 0)
        return 1;
    splash_->setCaption(formatText("%s  %s", kProductTitle, env.versionText.c_str()));
    splash_->setStepText(formatText("STARTING %s", kProductTitle));
    splash_->show();

    RecordingState& rec = state_.recording;
    if (!somethingExists(rec.recordingPath))
        return reporter_.fail("File not found\n%s", rec.recordingPath.c_str());

    splash_->setStepText("OPENING FILE");
    RecordingReader reader(rec, reporter_, {state_.options.headerOverrides(), state_.options.viewerMode});
    if (reader.openRecording() != 0)
        return 1;
    // The sound this run plays: a save adds to this call only, not to another put in its place.
    // Its checksum reads the whole file (a tenth of a second for ten hours of TrueSpeech), so it is
    // worked out once the call plays, on a descriptor of its own (takeOpenedAudio).
    openedAudioFile_ = ::dup(::fileno(rec.recordingFile.get()));
    if (versionInfo(rec.version()).audio == AudioStorage::Refused) {
        rec.closeRecordingFile();
        return 1;
    }

    splash_->setStepText("OPENING SOUND CARD");
    if (playback_.openDevice() != 0 || !playback_.deviceOpen())
        return 1;
    return 0;
}

void Player::setUpWindows() {
    state_.progress.windowSetupReached = true;
    adjustModesForPlatform(state_.options, state_.environment.osPlatformId);
    ui_.setUpWindows();
    splash_->setStepText("Reading Forms Init");
    restoreWindowState();
}

// Start-up has hidden the splash window; it has no more use once the player window shows.
void Player::destroySplash() {
    splash_ = &noSplash_;
    ui_.destroySplash();
}

void Player::restoreWindowState() {
    Environment& env = state_.environment;
    // The listening aids as the user left them (viewer mode keeps the defaults).
    state_.aids = readListeningSettings(env.userDirectory, kSettingsFileName);
    state_.resumeSeconds = resumeSecondsOf(env.userDirectory, callIdentityOf(state_.recording.recordingPath));
    state_.pedalDevice = readSetting(env.userDirectory, kSettingsFileName, kPedalDeviceSetting);
    playback_.session().setAids(state_.aids);
    state_.openAtLastRun = WindowOpenFlags{};
    if (readInit(env) != 0) {
        ui_.restoreWindowState(nullptr, state_.options.viewerMode);
        return;
    }
    const InitRecord& record = env.initRecord;
    state_.openAtLastRun.newComments = record.newCommentsOpen != 0;
    state_.openAtLastRun.keywords = record.keywordOpen != 0;
    state_.openAtLastRun.waveform = record.waveformOpen != 0;
    state_.openAtLastRun.existingComments = record.existingCommentsOpen != 0;
    ui_.restoreWindowState(&record, state_.options.viewerMode);
}

int Player::loadRecording() {
    RecordingState& rec = state_.recording;
    AnnotationViews& windows = ui_.annotationViews();
    RecordingReader reader(rec, reporter_, {state_.options.headerOverrides(), state_.options.viewerMode});
    const auto progress = [this](const std::string& text) { splash_->setStepText(text); };
    const int failed = startLoadingRecordingAudio(reader, rec, state_.store, reporter_, progress, loading_);
    showSectionsRead(rec, reader.sectionsRead(), windows);
    ui_.showPlayPosition();
    if (failed != 0)
        return 1;
    if (loading_)
        playback_.session().audioLoading(loading_->expectedEntries());
    else
        playback_.session().audioLoaded(rec.audioLength);

    // The device, open since start-up, takes its sound from the session from here on.
    splash_->setStepText("CREATING PLAY BUFFER");
    playback_.connect();
    splash_->hide();
    if (!raiseProcessPriority())
        reporter_.logOnly("init SetPriorityClass HIGH_PRIORITY_CLASS");

    if (rec.scannedWordTotal != 0)
        state_.options.keywordMode = KeywordMode::Enabled;
    if (rec.commentsPresent)
        state_.options.commentMode = CommentMode::AddNew;
    // From here on, what other programs save into the call shows in the comment and keyword windows.
    ui_.watchRecording();
    return 0;
}

void Player::workOutOpenedAudio() {
    if (openedAudioFile_ < 0)
        return;
    openedAudio_ = std::async(std::launch::async, [fd = std::exchange(openedAudioFile_, -1),
                                                   opened = state_.recording.copyWithoutFile()] {
        yieldToForeground();
        const StoredAudio audio = storedAudioOf(fd, opened);
        ::close(fd);
        return audio;
    });
}

void Player::takeOpenedAudio() {
    workOutOpenedAudio();
    if (openedAudio_.valid())
        state_.recording.openedAudio = openedAudio_.get();
}

void Player::followLoading() {
    // Once the call plays (the first tick comes as the player window first shows).
    workOutOpenedAudio();
    if (openedAudio_.valid() && openedAudio_.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
        state_.recording.openedAudio = openedAudio_.get();
    if (loading_ && loading_->finished()) {
        // A failure part way is shown now, in its own words; what was decoded plays on. (The
        // message box runs the event loop, so the ticks meanwhile find the loading done.)
        const std::unique_ptr<LoaderThread> done = std::move(loading_);
        playback_.session().audioLoaded(done->produced());
        done->finish(state_.recording, reporter_);
    }
    // A slice at a time, so a long call fills the waveform over a few ticks rather than holding
    // the windows for one.
    constexpr std::size_t kSliceBytes = std::size_t{32} << 20;
    const std::span<const std::uint8_t> samples = state_.store.samples();
    const std::span<const std::uint8_t> slice =
        samples.first(std::min(samples.size(), state_.peaks.sampleCount() + kSliceBytes));
    state_.peaks.extend(slice);
    const bool whole = !loading_ && slice.size() == samples.size();
    const WaveFormat& format = state_.recording.playbackFormat;
    if (whole ? state_.silences.complete(slice, format) : state_.silences.extend(slice, format))
        playback_.session().setSilences(state_.silences.skippable());
    if (whole)
        followAnalysis();
}

void Player::followAnalysis() {
    // The store no longer changes: the analyses read it in place, beside the playing call.
    analysis_.start(state_.store.samples(), state_.recording.playbackFormat);
    if (analysis_.collect(state_))
        ui_.showCallAnalysis();
}

void Player::finishLoading() {
    if (loading_)
        loading_->wait();
    followLoading();
}

void Player::saveWindowState(bool windowsAlive) {
    RunProgress& progress = state_.progress;
    if (progress.windowStateSaved)
        return;
    progress.windowStateSaved = true;
    if (state_.options.viewerMode || !progress.windowSetupReached)
        return;
    // Asked here unless the closing window has asked it (a termination signal ends it unasked).
    if (windowsAlive && state_.recording.additionsPending &&
        (saveAnswer_ ? *saveAnswer_ : reporter_.ask("Save New Additions?")))
        ui_.saveWithProgress();
    if (windowsAlive)
        ui_.saveWindowState(state_.environment.initRecord);
    writeInitToDisk(state_.environment, state_.options, reporter_);
    writeListeningSettings(state_.environment.userDirectory, kSettingsFileName,
                           playback_.session().snapshot().aids, reporter_);
    keepResumePosition();
}

// Where the user leaves the call, under its size after any save; a call heard to its end is
// forgotten, and a run left within its first second keeps what an earlier run left.
void Player::keepResumePosition() {
    const PlaybackSnapshot shown = playback_.session().snapshot();
    const FrameClock& clock = playback_.session().clock();
    if (shown.position < clock.framesPerSecond())
        return;
    const CallIdentity call = callIdentityOf(state_.recording.recordingPath);
    if (call.path.empty())
        return;
    const bool heardToTheEnd = shown.position + clock.framesPerSecond() >= shown.length;
    keepResumeSeconds(state_.environment.userDirectory, call,
                      heardToTheEnd ? std::nullopt : std::optional<double>(clock.secondsOf(shown.position)),
                      reporter_);
}

bool Player::confirmClose() {
    if (state_.progress.shutdownDone || state_.options.viewerMode || !state_.progress.windowSetupReached ||
        !state_.recording.additionsPending)
        return true;
    const Messenger::Answer answer = reporter_.askOrCancel("Save New Additions?");
    if (answer == Messenger::Answer::Cancel)
        return false;
    saveAnswer_ = answer == Messenger::Answer::Yes;
    return true;
}

void Player::shutdown() {
    shutdown(true);
}

void Player::endAfterException(const std::string& what) {
    reporter_.fail("%s", what.c_str());
    shutdown();
    ui_.endMessageLoop();
}

void Player::shutdown(bool windowsAlive) {
    if (state_.progress.shutdownDone)
        return;
    state_.progress.shutdownDone = true;
    if (windowsAlive && state_.progress.windowSetupReached)
        ui_.stopDisplay();
    loading_.reset();
    analysis_.wait(); // it reads the store
    state_.recording.closeRecordingFile();
    playback_.release();
    saveWindowState(windowsAlive);
    if (windowsAlive)
        splash_->close();
    // The lock stays until an export still running has ended: no second player meanwhile.
    if (windowsAlive && state_.progress.windowSetupReached)
        ui_.finishExports();
    releaseLock(state_.environment);
}

} // namespace kestrum
