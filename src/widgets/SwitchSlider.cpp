#include "widgets/SwitchSlider.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kestrum {

SwitchSlider::SwitchSlider(QWidget* parent)
    : QWidget(parent), slider_(new QSlider(Qt::Horizontal, this)), labelRow_(new QWidget(this)) {
    slider_->setTickPosition(QSlider::TicksBelow);
    slider_->setTickInterval(1);
    slider_->setPageStep(1);
    slider_->setSingleStep(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(slider_);
    layout->addWidget(labelRow_);
    new QHBoxLayout(labelRow_);
    labelRow_->layout()->setContentsMargins(0, 0, 0, 0);
    setFocusProxy(slider_);
    connect(slider_, &QSlider::valueChanged, this, &SwitchSlider::positionChanged);
}

void SwitchSlider::setPositionLabels(const QString& commaSeparated) {
    labels_ = commaSeparated.split(',');
    {
        const QSignalBlocker quiet(slider_);
        slider_->setRange(0, static_cast<int>(labels_.size()) - 1);
    }
    QLayout* row = labelRow_->layout();
    while (QLayoutItem* item = row->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (qsizetype i = 0; i < labels_.size(); ++i) {
        auto* label = new QLabel(labels_[i].trimmed(), labelRow_);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(i == 0                    ? Qt::AlignLeft
                            : i == labels_.size() - 1 ? Qt::AlignRight
                                                      : Qt::AlignHCenter);
        row->addWidget(label);
    }
}

void SwitchSlider::setPosition(int position) {
    slider_->setValue(position);
}

void SwitchSlider::setPositionQuietly(int position) {
    const QSignalBlocker quiet(slider_);
    slider_->setValue(position);
}

} // namespace kestrum
