#include "ui/WaveformWindow.h"

#include "app/Player.h"
#include "ui/SideWindow.h"
#include "widgets/Knob.h"
#include "widgets/SwitchSlider.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <cmath>

namespace kestrum {

namespace {

enum SwitchPosition { kRun = 0, kZoom = 1, kScroll = 2 };

const QColor kPlayLineColour(255, 255, 0); // yellow

QPushButton* glyphHolder(QWidget* parent, const char* name, QStyle::StandardPixmap glyph) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setIcon(QApplication::style()->standardIcon(glyph));
    button->setVisible(false);
    button->setEnabled(false);
    return button;
}

} // namespace

// One point a byte of the store, so seconds are the frames' seconds whatever a frame holds.
double SampleStoreSeries::pointsPerSecond() const {
    const FrameClock& clock = player_.session().clock();
    return static_cast<double>(clock.framesPerSecond()) * clock.frameBytes();
}

std::size_t SampleStoreSeries::pointCount() const {
    return player_.state().store.indexCount();
}

std::uint8_t SampleStoreSeries::point(std::size_t index) const {
    return player_.state().store.sample(index);
}

StripChartSeries::Range SampleStoreSeries::range(std::size_t first, std::size_t last) const {
    const PlayerState& state = player_.state();
    const SampleRange found = state.peaks.range(state.store.samples(), first, last);
    return {found.low, found.high};
}

