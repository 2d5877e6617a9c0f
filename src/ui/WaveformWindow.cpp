#include "ui/WaveformWindow.h"

#include "app/PlayerState.h"
#include "ui/SideWindow.h"
#include "widgets/Knob.h"
#include "widgets/SwitchSlider.h"

#include <QApplication>
#include <QCheckBox>
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
constexpr int kSpectrogramHeight = 150;

QIcon standardIcon(QStyle::StandardPixmap glyph) {
    return QApplication::style()->standardIcon(glyph);
}

} // namespace

// One point a byte of the store, so seconds are the frames' seconds whatever a frame holds.
double SampleStoreSeries::pointsPerSecond() const {
    const FrameClock& clock = session_.clock();
    return static_cast<double>(clock.framesPerSecond()) * clock.frameBytes();
}

// While the call loads, what the peak summaries have taken in so far: the chart and its
// summaries grow together.
std::size_t SampleStoreSeries::pointCount() const {
    return state_.peaks.sampleCount();
}

std::uint8_t SampleStoreSeries::point(std::size_t index) const {
    return state_.store.sample(index);
}

StripChartSeries::Range SampleStoreSeries::range(std::size_t first, std::size_t last) const {
    const PlayerState& state = state_;
    const SampleRange found = state.peaks.range(state.store.samples().first(pointCount()), first, last);
    return {found.low, found.high};
}

double FrequencySummarySource::columnsPerSecond() const {
    const std::uint64_t frames = state_.spectrogram.framesPerColumn();
    return frames > 0 ? static_cast<double>(session_.clock().framesPerSecond()) / static_cast<double>(frames)
                      : 0;
}

std::size_t FrequencySummarySource::columnCount() const {
    return state_.spectrogram.columnCount();
}

std::size_t FrequencySummarySource::rowCount() const {
    return FrequencySummary::kRows;
}

double FrequencySummarySource::topFrequency() const {
    return state_.spectrogram.topFrequency();
}

void FrequencySummarySource::loudest(std::size_t first, std::size_t last, std::uint8_t* rows) const {
    const FrequencySummary::Column column = state_.spectrogram.loudest(first, last);
    std::copy(column.begin(), column.end(), rows);
}

WaveformWindow::WaveformWindow(const PlayerState& state, PlaybackSession& session, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      state_(state), session_(session), series_(state, session), spectrogram_(state, session),
      follower_(*this, state.recording.playbackFormat.samplesPerSec) {
    setObjectName("waveformWindow");
    setWindowTitle("Audio Wave Form");

    waveformChart = new StripChart(this);
    waveformChart->setObjectName("waveformChart");
    waveformChart->setToolTip("Click Left Mouse to Add an Annotation");
    waveformChart->setAccessibleDescription(waveformChart->toolTip());
    waveformChart->setXAxisTitle("Seconds");
    waveformChart->setXRange(0, 10);
    waveformChart->setSeries(&series_);
    waveformChart->setMinimumSize(612, 308);

    spectrogramView = new FrequencyView(this);
    spectrogramView->setObjectName("spectrogramView");
    spectrogramView->setMinimumHeight(kSpectrogramHeight);
    spectrogramView->setVisible(false);
    spectrogramCheckBox = new QCheckBox("Spectro&gram", this);
    spectrogramCheckBox->setObjectName("spectrogramCheckBox");
    spectrogramCheckBox->setToolTip("Shows the call's frequencies under the wave form: level as colour");
    spectrogramCheckBox->setAccessibleDescription(spectrogramCheckBox->toolTip());

    scaleKnob = new Knob(this);
    scaleKnob->setObjectName("scaleKnob");
    scaleKnob->setMaximumPosition(100);
    scaleKnob->setPosition(1);
    scaleKnob->setToolTip("Changes the Scale on the Strip Chart");
    scaleKnob->setAccessibleName("Scale");
    scaleKnob->setAccessibleDescription(scaleKnob->toolTip());
    scaleLabel = new QLabel("&Scale", this);
    scaleLabel->setObjectName("scaleLabel");
    scaleLabel->setBuddy(scaleKnob);
    scaleLabel->installEventFilter(this);

    viewModeSwitch = new SwitchSlider(this);
    viewModeSwitch->setObjectName("viewModeSwitch");
    viewModeSwitch->setPositionLabels("Run,Zoom,Scroll");
    viewModeSwitch->setPositionQuietly(kRun);
    viewModeSwitch->slider()->setAccessibleName("View mode");

    zoomInOrLeftButton = new QPushButton(this);
    zoomInOrLeftButton->setObjectName("zoomInOrLeftButton");
    zoomInOrLeftButton->setEnabled(false);
    zoomOutOrRightButton = new QPushButton(this);
    zoomOutOrRightButton->setObjectName("zoomOutOrRightButton");
    zoomOutOrRightButton->setEnabled(false);
    closeButton = new QPushButton("&Close Window", this);
    closeButton->setObjectName("closeButton");
    closeButton->setAccessibleName("Close Window");
    closeButton->setToolTip("Closes this Window");

    auto* layout = new QHBoxLayout(this);
    auto* traces = new QVBoxLayout;
    traces->addWidget(waveformChart, 1);
    traces->addWidget(spectrogramView);
    layout->addLayout(traces, 1);
    auto* controls = new QVBoxLayout;
    auto* knobRow = new QHBoxLayout;
    knobRow->addWidget(scaleKnob);
    knobRow->addWidget(scaleLabel);
    controls->addLayout(knobRow);
    controls->addWidget(viewModeSwitch);
    controls->addWidget(spectrogramCheckBox);
    controls->addWidget(zoomInOrLeftButton);
    controls->addWidget(zoomOutOrRightButton);
    controls->addStretch(1);
    controls->addWidget(closeButton);
    layout->addLayout(controls);
    resize(747, 348);

    connect(scaleKnob, &Knob::positionChanged, this, &WaveformWindow::scaleChanged);
    connect(viewModeSwitch, &SwitchSlider::positionChanged, this, &WaveformWindow::viewModeChanged);
    connect(zoomInOrLeftButton, &QPushButton::clicked, this, &WaveformWindow::zoomInOrScrollLeft);
    connect(zoomOutOrRightButton, &QPushButton::clicked, this, &WaveformWindow::zoomOutOrScrollRight);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);
    connect(waveformChart, &StripChart::clicked, this, &WaveformWindow::chartClicked);
    // The spectrogram shows what the chart shows, however its view was moved.
    connect(waveformChart, &StripChart::xRangeChanged, spectrogramView, &FrequencyView::setXRange);
    connect(spectrogramCheckBox, &QCheckBox::toggled, this, &WaveformWindow::spectrogramToggled);
}

