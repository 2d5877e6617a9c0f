#pragma once

#include <cstdint> // before FFmpeg's headers, which need its constant macros in C++

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#include <string>

namespace kestrum {

// libavfilter, loaded when the listening aids first need it rather than with the player: with the
// libraries it brings (some eighty: encoders, speech synthesis, the time-stretcher) it would add
// about a third to the time from the player's start to its first sound, for aids most calls never
// use. Loaded once, by whichever thread asks first, and kept for the run.
struct FilterLibrary {
    decltype(&avfilter_get_by_name) getByName;
    decltype(&avfilter_graph_alloc) graphAlloc;
    decltype(&avfilter_graph_free) graphFree;
    decltype(&avfilter_graph_create_filter) graphCreateFilter;
    decltype(&avfilter_graph_parse_ptr) graphParse;
    decltype(&avfilter_graph_config) graphConfig;
    decltype(&avfilter_graph_send_command) graphSendCommand;
    decltype(&avfilter_inout_alloc) inoutAlloc;
    decltype(&avfilter_inout_free) inoutFree;
    decltype(&av_buffersrc_add_frame) bufferSourceAdd;
    decltype(&av_buffersink_get_frame) bufferSinkGet;

    // The library, or null with `error` saying why it cannot be had.
    static const FilterLibrary* get(std::string& error);
};

} // namespace kestrum