WaveformWindow::WaveformWindow(Player& player, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      player_(player), series_(player),
      follower_(*this, player.state().recording.playbackFormat.samplesPerSec) {
    setObjectName("AudioWaveFormFrm");
    setWindowTitle("Audio Wave Form");

    iStripChart1 = new StripChart(this);
    iStripChart1->setObjectName("iStripChart1");
    iStripChart1->setToolTip("Click Left Mouse to Add an Annotation");
    iStripChart1->setAccessibleDescription(iStripChart1->toolTip());
    iStripChart1->setXAxisTitle("Seconds");
    iStripChart1->setXRange(0, 10);
    iStripChart1->setSeries(&series_);
    iStripChart1->setMinimumSize(612, 308);

    iKnob1 = new Knob(this);
    iKnob1->setObjectName("iKnob1");
    iKnob1->setMaximumPosition(100);
    iKnob1->setPosition(1);
    iKnob1->setToolTip("Changes the Scale on the Strip Chart");
    iKnob1->setAccessibleName("Scale");
    iKnob1->setAccessibleDescription(iKnob1->toolTip());
    ScaleText = new QLabel("&Scale", this);
    ScaleText->setObjectName("ScaleText");
    ScaleText->setBuddy(iKnob1);
    ScaleText->installEventFilter(this);

    iSwitchSlider1 = new SwitchSlider(this);
    iSwitchSlider1->setObjectName("iSwitchSlider1");
    iSwitchSlider1->setPositionLabels("Run,Zoom,Scroll");
    iSwitchSlider1->setPositionQuietly(kRun);
    iSwitchSlider1->slider()->setAccessibleName("View mode");

    DownLeftBtn = new QPushButton(this);
    DownLeftBtn->setObjectName("DownLeftBtn");
    DownLeftBtn->setEnabled(false);
    UpRightBtn = new QPushButton(this);
    UpRightBtn->setObjectName("UpRightBtn");
    UpRightBtn->setEnabled(false);
    zoomin = glyphHolder(this, "zoomin", QStyle::SP_ArrowDown);
    zoomout = glyphHolder(this, "zoomout", QStyle::SP_ArrowUp);
    scrollLeft = glyphHolder(this, "scrollLeft", QStyle::SP_ArrowLeft);
    scrollRight = glyphHolder(this, "scrollRight", QStyle::SP_ArrowRight);
    CloseBtn = new QPushButton("&Close Window", this);
    CloseBtn->setObjectName("CloseBtn");
    CloseBtn->setAccessibleName("Close Window");
    CloseBtn->setToolTip("Closes this Window");

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(iStripChart1, 1);
    auto* controls = new QVBoxLayout;
    auto* knobRow = new QHBoxLayout;
    knobRow->addWidget(iKnob1);
    knobRow->addWidget(ScaleText);
    controls->addLayout(knobRow);
    controls->addWidget(iSwitchSlider1);
    controls->addWidget(DownLeftBtn);
    controls->addWidget(UpRightBtn);
    controls->addStretch(1);
    controls->addWidget(CloseBtn);
    layout->addLayout(controls);
    resize(747, 348);

    connect(iKnob1, &Knob::positionChanged, this, &WaveformWindow::iKnob1PositionChange);
    connect(iSwitchSlider1, &SwitchSlider::positionChanged, this,
            &WaveformWindow::iSwitchSlider1PositionChange);
    connect(DownLeftBtn, &QPushButton::clicked, this, &WaveformWindow::DownLeftBtnClick);
    connect(UpRightBtn, &QPushButton::clicked, this, &WaveformWindow::UpRightBtnClick);
    connect(CloseBtn, &QPushButton::clicked, this, &QWidget::hide);
    connect(iStripChart1, &StripChart::clicked, this, &WaveformWindow::iStripChart1Click);
}

void WaveformWindow::place(int left, int top) {
    moveWithinScreen(*this, left, top);
    placed_ = true;
}

void WaveformWindow::setKnobPosition(double position) {
    iKnob1->setPosition(position);
}

void WaveformWindow::showSpan(double minimum, double maximum, double cursor) {
    iStripChart1->BeginUpdate();
    iStripChart1->RemoveAllVerticalLines();
    iStripChart1->setXRange(minimum, maximum);
    iStripChart1->AddVerticalLine(cursor, kPlayLineColour, 2, StripChart::iclsSolid);
    iStripChart1->EndUpdate();
}

void WaveformWindow::hideEvent(QHideEvent* event) {
    // FormHide: a hidden window is back in Run.
    QWidget::hideEvent(event);
    iSwitchSlider1->setPosition(kRun);
}

bool WaveformWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ScaleText && event->type() == QEvent::MouseButtonPress) {
        iKnob1->setFocus();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// The frame at a time of the view, within the recording.
std::uint64_t WaveformWindow::frameAt(double seconds) const {
    const PlaybackSession& session = player_.session();
    return std::min(session.clock().framesAt(seconds), session.snapshot().length);
}

void WaveformWindow::follow(std::uint64_t frame, bool atEnd) {
    follower_.follow(frame, atEnd);
}

void WaveformWindow::shadeSilences(bool shaded) {
    std::vector<StripChart::Span> spans;
    if (shaded) {
        const FrameClock& clock = player_.session().clock();
        for (const FrameSpan& silence : player_.state().silences.silences())
            spans.push_back({clock.secondsOf(silence.begin), clock.secondsOf(silence.end)});
    }
    iStripChart1->setShadedSpans(std::move(spans));
}

void WaveformWindow::iKnob1PositionChange() {
    const double centre =
        iStripChart1->xMinimum() + (iStripChart1->xMaximum() - iStripChart1->xMinimum()) * 0.5;
    follower_.setScale(iKnob1->positionFraction());
    // Centred again on the whole second at the view's centre.
    follower_.follow(frameAt(std::floor(centre)), false);
}

void WaveformWindow::iSwitchSlider1PositionChange() {
    const int mode = iSwitchSlider1->position();
    if (mode == kZoom || mode == kScroll)
        enterZoomOrScroll(mode);
    else
        enterRun();
    if (playbackChanged)
        playbackChanged();
}

void WaveformWindow::enterZoomOrScroll(int mode) {
    PlaybackSession& session = player_.session();
    iStripChart1->RemoveAllVerticalLines();
    const PlaybackSnapshot shown = session.snapshot();
    if (shown.loopPlaying())
        session.togglePlayLoop();
    else if (shown.playing())
        session.stop();
    if (!zoomingOrScrolling()) {
        // The view is the user's now: play and loop play wait until Run.
        iKnob1->setEnabled(false);
        session.setBrowsing(true);
        DownLeftBtn->setEnabled(true);
        UpRightBtn->setEnabled(true);
    }
    if (mode == kZoom) {
        iStripChart1->setToolBarMode(StripChart::iscmZoomX);
        DownLeftBtn->setIcon(zoomin->icon());
        DownLeftBtn->setText("Zoom &In");
        UpRightBtn->setIcon(zoomout->icon());
        UpRightBtn->setText("Zoom &Out");
    } else {
        iStripChart1->setToolBarMode(StripChart::iscmScrollX);
        DownLeftBtn->setIcon(scrollLeft->icon());
        DownLeftBtn->setText("Scroll &Left");
        UpRightBtn->setIcon(scrollRight->icon());
        UpRightBtn->setText("Scroll &Right");
    }
    DownLeftBtn->setAccessibleName(DownLeftBtn->text().remove('&'));
    UpRightBtn->setAccessibleName(UpRightBtn->text().remove('&'));
}

void WaveformWindow::enterRun() {
    PlaybackSession& session = player_.session();
    session.setBrowsing(false);
    iKnob1->setEnabled(true);
    DownLeftBtn->setEnabled(false);
    UpRightBtn->setEnabled(false);

    const double minimum = iStripChart1->xMinimum();
    const double maximum = iStripChart1->xMaximum();
    const double centre = minimum + (maximum - minimum) * 0.5;
    // The play position moves to the centre of the view, within the recording at both ends.
    session.moveTo(frameAt(centre));
    iStripChart1->setToolBarMode(StripChart::iscmPlot);
    showSpan(minimum, maximum, centre);
}

void WaveformWindow::DownLeftBtnClick() {
    if (iSwitchSlider1->position() == kZoom) {
        iStripChart1->ZoomXAxis(0.5);
        return;
    }
    const double half = (iStripChart1->xMaximum() - iStripChart1->xMinimum()) * 0.5;
    iStripChart1->BeginUpdate();
    iStripChart1->setXRange(iStripChart1->xMinimum() - half, iStripChart1->xMaximum() - half);
    iStripChart1->EndUpdate();
}

void WaveformWindow::UpRightBtnClick() {
    if (iSwitchSlider1->position() == kZoom)
        iStripChart1->ZoomXAxis(2);
    else
        iStripChart1->ScrollXAxis((iStripChart1->xMaximum() - iStripChart1->xMinimum()) * 0.5);
}

bool WaveformWindow::zoomingOrScrolling() const {
    return iStripChart1->toolBarMode() != StripChart::iscmPlot;
}

void WaveformWindow::iStripChart1Click() {
    const PlayerState& state = player_.state();
    PlaybackSession& session = player_.session();
    if (zoomingOrScrolling() || session.snapshot().loopPlaying() || state.options.viewerMode != 0 ||
        state.options.keywordMode != 2)
        return;
    // The sound waits while the keyword is written, at the position where the chart was clicked.
    session.setHeld(true);
    if (annotate)
        annotate();
    session.setHeld(false);
}

} // namespace kestrum
