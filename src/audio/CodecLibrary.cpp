#include "audio/CodecLibrary.h"

#include "audio/RuntimeLibrary.h"

namespace kestrum {

namespace {

LoadedTable<CodecLibrary> load() {
    RuntimeLibrary library("libavcodec.so." + std::to_string(LIBAVCODEC_VERSION_MAJOR), "codec library");
    LoadedTable<CodecLibrary> loaded;
    CodecLibrary& t = loaded.table;
    loaded.ok =
        library.resolve("avcodec_find_decoder", t.findDecoder) &&
        library.resolve("avcodec_alloc_context3", t.allocContext) &&
        library.resolve("avcodec_free_context", t.freeContext) && library.resolve("avcodec_open2", t.open) &&
        library.resolve("avcodec_send_packet", t.sendPacket) &&
        library.resolve("avcodec_receive_frame", t.receiveFrame) &&
        library.resolve("av_parser_init", t.parserInit) &&
        library.resolve("av_parser_parse2", t.parserParse) &&
        library.resolve("av_parser_close", t.parserClose) &&
        library.resolve("av_packet_alloc", t.packetAlloc) &&
        library.resolve("av_packet_free", t.packetFree) &&
        library.resolve("av_packet_unref", t.packetUnref) && library.resolve("av_new_packet", t.newPacket);
    loaded.error = library.error;
    return loaded;
}

} // namespace

const CodecLibrary* CodecLibrary::get(std::string& error) {
    static const LoadedTable<CodecLibrary> loaded = load();
    return loaded.get(error);
}

const CodecLibrary* CodecLibrary::get() {
    std::string ignored;
    return get(ignored);
}

} // namespace kestrum
