#include "ui/PlayerWindow.h"

#include "app/PlaybackTexts.h"
#include "app/PlayerState.h"
#include "app/RecordingDetails.h"
#include "platform/FormatText.h"
#include "ui/GoToTimeDialog.h"
#include "ui/TerminationSignals.h"
#include "widgets/CallOverview.h"
#include "widgets/SwitchSlider.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace kestrum {

namespace {

// The fixed line at the foot of the details.
constexpr const char* kOwnershipLine = "Recorded Call Review  -  Authorised Use Only";

// The window's texts arrive as UTF-8 (the detail lines with the recording's text already decoded).
QString text(const std::string& value) {
    return QString::fromStdString(value);
}

// A caption's accessible name: the caption without its mnemonic marks.
QString withoutMnemonic(QString caption) {
    caption.replace("&&", "\x01");
    caption.remove('&');
    caption.replace('\x01', '&');
    return caption;
}

void setHint(QWidget* widget, const QString& hint) {
    widget->setToolTip(hint);
    widget->setAccessibleDescription(hint);
}

// A control's hint naming the key that does the same from any window.
QString withKey(const QString& hint, const char* key) {
    return hint + " (" + QString::fromLatin1(key) + ")";
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption, const char* hint) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(name);
    button->setAccessibleName(withoutMnemonic(button->text()));
    if (hint != nullptr)
        setHint(button, QString::fromLatin1(hint));
    return button;
}

QLabel* makeDetailLine(QWidget* parent, const char* name, const char* hint) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setMinimumWidth(350);
    label->setMinimumHeight(label->fontMetrics().height() + 4);
    if (hint != nullptr)
        setHint(label, QString::fromLatin1(hint));
    return label;
}

QCheckBox* makeCheckBox(QWidget* parent, const char* name, const char* caption, const char* hint) {
    auto* box = new QCheckBox(QString::fromLatin1(caption), parent);
    box->setObjectName(name);
    box->setAccessibleName(withoutMnemonic(box->text()));
    setHint(box, QString::fromLatin1(hint));
    return box;
}

QLabel* makeLabel(QWidget* parent, const char* name, const char* caption) {
    auto* label = new QLabel(QString::fromLatin1(caption), parent);
    label->setObjectName(name);
    return label;
}

} // namespace

