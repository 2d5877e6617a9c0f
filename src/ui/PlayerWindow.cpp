#include "ui/PlayerWindow.h"

#include "app/InitRecord.h"
#include "app/PlaybackTexts.h"
#include "app/RecordingDetails.h"
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

PlayerWindow::PlayerWindow(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint) {
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

    displayTimer_ = new QTimer(this);
    displayTimer_->setObjectName("displayTimer");
    displayTimer_->setInterval(100);

    buildLayout();
    // The designed size where the layout fits in it; never so small that a line is cut.
    setMinimumSize(615, 310);
    const QSize needed = minimumSizeHint().expandedTo(QSize(615, 310));
    setMinimumSize(needed);
    resize(needed.expandedTo(QSize(607, 335)));
    connectControls();
    makeGoTo();
    helpWindow_ = new HelpWindow(this);
    installKeys();
}

PlayerWindow::~PlayerWindow() = default;

// The box of Ctrl+G and the progress bar that goes where it is clicked.
void PlayerWindow::makeGoTo() {
    goToTimeDialog_ = new GoToTimeDialog(this);
    connect(goToTimeDialog_, &GoToTimeDialog::goToRequested, this,
            [this](double seconds) { emit positionChosen(seconds); });
    setHint(progressBar_, "Click to go to that point of the call (Ctrl+G: go to a time)");
    progressBar_->installEventFilter(this);
}

constexpr int kResumeOfferMilliseconds = 10000;

void PlayerWindow::makeResumeOffer(QWidget* central) {
    resumeButton_ = makeButton(central, "resumeButton", "", nullptr);
    resumeButton_->setIcon(QApplication::style()->standardIcon(QStyle::SP_MediaSeekForward));
    resumeButton_->hide();
    resumeOfferTimer_ = new QTimer(this);
    resumeOfferTimer_->setObjectName("resumeOfferTimer");
    resumeOfferTimer_->setSingleShot(true);
    resumeOfferTimer_->setInterval(kResumeOfferMilliseconds);
    connect(resumeOfferTimer_, &QTimer::timeout, resumeButton_, &QWidget::hide);
    connect(resumeButton_, &QPushButton::clicked, this, [this] {
        resumeOfferTimer_->stop();
        resumeButton_->hide();
        emit positionChosen(resumeSeconds_);
    });
}

void PlayerWindow::offerResume(double seconds) {
    resumeSeconds_ = seconds;
    const QString time = QString::fromStdString(callTimeText(static_cast<int>(seconds)));
    resumeButton_->setText("Resume at " + time);
    resumeButton_->setAccessibleName(resumeButton_->text());
    setHint(resumeButton_, withKey("Goes on from where you left this call", "R"));
    resumeButton_->show();
    resumeOfferTimer_->start();
}

// The call's details, one line each, and the line of who may listen.
void PlayerWindow::makeDetailLines(QWidget* central) {
    detailLines_.identifier =
        makeDetailLine(central, "identifierLine", "The Unique ID Number For This Inmate");
    detailLines_.firstName = makeDetailLine(central, "firstNameLine", "The Inmates First and Middle Name");
    detailLines_.lastName = makeDetailLine(central, "lastNameLine", "The Inmates Last Name");
    detailLines_.trunkDestination =
        makeDetailLine(central, "trunkDestinationLine", "The Telephone Number Dialed");
    detailLines_.recorded = makeDetailLine(central, "recordedLine", "The Date And Time Of The Call");
    detailLines_.site = makeDetailLine(central, "siteLine", "The Site and Living Unit Number");
    detailLines_.stationAni = makeDetailLine(central, "stationAniLine", "The Orginating Telephone Number");
    detailLines_.stationName = makeDetailLine(central, "stationNameLine", "The Orginating Telephone Name");
    detailLines_.cost = makeDetailLine(central, "costLine", "The Cost, Duration And Compleation Code");
    detailLines_.archivedBy = makeDetailLine(central, "archivedByLine", nullptr);
    detailLines_.archivedAt = makeDetailLine(central, "archivedAtLine", nullptr);
    detailLines_.archivedDate = makeDetailLine(central, "archivedDateLine", nullptr);
    detailLines_.ownership = makeDetailLine(central, "ownershipLine", nullptr);
    detailLines_.ownership->setAlignment(Qt::AlignCenter);
    detailLines_.ownership->setStyleSheet(
        "QLabel { background-color: navy; color: white; font-size: 12px; }");
}

