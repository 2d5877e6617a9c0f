#include "ui/QtPlayerUi.h"

#include "app/Annotations.h"
#include "app/ExportCommand.h"
#include "app/PlaybackTexts.h"
#include "app/PlayerActions.h"
#include "app/PlayerState.h"
#include "platform/Reporter.h"
#include "ui/AnnotateDialog.h"
#include "ui/CodecInstructions.h"
#include "ui/CommentWindows.h"
#include "ui/FootPedal.h"
#include "ui/MediaPlayerBus.h"
#include "ui/PlayerMnemonics.h"
#include "ui/PlayerPresenter.h"
#include "ui/PlayerWindow.h"
#include "ui/QtExportUi.h"
#include "ui/RecordingWatch.h"
#include "ui/ScannedWordWindow.h"
#include "ui/ScreenPlacement.h"
#include "ui/SplashScreen.h"
#include "ui/TerminationSignals.h"
#include "ui/TextEntryKeys.h"
#include "ui/WaveformPresenter.h"
#include "ui/WaveformWindow.h"
#include "widgets/Knob.h"
#include "widgets/SwitchSlider.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QWindow>

namespace kestrum {

QtPlayerUi::QtPlayerUi() : signals_(std::make_unique<TerminationSignals>([this] { closeRequested(); })) {}

QtPlayerUi::~QtPlayerUi() = default;

SplashDisplay& QtPlayerUi::createSplash() {
    splash_ = std::make_unique<SplashScreen>();
    return *splash_;
}

void QtPlayerUi::destroySplash() {
    splash_.reset();
}

// The call's playing time, as the comment and keyword windows show it when they open.
void QtPlayerUi::showTotalSeconds() {
    const PlaybackSession& session = owner_->session();
    const double total = session.clock().secondsOf(session.snapshot().length);
    scannedWords_->setTotalSeconds(total);
    existingComments_->setTotalSeconds(total);
}

void QtPlayerUi::createWindows(PlayerActions& player) {
    owner_ = &player;
    // The player's keys work in every window, but a field being typed in keeps them.
    textEntryKeys_ = std::make_unique<TextEntryKeys>();
    qApp->installEventFilter(textEntryKeys_.get());
    player_ = std::make_unique<PlayerWindow>();
    presenter_ = std::make_unique<PlayerPresenter>(*player_, player);
    QObject::connect(player_.get(), &PlayerWindow::closing, [&player] { player.shutdown(); });
    // Its Alt+letter shortcuts work from the side windows as well.
    playerMnemonics_ = std::make_unique<PlayerMnemonics>(*player_);
    qApp->installEventFilter(playerMnemonics_.get());
    newComments_ = std::make_unique<NewCommentsWindow>(player_.get());
    scannedWords_ = std::make_unique<ScannedWordWindow>(player_.get());
    waveform_ = std::make_unique<WaveformWindow>(player_.get());
    waveformPresenter_ = std::make_unique<WaveformPresenter>(*waveform_, player);
    existingComments_ = std::make_unique<ExistingCommentsWindow>(player_.get());
    codecInstructions_ = std::make_unique<CodecInstructions>(player_.get());
    annotate_ = std::make_unique<AnnotateDialog>(waveform_.get());
    exportUi_ = std::make_unique<QtExportUi>(player.messenger(), player.state(), *this);
    exportCommand_ = std::make_unique<ExportCommand>(player, *exportUi_);
    connectSideWindows();
    // Where they open first, beside the player window: the comment windows together, the keywords.
    newComments_->setBesideSlot(0);
    existingComments_->setBesideSlot(1);
    scannedWords_->setBesideSlot(2);
}

// The desktop's media controls and the foot pedal, once the call plays: connecting to the session
// bus (and, without one, failing to) need not stand between the start and the first sound.
void QtPlayerUi::linkDesktop() {
    desktopLinked_ = true;
    mediaBus_ = std::make_unique<MediaPlayerBus>(
        MediaPlayerParts{*player_, *presenter_, owner_->session(), owner_->state()}, owner_->reporter());
    footPedal_ = std::make_unique<FootPedal>(*presenter_, owner_->reporter(), owner_->state().pedalDevice);
}

void QtPlayerUi::connectSideWindows() {
    PlayerWindow* player = player_.get();
    QObject::connect(presenter_.get(), &PlayerPresenter::firstShown,
                     [this](const ButtonModes& modes) { showSideWindows(modes); });
    QObject::connect(presenter_.get(), &PlayerPresenter::playbackChanged, [this] { refreshDisplay(); });
    QObject::connect(player, &PlayerWindow::closeAsked, [this] {
        if (!owner_->confirmClose())
            player_->putCloseAside();
    });
    QObject::connect(player, &PlayerWindow::commentsClicked, [this] { commentsButtonClicked(); });
    QObject::connect(player, &PlayerWindow::keywordsClicked, [this] {
        showTotalSeconds();
        scannedWords_->toggle(player_.get());
    });
    QObject::connect(player, &PlayerWindow::waveformClicked, [this] {
        showWaveformBesidePlayer();
        waveform_->setVisible(!waveform_->isVisible());
    });
    // Asked from the waveform: the dialog opens over it, naming the time it will mark.
    QObject::connect(waveform_.get(), &WaveformWindow::annotateRequested, [this] {
        const PlaybackSession& session = owner_->session();
        annotate_->ask(session.clock().secondsOf(session.snapshot().position));
    });
    QObject::connect(waveform_.get(), &WaveformWindow::playbackChanged, [this] { refreshDisplay(); });
    QObject::connect(player, &PlayerWindow::exportClicked, [this] {
        // An export takes the whole call: one clicked while the call still loads waits for it.
        owner_->finishLoading();
        exportCommand_->exportClicked();
        refreshDisplay();
    });
    QObject::connect(player, &PlayerWindow::playbackChanged, [this] { refreshDisplay(); });
    QObject::connect(newComments_.get(), &NewCommentsWindow::edited,
                     [this] { owner_->annotations().newCommentsEdited(); });
    QObject::connect(newComments_.get(), &NewCommentsWindow::saveRequested, [this] { saveFromWindows(); });
    QObject::connect(newComments_.get(), &NewCommentsWindow::timestampRequested, [this] {
        const PlaybackSession& session = owner_->session();
        const int second = session.clock().wholeSecondsOf(session.snapshot().position);
        newComments_->insertTimestamp(QString::fromStdString(timestampText(second)));
    });
    QObject::connect(existingComments_.get(), &ExistingCommentsWindow::playFromSecondsRequested,
                     [this](int seconds) { playFromTimestamp(seconds); });
    QObject::connect(scannedWords_.get(), &ScannedWordWindow::saveRequested, [this] { saveFromWindows(); });
    QObject::connect(scannedWords_.get(), &ScannedWordWindow::playFromSecondsRequested,
                     [this](int seconds) { playFromList(seconds); });
    QObject::connect(annotate_.get(), &AnnotateDialog::addRequested,
                     [this](const QString& keyword, int secondsBefore) {
                         if (owner_->annotations().addScannedWord(keyword.toStdString(), secondsBefore,
                                                                  owner_->session().snapshot().position) == 0)
                             annotate_->accept();
                     });
}

void QtPlayerUi::setUpWindows() {
    annotate_->clearKeyword();
    player_->setUp();
    scannedWords_->clearTotal();
    existingComments_->clearTotal();
}

void QtPlayerUi::restoreWindowState(const InitRecord* record, bool viewerMode) {
    if (record == nullptr) {
        // On a disc, where no init file is written, the side windows open where they fit beside the player.
        if (viewerMode) {
            existingComments_->restorePlacement(existingComments_->height(), 615, 25,
                                                existingComments_->width());
            scannedWords_->restorePlacement(scannedWords_->height(), 400, 50, scannedWords_->width());
            waveform_->place(1, 310);
            waveform_->setKnobPosition(100);
        }
        return;
    }
    newComments_->restorePlacement(record->newCommentsHeight, record->newCommentsLeft, record->newCommentsTop,
                                   record->newCommentsWidth);
    scannedWords_->restorePlacement(record->keywordHeight, record->keywordLeft, record->keywordTop,
                                    record->keywordWidth);
    existingComments_->restorePlacement(record->existingCommentsHeight, record->existingCommentsLeft,
                                        record->existingCommentsTop, record->existingCommentsWidth);
    waveform_->place(record->waveformLeft, record->waveformTop);
    if (record->waveformKnobPosition >= 0 && record->waveformKnobPosition <= 100)
        waveform_->setKnobPosition(record->waveformKnobPosition);
    presenter_->restoreSettings(*record);
}

void QtPlayerUi::saveWindowState(InitRecord& record) {
    record.newCommentsHeight = newComments_->height();
    record.newCommentsLeft = newComments_->x();
    record.newCommentsTop = newComments_->y();
    record.newCommentsWidth = newComments_->width();
    record.keywordOpen = scannedWords_->isVisible() ? 1 : 0;
    record.keywordHeight = scannedWords_->height();
    record.keywordLeft = scannedWords_->x();
    record.keywordTop = scannedWords_->y();
    record.keywordWidth = scannedWords_->width();
    record.newCommentsOpen = newComments_->isVisible() ? 1 : 0;
    record.existingCommentsHeight = existingComments_->height();
    record.existingCommentsLeft = existingComments_->x();
    record.existingCommentsTop = existingComments_->y();
    record.existingCommentsWidth = existingComments_->width();
    record.existingCommentsOpen = existingComments_->isVisible() ? 1 : 0;
    record.waveformOpen = waveform_->isVisible() ? 1 : 0;
    record.waveformTop = waveform_->y();
    record.waveformLeft = waveform_->x();
    record.waveformKnobPosition = waveform_->knobPosition();
    player_->saveSettings(record);
}

void QtPlayerUi::refreshDisplay() {
    const std::size_t summarised = owner_->state().peaks.sampleCount();
    owner_->followLoading();
    if (owner_->state().peaks.sampleCount() != summarised)
        waveform_->samplesAdded();
    const PlaybackSnapshot shown = owner_->session().refresh();
    presenter_->show(shown);
    if (looping_ && !desktopLinked_)
        linkDesktop();
    if (mediaBus_)
        mediaBus_->playbackShown();
    waveformPresenter_->show(shown);
}

void QtPlayerUi::showPlayPosition() {
    waveformPresenter_->showPlayPosition();
}

void QtPlayerUi::showCallAnalysis() {
    waveformPresenter_->showCallAnalysis();
}

void QtPlayerUi::stopDisplay() {
    if (player_)
        player_->stopDisplay();
    recordingWatch_.reset();
    mediaBus_.reset(); // the desktop's controls and the pedal go with the display
    footPedal_.reset();
}

// What another program saves into the call shows in the comment and keyword windows; the playback
// goes on as it was.
void QtPlayerUi::watchRecording() {
    recordingWatch_ = std::make_unique<RecordingWatch>(owner_->state().recording.recordingPath, [this] {
        owner_->takeOpenedAudio();
        owner_->annotations().reloadFromFile();
    });
}

void QtPlayerUi::finishExports() {
    for (QWidget* window :
         std::initializer_list<QWidget*>{player_.get(), newComments_.get(), scannedWords_.get(),
                                         waveform_.get(), existingComments_.get()})
        window->hide();
    exportCommand_->finishWorkers();
}

void QtPlayerUi::runMessageLoop() {
    if (closePending_)
        return;
    looping_ = true;
    player_->show(); // at its own size: a maximised window stretches the controls
    QApplication::exec();
    looping_ = false;
}

void QtPlayerUi::endMessageLoop() {
    if (looping_)
        QApplication::exit(0);
    else
        closePending_ = true;
}

// Before the loop runs, the request is kept: start-up ends instead of showing the window.
void QtPlayerUi::closeRequested() {
    if (looping_ && player_)
        player_->close();
    else
        closePending_ = true;
}

// --- the side windows ---------------------------------------------------------------------

void QtPlayerUi::showSideWindows(const ButtonModes& modes) {
    showTotalSeconds();
    const auto show = [this](SideWindow* window) {
        window->placeBeside(player_.get());
        window->show();
    };
    if (owner_->state().openAtLastRun.waveform) {
        showWaveformBesidePlayer();
        waveform_->show();
    }
    if (modes.showKeywords)
        show(scannedWords_.get());
    if (modes.showNewComments)
        show(newComments_.get());
    if (modes.showExistingComments)
        show(existingComments_.get());
}

// The waveform window, the widest, opens first below the player window (or wherever it fits beside).
void QtPlayerUi::showWaveformBesidePlayer() {
    if (!waveform_->placed() && player_->isVisible()) {
        const QPoint place = placementBeside(*waveform_, *player_, 0);
        waveform_->place(place.x(), place.y());
    }
}

void QtPlayerUi::commentsButtonClicked() {
    if (existingComments_->isVisible()) {
        newComments_->hide();
        existingComments_->hide();
        return;
    }
    showTotalSeconds();
    if (newCommentsOffered(owner_->state().options)) {
        newComments_->placeBeside(player_.get());
        newComments_->show();
    }
    existingComments_->placeBeside(player_.get());
    existingComments_->show();
}

// The Save button of either window: both windows wait while the file is rewritten.
void QtPlayerUi::saveFromWindows() {
    const bool newCommentsEnabled = newComments_->isEnabled();
    const bool keywordsEnabled = scannedWords_->isEnabled();
    newComments_->setEnabled(false);
    scannedWords_->setEnabled(false);
    setSaveButtonsEnabled(false);
    if (owner_->annotations().savingAllowed())
        saveWithProgress();
    newComments_->setEnabled(newCommentsEnabled);
    scannedWords_->setEnabled(keywordsEnabled);
}

// QWidget::setWindowFlag re-creates a shown window, which hides it (and hiding the waveform window
// returns it to Run, which moves the play position): the window system is told directly instead,
// and a window not yet shown takes the flags when it is made.
void QtPlayerUi::setSideWindowsOnTop(bool onTop) {
    for (QWidget* window : std::initializer_list<QWidget*>{newComments_.get(), scannedWords_.get(),
                                                           waveform_.get(), existingComments_.get()}) {
        Qt::WindowFlags flags = window->windowFlags();
        flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
        window->overrideWindowFlags(flags);
        if (QWindow* shown = window->windowHandle())
            shown->setFlags(flags);
    }
}

void QtPlayerUi::saveWithProgress() {
    SavingFileWindow saving(player_.get());
    saving.show();
    saving.repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    owner_->takeOpenedAudio();
    owner_->annotations().save();
    saving.close();
}

// As a keyword's second plays from the list; the start of the call too.
void QtPlayerUi::playFromTimestamp(int seconds) {
    if (waveform_->zoomingOrScrolling() || owner_->session().snapshot().loopPlaying())
        return;
    owner_->session().playFromSeconds(seconds);
    refreshDisplay();
}

void QtPlayerUi::playFromList(int seconds) {
    if (waveform_->zoomingOrScrolling() || owner_->session().snapshot().loopPlaying())
        return;
    if (seconds <= 0) {
        owner_->reporter().logOnly("ScannedWordFrm::Memo1DblClick start play at=%d", seconds);
        return;
    }
    owner_->session().playFromSeconds(seconds);
    refreshDisplay();
}

// --- AnnotationViews: the texts the reader and a save put into the windows ------------------

void QtPlayerUi::clearExistingComments() {
    existingComments_->clearComments();
}

void QtPlayerUi::clearNewComments() {
    newComments_->clearQuietly();
}

void QtPlayerUi::showExistingComments(const std::string& text) {
    existingComments_->showComments(commentTextForDisplay(text));
}

void QtPlayerUi::clearKeywordList() {
    scannedWords_->clearList();
}

void QtPlayerUi::addKeywordLine(const std::string& line) {
    scannedWords_->addLine(line);
}

std::string QtPlayerUi::newCommentsText() const {
    return commentTextFromWindow(newComments_->typedText());
}

void QtPlayerUi::setSaveButtonsEnabled(bool enabled) {
    newComments_->setSaveEnabled(enabled);
    scannedWords_->setSaveEnabled(enabled);
}

} // namespace kestrum