PlayerWindow::PlayerWindow(const PlayerState& state, PlaybackSession& session, std::function<void()> shutdown,
                           QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      state_(state), session_(session), shutdown_(std::move(shutdown)) {
    setObjectName("playerWindow");
    setWindowTitle(QString::fromLatin1(kProductTitle));
    QFont font(QStringLiteral("Sans Serif"));
    font.setPointSize(8);
    setFont(font);
    auto* central = new QWidget(this);
    setCentralWidget(central);

    makeDetailLines(central);
    makeWindowButtons(central);
    makeTransportButtons(central);
    makeDisplaysAndVolume(central);
    makeSwitches(central);
    makeAidControls(central);
    makeResumeOffer(central);

    displayTimer = new QTimer(this);
    displayTimer->setObjectName("displayTimer");
    displayTimer->setInterval(100);

    buildLayout();
    // The designed size where the layout fits in it; never so small that a line is cut.
    setMinimumSize(615, 310);
    const QSize needed = minimumSizeHint().expandedTo(QSize(615, 310));
    setMinimumSize(needed);
    resize(needed.expandedTo(QSize(607, 335)));
    connectControls();
    makeGoTo();
    helpWindow = new HelpWindow(this);
    installKeys();
}

// The box of Ctrl+G and the progress bar that goes where it is clicked.
void PlayerWindow::makeGoTo() {
    goToTimeDialog = new GoToTimeDialog(this);
    goToTimeDialog->callSeconds = [this] { return session_.clock().secondsOf(session_.snapshot().length); };
    goToTimeDialog->goTo = [this](double seconds) { goToSeconds(seconds); };
    setHint(progressBar, "Click to go to that point of the call (Ctrl+G: go to a time)");
    progressBar->installEventFilter(this);
}

constexpr int kResumeOfferMilliseconds = 10000;

void PlayerWindow::makeResumeOffer(QWidget* central) {
    resumeButton = makeButton(central, "resumeButton", "", nullptr);
    resumeButton->setIcon(QApplication::style()->standardIcon(QStyle::SP_MediaSeekForward));
    resumeButton->hide();
    resumeOfferTimer = new QTimer(this);
    resumeOfferTimer->setSingleShot(true);
    resumeOfferTimer->setInterval(kResumeOfferMilliseconds);
    connect(resumeOfferTimer, &QTimer::timeout, resumeButton, &QWidget::hide);
    connect(resumeButton, &QPushButton::clicked, this, [this] {
        resumeOfferTimer->stop();
        resumeButton->hide();
        if (state_.resumeSeconds)
            goToSeconds(*state_.resumeSeconds);
    });
}

void PlayerWindow::offerResume() {
    const PlaybackSnapshot shown = session_.snapshot();
    const double length = session_.clock().secondsOf(shown.length);
    if (!state_.resumeSeconds || *state_.resumeSeconds < 1 || *state_.resumeSeconds + 1 >= length)
        return;
    const QString time = QString::fromStdString(callTimeText(static_cast<int>(*state_.resumeSeconds)));
    resumeButton->setText("Resume at " + time);
    resumeButton->setAccessibleName(resumeButton->text());
    setHint(resumeButton, withKey("Goes on from where you left this call", "R"));
    resumeButton->show();
    resumeOfferTimer->start();
}

void PlayerWindow::goToSeconds(double seconds) {
    moveTo(session_.clock().framesAt(seconds));
}

// The call's details, one line each, and the line of who may listen.
void PlayerWindow::makeDetailLines(QWidget* central) {
    detailLines.identifier =
        makeDetailLine(central, "identifierLine", "The Unique ID Number For This Inmate");
    detailLines.firstName = makeDetailLine(central, "firstNameLine", "The Inmates First and Middle Name");
    detailLines.lastName = makeDetailLine(central, "lastNameLine", "The Inmates Last Name");
    detailLines.trunkDestination =
        makeDetailLine(central, "trunkDestinationLine", "The Telephone Number Dialed");
    detailLines.recorded = makeDetailLine(central, "recordedLine", "The Date And Time Of The Call");
    detailLines.site = makeDetailLine(central, "siteLine", "The Site and Living Unit Number");
    detailLines.stationAni = makeDetailLine(central, "stationAniLine", "The Orginating Telephone Number");
    detailLines.stationName = makeDetailLine(central, "stationNameLine", "The Orginating Telephone Name");
    detailLines.cost = makeDetailLine(central, "costLine", "The Cost, Duration And Compleation Code");
    detailLines.archivedBy = makeDetailLine(central, "archivedByLine", nullptr);
    detailLines.archivedAt = makeDetailLine(central, "archivedAtLine", nullptr);
    detailLines.archivedDate = makeDetailLine(central, "archivedDateLine", nullptr);
    detailLines.ownership = makeDetailLine(central, "ownershipLine", nullptr);
    detailLines.ownership->setAlignment(Qt::AlignCenter);
    detailLines.ownership->setStyleSheet("QLabel { background-color: navy; color: white; font-size: 12px; }");
}

// Export, close, the progress bar and the buttons that open the side windows.
void PlayerWindow::makeWindowButtons(QWidget* central) {
    exportButton =
        makeButton(central, "exportButton", "Add to CD &Export List", "Exports The Recording Off System");
    exportButton->setMinimumWidth(187);
    closeButton = makeButton(central, "closeButton", "&Close and Exit", "Ends The Player");
    progressBar = new QProgressBar(central);
    progressBar->setObjectName("progressBar");
    progressBar->setRange(0, 100);
    progressBar->setTextVisible(false);
    progressBar->setAccessibleName("Play progress");
    commentsButton =
        makeButton(central, "commentsButton", "Comments &Info", "Displays The Text Coments Window");
    keywordsButton =
        makeButton(central, "keywordsButton", "Scanned &Words", "Displays the Scanned Words Window");
    waveformButton = makeButton(central, "waveformButton", "Wave &Form", "Displays The Wave Form Window");
}

// Play, restart, pause, back, step and the loop's buttons, each with its picture, hint and key.
void PlayerWindow::makeTransportButtons(QWidget* central) {
    QStyle* style = QApplication::style();
    playButton = makeButton(central, "playButton", "&Play", "Start Play Back");
    setHint(playButton, withKey(playButton->toolTip(), "Space"));
    playButton->setIcon(style->standardIcon(QStyle::SP_MediaPlay));
    restartButton = makeButton(central, "restartButton", "&Restart", "Returns to the Beginning of Recording");
    setHint(restartButton, withKey(restartButton->toolTip(), "Home"));
    restartButton->setIcon(style->standardIcon(QStyle::SP_MediaSkipBackward));
    stopButton = makeButton(central, "stopButton", "&Stop / Pause", "Stops / Pauses Playback");
    setHint(stopButton, withKey(stopButton->toolTip(), "Space"));
    stopButton->setIcon(style->standardIcon(QStyle::SP_MediaPause));
    backButton = makeButton(central, "backButton", "&Back", nullptr);
    setHint(backButton, withKey("Steps Back 30 Seconds", "Left"));
    backButton->setIcon(style->standardIcon(QStyle::SP_MediaSeekBackward));
    stepButton = makeButton(central, "stepButton", "S&tep", nullptr);
    setHint(stepButton, withKey("Steps Forward 30 Seconds", "Right"));
    stepButton->setIcon(style->standardIcon(QStyle::SP_MediaSeekForward));
    markLoopBeginButton = makeButton(central, "markLoopBeginButton", "&Mark Loop Begin",
                                     "Marks The Begining Position For Loop Play");
    setHint(markLoopBeginButton, withKey(markLoopBeginButton->toolTip(), "["));
    markLoopBeginButton->setIcon(style->standardIcon(QStyle::SP_ArrowRight));
    markLoopEndButton =
        makeButton(central, "markLoopEndButton", "Mark Loop En&d", "Marks The End Position For Loop Play");
    setHint(markLoopEndButton, withKey(markLoopEndButton->toolTip(), "]"));
    markLoopEndButton->setIcon(style->standardIcon(QStyle::SP_ArrowLeft));
    markLoopEndButton->setEnabled(false);
    // No picture until loop play first starts.
    playLoopButton = makeButton(central, "playLoopButton", "Play &Loop", "Plays Or Stops Loop Play Back");
    setHint(playLoopButton, withKey(playLoopButton->toolTip(), "L"));
    playLoopButton->setEnabled(false);
    callOverview = new CallOverview(central);
    callOverview->setObjectName("callOverview");
    setHint(callOverview, "The whole call: silences shaded, keywords and loop marked. Click or drag to "
                          "play from there (with the focus: Left, Right, Page Up, Page Down, Home, End)");
}

// The time and percent shown, and the volume bar with its labels.
void PlayerWindow::makeDisplaysAndVolume(QWidget* central) {
    playTimeLabel = makeLabel(central, "playTimeLabel", "");
    playTimeLabel->setTextFormat(Qt::PlainText);
    // No fixed accessible name: a label's name is then its text, so a screen reader hears the time itself.
    playTimeLabel->setAccessibleDescription("Play time");
    percentLabel = makeLabel(central, "percentLabel", "");
    percentLabel->setTextFormat(Qt::PlainText);
    volumeBar = new QSlider(Qt::Vertical, central);
    volumeBar->setObjectName("volumeBar");
    volumeBar->setRange(0, 32);
    volumeBar->setInvertedAppearance(true); // position 0, the loudest, at the top
    volumeBar->setInvertedControls(true);   // so Up, with the focus on the bar, is louder
    volumeBar->setTickPosition(QSlider::TicksRight);
    volumeBar->setTickInterval(1);
    volumeBar->setValue(32);
    volumeBar->setAccessibleName("Volume");
    setHint(volumeBar, withKey("Adjust The Speaker  Volume", "Up, Down"));
    volumeLabel = makeLabel(central, "volumeLabel", "&Volume");
    volumeLabel->setBuddy(volumeBar);
    volumeLabel->installEventFilter(this);
    volumePercentLabel = makeLabel(central, "volumePercentLabel", "100%");
    volumePercentLabel->setTextFormat(Qt::PlainText);
}

// The play-speed and step-size switches with their labels.
void PlayerWindow::makeSwitches(QWidget* central) {
    playSpeedSwitch = new SwitchSlider(central);
    playSpeedSwitch->setObjectName("playSpeedSwitch");
    playSpeedSwitch->setPositionLabels("Slow -25%,Slow -12%,Normal,Fast +25%, Fast +50%");
    playSpeedSwitch->setPositionQuietly(Speed().position());
    playSpeedSwitch->slider()->setAccessibleName("Play speed");
    setHint(playSpeedSwitch, withKey("Adjusts the Playback Speed", "+, -"));
    playSpeedLabel = makeLabel(central, "playSpeedLabel", "Play Speed");
    setHint(playSpeedLabel, "Adjusts the Playback Speed");
    stepSizeSwitch = new SwitchSlider(central);
    stepSizeSwitch->setObjectName("stepSizeSwitch");
    stepSizeSwitch->setPositionLabels("05 Sec,10 Sec, 20 Sec,30 Sec,40 Sec");
    stepSizeSwitch->setPositionQuietly(3);
    stepSizeSwitch->slider()->setAccessibleName("Step size");
    setHint(stepSizeSwitch, "Select the Size of the Back and Step in Seconds");
    stepSizeLabel = makeLabel(central, "stepSizeLabel", " Step Size");
    setHint(stepSizeLabel, "Select the Size of the Back and Step in Seconds");
}

// The listening aids: four check boxes and the rewind-on-resume box.
void PlayerWindow::makeAidControls(QWidget* central) {
    keepPitchBox = makeCheckBox(central, "keepPitchBox", "Keep pitc&h",
                                "The speeds change the tempo only: the voice keeps its pitch");
    evenVoicesBox = makeCheckBox(central, "evenVoicesBox", "Even &out voices",
                                 "Brings quiet and loud talkers to a similar level");
    reduceNoiseBox = makeCheckBox(central, "reduceNoiseBox", "Reduce &noise", "Takes off line hum and hiss");
    skipSilenceBox = makeCheckBox(central, "skipSilenceBox", "S&kip silence",
                                  "Jumps over silences of two seconds or more, keeping 0.3 s at each side");
    rewindBox = new QSpinBox(central);
    rewindBox->setObjectName("rewindBox");
    rewindBox->setRange(0, kLongestRewindSeconds);
    rewindBox->setSuffix(" s");
    rewindBox->setAccessibleName("Rewind on resume");
    setHint(rewindBox, "Play after a pause starts this many seconds earlier");
    rewindLabel = makeLabel(central, "rewindLabel", "Rewind on res&ume");
    rewindLabel->setBuddy(rewindBox);
}

// The keys transcription players use, from every window of the player; each does what its control
// does, and only when that control can be used. Each is kept with what it does, for the help.
void PlayerWindow::installKeys() {
    const auto onKey = [this](const QKeySequence& key, const char* does, std::function<void()> action) {
        auto* shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::ApplicationShortcut);
        connect(shortcut, &QShortcut::activated, this, std::move(action));
        keys_.push_back({key, QString::fromLatin1(does)});
    };
    const auto pressing = [this](TransportControl control) { return [this, control] { press(control); }; };
    onKey(Qt::Key_Space, "play / pause (in loop play: stop the loop)", [this] { playOrPause(); });
    onKey(Qt::Key_Home, "restart from the beginning", pressing(TransportControl::Restart));
    onKey(Qt::Key_Left, "back by the step size", pressing(TransportControl::Back));
    onKey(Qt::Key_Right, "step forward by the step size", pressing(TransportControl::Step));
    onKey(Qt::Key_BracketLeft, "mark the loop's begin", pressing(TransportControl::MarkLoopBegin));
    onKey(Qt::Key_BracketRight, "mark the loop's end", pressing(TransportControl::MarkLoopEnd));
    onKey(Qt::Key_L, "play or stop the loop", pressing(TransportControl::PlayLoop));
    onKey(Qt::Key_R, "resume where you left the call (while \"Resume at m:ss\" shows)", [this] {
        if (resumeButton->isVisible())
            resumeButton->click();
    });
    onKey(QKeySequence(Qt::CTRL | Qt::Key_G), "go to a time (m:ss, h:mm:ss or seconds)", [this] {
        if (!session_.snapshot().loopPlaying())
            goToTimeDialog->start();
    });
    // The bar's top is loudest; a key moves it two of its 32 steps.
    onKey(Qt::Key_Up, "volume up", [this] { volumeBar->setValue(volumeBar->value() - 2); });
    onKey(Qt::Key_Down, "volume down", [this] { volumeBar->setValue(volumeBar->value() + 2); });
    const auto changeSpeed = [this](int by) {
        return [this, by] {
            playSpeedSwitch->setPosition(std::clamp(playSpeedSwitch->position() + by, 0, Speed::kCount - 1));
        };
    };
    onKey(Qt::Key_Plus, "faster", changeSpeed(1));
    onKey(Qt::Key_Equal, "faster (+ without Shift)", changeSpeed(1));
    onKey(Qt::Key_Minus, "slower", changeSpeed(-1));
    onKey(Qt::Key_F1, "this help", [this] { showHelp(); });
}