// Export, close, the progress bar and the buttons that open the side windows.
void PlayerWindow::makeWindowButtons(QWidget* central) {
    exportButton_ =
        makeButton(central, "exportButton", "Add to CD &Export List", "Exports The Recording Off System");
    exportButton_->setMinimumWidth(187);
    closeButton_ = makeButton(central, "closeButton", "&Close and Exit", "Ends The Player");
    progressBar_ = new QProgressBar(central);
    progressBar_->setObjectName("progressBar");
    progressBar_->setRange(0, 100);
    progressBar_->setTextVisible(false);
    progressBar_->setAccessibleName("Play progress");
    commentsButton_ =
        makeButton(central, "commentsButton", "Comments &Info", "Displays The Text Coments Window");
    keywordsButton_ =
        makeButton(central, "keywordsButton", "Scanned &Words", "Displays the Scanned Words Window");
    waveformButton_ = makeButton(central, "waveformButton", "Wave &Form", "Displays The Wave Form Window");
}

// Play, restart, pause, back, step and the loop's buttons, each with its picture, hint and key.
void PlayerWindow::makeTransportButtons(QWidget* central) {
    QStyle* style = QApplication::style();
    playButton_ = makeButton(central, "playButton", "&Play", "Start Play Back");
    setHint(playButton_, withKey(playButton_->toolTip(), "Space"));
    playButton_->setIcon(style->standardIcon(QStyle::SP_MediaPlay));
    restartButton_ =
        makeButton(central, "restartButton", "&Restart", "Returns to the Beginning of Recording");
    setHint(restartButton_, withKey(restartButton_->toolTip(), "Home"));
    restartButton_->setIcon(style->standardIcon(QStyle::SP_MediaSkipBackward));
    stopButton_ = makeButton(central, "stopButton", "&Stop / Pause", "Stops / Pauses Playback");
    setHint(stopButton_, withKey(stopButton_->toolTip(), "Space"));
    stopButton_->setIcon(style->standardIcon(QStyle::SP_MediaPause));
    backButton_ = makeButton(central, "backButton", "&Back", nullptr);
    setHint(backButton_, withKey("Steps Back 30 Seconds", "Left"));
    backButton_->setIcon(style->standardIcon(QStyle::SP_MediaSeekBackward));
    stepButton_ = makeButton(central, "stepButton", "S&tep", nullptr);
    setHint(stepButton_, withKey("Steps Forward 30 Seconds", "Right"));
    stepButton_->setIcon(style->standardIcon(QStyle::SP_MediaSeekForward));
    markLoopBeginButton_ = makeButton(central, "markLoopBeginButton", "&Mark Loop Begin",
                                      "Marks The Begining Position For Loop Play");
    setHint(markLoopBeginButton_, withKey(markLoopBeginButton_->toolTip(), "["));
    markLoopBeginButton_->setIcon(style->standardIcon(QStyle::SP_ArrowRight));
    markLoopEndButton_ =
        makeButton(central, "markLoopEndButton", "Mark Loop En&d", "Marks The End Position For Loop Play");
    setHint(markLoopEndButton_, withKey(markLoopEndButton_->toolTip(), "]"));
    markLoopEndButton_->setIcon(style->standardIcon(QStyle::SP_ArrowLeft));
    markLoopEndButton_->setEnabled(false);
    // No picture until loop play first starts.
    playLoopButton_ = makeButton(central, "playLoopButton", "Play &Loop", "Plays Or Stops Loop Play Back");
    setHint(playLoopButton_, withKey(playLoopButton_->toolTip(), "L"));
    playLoopButton_->setEnabled(false);
    callOverview_ = new CallOverview(central);
    callOverview_->setObjectName("callOverview");
    callOverview_->timeText = [](double seconds) {
        return QString::fromStdString(callTimeText(static_cast<int>(seconds)));
    };
    setHint(callOverview_, "The whole call: silences shaded, keywords and loop marked. Click or drag to "
                           "play from there (with the focus: Left, Right, Page Up, Page Down, Home, End)");
}

