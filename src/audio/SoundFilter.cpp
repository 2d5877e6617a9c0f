#include "audio/SoundFilter.h"

#include "audio/FfmpegError.h"
#include "audio/FfmpegHandles.h"
#include "audio/FilterLibrary.h"
#include "platform/FormatText.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>

namespace kestrum {

namespace {

// The filters of each aid, in the order the sound meets them: noise goes before the leveller
// would raise it, and the tempo changes last, on the cleaned sound.
constexpr const char* kReduceNoise = "highpass=f=120,afftdn=nf=-40";
// Raises a quiet talker within a second or two and comes down for a loud one, linked across
// channels, with no look-ahead (so no delay); slow enough not to pump between words.
constexpr const char* kEvenVoices = "speechnorm=p=0.5:e=10:c=10:r=0.002:f=0.001:l=1";
constexpr const char* kTimeStretcher = "rubberband";

// A decimal number as FFmpeg's option parser reads it, whatever the locale says of commas.
std::string decimal(double value) {
    std::array<char, 32> text{};
    const auto end =
        std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, 4).ptr;
    return std::string(text.data(), end);
}

// Puts the filters of `chain` between the graph's two ends.
int parseChain(const FilterLibrary& library, AVFilterGraph* graph, const std::string& chain,
               AVFilterContext* source, AVFilterContext* sink) {
    // Each names the free end of the chain it meets: the chain's input is the source's output.
    FilterInOutOwner outputs(library.inoutAlloc(), {library.inoutFree});
    FilterInOutOwner inputs(library.inoutAlloc(), {library.inoutFree});
    if (outputs == nullptr || inputs == nullptr)
        return AVERROR(ENOMEM);
    outputs->name = av_strdup("in");
    outputs->filter_ctx = source;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink;
    // The parser takes the lists and gives back what it left unlinked, for the owners to free.
    AVFilterInOut* unlinkedInputs = inputs.release();
    AVFilterInOut* unlinkedOutputs = outputs.release();
    const int result = library.graphParse(graph, chain.c_str(), &unlinkedInputs, &unlinkedOutputs, nullptr);
    inputs.reset(unlinkedInputs);
    outputs.reset(unlinkedOutputs);
    return result;
}

} // namespace

struct SoundFilter::Graph {
    const FilterLibrary* library = nullptr;
    FilterGraphOwner graph;
    AVFilterContext* source = nullptr; // the graph's, freed with it
    AVFilterContext* sink = nullptr;
    AVChannelLayout layout{};
    AVSampleFormat sampleFormat = AV_SAMPLE_FMT_U8;
    int sampleRate = 0;
    ~Graph() { av_channel_layout_uninit(&layout); }
};

std::unique_ptr<SoundFilter> SoundFilter::open(const WaveFormat& format, const SoundFilterChoice& choice,
                                               double tempo, std::string& error) {
    if (format.tag != kTagPcm || (format.bitsPerSample != 8 && format.bitsPerSample != 16) ||
        format.channels == 0) {
        error = "the listening aids take 8-bit or 16-bit PCM only";
        return nullptr;
    }
    const FilterLibrary* library = FilterLibrary::get(error);
    if (library == nullptr)
        return nullptr;
    auto graph = std::make_unique<Graph>();
    graph->library = library;
    graph->sampleFormat = format.bitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
    graph->sampleRate = static_cast<int>(format.samplesPerSec);
    av_channel_layout_default(&graph->layout, format.channels);
    char layoutName[64] = {};
    av_channel_layout_describe(&graph->layout, layoutName, sizeof layoutName);
    const char* sampleName = av_get_sample_fmt_name(graph->sampleFormat);

    graph->graph = FilterGraphOwner(library->graphAlloc(), {library->graphFree});
    if (graph->graph == nullptr) {
        error = "out of memory for the sound filter";
        return nullptr;
    }
    // One thread: the graph runs on the sound renderer's thread, a little ahead of the device.
    graph->graph->nb_threads = 1;
    const std::string sourceArguments =
        formatText("time_base=1/%d:sample_rate=%d:sample_fmt=%s:channel_layout=%s", graph->sampleRate,
                   graph->sampleRate, sampleName, layoutName);
    int result = library->graphCreateFilter(&graph->source, library->getByName("abuffer"), "in",
                                            sourceArguments.c_str(), nullptr, graph->graph.get());
    if (result >= 0)
        result = library->graphCreateFilter(&graph->sink, library->getByName("abuffersink"), "out", nullptr,
                                            nullptr, graph->graph.get());
    if (result < 0) {
        error = "the sound filter's ends cannot be made: " + ffmpegErrorText(result);
        return nullptr;
    }

    std::string chain;
    const auto add = [&chain](const std::string& filters) { chain += (chain.empty() ? "" : ",") + filters; };
    if (choice.reduceNoise)
        add(kReduceNoise);
    if (choice.evenVoices)
        add(kEvenVoices);
    if (choice.keepPitch)
        add(std::string(kTimeStretcher) + "=tempo=" + decimal(tempo));
    // Out as it came in, so the device's format never changes.
    add(formatText("aformat=sample_fmts=%s:sample_rates=%d:channel_layouts=%s", sampleName, graph->sampleRate,
                   layoutName));

    result = parseChain(*library, graph->graph.get(), chain, graph->source, graph->sink);
    if (result >= 0)
        result = library->graphConfig(graph->graph.get(), nullptr);
    if (result < 0) {
        error = "the sound filter \"" + chain + "\" cannot be made: " + ffmpegErrorText(result);
        return nullptr;
    }
    const std::uint32_t frameBytes = std::uint32_t{format.channels} * (format.bitsPerSample / 8u);
    return std::unique_ptr<SoundFilter>(new SoundFilter(std::move(graph), frameBytes));
}

