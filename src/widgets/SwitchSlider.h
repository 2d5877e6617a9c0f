#pragma once

#include <QSlider>
#include <QStringList>
#include <QWidget>

class QLabel;

namespace kestrum {

// A switch with a few labelled positions (a slider that stops only at them). The position is an
// integer from 0 to the number of labels less one; changing it, by hand or in code, signals
// positionChanged unless signals are blocked. Screen readers see the inner slider.
class SwitchSlider : public QWidget {
    Q_OBJECT

  public:
    explicit SwitchSlider(QWidget* parent = nullptr);

    // The labels, one per position, in the "a,b,c" form the player's switches are given.
    void setPositionLabels(const QString& commaSeparated);
    QStringList positionLabels() const { return labels_; }

    int position() const { return slider_->value(); }
    void setPosition(int position);
    // Sets the position without signalling the change.
    void setPositionQuietly(int position);

    QSlider* slider() const { return slider_; }

  signals:
    void positionChanged(int position);

  private:
    QSlider* slider_;
    QWidget* labelRow_;
    QStringList labels_;
};

} // namespace kestrum
