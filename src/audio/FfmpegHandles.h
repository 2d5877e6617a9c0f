#pragma once

#include <cstdint>
#include <memory>

// FFmpeg's objects are named here only: a layer that holds one includes the library's own header
// where its CMake file links (or, in the audio layer, loads) that library.
struct AVAudioFifo;
struct AVCodecContext;
struct AVCodecParserContext;
struct AVFilterGraph;
struct AVFilterInOut;
struct AVFrame;
struct AVPacket;
struct AVTXContext;
struct SwrContext;

namespace kestrum {

// Every FFmpeg object the program makes is held by one of these owners, which frees it with the
// function FFmpeg gives for it, once, on every path. (The muxer's context, of libavformat, which
// only the conversion layer links, has its owner there: OutputContainer.)

// libavutil's and libswresample's objects: those libraries are linked wherever FFmpeg is used, so
// their owners free them through the linked functions.
struct FrameFree {
    void operator()(AVFrame* frame) const;
};
struct AudioFifoFree {
    void operator()(AVAudioFifo* fifo) const;
};
struct TransformFree {
    void operator()(AVTXContext* transform) const;
};
struct ResamplerContextFree {
    void operator()(SwrContext* context) const;
};
// The planes of av_samples_alloc_array_and_samples: one buffer for the samples, one for the array.
struct SamplePlanesFree {
    void operator()(std::uint8_t** planes) const;
};

using FrameOwner = std::unique_ptr<AVFrame, FrameFree>;
using AudioFifoOwner = std::unique_ptr<AVAudioFifo, AudioFifoFree>;
using TransformOwner = std::unique_ptr<AVTXContext, TransformFree>;
using ResamplerContextOwner = std::unique_ptr<SwrContext, ResamplerContextFree>;
using SamplePlanesOwner = std::unique_ptr<std::uint8_t*, SamplePlanesFree>;

// A frame of its own, or null when there is no memory for one.
FrameOwner allocateFrame();

// libavcodec's and libavfilter's objects. The player loads those libraries at run time
// (CodecLibrary, FilterLibrary), where their functions are the loaded library's and no linked
// symbol exists, while the tools' encoder links libavcodec: so each owner holds the free function
// of the library that made its object, given with the object.
template <class Object> struct FreedThrough {
    void (*free)(Object**) = nullptr; // FFmpeg's kind: takes the pointer's address, and clears it
    void operator()(Object* object) const { free(&object); }
};
template <class Object> struct ClosedThrough {
    void (*close)(Object*) = nullptr;
    void operator()(Object* object) const { close(object); }
};

using CodecContextOwner = std::unique_ptr<AVCodecContext, FreedThrough<AVCodecContext>>;
using PacketOwner = std::unique_ptr<AVPacket, FreedThrough<AVPacket>>;
using ParserOwner = std::unique_ptr<AVCodecParserContext, ClosedThrough<AVCodecParserContext>>;
using FilterGraphOwner = std::unique_ptr<AVFilterGraph, FreedThrough<AVFilterGraph>>;
using FilterInOutOwner = std::unique_ptr<AVFilterInOut, FreedThrough<AVFilterInOut>>;

} // namespace kestrum
