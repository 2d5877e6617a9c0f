#include "ui/PlayerWindow.h"

#include "app/Player.h"
#include "app/RecordingDetails.h"
#include "platform/FormatText.h"
#include "widgets/SwitchSlider.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

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

QLabel* makeLabel(QWidget* parent, const char* name, const char* caption) {
    auto* label = new QLabel(QString::fromLatin1(caption), parent);
    label->setObjectName(name);
    return label;
}

} // namespace

PlayerWindow::PlayerWindow(Player& player, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      player_(player) {
    setObjectName("Player1");
    setWindowTitle(QString::fromLatin1(kProductTitle));
    QFont font(QStringLiteral("Sans Serif"));
    font.setPointSize(8);
    setFont(font);
    auto* central = new QWidget(this);
    setCentralWidget(central);

    StaticText2 = makeDetailLine(central, "StaticText2", "The Unique ID Number For This Inmate");
    StaticText8 = makeDetailLine(central, "StaticText8", "The Inmates First and Middle Name");
    StaticText9 = makeDetailLine(central, "StaticText9", "The Inmates Last Name");
    StaticText10 = makeDetailLine(central, "StaticText10", "The Telephone Number Dialed");
    StaticText11 = makeDetailLine(central, "StaticText11", "The Date And Time Of The Call");
    StaticText12 = makeDetailLine(central, "StaticText12", "The Site and Living Unit Number");
    StaticText1 = makeDetailLine(central, "StaticText1", "The Orginating Telephone Number");
    StaticText13 = makeDetailLine(central, "StaticText13", "The Orginating Telephone Name");
    StaticText3 = makeDetailLine(central, "StaticText3", "The Cost, Duration And Compleation Code");
    StaticText5 = makeDetailLine(central, "StaticText5", nullptr);
    StaticText6 = makeDetailLine(central, "StaticText6", nullptr);
    StaticText7 = makeDetailLine(central, "StaticText7", nullptr);
    StaticText14 = makeDetailLine(central, "StaticText14", nullptr);
    StaticText14->setAlignment(Qt::AlignCenter);
    StaticText14->setStyleSheet("QLabel { background-color: navy; color: white; font-size: 12px; }");

    ExportBtn =
        makeButton(central, "ExportBtn", "Add to CD &Export List", "Exports The Recording Off System");
    ExportBtn->setMinimumWidth(187);
    CloseBtn = makeButton(central, "CloseBtn", "&Close and Exit", "Ends The Player");
    ProgressBar1 = new QProgressBar(central);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setAccessibleName("Play progress");
    TextBtn = makeButton(central, "TextBtn", "Comments &Info", "Displays The Text Coments Window");
    ScannedWordsBtn =
        makeButton(central, "ScannedWordsBtn", "Scanned &Words", "Displays the Scanned Words Window");
    WaveFormBtn = makeButton(central, "WaveFormBtn", "Wave &Form", "Displays The Wave Form Window");

    QStyle* style = QApplication::style();
    PlayBtn = makeButton(central, "PlayBtn", "&Play", "Start Play Back");
    PlayBtn->setIcon(style->standardIcon(QStyle::SP_MediaPlay));
    RestartBtn = makeButton(central, "RestartBtn", "&Restart", "Returns to the Beginning of Recording");
    RestartBtn->setIcon(style->standardIcon(QStyle::SP_MediaSkipBackward));
    StopBtn = makeButton(central, "StopBtn", "&Stop / Pause", "Stops / Pauses Playback");
    StopBtn->setIcon(style->standardIcon(QStyle::SP_MediaPause));
    BackBtn = makeButton(central, "BackBtn", "&Back", "Steps Back 30 Seconds");
    BackBtn->setIcon(style->standardIcon(QStyle::SP_MediaSeekBackward));
    StepBtn = makeButton(central, "StepBtn", "S&tep", "Steps Forward 30 Seconds");
    StepBtn->setIcon(style->standardIcon(QStyle::SP_MediaSeekForward));
    MarkLoopBeginBtn = makeButton(central, "MarkLoopBeginBtn", "&Mark Loop Begin",
                                  "Marks The Begining Position For Loop Play");
    MarkLoopBeginBtn->setIcon(style->standardIcon(QStyle::SP_ArrowRight));
    MarkLoopEndBtn =
        makeButton(central, "MarkLoopEndBtn", "Mark Loop En&d", "Marks The End Position For Loop Play");
    MarkLoopEndBtn->setIcon(style->standardIcon(QStyle::SP_ArrowLeft));
    MarkLoopEndBtn->setEnabled(false);
    PlayLoopBtn = makeButton(central, "PlayLoopBtn", "Play &Loop", "Plays Or Stops Loop Play Back");
    PlayLoopBtn->setEnabled(false);
    StopGlyphBtn = makeButton(central, "StopGlyphBtn", "", nullptr);
    StopGlyphBtn->setIcon(style->standardIcon(QStyle::SP_MediaStop));
    StopGlyphBtn->setEnabled(false);
    StopGlyphBtn->setVisible(false);

    PlayTimeText = makeLabel(central, "PlayTimeText", "");
    PlayTimeText->setTextFormat(Qt::PlainText);
    // No fixed accessible name: a label's name is then its text, so a screen reader hears the time itself.
    PlayTimeText->setAccessibleDescription("Play time");
    PercentLbl = makeLabel(central, "PercentLbl", "");
    PercentLbl->setTextFormat(Qt::PlainText);
    VolumeBar = new QSlider(Qt::Vertical, central);
    VolumeBar->setObjectName("VolumeBar");
    VolumeBar->setRange(0, 32);
    VolumeBar->setInvertedAppearance(true); // position 0, the loudest, at the top
    VolumeBar->setTickPosition(QSlider::TicksRight);
    VolumeBar->setTickInterval(1);
    VolumeBar->setValue(32);
    VolumeBar->setAccessibleName("Volume");
    setHint(VolumeBar, "Adjust The Speaker  Volume");
    VolumeLbl = makeLabel(central, "VolumeLbl", "&Volume");
    VolumeLbl->setBuddy(VolumeBar);
    VolumeLbl->installEventFilter(this);
    VPerLbl = makeLabel(central, "VPerLbl", "100%");
    VPerLbl->setTextFormat(Qt::PlainText);

    PlaySpeediSwitchSlider = new SwitchSlider(central);
    PlaySpeediSwitchSlider->setObjectName("PlaySpeediSwitchSlider");
    PlaySpeediSwitchSlider->setPositionLabels("Slow -25%,Slow -12%,Normal,Fast +25%, Fast +50%");
    PlaySpeediSwitchSlider->setPositionQuietly(2);
    PlaySpeediSwitchSlider->slider()->setAccessibleName("Play speed");
    setHint(PlaySpeediSwitchSlider, "Adjusts the Playback Speed");
    PlaySpeedLbl = makeLabel(central, "PlaySpeedLbl", "Play Speed");
    setHint(PlaySpeedLbl, "Adjusts the Playback Speed");
    StepSizeiSwitchSlider = new SwitchSlider(central);
    StepSizeiSwitchSlider->setObjectName("StepSizeiSwitchSlider");
    StepSizeiSwitchSlider->setPositionLabels("05 Sec,10 Sec, 20 Sec,30 Sec,40 Sec");
    StepSizeiSwitchSlider->setPositionQuietly(3);
    StepSizeiSwitchSlider->slider()->setAccessibleName("Step size");
    setHint(StepSizeiSwitchSlider, "Select the Size of the Back and Step in Seconds");
    StepSizeLbl = makeLabel(central, "StepSizeLbl", " Step Size");
    setHint(StepSizeLbl, "Select the Size of the Back and Step in Seconds");

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(100);

    buildLayout();
    // The designed size where the layout fits in it; never so small that a line is cut.
    setMinimumSize(615, 310);
    const QSize needed = minimumSizeHint().expandedTo(QSize(615, 310));
    setMinimumSize(needed);
    resize(needed.expandedTo(QSize(607, 335)));

    connect(PlayBtn, &QPushButton::clicked, this, &PlayerWindow::PlayBtnClick);
    connect(RestartBtn, &QPushButton::clicked, this, &PlayerWindow::RestartBtnClick);
    connect(StopBtn, &QPushButton::clicked, this, &PlayerWindow::StopBtnClick);
    connect(BackBtn, &QPushButton::clicked, this, &PlayerWindow::BackBtnClick);
    connect(StepBtn, &QPushButton::clicked, this, &PlayerWindow::StepBtnClick);
    connect(MarkLoopBeginBtn, &QPushButton::clicked, this, &PlayerWindow::MarkLoopBeginBtnClick);
    connect(MarkLoopEndBtn, &QPushButton::clicked, this, &PlayerWindow::MarkLoopEndBtnClick);
    connect(PlayLoopBtn, &QPushButton::clicked, this, &PlayerWindow::PlayLoopBtnClick);
    connect(VolumeBar, &QSlider::valueChanged, this, &PlayerWindow::VolumeBarChange);
    connect(StepSizeiSwitchSlider, &SwitchSlider::positionChanged, this,
            &PlayerWindow::StepSizeiSwitchSliderPositionChange);
    connect(PlaySpeediSwitchSlider, &SwitchSlider::positionChanged, this,
            &PlayerWindow::PlaySpeediSwitchSliderPositionChange);
    connect(Timer1, &QTimer::timeout, this, &PlayerWindow::Timer1Timer);
    connect(TextBtn, &QPushButton::clicked, this, &PlayerWindow::TextBtnClick);
    connect(ScannedWordsBtn, &QPushButton::clicked, this, &PlayerWindow::ScannedWordsBtnClick);
    connect(WaveFormBtn, &QPushButton::clicked, this, &PlayerWindow::WaveFormBtnClick);
    connect(ExportBtn, &QPushButton::clicked, this, &PlayerWindow::ExportBtnClick);
    connect(CloseBtn, &QPushButton::clicked, this, &PlayerWindow::CloseBtnClick);
}

void PlayerWindow::buildLayout() {
    auto* root = new QVBoxLayout(centralWidget());
    auto* columns = new QHBoxLayout;
    root->addLayout(columns, 1);

    auto* details = new QVBoxLayout;
    details->setSpacing(2);
    for (QLabel* line :
         {StaticText2, StaticText8, StaticText9, StaticText10, StaticText11, StaticText12, StaticText1,
          StaticText13, StaticText3, StaticText5, StaticText6, StaticText7, StaticText14})
        details->addWidget(line);
    auto* exportRow = new QHBoxLayout;
    exportRow->addWidget(ExportBtn);
    exportRow->addStretch(1);
    details->addLayout(exportRow);
    details->addStretch(1);
    columns->addLayout(details, 1);

    // Time and percent above the volume bar with its labels.
    auto* middle = new QGridLayout;
    middle->addWidget(PlayTimeText, 0, 0, 1, 2);
    middle->addWidget(PercentLbl, 1, 0, 1, 2);
    middle->addWidget(VolumeBar, 2, 0, 3, 1, Qt::AlignHCenter);
    middle->addWidget(VolumeLbl, 2, 1);
    middle->addWidget(VPerLbl, 3, 1);
    middle->setRowStretch(4, 1);
    columns->addLayout(middle);

    auto* transport = new QVBoxLayout;
    for (QPushButton* b :
         {PlayBtn, RestartBtn, StopBtn, BackBtn, StepBtn, MarkLoopBeginBtn, MarkLoopEndBtn, PlayLoopBtn})
        transport->addWidget(b);
    transport->addSpacing(8);
    for (QPushButton* b : {TextBtn, ScannedWordsBtn, WaveFormBtn})
        transport->addWidget(b);
    transport->addStretch(1);
    columns->addLayout(transport);

    // The two switches side by side, each under its label.
    auto* switches = new QGridLayout;
    switches->addWidget(PlaySpeedLbl, 0, 0);
    switches->addWidget(PlaySpeediSwitchSlider, 1, 0);
    switches->addWidget(StepSizeLbl, 0, 1);
    switches->addWidget(StepSizeiSwitchSlider, 1, 1);
    switches->setHorizontalSpacing(24);
    root->addLayout(switches);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(CloseBtn);
    bottom->addStretch(1);
    root->addLayout(bottom);
    root->addWidget(ProgressBar1);
}

void PlayerWindow::setUp() {
    move(1, 1);
    setPlayTimeText(formatText("Time %2d:%02d", 0, 0));
}

void PlayerWindow::restoreSettings(const InitRecord& record) {
    StepSizeiSwitchSlider->setPosition(record.stepSizePosition);
    PlaySpeediSwitchSlider->setPosition(record.playSpeedPosition);
}

void PlayerWindow::saveSettings(InitRecord& record) const {
    record.stepSizePosition = StepSizeiSwitchSlider->position();
    record.playSpeedPosition = PlaySpeediSwitchSlider->position();
}

// --- PlaybackView -------------------------------------------------------------------------

QPushButton* PlayerWindow::button(TransportControl control) const {
    switch (control) {
    case TransportControl::PlayBtn:
        return PlayBtn;
    case TransportControl::RestartBtn:
        return RestartBtn;
    case TransportControl::StopBtn:
        return StopBtn;
    case TransportControl::BackBtn:
        return BackBtn;
    case TransportControl::StepBtn:
        return StepBtn;
    case TransportControl::MarkLoopBeginBtn:
        return MarkLoopBeginBtn;
    case TransportControl::MarkLoopEndBtn:
        return MarkLoopEndBtn;
    case TransportControl::PlayLoopBtn:
        return PlayLoopBtn;
    }
    return PlayBtn;
}

void PlayerWindow::setPlayTimeText(const std::string& value) {
    PlayTimeText->setText(text(value));
}
void PlayerWindow::setProgressPosition(int position) {
    ProgressBar1->setValue(std::clamp(position, 0, 100));
}
int PlayerWindow::progressPosition() const {
    return ProgressBar1->value();
}
void PlayerWindow::setPercentText(const std::string& value) {
    PercentLbl->setText(text(value));
}
void PlayerWindow::setControlEnabled(TransportControl control, bool enabled) {
    button(control)->setEnabled(enabled);
}
bool PlayerWindow::controlEnabled(TransportControl control) const {
    return button(control)->isEnabled();
}
void PlayerWindow::setTimerEnabled(bool enabled) {
    enabled ? Timer1->start() : Timer1->stop();
}
bool PlayerWindow::timerEnabled() const {
    return Timer1->isActive();
}
int PlayerWindow::playSpeedPosition() const {
    return PlaySpeediSwitchSlider->position();
}
// A fall-back to Normal moves the control without reopening the device once more.
void PlayerWindow::setPlaySpeedPosition(int position) {
    PlaySpeediSwitchSlider->setPositionQuietly(position);
}
void PlayerWindow::setVolumePercentText(const std::string& value) {
    VPerLbl->setText(text(value));
}
void PlayerWindow::closePlayer() {
    close();
}

void PlayerWindow::setStepHints(const std::string& back, const std::string& step) {
    setHint(BackBtn, text(back));
    setHint(StepBtn, text(step));
}

void PlayerWindow::showLoopPlaying(bool playing) {
    PlayLoopBtn->setText(playing ? "Stop &Loop" : "Play &Loop");
    PlayLoopBtn->setAccessibleName(withoutMnemonic(PlayLoopBtn->text()));
    PlayLoopBtn->setIcon(playing ? StopGlyphBtn->icon() : PlayBtn->icon());
}

// --- the window's events ------------------------------------------------------------------

void PlayerWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void PlayerWindow::closeEvent(QCloseEvent* event) {
    // FormCloseQuery: the shutdown sequence runs (once), and the window always closes.
    player_.shutdown();
    event->accept();
}

bool PlayerWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == VolumeLbl && event->type() == QEvent::MouseButtonPress) {
        VolumeLblClick();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void PlayerWindow::FormShow() {
    PlayerState& state = player_.state();
    Transport& transport = player_.transport();
    transport.restart();
    transport.stop();

    const ButtonModes modes = buttonModes(state.recording.version(), state.options, state.openAtLastRun);
    ScannedWordsBtn->setVisible(modes.scannedWordsVisible);
    ScannedWordsBtn->setEnabled(modes.scannedWordsEnabled);
    TextBtn->setVisible(modes.textVisible);
    TextBtn->setEnabled(modes.textEnabled);
    ExportBtn->setVisible(modes.exportVisible);
    ExportBtn->setEnabled(modes.exportEnabled);
    if (modes.exportVisible) {
        ExportBtn->setText("Add To CD &Export List");
        ExportBtn->setAccessibleName(withoutMnemonic(ExportBtn->text()));
    }
    if (showSideWindows)
        showSideWindows(modes);

    setWindowTitle(text(formatText("%s  %s", kProductTitle, state.environment.versionText.c_str())));
    const RecordingDetails details = recordingDetails(state.recording, state.options);
    const std::pair<QLabel*, const std::string*> lines[] = {
        {StaticText2, &details.identifier},
        {StaticText11, &details.recorded},
        {StaticText8, &details.firstName},
        {StaticText9, &details.lastName},
        {StaticText10, &details.trunkDestination},
        {StaticText12, &details.site},
        {StaticText13, &details.stationName},
        {StaticText1, &details.stationAni},
        {StaticText3, &details.cost},
        {StaticText5, &details.archivedBy},
        {StaticText6, &details.archivedAt},
        {StaticText7, &details.archivedDate},
    };
    for (const auto& [label, line] : lines)
        label->setText(text(*line));
    StaticText14->setText(QString::fromLatin1(kOwnershipLine));
    showDeviceVolume();
    transport.play();
}

// The device's left-channel volume as a level 0 to 32, shown and put on the bar; a bar that moves
// writes the level back to both channels.
void PlayerWindow::showDeviceVolume() {
    const std::uint32_t volume = player_.device().waveOut().volume();
    const int level = static_cast<int>(((volume & 0xFFFFu) + 1) / 2048);
    setVolumePercentText(percentText(level * 100 / 32));
    VolumeBar->setValue(32 - std::min(level, 32));
}

void PlayerWindow::PlayBtnClick() {
    player_.transport().play();
}
void PlayerWindow::RestartBtnClick() {
    player_.transport().restart();
}
void PlayerWindow::StopBtnClick() {
    player_.transport().stop();
}
void PlayerWindow::BackBtnClick() {
    player_.transport().back(StepSizeiSwitchSlider->position());
}
void PlayerWindow::StepBtnClick() {
    player_.transport().step(StepSizeiSwitchSlider->position());
}
void PlayerWindow::MarkLoopBeginBtnClick() {
    player_.transport().markLoopBegin();
}
void PlayerWindow::MarkLoopEndBtnClick() {
    player_.transport().markLoopEnd();
}
void PlayerWindow::PlayLoopBtnClick() {
    player_.transport().togglePlayLoop();
}
void PlayerWindow::VolumeBarChange() {
    player_.transport().volumeBarChanged(VolumeBar->value());
}
void PlayerWindow::VolumeLblClick() {
    VolumeBar->setFocus();
}
void PlayerWindow::StepSizeiSwitchSliderPositionChange() {
    player_.transport().stepSizeChanged(StepSizeiSwitchSlider->position());
}
void PlayerWindow::PlaySpeediSwitchSliderPositionChange() {
    player_.transport().playSpeedChanged(PlaySpeediSwitchSlider->position());
}
void PlayerWindow::Timer1Timer() {
    player_.engine().Timer1Timer();
}
void PlayerWindow::CloseBtnClick() {
    close();
}

void PlayerWindow::TextBtnClick() {
    if (onTextBtn)
        onTextBtn();
}
void PlayerWindow::ScannedWordsBtnClick() {
    if (onScannedWordsBtn)
        onScannedWordsBtn();
}
void PlayerWindow::WaveFormBtnClick() {
    if (onWaveFormBtn)
        onWaveFormBtn();
}
void PlayerWindow::ExportBtnClick() {
    if (onExportBtn)
        onExportBtn();
}

} // namespace kestrum