// The time and percent shown, and the volume bar with its labels.
void PlayerWindow::makeDisplaysAndVolume(QWidget* central) {
    playTimeLabel_ = makeLabel(central, "playTimeLabel", "");
    playTimeLabel_->setTextFormat(Qt::PlainText);
    // No fixed accessible name: a label's name is then its text, so a screen reader hears the time itself.
    playTimeLabel_->setAccessibleDescription("Play time");
    percentLabel_ = makeLabel(central, "percentLabel", "");
    percentLabel_->setTextFormat(Qt::PlainText);
    volumeBar_ = new QSlider(Qt::Vertical, central);
    volumeBar_->setObjectName("volumeBar");
    volumeBar_->setRange(0, 32);
    volumeBar_->setInvertedAppearance(true); // position 0, the loudest, at the top
    volumeBar_->setInvertedControls(true);   // so Up, with the focus on the bar, is louder
    volumeBar_->setTickPosition(QSlider::TicksRight);
    volumeBar_->setTickInterval(1);
    volumeBar_->setValue(32);
    volumeBar_->setAccessibleName("Volume");
    setHint(volumeBar_, withKey("Adjust The Speaker  Volume", "Up, Down"));
    volumeLabel_ = makeLabel(central, "volumeLabel", "&Volume");
    volumeLabel_->setBuddy(volumeBar_);
    volumeLabel_->installEventFilter(this);
    volumePercentLabel_ = makeLabel(central, "volumePercentLabel", "100%");
    volumePercentLabel_->setTextFormat(Qt::PlainText);
}

// The play-speed and step-size switches with their labels.
void PlayerWindow::makeSwitches(QWidget* central) {
    playSpeedSwitch_ = new SwitchSlider(central);
    playSpeedSwitch_->setObjectName("playSpeedSwitch");
    playSpeedSwitch_->setPositionLabels("Slow -25%,Slow -12%,Normal,Fast +25%, Fast +50%");
    playSpeedSwitch_->setPositionQuietly(Speed().position());
    playSpeedSwitch_->slider()->setAccessibleName("Play speed");
    setHint(playSpeedSwitch_, withKey("Adjusts the Playback Speed", "+, -"));
    playSpeedLabel_ = makeLabel(central, "playSpeedLabel", "Play Speed");
    setHint(playSpeedLabel_, "Adjusts the Playback Speed");
    stepSizeSwitch_ = new SwitchSlider(central);
    stepSizeSwitch_->setObjectName("stepSizeSwitch");
    stepSizeSwitch_->setPositionLabels("05 Sec,10 Sec, 20 Sec,30 Sec,40 Sec");
    stepSizeSwitch_->setPositionQuietly(3);
    stepSizeSwitch_->slider()->setAccessibleName("Step size");
    setHint(stepSizeSwitch_, "Select the Size of the Back and Step in Seconds");
    stepSizeLabel_ = makeLabel(central, "stepSizeLabel", " Step Size");
    setHint(stepSizeLabel_, "Select the Size of the Back and Step in Seconds");
}

