#pragma once

#include "app/AnnotationViews.h"
#include "app/Annotations.h"
#include "app/CallAnalysis.h"
#include "app/Log.h"
#include "app/PlayerActions.h"
#include "app/PlayerState.h"
#include "app/PlayerUi.h"
#include "app/RunnablePlayer.h"
#include "app/SplashDisplay.h"
#include "audio/AudioOutput.h"
#include "audio/LoaderThread.h"
#include "audio/PlaybackStack.h"
#include "platform/Reporter.h"
#include "platform/SystemServices.h"
#include "recording/StoredAudio.h"

#include <future>
#include <memory>
#include <optional>
#include <string>

namespace kestrum {

// One run of the player: start-up in its fixed order, the windows' message loop, and the
// shutdown sequence exactly once, whoever asks for it (closing the player window, a signal, the
// end of the run, process exit).
class Player : public PlayerActions, public RunnablePlayer {
  public:
    Player(Messenger& messenger, SystemServices& system, AudioOutput& device, PlayerUi& ui);
    ~Player() override;
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Runs the player on the command line (the text after the program name); returns the exit
    // code: 1 when the command line, environment, version, recording or sound device fails.
    int run(const std::string& commandLine) override;

    // Stops playback, releases the device, saves the init record (asking about unsaved additions
    // first), lets running exports end and removes the lock. Only the first call does anything.
    void shutdown() override;
    // Asked as the user closes the player window, before the shutdown: with additions not saved,
    // "Save New Additions?" with Yes, No and Cancel. False on Cancel: the player goes on, with
    // everything typed kept; otherwise the shutdown acts on the answer given here.
    bool confirmClose() override;

    // An exception escaped the run (start-up, an event handler, the shutdown): its text is logged
    // and shown, the shutdown runs (once), and the message loop, if running, ends.
    void endAfterException(const std::string& what) override;

    // On the windows' thread, with every display tick (the first as the player window first
    // shows): the stored audio's checksum taken, the peak summaries and the silence map grown with
    // the store, and, once the loader's thread has decoded the whole call (or failed part way: its
    // message is shown then, and what was decoded plays), the length it has; once the peaks are
    // whole, the call's analysis started on threads of its own, and shown as it comes.
    void followLoading() override;
    // The user asked to see the spectrogram: it is made (once) when the call is whole.
    void wantSpectrogram() override { analysis_.wantSpectrogram(); }
    // The stored audio's length and checksum in the recording state, worked out if need be: what
    // compares the file with the call opened (a save, a look at the file replaced) takes it first.
    void takeOpenedAudio() override;
    // Waits for the whole call to be loaded (what needs all of it, an export, waits here).
    void finishLoading() override;
    bool loading() const { return loading_ != nullptr; }

    PlayerState& state() override { return state_; }
    Reporter& reporter() override { return reporter_; }
    Messenger& messenger() override { return messenger_; }
    // The playback of the recording, from the moment the windows are made.
    PlaybackSession& session() override { return playback_.session(); }
    Annotations& annotations() override { return *annotations_; }
    LogSink& log() override { return log_; }

  private:
    int openForPlay();
    void setUpWindows();
    void restoreWindowState();
    int loadRecording();
    void destroySplash();
    void workOutOpenedAudio();
    void followAnalysis();
    void saveWindowState(bool windowsAlive);
    void keepResumePosition();
    void shutdown(bool windowsAlive);
    void registerShutdownAtExit();
    friend void shutdownAtExit();

    PlayerState state_;
    Messenger& messenger_;
    SystemServices& system_;
    PlayerUi& ui_;
    Log log_;
    Reporter reporter_;
    NoSplash noSplash_;
    SplashDisplay* splash_ = &noSplash_;
    PlaybackStack playback_;
    std::unique_ptr<Annotations> annotations_;
    // Loading the decoders' library beside the start-up.
    std::future<void> codecsLoaded_;
    // The recording file for the stored audio's checksum, until it is worked out in openedAudio_.
    int openedAudioFile_ = -1;
    std::future<StoredAudio> openedAudio_;
    // Decoding the rest of the call while it plays; null once it is all in.
    std::unique_ptr<LoaderThread> loading_;
    // The answer to "Save New Additions?" given as the window closed, for the shutdown.
    std::optional<bool> saveAnswer_;
    // The key presses and spectrogram, worked out once the whole call is in the store.
    CallAnalysis analysis_;
};

} // namespace kestrum