void PlayerWindow::showHelp() {
    helpWindow->showHelp(keys_, *this,
                         {keepPitchBox, evenVoicesBox, reduceNoiseBox, skipSilenceBox, rewindBox});
}

void PlayerWindow::connectControls() {
    PlaybackSession& session = session_;
    connect(playButton, &QPushButton::clicked, this,
            [this, &session] { actOrClose([&] { return session.play(); }); });
    connect(restartButton, &QPushButton::clicked, this,
            [this, &session] { act([&] { session.restart(); }); });
    connect(stopButton, &QPushButton::clicked, this, [this, &session] { act([&] { session.stop(); }); });
    connect(backButton, &QPushButton::clicked, this,
            [this, &session] { act([&] { session.back(stepSizeSwitch->position()); }); });
    connect(stepButton, &QPushButton::clicked, this,
            [this, &session] { act([&] { session.step(stepSizeSwitch->position()); }); });
    connect(markLoopBeginButton, &QPushButton::clicked, this,
            [this, &session] { act([&] { session.markLoopBegin(); }); });
    connect(markLoopEndButton, &QPushButton::clicked, this,
            [this, &session] { act([&] { session.markLoopEnd(); }); });
    connect(playLoopButton, &QPushButton::clicked, this,
            [this, &session] { act([&] { session.togglePlayLoop(); }); });
    connect(callOverview, &CallOverview::positionRequested, this,
            [this, &session](double seconds) { moveTo(session.clock().framesAt(seconds)); });
    connect(volumeBar, &QSlider::valueChanged, this,
            [this, &session](int position) { act([&] { session.setVolume(Volume::ofBar(position)); }); });
    connect(stepSizeSwitch, &SwitchSlider::positionChanged, this, [this] {
        const StepHints hints = stepHints(stepSizeSwitch->position());
        setHint(backButton, withKey(text(hints.back), "Left"));
        setHint(stepButton, withKey(text(hints.step), "Right"));
    });
    connect(playSpeedSwitch, &SwitchSlider::positionChanged, this, [this, &session] {
        const std::optional<Speed> speed = Speed::ofPosition(playSpeedSwitch->position());
        actOrClose([&] { return !speed || session.changeSpeed(*speed); });
    });
    for (QCheckBox* box : {keepPitchBox, evenVoicesBox, reduceNoiseBox, skipSilenceBox})
        connect(box, &QCheckBox::toggled, this, [this] { aidsChanged(); });
    connect(rewindBox, &QSpinBox::valueChanged, this, [this] { aidsChanged(); });
    connect(displayTimer, &QTimer::timeout, this, [this] {
        if (refreshDisplay)
            refreshDisplay();
    });
    const auto forward = [](const std::function<void()>& handler) {
        return [&handler] {
            if (handler)
                handler();
        };
    };
    connect(commentsButton, &QPushButton::clicked, this, forward(onCommentsButton));
    connect(keywordsButton, &QPushButton::clicked, this, forward(onKeywordsButton));
    connect(waveformButton, &QPushButton::clicked, this, forward(onWaveformButton));
    connect(exportButton, &QPushButton::clicked, this, forward(onExportButton));
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
}