SoundFilter::SoundFilter(std::unique_ptr<Graph> graph, std::uint32_t frameBytes)
    : graph_(std::move(graph)), frameBytes_(frameBytes) {}

SoundFilter::~SoundFilter() = default;

bool SoundFilter::push(std::span<const std::uint8_t> frames) {
    const int count = static_cast<int>(frames.size() / frameBytes_);
    if (count == 0 || finished_)
        return true;
    const FrameOwner owned = allocateFrame();
    AVFrame* frame = owned.get();
    if (frame == nullptr)
        return false;
    frame->nb_samples = count;
    frame->format = graph_->sampleFormat;
    frame->sample_rate = graph_->sampleRate;
    frame->pts = nextTimestamp_;
    int result = av_channel_layout_copy(&frame->ch_layout, &graph_->layout);
    if (result >= 0)
        result = av_frame_get_buffer(frame, 0);
    if (result >= 0) {
        std::memcpy(frame->data[0], frames.data(), static_cast<std::size_t>(count) * frameBytes_);
        result = graph_->library->bufferSourceAdd(graph_->source, frame);
    }
    nextTimestamp_ += count;
    if (result < 0)
        return false;
    drainSink();
    return true;
}

void SoundFilter::finish() {
    if (finished_)
        return;
    finished_ = true;
    // The end of input: filters that hold sound back (the time-stretcher) give it up now.
    if (graph_->library->bufferSourceAdd(graph_->source, nullptr) >= 0)
        drainSink();
}

void SoundFilter::drainSink() {
    // Taken bytes leave the front; the queue is compacted before it grows.
    if (queueStart_ > 0 && queueStart_ * 2 >= queue_.size()) {
        queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(queueStart_));
        queueStart_ = 0;
    }
    const FrameOwner frame = allocateFrame();
    if (frame == nullptr)
        return;
    while (graph_->library->bufferSinkGet(graph_->sink, frame.get()) >= 0) {
        const std::size_t bytes = static_cast<std::size_t>(frame->nb_samples) * frameBytes_;
        queue_.insert(queue_.end(), frame->data[0], frame->data[0] + bytes);
        av_frame_unref(frame.get());
    }
}

std::size_t SoundFilter::take(std::span<std::uint8_t> out) {
    const std::size_t bytes = std::min(queuedBytes(), out.size() / frameBytes_ * frameBytes_);
    std::copy_n(queue_.begin() + static_cast<std::ptrdiff_t>(queueStart_), bytes, out.begin());
    queueStart_ += bytes;
    return bytes;
}

void SoundFilter::setTempo(double tempo) {
    graph_->library->graphSendCommand(graph_->graph.get(), kTimeStretcher, "tempo", decimal(tempo).c_str(),
                                      nullptr, 0, 0);
}

} // namespace kestrum
