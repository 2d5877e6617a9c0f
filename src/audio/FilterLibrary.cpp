#include "audio/FilterLibrary.h"

#include "audio/RuntimeLibrary.h"

namespace kestrum {

namespace {

LoadedTable<FilterLibrary> load() {
    RuntimeLibrary library("libavfilter.so." + std::to_string(LIBAVFILTER_VERSION_MAJOR), "filter library");
    LoadedTable<FilterLibrary> loaded;
    FilterLibrary& t = loaded.table;
    loaded.ok = library.resolve("avfilter_get_by_name", t.getByName) &&
                library.resolve("avfilter_graph_alloc", t.graphAlloc) &&
                library.resolve("avfilter_graph_free", t.graphFree) &&
                library.resolve("avfilter_graph_create_filter", t.graphCreateFilter) &&
                library.resolve("avfilter_graph_parse_ptr", t.graphParse) &&
                library.resolve("avfilter_graph_config", t.graphConfig) &&
                library.resolve("avfilter_graph_send_command", t.graphSendCommand) &&
                library.resolve("avfilter_inout_alloc", t.inoutAlloc) &&
                library.resolve("avfilter_inout_free", t.inoutFree) &&
                library.resolve("av_buffersrc_add_frame", t.bufferSourceAdd) &&
                library.resolve("av_buffersink_get_frame", t.bufferSinkGet);
    loaded.error = library.error;
    return loaded;
}

} // namespace

const FilterLibrary* FilterLibrary::get(std::string& error) {
    static const LoadedTable<FilterLibrary> loaded = load();
    return loaded.get(error);
}

} // namespace kestrum