void PlayerWindow::press(TransportControl control) {
    QPushButton* pressed = button(control);
    if (pressed->isEnabled())
        pressed->click();
}

void PlayerWindow::playOrPause() {
    const PlaybackSnapshot shown = session_.snapshot();
    press(shown.loopPlaying() ? TransportControl::PlayLoop
          : shown.playing()   ? TransportControl::StopPause
                              : TransportControl::Play);
}

void PlayerWindow::play() {
    if (!session_.snapshot().playing())
        press(TransportControl::Play);
}

void PlayerWindow::pause() {
    if (session_.snapshot().playing())
        playOrPause();
}

void PlayerWindow::setSpeed(Speed speed) {
    playSpeedSwitch->setPosition(speed.position());
}

void PlayerWindow::setVolume(Volume volume) {
    volumeBar->setValue(volume.barPosition());
}

// Where the user sent the play position (a typed time, a click, the overview, the desktop's
// controls): not during loop play; past the end, the last second.
void PlayerWindow::moveTo(std::uint64_t frame) {
    act([&] { session_.goTo(frame); });
}

void PlayerWindow::aidsChanged() {
    ListeningAids aids;
    aids.filters.keepPitch = keepPitchBox->isChecked();
    aids.filters.evenVoices = evenVoicesBox->isChecked();
    aids.filters.reduceNoise = reduceNoiseBox->isChecked();
    aids.skipSilence = skipSilenceBox->isChecked();
    aids.rewindSeconds = rewindBox->value();
    actOrClose([&] { return session_.setAids(aids); });
}

