// kestrum_chart_bench: loads a recording as the player does, then times what the waveform window
// adds to it: building the peak summaries and the spectrogram summary of the store, finding its key
// presses, and drawing the strip chart and the spectrogram into offscreen images at views from a
// tenth of a second to the whole recording. Prints one `name=value` line each, for bench/run.sh.

#include "RecordingLoad.h"
#include "StoreSeries.h"

#include "audio/FrequencySummary.h"
#include "audio/KeyPresses.h"
#include "audio/PeakSummary.h"
#include "audio/SampleStore.h"
#include "recording/WaveFormat.h"
#include "widgets/FrequencyView.h"
#include "widgets/StripChart.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Options {
    std::string path;
    int width = 612; // the waveform window's chart
    int height = 308;
    int spectrogramHeight = 150; // the waveform window's spectrogram
    int warmUps = 5;
    int draws = 41;
};

// A time range of the chart; a span of 0 stands for the whole recording.
struct View {
    const char* name;
    double span;
};
const std::vector<View> kViews = {{"0.1s", 0.1}, {"1s", 1},     {"10s", 10},
                                  {"60s", 60},   {"600s", 600}, {"whole", 0}};

template <typename Work> double secondsOf(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Narrow views sit in the middle of the recording, where every column has points on both sides.
void showView(kestrum::StripChart& chart, const View& view, double duration) {
    if (view.span == 0) {
        chart.setXRange(0, duration);
        return;
    }
    const double start = duration / 2 - view.span / 2;
    chart.setXRange(start, start + view.span);
}

void draw(const kestrum::StripChart& chart, QImage& image) {
    QPainter painter(&image);
    chart.render(painter, image.rect());
}

// Pixels that drawing the series changes, so that a view which draws no trace fails rather than
// timing an empty chart.
int tracePixels(kestrum::StripChart& chart, const kestrum::StripChartSeries& series, QImage& image) {
    chart.setSeries(nullptr);
    draw(chart, image);
    const QImage withoutTrace = image.copy();
    chart.setSeries(&series);
    draw(chart, image);
    int changed = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            changed += image.pixel(x, y) != withoutTrace.pixel(x, y);
    return changed;
}

// The spectrogram summary as the waveform window gives it to the view.
class SummarySource : public kestrum::FrequencySource {
  public:
    SummarySource(const kestrum::FrequencySummary& summary, double framesPerSecond)
        : summary_(summary), framesPerSecond_(framesPerSecond) {}
    double columnsPerSecond() const override {
        return framesPerSecond_ / static_cast<double>(summary_.framesPerColumn());
    }
    std::size_t columnCount() const override { return summary_.columnCount(); }
    std::size_t rowCount() const override { return kestrum::FrequencySummary::kRows; }
    double topFrequency() const override { return summary_.topFrequency(); }
    void loudest(std::size_t first, std::size_t last, std::uint8_t* rows) const override {
        const kestrum::FrequencySummary::Column column = summary_.loudest(first, last);
        std::copy(column.begin(), column.end(), rows);
    }

  private:
    const kestrum::FrequencySummary& summary_;
    double framesPerSecond_;
};

void drawSpectrogram(const kestrum::FrequencyView& view, QImage& image) {
    QPainter painter(&image);
    view.render(painter, image.rect());
}

// Pixels of the plot that are not black, so that a view which draws no spectrogram fails.
int spectrogramPixels(const kestrum::FrequencyView& view, QImage& image) {
    drawSpectrogram(view, image);
    const QRect plot = kestrum::StripChart::plotArea(image.rect()).adjusted(2, 0, -2, 0);
    int lit = 0;
    for (int y = 8; y < image.height() - 8; ++y)
        for (int x = plot.left(); x < plot.right(); ++x)
            lit += qGray(image.pixel(x, y)) > 20;
    return lit;
}

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const auto number = [&](int& into) {
            if (i + 1 >= argc)
                return false;
            into = std::atoi(argv[++i]);
            return into > 0;
        };
        bool ok = true;
        if (std::strcmp(argv[i], "--width") == 0)
            ok = number(options.width);
        else if (std::strcmp(argv[i], "--height") == 0)
            ok = number(options.height);
        else if (std::strcmp(argv[i], "--draws") == 0)
            ok = number(options.draws);
        else if (argv[i][0] != '-' && options.path.empty())
            options.path = argv[i];
        else
            ok = false;
        if (!ok)
            return false;
    }
    return !options.path.empty();
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: kestrum_chart_bench RECORDING.ZOQ [--width PIXELS] [--height PIXELS] "
                             "[--draws N]\n");
        return 2;
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    kestrum::SampleStore store;
    const bench::LoadResult load = bench::loadAsThePlayerDoes(options.path, store);
    if (load.failed != 0 || load.samples == 0 || load.samplesPerSecond <= 0) {
        std::fprintf(stderr, "kestrum_chart_bench: %s did not load\n", options.path.c_str());
        return 1;
    }

    // Built once, right after loading, as the player does: a later build in the same process runs
    // up to twice as fast as the first, which is the one the player pays for, so bench/run.sh
    // takes the median over runs of this program instead.
    kestrum::PeakSummary peaks;
    const double buildSeconds = secondsOf([&] { peaks.build(store.samples()); });

    // So is the rest of what the player works out from the whole call.
    kestrum::FrequencySummary spectrogram;
    const kestrum::WaveFormat format = load.format;
    const double spectrogramSeconds = secondsOf([&] { spectrogram.build(store.samples(), format); });
    std::size_t presses = 0;
    const double keyPressSeconds =
        secondsOf([&] { presses = kestrum::findKeyPresses(store.samples(), format).size(); });

    const bench::StoreSeries series(store, peaks, load.samplesPerSecond);
    const double duration = static_cast<double>(load.samples) / load.samplesPerSecond;
    kestrum::StripChart chart;
    chart.resize(options.width, options.height);
    QImage image(options.width, options.height, QImage::Format_ARGB32_Premultiplied);
    for (const View& view : kViews) {
        showView(chart, view, duration);
        if (tracePixels(chart, series, image) == 0) {
            std::fprintf(stderr, "kestrum_chart_bench: the %s view draws no trace\n", view.name);
            return 1;
        }
    }

    const SummarySource source(spectrogram, load.samplesPerSecond);
    kestrum::FrequencyView view;
    view.setSource(&source);
    view.resize(options.width, options.spectrogramHeight);
    QImage spectrogramImage(options.width, options.spectrogramHeight, QImage::Format_ARGB32_Premultiplied);
    for (const View& shown : kViews) {
        showView(chart, shown, duration);
        view.setXRange(chart.xMinimum(), chart.xMaximum());
        if (spectrogramPixels(view, spectrogramImage) == 0) {
            std::fprintf(stderr, "kestrum_chart_bench: the %s view draws no spectrogram\n", shown.name);
            return 1;
        }
    }

    // Views take turns, so a busy moment on the machine hits them alike.
    std::vector<std::vector<double>> drawSeconds(kViews.size());
    std::vector<std::vector<double>> spectrogramDrawSeconds(kViews.size());
    for (int round = 0; round < options.warmUps + options.draws; ++round) {
        for (std::size_t v = 0; v < kViews.size(); ++v) {
            showView(chart, kViews[v], duration);
            view.setXRange(chart.xMinimum(), chart.xMaximum());
            const double seconds = secondsOf([&] { draw(chart, image); });
            const double spectrogramDraw = secondsOf([&] { drawSpectrogram(view, spectrogramImage); });
            if (round >= options.warmUps) {
                drawSeconds[v].push_back(seconds);
                spectrogramDrawSeconds[v].push_back(spectrogramDraw);
            }
        }
    }

    std::printf("file=%s\n", options.path.c_str());
    std::printf("load_seconds=%.6f\n", load.seconds);
    std::printf("samples=%zu\n", load.samples);
    std::printf("points_per_second=%g\n", load.samplesPerSecond);
    std::printf("peaks_bytes=%zu\n", peaks.bytesUsed());
    std::printf("peaks_build_seconds=%.6f\n", buildSeconds);
    std::printf("chart_size=%dx%d\n", options.width, options.height);
    std::size_t slowest = 0;
    std::vector<double> medians;
    for (std::size_t v = 0; v < kViews.size(); ++v) {
        medians.push_back(median(drawSeconds[v]));
        std::printf("draw_seconds_%s=%.6f\n", kViews[v].name, medians[v]);
        if (medians[v] > medians[slowest])
            slowest = v;
    }
    std::printf("draw_seconds_narrowest=%.6f\n", medians.front());
    std::printf("draw_seconds_widest=%.6f\n", medians.back());
    std::printf("draw_widest_over_narrowest=%.3f\n", medians.back() / medians.front());
    std::printf("draw_slowest_view=%s\n", kViews[slowest].name);
    std::printf("draw_seconds_slowest=%.6f\n", medians[slowest]);

    std::printf("spectrogram_bytes=%zu\n", spectrogram.bytesUsed());
    std::printf("spectrogram_build_seconds=%.6f\n", spectrogramSeconds);
    std::printf("key_presses=%zu\n", presses);
    std::printf("key_presses_seconds=%.6f\n", keyPressSeconds);
    std::printf("spectrogram_size=%dx%d\n", options.width, options.spectrogramHeight);
    std::vector<double> spectrogramMedians;
    for (std::size_t v = 0; v < kViews.size(); ++v) {
        spectrogramMedians.push_back(median(spectrogramDrawSeconds[v]));
        std::printf("spectrogram_draw_seconds_%s=%.6f\n", kViews[v].name, spectrogramMedians[v]);
    }
    std::printf("spectrogram_draw_widest_over_narrowest=%.3f\n",
                spectrogramMedians.back() / spectrogramMedians.front());
    return 0;
}
