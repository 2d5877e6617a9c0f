#include "CatalogueCommands.h"

#include "JsonWriter.h"
#include "TerminalProgress.h"
#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueError.h"
#include "catalogue/IndexRun.h"
#include "platform/EscapedText.h"
#include "platform/FormatText.h"

#include <cstdio>
#include <cstring>
#include <iostream>

namespace zoqtool {

namespace {

using namespace kestrum;

constexpr const char* kCatalogueName = ".catalogue.sqlite";

// A message on one line: the reader's messages put the path on a line of its own.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

// Paths and a recording's text as a terminal shows them: control characters cannot act there.
std::string shown(const std::string& text) {
    return escapeControlCharacters(text);
}

// The progress line of an index run.
class ProgressLine {
  public:
    explicit ProgressLine(std::string folder) : folder_(std::move(folder)) {}

    void update(const IndexCounts& counts) {
        if (!line_.due())
            return;
        line_.update(formatText("indexing %s: %d files (%d read, %d unchanged, %d failed)",
                                shown(folder_).c_str(), counts.seen(), counts.read, counts.unchanged,
                                counts.failed));
    }
    // Clears the line before anything else is printed, or at the end.
    void clear() { line_.clear(); }

  private:
    std::string folder_;
    TerminalProgress line_;
};

void printIndexUsage() {
    std::fprintf(stderr, "usage: zoqtool index DIR [--db FILE|postgresql://...] [--verify]\n");
}

void printSearchUsage() {
    std::fprintf(stderr, "usage: zoqtool search [--db FILE|postgresql://...] [--from YYYY-MM-DD] "
                         "[--to YYYY-MM-DD] [--json] [WORDS...]\n");
}

std::string durationText(const std::optional<int>& seconds) {
    if (!seconds)
        return "?";
    char text[32];
    if (*seconds >= 3600)
        std::snprintf(text, sizeof text, "%d:%02d:%02d", *seconds / 3600, *seconds / 60 % 60, *seconds % 60);
    else
        std::snprintf(text, sizeof text, "%d:%02d", *seconds / 60, *seconds % 60);
    return text;
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const std::string& part : parts)
        if (!part.empty())
            text += (text.empty() ? "" : separator) + part;
    return text;
}

// For people: the path, then the call in up to three indented lines.
void printEntry(const CatalogueEntry& e) {
    std::printf("%s\n", shown(e.path).c_str());
    if (!e.readable()) {
        std::printf("  not read: %s\n", shown(oneLine(e.problem)).c_str());
        return;
    }
    const std::string damage = e.checksumProblem.empty() ? std::string() : " (" + e.checksumProblem + ")";
    std::printf("  %s   rid %s   duration %s   checksums %s%s\n", shown(e.recorded).c_str(),
                shown(e.rid).c_str(), durationText(e.durationSeconds).c_str(), checksumStateName(e.checksums),
                shown(damage).c_str());
    const std::string people = joined({e.firstName, e.middleName, e.lastName}, " ");
    const std::string line =
        joined({people, e.dialledNumber.empty() ? std::string() : "dialled " + e.dialledNumber,
                e.stationName.empty() ? std::string() : "station " + e.stationName,
                e.stationAni.empty() ? std::string() : "station number " + e.stationAni},
               ", ");
    if (!line.empty())
        std::printf("  %s\n", shown(line).c_str());
    if (!e.keywords.empty())
        std::printf("  keywords: %s\n", shown(joined(e.keywords, ", ")).c_str());
}

void writeEntryJson(JsonWriter& json, const CatalogueEntry& e) {
    const auto text = [&json](const char* key, const std::string& value) {
        json.key(key);
        json.utf8String(value);
    };
    json.beginObject();
    text("path", e.path);
    // The path's exact bytes: a name that is not UTF-8 shows U+FFFD in "path" and opens from these.
    json.key("pathBytes");
    json.base64String(e.path);
    json.key("problem");
    if (e.readable())
        json.null();
    else
        json.utf8String(e.problem);
    if (e.readable()) {
        json.key("version");
        json.number(e.version);
        json.key("exported");
        json.boolean(e.exported);
        text("recorded", e.recorded);
        text("rid", e.rid);
        text("firstName", e.firstName);
        text("middleName", e.middleName);
        text("lastName", e.lastName);
        text("dialledNumber", e.dialledNumber);
        text("stationName", e.stationName);
        text("stationAni", e.stationAni);
        json.key("stationNumber");
        json.number(e.stationNumber);
        json.key("site");
        json.number(e.site);
        json.key("secondSite");
        json.number(e.secondSite);
        text("system", e.system);
        json.key("durationSeconds");
        if (e.durationSeconds)
            json.number(*e.durationSeconds);
        else
            json.null();
        text("comments", e.comments);
        json.key("keywords");
        json.beginArray();
        for (const std::string& keyword : e.keywords)
            json.utf8String(keyword);
        json.endArray();
        text("checksums", checksumStateName(e.checksums));
        json.key("checksumProblem");
        if (e.checksumProblem.empty())
            json.null();
        else
            json.utf8String(e.checksumProblem);
    }
    json.endObject();
}

} // namespace