void PlayerWindow::act(const std::function<void()>& action) {
    action();
    if (refreshDisplay)
        refreshDisplay();
}

void PlayerWindow::actOrClose(const std::function<bool()>& action) {
    if (!action()) {
        close();
        return;
    }
    if (refreshDisplay)
        refreshDisplay();
}

void PlayerWindow::buildLayout() {
    auto* root = new QVBoxLayout(centralWidget());
    auto* columns = new QHBoxLayout;
    root->addLayout(columns, 1);
    root->addWidget(callOverview);

    auto* details = new QVBoxLayout;
    details->setSpacing(2);
    for (QLabel* line :
         {detailLines.identifier, detailLines.firstName, detailLines.lastName, detailLines.trunkDestination,
          detailLines.recorded, detailLines.site, detailLines.stationAni, detailLines.stationName,
          detailLines.cost, detailLines.archivedBy, detailLines.archivedAt, detailLines.archivedDate,
          detailLines.ownership})
        details->addWidget(line);
    auto* exportRow = new QHBoxLayout;
    exportRow->addWidget(exportButton);
    exportRow->addStretch(1);
    details->addLayout(exportRow);
    details->addStretch(1);
    columns->addLayout(details, 1);

    // Time and percent above the volume bar with its labels.
    auto* middle = new QGridLayout;
    middle->addWidget(playTimeLabel, 0, 0, 1, 2);
    middle->addWidget(percentLabel, 1, 0, 1, 2);
    middle->addWidget(volumeBar, 2, 0, 3, 1, Qt::AlignHCenter);
    middle->addWidget(volumeLabel, 2, 1);
    middle->addWidget(volumePercentLabel, 3, 1);
    middle->setRowStretch(4, 1);
    columns->addLayout(middle);

    auto* transport = new QVBoxLayout;
    for (QPushButton* b : {playButton, restartButton, stopButton, backButton, stepButton, markLoopBeginButton,
                           markLoopEndButton, playLoopButton, resumeButton})
        transport->addWidget(b);
    transport->addSpacing(8);
    for (QPushButton* b : {commentsButton, keywordsButton, waveformButton})
        transport->addWidget(b);
    transport->addStretch(1);
    columns->addLayout(transport);

    // The two switches side by side, each under its label; Keep pitch beside the speeds.
    auto* switches = new QGridLayout;
    auto* speedHeading = new QHBoxLayout;
    speedHeading->addWidget(playSpeedLabel);
    speedHeading->addStretch(1);
    speedHeading->addWidget(keepPitchBox);
    switches->addLayout(speedHeading, 0, 0);
    switches->addWidget(playSpeedSwitch, 1, 0);
    switches->addWidget(stepSizeLabel, 0, 1);
    switches->addWidget(stepSizeSwitch, 1, 1);
    switches->setHorizontalSpacing(24);
    root->addLayout(switches);

    auto* aids = new QHBoxLayout;
    for (QWidget* aid : std::initializer_list<QWidget*>{evenVoicesBox, reduceNoiseBox, skipSilenceBox})
        aids->addWidget(aid);
    aids->addStretch(1);
    aids->addWidget(rewindLabel);
    aids->addWidget(rewindBox);
    root->addLayout(aids);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(closeButton);
    bottom->addStretch(1);
    root->addLayout(bottom);
    root->addWidget(progressBar);
}

