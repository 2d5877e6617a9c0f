#include "audio/CodecLibrary.h"

#include <dlfcn.h>

namespace kestrum {

namespace {

struct Loaded {
    CodecLibrary library{};
    bool ok = false;
    std::string error;
};

template <class Function>
bool resolve(void* handle, const char* name, Function& function, std::string& error) {
    function = reinterpret_cast<Function>(::dlsym(handle, name));
    if (function == nullptr)
        error = "libavcodec has no " + std::string(name);
    return function != nullptr;
}

Loaded load() {
    Loaded loaded;
    // The library the player was built against: its major version is its interface.
    const std::string name = "libavcodec.so." + std::to_string(LIBAVCODEC_VERSION_MAJOR);
    void* handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = ::dlerror();
        loaded.error = "the codec library cannot be loaded: " + std::string(why != nullptr ? why : name);
        return loaded;
    }
    CodecLibrary& l = loaded.library;
    std::string& e = loaded.error;
    loaded.ok = resolve(handle, "avcodec_find_decoder", l.findDecoder, e) &&
                resolve(handle, "avcodec_alloc_context3", l.allocContext, e) &&
                resolve(handle, "avcodec_free_context", l.freeContext, e) &&
                resolve(handle, "avcodec_open2", l.open, e) &&
                resolve(handle, "avcodec_send_packet", l.sendPacket, e) &&
                resolve(handle, "avcodec_receive_frame", l.receiveFrame, e) &&
                resolve(handle, "av_parser_init", l.parserInit, e) &&
                resolve(handle, "av_parser_parse2", l.parserParse, e) &&
                resolve(handle, "av_parser_close", l.parserClose, e) &&
                resolve(handle, "av_packet_alloc", l.packetAlloc, e) &&
                resolve(handle, "av_packet_free", l.packetFree, e) &&
                resolve(handle, "av_packet_unref", l.packetUnref, e) &&
                resolve(handle, "av_new_packet", l.newPacket, e);
    return loaded;
}

} // namespace

const CodecLibrary* CodecLibrary::get(std::string& error) {
    static const Loaded loaded = load();
    if (!loaded.ok) {
        error = loaded.error;
        return nullptr;
    }
    return &loaded.library;
}

const CodecLibrary* CodecLibrary::get() {
    std::string ignored;
    return get(ignored);
}

} // namespace kestrum