int runIndex(const std::vector<std::string>& arguments) {
    std::string folder, database;
    IndexOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--verify") {
            options.verify = true;
        } else if (arguments[i] == "--db" && i + 1 < arguments.size()) {
            database = arguments[++i];
        } else if (folder.empty() && !arguments[i].starts_with("--")) {
            folder = arguments[i];
        } else {
            printIndexUsage();
            return 2;
        }
    }
    if (folder.empty()) {
        printIndexUsage();
        return 2;
    }
    try {
        // The folder first: a catalogue is never made beside something that is not one.
        const std::string root = catalogueFolder(folder);
        Catalogue catalogue =
            Catalogue::openForWriting(database.empty() ? root + "/" + kCatalogueName : database);
        ProgressLine progress(root);
        options.progress = [&progress](const IndexCounts& counts) { progress.update(counts); };
        options.failedFile = [&progress](const CatalogueEntry& entry) {
            progress.clear();
            std::fprintf(stderr, "zoqtool: %s: %s\n", shown(entry.path).c_str(),
                         shown(oneLine(entry.problem)).c_str());
        };
        options.unreadableFolder = [&progress](const std::string& path, int error) {
            progress.clear();
            std::fprintf(stderr, "zoqtool: cannot read the folder %s: %s\n", shown(path).c_str(),
                         std::strerror(error));
        };
        const IndexCounts counts = indexFolder(catalogue, root, options);
        progress.clear();
        std::printf("%d read, %d unchanged, %d failed, %d removed", counts.read, counts.unchanged,
                    counts.failed, counts.removed);
        if (options.verify)
            std::printf(", %d verified", counts.verified);
        std::printf("\n");
    } catch (const CatalogueError& error) {
        std::fprintf(stderr, "zoqtool: %s\n", shown(error.what()).c_str());
        return 1;
    }
    return 0;
}

int runSearch(const std::vector<std::string>& arguments) {
    std::string database = kCatalogueName;
    SearchQuery query;
    bool json = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--json") {
            json = true;
        } else if (argument == "--db" && hasValue) {
            database = arguments[++i];
        } else if ((argument == "--from" || argument == "--to") && hasValue) {
            const std::string& date = arguments[++i];
            if (!isCalendarDate(date)) {
                std::fprintf(stderr, "zoqtool: %s wants a date as YYYY-MM-DD, not '%s'\n", argument.c_str(),
                             date.c_str());
                return 2;
            }
            (argument == "--from" ? query.from : query.to) = date;
        } else if (argument.starts_with("--")) {
            printSearchUsage();
            return 2;
        } else {
            query.words.push_back(argument);
        }
    }
    std::vector<CatalogueEntry> found;
    try {
        Catalogue catalogue = Catalogue::openForReading(database);
        found = catalogue.search(query);
    } catch (const CatalogueError& error) {
        std::fprintf(stderr, "zoqtool: %s\n", shown(error.what()).c_str());
        return 1;
    }
    if (json) {
        JsonWriter writer;
        writer.beginArray();
        for (const CatalogueEntry& entry : found)
            writeEntryJson(writer, entry);
        writer.endArray();
        std::cout << writer.text() << '\n';
        return 0;
    }
    for (const CatalogueEntry& entry : found)
        printEntry(entry);
    std::printf("%zu found\n", found.size());
    return 0;
}

} // namespace zoqtool
