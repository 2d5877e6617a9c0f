#include "audio/FilterLibrary.h"

#include <dlfcn.h>
#include <mutex>

namespace kestrum {

namespace {

struct Loaded {
    FilterLibrary library{};
    bool ok = false;
    std::string error;
};

template <class Function>
bool resolve(void* handle, const char* name, Function& function, std::string& error) {
    function = reinterpret_cast<Function>(::dlsym(handle, name));
    if (function == nullptr)
        error = "libavfilter has no " + std::string(name);
    return function != nullptr;
}

Loaded load() {
    Loaded loaded;
    // The library the player was built against: its major version is its interface.
    const std::string name = "libavfilter.so." + std::to_string(LIBAVFILTER_VERSION_MAJOR);
    void* handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = ::dlerror();
        loaded.error = "the filter library cannot be loaded: " + std::string(why != nullptr ? why : name);
        return loaded;
    }
    FilterLibrary& l = loaded.library;
    std::string& e = loaded.error;
    loaded.ok = resolve(handle, "avfilter_get_by_name", l.getByName, e) &&
                resolve(handle, "avfilter_graph_alloc", l.graphAlloc, e) &&
                resolve(handle, "avfilter_graph_free", l.graphFree, e) &&
                resolve(handle, "avfilter_graph_create_filter", l.graphCreateFilter, e) &&
                resolve(handle, "avfilter_graph_parse_ptr", l.graphParse, e) &&
                resolve(handle, "avfilter_graph_config", l.graphConfig, e) &&
                resolve(handle, "avfilter_graph_send_command", l.graphSendCommand, e) &&
                resolve(handle, "avfilter_inout_alloc", l.inoutAlloc, e) &&
                resolve(handle, "avfilter_inout_free", l.inoutFree, e) &&
                resolve(handle, "av_buffersrc_add_frame", l.bufferSourceAdd, e) &&
                resolve(handle, "av_buffersink_get_frame", l.bufferSinkGet, e);
    return loaded;
}

} // namespace

const FilterLibrary* FilterLibrary::get(std::string& error) {
    static const Loaded loaded = load();
    if (!loaded.ok) {
        error = loaded.error;
        return nullptr;
    }
    return &loaded.library;
}

} // namespace kestrum
