#pragma once

#include <cstdint> // before FFmpeg's headers, which need its constant macros in C++

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <string>

namespace kestrum {

// libavcodec, loaded at run time: with the encoders and decoders it brings it takes a quarter of
// the time from the player's start to its first sound, so the player loads it on a thread of its
// own (preload) while start-up opens the recording, the device and the windows. Loaded once, by
// whichever thread asks first (another waits for it), and kept for the run.
struct CodecLibrary {
    decltype(&avcodec_find_decoder) findDecoder;
    decltype(&avcodec_alloc_context3) allocContext;
    decltype(&avcodec_free_context) freeContext;
    decltype(&avcodec_open2) open;
    decltype(&avcodec_send_packet) sendPacket;
    decltype(&avcodec_receive_frame) receiveFrame;
    decltype(&av_parser_init) parserInit;
    decltype(&av_parser_parse2) parserParse;
    decltype(&av_parser_close) parserClose;
    decltype(&av_packet_alloc) packetAlloc;
    decltype(&av_packet_free) packetFree;
    decltype(&av_packet_unref) packetUnref;
    decltype(&av_new_packet) newPacket;

    // The library, or null with `error` saying why it cannot be had.
    static const CodecLibrary* get(std::string& error);
    static const CodecLibrary* get();
};

} // namespace kestrum