// The listening aids: four check boxes and the rewind-on-resume box.
void PlayerWindow::makeAidControls(QWidget* central) {
    keepPitchBox_ = makeCheckBox(central, "keepPitchBox", "Keep pitc&h",
                                 "The speeds change the tempo only: the voice keeps its pitch");
    evenVoicesBox_ = makeCheckBox(central, "evenVoicesBox", "Even &out voices",
                                  "Brings quiet and loud talkers to a similar level");
    reduceNoiseBox_ = makeCheckBox(central, "reduceNoiseBox", "Reduce &noise", "Takes off line hum and hiss");
    skipSilenceBox_ = makeCheckBox(central, "skipSilenceBox", "S&kip silence",
                                   "Jumps over silences of two seconds or more, keeping 0.3 s at each side");
    rewindBox_ = new QSpinBox(central);
    rewindBox_->setObjectName("rewindBox");
    rewindBox_->setRange(0, kLongestRewindSeconds);
    rewindBox_->setSuffix(" s");
    rewindBox_->setAccessibleName("Rewind on resume");
    setHint(rewindBox_, "Play after a pause starts this many seconds earlier");
    rewindLabel_ = makeLabel(central, "rewindLabel", "Rewind on res&ume");
    rewindLabel_->setBuddy(rewindBox_);
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
    onKey(Qt::Key_Space, "play / pause (in loop play: stop the loop)", [this] { emit playPauseRequested(); });
    onKey(Qt::Key_Home, "restart from the beginning", pressing(TransportControl::Restart));
    onKey(Qt::Key_Left, "back by the step size", pressing(TransportControl::Back));
    onKey(Qt::Key_Right, "step forward by the step size", pressing(TransportControl::Step));
    onKey(Qt::Key_BracketLeft, "mark the loop's begin", pressing(TransportControl::MarkLoopBegin));
    onKey(Qt::Key_BracketRight, "mark the loop's end", pressing(TransportControl::MarkLoopEnd));
    onKey(Qt::Key_L, "play or stop the loop", pressing(TransportControl::PlayLoop));
    onKey(Qt::Key_R, "resume where you left the call (while \"Resume at m:ss\" shows)", [this] {
        if (resumeButton_->isVisible())
            resumeButton_->click();
    });
    onKey(QKeySequence(Qt::CTRL | Qt::Key_G), "go to a time (m:ss, h:mm:ss or seconds)", [this] {
        if (!loopPlaying_) {
            goToTimeDialog_->setCallSeconds(callSeconds_);
            goToTimeDialog_->start();
        }
    });
    // The bar's top is loudest; a key moves it two of its 32 steps.
    onKey(Qt::Key_Up, "volume up", [this] { volumeBar_->setValue(volumeBar_->value() - 2); });
    onKey(Qt::Key_Down, "volume down", [this] { volumeBar_->setValue(volumeBar_->value() + 2); });
    const auto changeSpeed = [this](int by) {
        return [this, by] {
            playSpeedSwitch_->setPosition(
                std::clamp(playSpeedSwitch_->position() + by, 0, Speed::kCount - 1));
        };
    };
    onKey(Qt::Key_Plus, "faster", changeSpeed(1));
    onKey(Qt::Key_Equal, "faster (+ without Shift)", changeSpeed(1));
    onKey(Qt::Key_Minus, "slower", changeSpeed(-1));
    onKey(Qt::Key_F1, "this help", [this] { showHelp(); });
}

void PlayerWindow::showHelp() {
    helpWindow_->showHelp(keys_, *this,
                          {keepPitchBox_, evenVoicesBox_, reduceNoiseBox_, skipSilenceBox_, rewindBox_});
}

void PlayerWindow::connectControls() {
    for (const TransportControl control :
         {TransportControl::Play, TransportControl::Restart, TransportControl::StopPause,
          TransportControl::Back, TransportControl::Step, TransportControl::MarkLoopBegin,
          TransportControl::MarkLoopEnd, TransportControl::PlayLoop})
        connect(button(control), &QPushButton::clicked, this,
                [this, control] { emit transportPressed(control); });
    connect(callOverview_, &CallOverview::positionRequested, this, &PlayerWindow::positionChosen);
    connect(volumeBar_, &QSlider::valueChanged, this,
            [this](int position) { emit volumeMoved(Volume::ofBar(position)); });
    connect(stepSizeSwitch_, &SwitchSlider::positionChanged, this, [this] {
        const StepHints hints = stepHints(stepSizeSwitch_->position());
        setHint(backButton_, withKey(text(hints.back), "Left"));
        setHint(stepButton_, withKey(text(hints.step), "Right"));
    });
    connect(playSpeedSwitch_, &SwitchSlider::positionChanged, this, [this] {
        if (const std::optional<Speed> speed = Speed::ofPosition(playSpeedSwitch_->position()))
            emit speedChosen(*speed);
        else
            emit playbackChanged();
    });
    for (QCheckBox* box : {keepPitchBox_, evenVoicesBox_, reduceNoiseBox_, skipSilenceBox_})
        connect(box, &QCheckBox::toggled, this, [this] { aidsChanged(); });
    connect(rewindBox_, &QSpinBox::valueChanged, this, [this] { aidsChanged(); });
    connect(displayTimer_, &QTimer::timeout, this, &PlayerWindow::playbackChanged);
    connect(commentsButton_, &QPushButton::clicked, this, &PlayerWindow::commentsClicked);
    connect(keywordsButton_, &QPushButton::clicked, this, &PlayerWindow::keywordsClicked);
    connect(waveformButton_, &QPushButton::clicked, this, &PlayerWindow::waveformClicked);
    connect(exportButton_, &QPushButton::clicked, this, &PlayerWindow::exportClicked);
    connect(closeButton_, &QPushButton::clicked, this, &QWidget::close);
}

