#include "audio/FfmpegHandles.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/frame.h>
#include <libavutil/mem.h>
#include <libavutil/tx.h>
#include <libswresample/swresample.h>
}

namespace kestrum {

void FrameFree::operator()(AVFrame* frame) const {
    av_frame_free(&frame);
}

void AudioFifoFree::operator()(AVAudioFifo* fifo) const {
    av_audio_fifo_free(fifo);
}

void TransformFree::operator()(AVTXContext* transform) const {
    av_tx_uninit(&transform);
}

void ResamplerContextFree::operator()(SwrContext* context) const {
    swr_free(&context);
}

void SamplePlanesFree::operator()(std::uint8_t** planes) const {
    av_freep(&planes[0]);
    av_freep(&planes);
}

FrameOwner allocateFrame() {
    return FrameOwner(av_frame_alloc());
}

} // namespace kestrum
