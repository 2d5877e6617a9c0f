#include "app/Player.h"

#include "platform/FormatText.h"
#include "recording/RecordingReader.h"
#include "recording/VersionTable.h"

#include <cstdlib>
#include <sys/stat.h>

namespace kestrum {

namespace {

// The one player whose shutdown runs at process exit; an exit hook can reach nothing else.
Player* playerForExit = nullptr;

void shutdownAtExit() {
    if (playerForExit != nullptr)
        playerForExit->shutdown();
}

bool regularFileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

Player::Player(Messenger& messenger, SystemServices& system, SplashDisplay& splash)
    : messenger_(messenger), system_(system), splash_(splash), log_(state_.environment),
      reporter_(messenger, log_) {}

Player::~Player() {
    shutdown();
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
    if (parseCommandLine(commandLine, state_.options, messenger_) != 0)
        return 1;
    state_.recording.recordingPath = state_.options.recordingPath;
    if (prepareEnvironment(state_.environment, state_.options, system_, messenger_) != 0)
        return 1;
    if (openForPlay() != 0) {
        shutdown();
        return 1;
    }

    state_.progress.windowSetupReached = true;
    splash_.setStepText("Reading Forms Init");
    initRecordRead_ = readInit(state_.environment) == 0;
    if (loadRecording() == 0)
        state_.progress.playStarted = true;
    shutdown();
    return 0;
}

int Player::openForPlay() {
    registerShutdownAtExit();
    Environment& env = state_.environment;
    if (getTheVersion(env, messenger_) != 0)
        return 1;
    splash_.setCaption(formatText("%s  %s", kProductTitle, env.versionText.c_str()));
    splash_.setStepText(formatText("STARTING %s", kProductTitle));
    splash_.show();

    RecordingState& rec = state_.recording;
    if (!regularFileExists(rec.recordingPath))
        return reporter_.fail("File not found\n%s", rec.recordingPath.c_str());

    splash_.setStepText("OPENING FILE");
    RecordingReader reader(rec, reporter_, displays_, displays_,
                           {state_.options.headerOverrides(), env.viewerMode});
    if (reader.openRecording() != 0)
        return 1;
    if (rec.version() == 2 || rec.version() == 3) {
        rec.closeRecordingFile();
        return 1;
    }
    return 0;
}

int Player::loadRecording() {
    RecordingState& rec = state_.recording;
    RecordingReader reader(rec, reporter_, displays_, displays_,
                           {state_.options.headerOverrides(), state_.environment.viewerMode});
    splash_.setStepText(isCompressedVersion(rec.version()) ? "READING FILE TO BUFFER" : "CREATING BUFFERS");
    const int failed = reader.computeAudioLength();
    rec.closeRecordingFile();
    if (failed != 0)
        return 1;
    splash_.hide();

    if (state_.recording.scannedWordTotal != 0)
        state_.options.keywordMode = 2;
    if (state_.recording.commentsPresent && state_.options.commentMode < 3)
        state_.options.commentMode = 3;
    return 0;
}

void Player::saveWindowState() {
    if (state_.progress.windowStateSaved)
        return;
    state_.progress.windowStateSaved = true;
    if (state_.environment.viewerMode || !state_.progress.windowSetupReached)
        return;
    // Until the windows that own its fields exist, a record is only written back as it was read.
    if (initRecordRead_)
        writeInitToDisk(state_.environment, reporter_);
}

void Player::shutdown() {
    if (state_.progress.shutdownDone)
        return;
    state_.progress.shutdownDone = true;
    state_.recording.closeRecordingFile();
    saveWindowState();
    splash_.close();
    releaseLock(state_.environment);
}

} // namespace kestrum