void PlayerWindow::press(TransportControl control) {
    QPushButton* pressed = button(control);
    if (pressed->isEnabled())
        pressed->click();
}

void PlayerWindow::moveVolumeBar(Volume volume) {
    volumeBar_->setValue(volume.barPosition());
}

void PlayerWindow::chooseSpeed(Speed speed) {
    playSpeedSwitch_->setPosition(speed.position());
}

void PlayerWindow::aidsChanged() {
    ListeningAids aids;
    aids.filters.keepPitch = keepPitchBox_->isChecked();
    aids.filters.evenVoices = evenVoicesBox_->isChecked();
    aids.filters.reduceNoise = reduceNoiseBox_->isChecked();
    aids.skipSilence = skipSilenceBox_->isChecked();
    aids.rewindSeconds = rewindBox_->value();
    emit aidsChosen(aids);
}

void PlayerWindow::buildLayout() {
    auto* root = new QVBoxLayout(centralWidget());
    auto* columns = new QHBoxLayout;
    root->addLayout(columns, 1);
    root->addWidget(callOverview_);

    auto* details = new QVBoxLayout;
    details->setSpacing(2);
    for (QLabel* line :
         {detailLines_.identifier, detailLines_.firstName, detailLines_.lastName,
          detailLines_.trunkDestination, detailLines_.recorded, detailLines_.site, detailLines_.stationAni,
          detailLines_.stationName, detailLines_.cost, detailLines_.archivedBy, detailLines_.archivedAt,
          detailLines_.archivedDate, detailLines_.ownership})
        details->addWidget(line);
    auto* exportRow = new QHBoxLayout;
    exportRow->addWidget(exportButton_);
    exportRow->addStretch(1);
    details->addLayout(exportRow);
    details->addStretch(1);
    columns->addLayout(details, 1);

    // Time and percent above the volume bar with its labels.
    auto* middle = new QGridLayout;
    middle->addWidget(playTimeLabel_, 0, 0, 1, 2);
    middle->addWidget(percentLabel_, 1, 0, 1, 2);
    middle->addWidget(volumeBar_, 2, 0, 3, 1, Qt::AlignHCenter);
    middle->addWidget(volumeLabel_, 2, 1);
    middle->addWidget(volumePercentLabel_, 3, 1);
    middle->setRowStretch(4, 1);
    columns->addLayout(middle);

    auto* transport = new QVBoxLayout;
    for (QPushButton* b : {playButton_, restartButton_, stopButton_, backButton_, stepButton_,
                           markLoopBeginButton_, markLoopEndButton_, playLoopButton_, resumeButton_})
        transport->addWidget(b);
    transport->addSpacing(8);
    for (QPushButton* b : {commentsButton_, keywordsButton_, waveformButton_})
        transport->addWidget(b);
    transport->addStretch(1);
    columns->addLayout(transport);

    // The two switches side by side, each under its label; Keep pitch beside the speeds.
    auto* switches = new QGridLayout;
    auto* speedHeading = new QHBoxLayout;
    speedHeading->addWidget(playSpeedLabel_);
    speedHeading->addStretch(1);
    speedHeading->addWidget(keepPitchBox_);
    switches->addLayout(speedHeading, 0, 0);
    switches->addWidget(playSpeedSwitch_, 1, 0);
    switches->addWidget(stepSizeLabel_, 0, 1);
    switches->addWidget(stepSizeSwitch_, 1, 1);
    switches->setHorizontalSpacing(24);
    root->addLayout(switches);

    auto* aids = new QHBoxLayout;
    for (QWidget* aid : std::initializer_list<QWidget*>{evenVoicesBox_, reduceNoiseBox_, skipSilenceBox_})
        aids->addWidget(aid);
    aids->addStretch(1);
    aids->addWidget(rewindLabel_);
    aids->addWidget(rewindBox_);
    root->addLayout(aids);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(closeButton_);
    bottom->addStretch(1);
    root->addLayout(bottom);
    root->addWidget(progressBar_);
}

