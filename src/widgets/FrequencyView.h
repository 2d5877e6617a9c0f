#pragma once

#include <QImage>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace kestrum {

// What a spectrogram view draws: columns of levels (0 to 255) at a fixed number per second, each
// with the same rows from 0 Hz up to a top frequency.
class FrequencySource {
  public:
    virtual ~FrequencySource() = default;
    virtual double columnsPerSecond() const = 0;
    virtual std::size_t columnCount() const = 0;
    virtual std::size_t rowCount() const = 0;
    virtual double topFrequency() const = 0;
    // The loudest level of each row over columns [first, last), into `rows` (rowCount() values).
    virtual void loudest(std::size_t first, std::size_t last, std::uint8_t* rows) const = 0;
};

// A spectrogram against time: a settable time range (laid out as a strip chart's, so the two line
// up one above the other), frequency from 0 at the bottom to the source's top, level as colour
// (dark blue for quiet through red and yellow to white for loud), the play position as a line.
// Each pixel column shows the loudest of the columns it covers, so drawing costs the same whatever
// the span shown.
class FrequencyView : public QWidget {
    Q_OBJECT

  public:
    explicit FrequencyView(QWidget* parent = nullptr);

    void setSource(const FrequencySource* source);
    void setXRange(double minimum, double maximum);
    void setCursor(std::optional<double> seconds);
    double xMinimum() const { return xMin_; }
    double xMaximum() const { return xMax_; }

    // Draws the view into `area` of any painter (the widget, an image).
    void render(QPainter& painter, const QRect& area) const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void drawColumns(QPainter& painter, const QRect& plot) const;

    const FrequencySource* source_ = nullptr;
    double xMin_ = 0.0;
    double xMax_ = 10.0;
    std::optional<double> cursor_;
    mutable QImage image_; // kept between draws so that drawing allocates nothing
};

} // namespace kestrum
