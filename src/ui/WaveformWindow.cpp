#include "ui/WaveformWindow.h"

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

WaveformWindow::WaveformWindow(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      follower_(*this, 0) {
    setObjectName("waveformWindow");
    setWindowTitle("Audio Wave Form");

    waveformChart_ = new StripChart(this);
    waveformChart_->setObjectName("waveformChart");
    waveformChart_->setToolTip("Click Left Mouse to Add an Annotation");
    waveformChart_->setAccessibleDescription(waveformChart_->toolTip());
    waveformChart_->setXAxisTitle("Seconds");
    waveformChart_->setXRange(0, 10);
    waveformChart_->setMinimumSize(612, 308);

    spectrogramView_ = new FrequencyView(this);
    spectrogramView_->setObjectName("spectrogramView");
    spectrogramView_->setMinimumHeight(kSpectrogramHeight);
    spectrogramView_->setVisible(false);
    spectrogramCheckBox_ = new QCheckBox("Spectro&gram", this);
    spectrogramCheckBox_->setObjectName("spectrogramCheckBox");
    spectrogramCheckBox_->setToolTip("Shows the call's frequencies under the wave form: level as colour");
    spectrogramCheckBox_->setAccessibleDescription(spectrogramCheckBox_->toolTip());

    scaleKnob_ = new Knob(this);
    scaleKnob_->setObjectName("scaleKnob");
    scaleKnob_->setMaximumPosition(100);
    scaleKnob_->setPosition(1);
    scaleKnob_->setToolTip("Changes the Scale on the Strip Chart");
    scaleKnob_->setAccessibleName("Scale");
    scaleKnob_->setAccessibleDescription(scaleKnob_->toolTip());
    scaleLabel_ = new QLabel("&Scale", this);
    scaleLabel_->setObjectName("scaleLabel");
    scaleLabel_->setBuddy(scaleKnob_);
    scaleLabel_->installEventFilter(this);

    viewModeSwitch_ = new SwitchSlider(this);
    viewModeSwitch_->setObjectName("viewModeSwitch");
    viewModeSwitch_->setPositionLabels("Run,Zoom,Scroll");
    viewModeSwitch_->setPositionQuietly(kRun);
    viewModeSwitch_->slider()->setAccessibleName("View mode");

    zoomInOrLeftButton_ = new QPushButton(this);
    zoomInOrLeftButton_->setObjectName("zoomInOrLeftButton");
    zoomInOrLeftButton_->setEnabled(false);
    zoomOutOrRightButton_ = new QPushButton(this);
    zoomOutOrRightButton_->setObjectName("zoomOutOrRightButton");
    zoomOutOrRightButton_->setEnabled(false);
    closeButton_ = new QPushButton("&Close Window", this);
    closeButton_->setObjectName("closeButton");
    closeButton_->setAccessibleName("Close Window");
    closeButton_->setToolTip("Closes this Window");

    auto* layout = new QHBoxLayout(this);
    auto* traces = new QVBoxLayout;
    traces->addWidget(waveformChart_, 1);
    traces->addWidget(spectrogramView_);
    layout->addLayout(traces, 1);
    auto* controls = new QVBoxLayout;
    auto* knobRow = new QHBoxLayout;
    knobRow->addWidget(scaleKnob_);
    knobRow->addWidget(scaleLabel_);
    controls->addLayout(knobRow);
    controls->addWidget(viewModeSwitch_);
    controls->addWidget(spectrogramCheckBox_);
    controls->addWidget(zoomInOrLeftButton_);
    controls->addWidget(zoomOutOrRightButton_);
    controls->addStretch(1);
    controls->addWidget(closeButton_);
    layout->addLayout(controls);
    resize(747, 348);

    connect(scaleKnob_, &Knob::positionChanged, this, &WaveformWindow::scaleChanged);
    connect(viewModeSwitch_, &SwitchSlider::positionChanged, this, &WaveformWindow::viewModeChanged);
    connect(zoomInOrLeftButton_, &QPushButton::clicked, this, &WaveformWindow::zoomInOrScrollLeft);
    connect(zoomOutOrRightButton_, &QPushButton::clicked, this, &WaveformWindow::zoomOutOrScrollRight);
    connect(closeButton_, &QPushButton::clicked, this, &QWidget::hide);
    connect(waveformChart_, &StripChart::clicked, this, &WaveformWindow::chartClicked);
    // The spectrogram shows what the chart shows, however its view was moved.
    connect(waveformChart_, &StripChart::xRangeChanged, spectrogramView_, &FrequencyView::setXRange);
    connect(spectrogramCheckBox_, &QCheckBox::toggled, this, &WaveformWindow::spectrogramToggled);
}

void WaveformWindow::setSeries(const StripChartSeries* series, std::uint32_t framesPerSecond) {
    waveformChart_->setSeries(series);
    follower_.setFramesPerSecond(framesPerSecond);
}

void WaveformWindow::place(int left, int top) {
    moveWithinScreen(*this, left, top);
    placed_ = true;
}

void WaveformWindow::setKnobPosition(double position) {
    scaleKnob_->setPosition(position);
}

double WaveformWindow::knobPosition() const {
    return scaleKnob_->position();
}

void WaveformWindow::showSpan(double minimum, double maximum, double cursor) {
    waveformChart_->beginUpdate();
    waveformChart_->removeAllVerticalLines();
    waveformChart_->setXRange(minimum, maximum);
    waveformChart_->addVerticalLine(cursor, kPlayLineColour, 2, StripChart::Solid);
    waveformChart_->endUpdate();
    spectrogramView_->setCursor(cursor);
}

void WaveformWindow::hideEvent(QHideEvent* event) {
    // A hidden window is back in Run.
    QWidget::hideEvent(event);
    viewModeSwitch_->setPosition(kRun);
}

bool WaveformWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == scaleLabel_ && event->type() == QEvent::MouseButtonPress) {
        scaleKnob_->setFocus();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void WaveformWindow::follow(std::uint64_t frame, bool atEnd) {
    follower_.follow(frame, atEnd);
}

void WaveformWindow::samplesAdded() {
    if (isVisible())
        waveformChart_->update();
}

void WaveformWindow::shadeSilences(std::vector<StripChart::Span> silences) {
    waveformChart_->setShadedSpans(std::move(silences));
}

void WaveformWindow::showCallAnalysis(std::vector<StripChart::Span> keyPresses,
                                      const FrequencySource* spectrogram) {
    waveformChart_->setMarkedSpans(std::move(keyPresses));
    spectrogramView_->setSource(spectrogram);
}

// The window grows by the spectrogram's height as it appears, and gives it back as it goes.
void WaveformWindow::spectrogramToggled(bool shown) {
    if (shown == spectrogramView_->isVisible())
        return;
    if (shown) {
        heightWithoutSpectrogram_ = height();
        emit spectrogramWanted();
    }
    spectrogramView_->setVisible(shown);
    layout()->activate(); // the window's least size, with or without the view, before the resize
    resize(width(), shown ? height() + kSpectrogramHeight + layout()->spacing() : heightWithoutSpectrogram_);
}

void WaveformWindow::scaleChanged() {
    const double centre =
        waveformChart_->xMinimum() + (waveformChart_->xMaximum() - waveformChart_->xMinimum()) * 0.5;
    follower_.setScale(scaleKnob_->positionFraction());
    // Centred again on the whole second at the view's centre.
    emit centreWanted(std::floor(centre));
}

void WaveformWindow::viewModeChanged() {
    const int mode = viewModeSwitch_->position();
    if (mode == kZoom || mode == kScroll)
        enterZoomOrScroll(mode);
    else
        enterRun();
    emit playbackChanged();
}

void WaveformWindow::enterZoomOrScroll(int mode) {
    waveformChart_->removeAllVerticalLines();
    spectrogramView_->setCursor(std::nullopt);
    // The view is the user's now: play and loop play wait until Run.
    emit browsingStarted(!zoomingOrScrolling());
    if (!zoomingOrScrolling()) {
        scaleKnob_->setEnabled(false);
        zoomInOrLeftButton_->setEnabled(true);
        zoomOutOrRightButton_->setEnabled(true);
    }
    if (mode == kZoom) {
        waveformChart_->setToolBarMode(StripChart::ZoomX);
        zoomInOrLeftButton_->setIcon(standardIcon(QStyle::SP_ArrowDown));
        zoomInOrLeftButton_->setText("Zoom &In");
        zoomOutOrRightButton_->setIcon(standardIcon(QStyle::SP_ArrowUp));
        zoomOutOrRightButton_->setText("Zoom &Out");
    } else {
        waveformChart_->setToolBarMode(StripChart::ScrollX);
        zoomInOrLeftButton_->setIcon(standardIcon(QStyle::SP_ArrowLeft));
        zoomInOrLeftButton_->setText("Scroll &Left");
        zoomOutOrRightButton_->setIcon(standardIcon(QStyle::SP_ArrowRight));
        zoomOutOrRightButton_->setText("Scroll &Right");
    }
    zoomInOrLeftButton_->setAccessibleName(zoomInOrLeftButton_->text().remove('&'));
    zoomOutOrRightButton_->setAccessibleName(zoomOutOrRightButton_->text().remove('&'));
}

void WaveformWindow::enterRun() {
    scaleKnob_->setEnabled(true);
    zoomInOrLeftButton_->setEnabled(false);
    zoomOutOrRightButton_->setEnabled(false);

    const double minimum = waveformChart_->xMinimum();
    const double maximum = waveformChart_->xMaximum();
    const double centre = minimum + (maximum - minimum) * 0.5;
    // The play position moves to the centre of the view, within the recording at both ends.
    emit runResumedAt(centre);
    waveformChart_->setToolBarMode(StripChart::Plot);
    showSpan(minimum, maximum, centre);
}

void WaveformWindow::zoomInOrScrollLeft() {
    if (viewModeSwitch_->position() == kZoom) {
        waveformChart_->zoomXAxis(0.5);
        return;
    }
    const double half = (waveformChart_->xMaximum() - waveformChart_->xMinimum()) * 0.5;
    waveformChart_->beginUpdate();
    waveformChart_->setXRange(waveformChart_->xMinimum() - half, waveformChart_->xMaximum() - half);
    waveformChart_->endUpdate();
}

void WaveformWindow::zoomOutOrScrollRight() {
    if (viewModeSwitch_->position() == kZoom)
        waveformChart_->zoomXAxis(2);
    else
        waveformChart_->scrollXAxis((waveformChart_->xMaximum() - waveformChart_->xMinimum()) * 0.5);
}

bool WaveformWindow::zoomingOrScrolling() const {
    return waveformChart_->toolBarMode() != StripChart::Plot;
}

void WaveformWindow::chartClicked() {
    if (zoomingOrScrolling() || !annotationAllowed_)
        return;
    // The sound waits while the keyword is written, at the position where the chart was clicked.
    emit soundHeld(true);
    emit annotateRequested();
    emit soundHeld(false);
}

} // namespace kestrum