void PlayerWindow::setUp() {
    move(1, 1);
    playTimeLabel->setText(text(playTimeText(0)));
}

void PlayerWindow::restoreSettings(const InitRecord& record) {
    stepSizeSwitch->setPosition(record.stepSizePosition);
    // Quietly: the device follows the speed when play starts, not while the windows are made.
    playSpeedSwitch->setPositionQuietly(record.playSpeedPosition);
    if (const std::optional<Speed> speed = Speed::ofPosition(playSpeedSwitch->position()))
        session_.restoreSpeed(*speed);
}

void PlayerWindow::saveSettings(InitRecord& record) const {
    record.stepSizePosition = stepSizeSwitch->position();
    record.playSpeedPosition = playSpeedSwitch->position();
}

// --- the playback shown ---------------------------------------------------------------------

QPushButton* PlayerWindow::button(TransportControl control) const {
    switch (control) {
    case TransportControl::Play:
        return playButton;
    case TransportControl::Restart:
        return restartButton;
    case TransportControl::StopPause:
        return stopButton;
    case TransportControl::Back:
        return backButton;
    case TransportControl::Step:
        return stepButton;
    case TransportControl::MarkLoopBegin:
        return markLoopBeginButton;
    case TransportControl::MarkLoopEnd:
        return markLoopEndButton;
    case TransportControl::PlayLoop:
        return playLoopButton;
    }
    return playButton;
}