void PlayerWindow::setUp() {
    move(1, 1);
    playTimeLabel_->setText(text(playTimeText(0)));
}

std::optional<Speed> PlayerWindow::restoreSettings(const InitRecord& record) {
    stepSizeSwitch_->setPosition(record.stepSizePosition);
    playSpeedSwitch_->setPositionQuietly(record.playSpeedPosition);
    return Speed::ofPosition(playSpeedSwitch_->position());
}

int PlayerWindow::stepSizePosition() const {
    return stepSizeSwitch_->position();
}

void PlayerWindow::saveSettings(InitRecord& record) const {
    record.stepSizePosition = stepSizeSwitch_->position();
    record.playSpeedPosition = playSpeedSwitch_->position();
}

// --- the playback shown ---------------------------------------------------------------------

QPushButton* PlayerWindow::button(TransportControl control) const {
    switch (control) {
    case TransportControl::Play:
        return playButton_;
    case TransportControl::Restart:
        return restartButton_;
    case TransportControl::StopPause:
        return stopButton_;
    case TransportControl::Back:
        return backButton_;
    case TransportControl::Step:
        return stepButton_;
    case TransportControl::MarkLoopBegin:
        return markLoopBeginButton_;
    case TransportControl::MarkLoopEnd:
        return markLoopEndButton_;
    case TransportControl::PlayLoop:
        return playLoopButton_;
    }
    return playButton_;
}

void PlayerWindow::setOverviewSeries(const StripChartSeries* series) {
    callOverview_->setSeries(series);
}

void PlayerWindow::showOverview(const CallOverviewContent& content) {
    callOverview_->setLength(content.lengthSeconds);
    if (content.seriesGrown)
        callOverview_->seriesGrown();
    callOverview_->setShadedSpans(content.silences);
    callOverview_->setKeyPresses(content.keyPresses);
    callOverview_->setMarks(content.keywords);
    callOverview_->setLoopMarks(content.loopBegin, content.loopEnd);
    callOverview_->setPosition(content.positionSeconds);
}

void PlayerWindow::showPlayback(const PlaybackSnapshot& shown, double callSeconds) {
    // The call's length grows once a call that loads while it plays is whole.
    callSeconds_ = callSeconds;
    loopPlaying_ = shown.loopPlaying();
    goToTimeDialog_->setCallSeconds(callSeconds);
    const PlaybackTexts texts = playbackTexts(shown);
    playTimeLabel_->setText(text(texts.time));
    progressBar_->setValue(shown.progress);
    percentLabel_->setText(text(texts.percent));
    for (const TransportControl control :
         {TransportControl::Play, TransportControl::Restart, TransportControl::StopPause,
          TransportControl::Back, TransportControl::Step, TransportControl::MarkLoopBegin,
          TransportControl::MarkLoopEnd, TransportControl::PlayLoop})
        button(control)->setEnabled(shown.controls[control]);
    // The loop button says what it does next; its picture appears once loop play has started.
    const bool looping = shown.loopPlaying();
    if (loopCaptionShown_ != looping && (looping || loopCaptionShown_.has_value())) {
        playLoopButton_->setText(looping ? "Stop &Loop" : "Play &Loop");
        playLoopButton_->setAccessibleName(withoutMnemonic(playLoopButton_->text()));
        playLoopButton_->setIcon(
            QApplication::style()->standardIcon(looping ? QStyle::SP_MediaStop : QStyle::SP_MediaPlay));
        loopCaptionShown_ = looping;
    }
    if (playSpeedSwitch_->position() != shown.speed.position())
        playSpeedSwitch_->setPositionQuietly(shown.speed.position()); // a speed that fell back to Normal
    volumePercentLabel_->setText(text(texts.volumePercent));
    // The aids as the playback has them (from the settings at start-up).
    const std::pair<QCheckBox*, bool> boxes[] = {{keepPitchBox_, shown.aids.filters.keepPitch},
                                                 {evenVoicesBox_, shown.aids.filters.evenVoices},
                                                 {reduceNoiseBox_, shown.aids.filters.reduceNoise},
                                                 {skipSilenceBox_, shown.aids.skipSilence}};
    for (const auto& [box, on] : boxes) {
        const QSignalBlocker quiet(box);
        box->setChecked(on);
    }
    const QSignalBlocker quiet(rewindBox_);
    rewindBox_->setValue(shown.aids.rewindSeconds);
}