void WaveformWindow::place(int left, int top) {
    moveWithinScreen(*this, left, top);
    placed_ = true;
}

void WaveformWindow::setKnobPosition(double position) {
    scaleKnob->setPosition(position);
}

void WaveformWindow::showSpan(double minimum, double maximum, double cursor) {
    waveformChart->beginUpdate();
    waveformChart->removeAllVerticalLines();
    waveformChart->setXRange(minimum, maximum);
    waveformChart->addVerticalLine(cursor, kPlayLineColour, 2, StripChart::Solid);
    waveformChart->endUpdate();
    spectrogramView->setCursor(cursor);
}

void WaveformWindow::hideEvent(QHideEvent* event) {
    // A hidden window is back in Run.
    QWidget::hideEvent(event);
    viewModeSwitch->setPosition(kRun);
}

bool WaveformWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == scaleLabel && event->type() == QEvent::MouseButtonPress) {
        scaleKnob->setFocus();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// The frame at a time of the view, within the recording.
std::uint64_t WaveformWindow::frameAt(double seconds) const {
    const PlaybackSession& session = session_;
    return std::min(session.clock().framesAt(seconds), session.snapshot().length);
}

void WaveformWindow::follow(std::uint64_t frame, bool atEnd) {
    follower_.follow(frame, atEnd);
}

void WaveformWindow::samplesAdded() {
    if (isVisible())
        waveformChart->update();
}

void WaveformWindow::shadeSilences(bool shaded) {
    std::vector<StripChart::Span> spans;
    if (shaded) {
        const FrameClock& clock = session_.clock();
        for (const FrameSpan& silence : state_.silences.silences())
            spans.push_back({clock.secondsOf(silence.begin), clock.secondsOf(silence.end)});
    }
    waveformChart->setShadedSpans(std::move(spans));
}

void WaveformWindow::showCallAnalysis() {
    const FrameClock& clock = session_.clock();
    std::vector<StripChart::Span> marks;
    for (const FrameSpan& press : state_.keyPresses)
        marks.push_back({clock.secondsOf(press.begin), clock.secondsOf(press.end)});
    waveformChart->setMarkedSpans(std::move(marks));
    spectrogramView->setSource(&spectrogram_);
}

// The window grows by the spectrogram's height as it appears, and gives it back as it goes.
void WaveformWindow::spectrogramToggled(bool shown) {
    if (shown == spectrogramView->isVisible())
        return;
    if (shown) {
        heightWithoutSpectrogram_ = height();
        if (spectrogramWanted)
            spectrogramWanted();
    }
    spectrogramView->setVisible(shown);
    layout()->activate(); // the window's least size, with or without the view, before the resize
    resize(width(), shown ? height() + kSpectrogramHeight + layout()->spacing() : heightWithoutSpectrogram_);
}

void WaveformWindow::scaleChanged() {
    const double centre =
        waveformChart->xMinimum() + (waveformChart->xMaximum() - waveformChart->xMinimum()) * 0.5;
    follower_.setScale(scaleKnob->positionFraction());
    // Centred again on the whole second at the view's centre.
    follower_.follow(frameAt(std::floor(centre)), false);
}

void WaveformWindow::viewModeChanged() {
    const int mode = viewModeSwitch->position();
    if (mode == kZoom || mode == kScroll)
        enterZoomOrScroll(mode);
    else
        enterRun();
    if (playbackChanged)
        playbackChanged();
}

void WaveformWindow::enterZoomOrScroll(int mode) {
    PlaybackSession& session = session_;
    waveformChart->removeAllVerticalLines();
    spectrogramView->setCursor(std::nullopt);
    const PlaybackSnapshot shown = session.snapshot();
    if (shown.loopPlaying())
        session.togglePlayLoop();
    else if (shown.playing())
        session.stop();
    if (!zoomingOrScrolling()) {
        // The view is the user's now: play and loop play wait until Run.
        scaleKnob->setEnabled(false);
        session.setBrowsing(true);
        zoomInOrLeftButton->setEnabled(true);
        zoomOutOrRightButton->setEnabled(true);
    }
    if (mode == kZoom) {
        waveformChart->setToolBarMode(StripChart::ZoomX);
        zoomInOrLeftButton->setIcon(standardIcon(QStyle::SP_ArrowDown));
        zoomInOrLeftButton->setText("Zoom &In");
        zoomOutOrRightButton->setIcon(standardIcon(QStyle::SP_ArrowUp));
        zoomOutOrRightButton->setText("Zoom &Out");
    } else {
        waveformChart->setToolBarMode(StripChart::ScrollX);
        zoomInOrLeftButton->setIcon(standardIcon(QStyle::SP_ArrowLeft));
        zoomInOrLeftButton->setText("Scroll &Left");
        zoomOutOrRightButton->setIcon(standardIcon(QStyle::SP_ArrowRight));
        zoomOutOrRightButton->setText("Scroll &Right");
    }
    zoomInOrLeftButton->setAccessibleName(zoomInOrLeftButton->text().remove('&'));
    zoomOutOrRightButton->setAccessibleName(zoomOutOrRightButton->text().remove('&'));
}

void WaveformWindow::enterRun() {
    PlaybackSession& session = session_;
    session.setBrowsing(false);
    scaleKnob->setEnabled(true);
    zoomInOrLeftButton->setEnabled(false);
    zoomOutOrRightButton->setEnabled(false);

    const double minimum = waveformChart->xMinimum();
    const double maximum = waveformChart->xMaximum();
    const double centre = minimum + (maximum - minimum) * 0.5;
    // The play position moves to the centre of the view, within the recording at both ends.
    session.moveTo(frameAt(centre));
    waveformChart->setToolBarMode(StripChart::Plot);
    showSpan(minimum, maximum, centre);
}

void WaveformWindow::zoomInOrScrollLeft() {
    if (viewModeSwitch->position() == kZoom) {
        waveformChart->zoomXAxis(0.5);
        return;
    }
    const double half = (waveformChart->xMaximum() - waveformChart->xMinimum()) * 0.5;
    waveformChart->beginUpdate();
    waveformChart->setXRange(waveformChart->xMinimum() - half, waveformChart->xMaximum() - half);
    waveformChart->endUpdate();
}

void WaveformWindow::zoomOutOrScrollRight() {
    if (viewModeSwitch->position() == kZoom)
        waveformChart->zoomXAxis(2);
    else
        waveformChart->scrollXAxis((waveformChart->xMaximum() - waveformChart->xMinimum()) * 0.5);
}

bool WaveformWindow::zoomingOrScrolling() const {
    return waveformChart->toolBarMode() != StripChart::Plot;
}

void WaveformWindow::chartClicked() {
    const PlayerState& state = state_;
    PlaybackSession& session = session_;
    if (zoomingOrScrolling() || session.snapshot().loopPlaying() || state.options.viewerMode ||
        state.options.keywordMode != KeywordMode::Enabled)
        return;
    // The sound waits while the keyword is written, at the position where the chart was clicked.
    session.setHeld(true);
    if (annotate)
        annotate();
    session.setHeld(false);
}

} // namespace kestrum