void PlayerWindow::showPlayback(const PlaybackSnapshot& shown) {
    const PlaybackTexts texts = playbackTexts(shown);
    playTimeLabel->setText(text(texts.time));
    progressBar->setValue(shown.progress);
    percentLabel->setText(text(texts.percent));
    for (const TransportControl control :
         {TransportControl::Play, TransportControl::Restart, TransportControl::StopPause,
          TransportControl::Back, TransportControl::Step, TransportControl::MarkLoopBegin,
          TransportControl::MarkLoopEnd, TransportControl::PlayLoop})
        button(control)->setEnabled(shown.controls[control]);
    // The loop button says what it does next; its picture appears once loop play has started.
    const bool looping = shown.loopPlaying();
    if (loopCaptionShown_ != looping && (looping || loopCaptionShown_.has_value())) {
        playLoopButton->setText(looping ? "Stop &Loop" : "Play &Loop");
        playLoopButton->setAccessibleName(withoutMnemonic(playLoopButton->text()));
        playLoopButton->setIcon(
            QApplication::style()->standardIcon(looping ? QStyle::SP_MediaStop : QStyle::SP_MediaPlay));
        loopCaptionShown_ = looping;
    }
    if (playSpeedSwitch->position() != shown.speed.position())
        playSpeedSwitch->setPositionQuietly(shown.speed.position()); // a speed that fell back to Normal
    volumePercentLabel->setText(text(texts.volumePercent));
    // The aids as the playback has them (from the settings at start-up).
    const std::pair<QCheckBox*, bool> boxes[] = {{keepPitchBox, shown.aids.filters.keepPitch},
                                                 {evenVoicesBox, shown.aids.filters.evenVoices},
                                                 {reduceNoiseBox, shown.aids.filters.reduceNoise},
                                                 {skipSilenceBox, shown.aids.skipSilence}};
    for (const auto& [box, on] : boxes) {
        const QSignalBlocker quiet(box);
        box->setChecked(on);
    }
    const QSignalBlocker quiet(rewindBox);
    rewindBox->setValue(shown.aids.rewindSeconds);
}