void PlayerWindow::stopDisplay() {
    displayTimer_->stop();
}

void PlayerWindow::putCloseAside() {
    closeAside_ = true;
}

QString PlayerWindow::exportCaption() const {
    return exportButton_->text();
}

QColor PlayerWindow::exportCaptionColour() const {
    return exportButton_->palette().color(QPalette::ButtonText);
}

void PlayerWindow::showExportCaption(const QString& caption, const QColor& colour) {
    QPalette palette = exportButton_->palette();
    palette.setColor(QPalette::ButtonText, colour);
    exportButton_->setPalette(palette);
    exportButton_->setText(caption);
    exportButton_->setAccessibleName(QString(caption).remove('&'));
}

// --- the window's events ------------------------------------------------------------------

void PlayerWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        emit firstShown();
    }
}

void PlayerWindow::closeEvent(QCloseEvent* event) {
    // The user may put the close aside; a termination signal always ends the player.
    closeAside_ = false;
    if (!terminationRequested())
        emit closeAsked();
    if (closeAside_) {
        event->ignore();
        return;
    }
    // The shutdown sequence runs (once), and the window always closes.
    displayTimer_->stop();
    emit closing();
    event->accept();
}

bool PlayerWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == volumeLabel_ && event->type() == QEvent::MouseButtonPress) {
        volumeBar_->setFocus();
        return true;
    }
    if (watched == progressBar_ && event->type() == QEvent::MouseButtonPress) {
        const auto* click = static_cast<QMouseEvent*>(event);
        if (click->button() == Qt::LeftButton && progressBar_->width() > 0) {
            emit positionChosen(callSeconds_ *
                                std::clamp(click->position().x() / progressBar_->width(), 0.0, 1.0));
        }
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void PlayerWindow::showDetails(const std::string& title, const RecordingDetails& details) {
    setWindowTitle(text(title));
    const std::pair<QLabel*, const std::string*> lines[] = {
        {detailLines_.identifier, &details.identifier},
        {detailLines_.recorded, &details.recorded},
        {detailLines_.firstName, &details.firstName},
        {detailLines_.lastName, &details.lastName},
        {detailLines_.trunkDestination, &details.trunkDestination},
        {detailLines_.site, &details.site},
        {detailLines_.stationName, &details.stationName},
        {detailLines_.stationAni, &details.stationAni},
        {detailLines_.cost, &details.cost},
        {detailLines_.archivedBy, &details.archivedBy},
        {detailLines_.archivedAt, &details.archivedAt},
        {detailLines_.archivedDate, &details.archivedDate},
    };
    for (const auto& [label, line] : lines)
        label->setText(text(*line));
    detailLines_.ownership->setText(QString::fromLatin1(kOwnershipLine));
}

void PlayerWindow::showButtonModes(const ButtonModes& modes) {
    keywordsButton_->setVisible(modes.scannedWordsVisible);
    keywordsButton_->setEnabled(modes.scannedWordsEnabled);
    commentsButton_->setVisible(modes.textVisible);
    commentsButton_->setEnabled(modes.textEnabled);
    exportButton_->setVisible(modes.exportVisible);
    exportButton_->setEnabled(modes.exportEnabled);
    if (modes.exportVisible) {
        exportButton_->setText("Add To CD &Export List");
        exportButton_->setAccessibleName(withoutMnemonic(exportButton_->text()));
    }
}

void PlayerWindow::startDisplay() {
    displayTimer_->start();
}

} // namespace kestrum