// --- the window's events ------------------------------------------------------------------

void PlayerWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        firstShow();
    }
}

void PlayerWindow::closeEvent(QCloseEvent* event) {
    // The user may put the close aside; a termination signal always ends the player.
    if (!terminationRequested() && mayClose && !mayClose()) {
        event->ignore();
        return;
    }
    // The shutdown sequence runs (once), and the window always closes.
    displayTimer->stop();
    shutdown_();
    event->accept();
}

bool PlayerWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == volumeLabel && event->type() == QEvent::MouseButtonPress) {
        volumeBar->setFocus();
        return true;
    }
    if (watched == progressBar && event->type() == QEvent::MouseButtonPress) {
        const auto* click = static_cast<QMouseEvent*>(event);
        if (click->button() == Qt::LeftButton && progressBar->width() > 0) {
            const double length = session_.clock().secondsOf(session_.snapshot().length);
            goToSeconds(length * std::clamp(click->position().x() / progressBar->width(), 0.0, 1.0));
        }
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void PlayerWindow::showDetails() {
    const PlayerState& state = state_;
    setWindowTitle(text(formatText("%s  %s", kProductTitle, state.environment.versionText.c_str())));
    const RecordingDetails details = recordingDetails(state.recording, state.options);
    const std::pair<QLabel*, const std::string*> lines[] = {
        {detailLines.identifier, &details.identifier},
        {detailLines.recorded, &details.recorded},
        {detailLines.firstName, &details.firstName},
        {detailLines.lastName, &details.lastName},
        {detailLines.trunkDestination, &details.trunkDestination},
        {detailLines.site, &details.site},
        {detailLines.stationName, &details.stationName},
        {detailLines.stationAni, &details.stationAni},
        {detailLines.cost, &details.cost},
        {detailLines.archivedBy, &details.archivedBy},
        {detailLines.archivedAt, &details.archivedAt},
        {detailLines.archivedDate, &details.archivedDate},
    };
    for (const auto& [label, line] : lines)
        label->setText(text(*line));
    detailLines.ownership->setText(QString::fromLatin1(kOwnershipLine));
}

void PlayerWindow::firstShow() {
    const PlayerState& state = state_;
    PlaybackSession& session = session_;
    session.restart();
    session.stop();

    const ButtonModes modes = buttonModes(state.recording.version(), state.options, state.openAtLastRun);
    keywordsButton->setVisible(modes.scannedWordsVisible);
    keywordsButton->setEnabled(modes.scannedWordsEnabled);
    commentsButton->setVisible(modes.textVisible);
    commentsButton->setEnabled(modes.textEnabled);
    exportButton->setVisible(modes.exportVisible);
    exportButton->setEnabled(modes.exportEnabled);
    if (modes.exportVisible) {
        exportButton->setText("Add To CD &Export List");
        exportButton->setAccessibleName(withoutMnemonic(exportButton->text()));
    }
    if (showSideWindows)
        showSideWindows(modes);
    showDetails();
    // The bar shows the volume the playback has (the bar written back moves it to a whole step).
    volumeBar->setValue(session.snapshot().volume.barPosition());
    displayTimer->start();
    actOrClose([&] { return session.play(); });
    offerResume();
}

} // namespace kestrum
