#include "CatalogueCommands.h"
#include "NumberArguments.h"

#include "CommandOptions.h"
#include "JsonText.h"
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

Json entryJson(const CatalogueEntry& e) {
    Json json = Json::object();
    json["path"] = utf8Text(e.path);
    // The path's exact bytes: a name that is not UTF-8 shows U+FFFD in "path" and opens from these.
    json["pathBytes"] = base64Text(e.path);
    json["problem"] = e.readable() ? Json() : utf8Text(e.problem);
    if (!e.readable())
        return json;
    json["version"] = e.version;
    json["exported"] = e.exported;
    json["recorded"] = utf8Text(e.recorded);
    json["rid"] = utf8Text(e.rid);
    json["firstName"] = utf8Text(e.firstName);
    json["middleName"] = utf8Text(e.middleName);
    json["lastName"] = utf8Text(e.lastName);
    json["dialledNumber"] = utf8Text(e.dialledNumber);
    json["stationName"] = utf8Text(e.stationName);
    json["stationAni"] = utf8Text(e.stationAni);
    json["stationNumber"] = e.stationNumber;
    json["site"] = e.site;
    json["secondSite"] = e.secondSite;
    json["system"] = utf8Text(e.system);
    json["durationSeconds"] = e.durationSeconds ? Json(*e.durationSeconds) : Json();
    json["comments"] = utf8Text(e.comments);
    Json keywords = Json::array();
    for (const std::string& keyword : e.keywords)
        keywords.push_back(utf8Text(keyword));
    json["keywords"] = std::move(keywords);
    json["checksums"] = utf8Text(checksumStateName(e.checksums));
    json["checksumProblem"] = e.checksumProblem.empty() ? Json() : utf8Text(e.checksumProblem);
    return json;
}

} // namespace

int runIndex(const std::vector<std::string>& arguments) {
    std::string folder, database;
    IndexOptions options;
    CommandOptions command("usage: zoqtool index DIR [--db FILE|postgresql://...] [--verify]",
                           "Brings the catalogue of the recordings under DIR (every *.ZOQ file, links not "
                           "followed) up to date and says in one line what it did.");
    command.app.add_option("DIR", folder, "the folder of recordings")->required();
    command.app
        .add_option("--db", database,
                    "the catalogue: an SQLite file (default: DIR/.catalogue.sqlite) or a PostgreSQL URI")
        ->option_text("FILE|URI");
    command.app.add_flag("--verify", options.verify, "check the stamped copies not checked yet");
    if (const std::optional<int> ended = command.parse(arguments))
        return *ended;
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

// What a search prints on a terminal unless asked for more: a screen of the newest calls; a
// common word finds tens of thousands in a large archive, which nobody reads as a list.
constexpr int kShownByDefault = 100;

int runSearch(const std::vector<std::string>& arguments) {
    std::string database = kCatalogueName;
    SearchQuery query;
    bool json = false;
    bool all = false;
    std::string limitText;
    CommandOptions command(
        "usage: zoqtool search [--db FILE|postgresql://...] [--from YYYY-MM-DD] [--to YYYY-MM-DD] "
        "[--limit N | --all] [--json] [WORDS...]",
        "Prints the recordings of the catalogue that match every word, newest call first: the newest " +
            std::to_string(kShownByDefault) + " unless --limit or --all asks for more (--json: all).");
    command.app.add_option("WORDS", query.words, "the starts of words of the calls' text");
    command.app
        .add_option("--db", database,
                    "the catalogue: an SQLite file (default: ./.catalogue.sqlite) or a PostgreSQL URI")
        ->option_text("FILE|URI");
    command.app.add_option("--from", query.from, "calls of that day or later")->option_text("YYYY-MM-DD");
    command.app.add_option("--to", query.to, "calls of that day or earlier")->option_text("YYYY-MM-DD");
    command.app.add_option("--limit", limitText, "print the newest N calls found")->option_text("N");
    command.app.add_flag("--all", all, "print every call found");
    command.app.add_flag("--json", json, "print one JSON array of objects");
    if (const std::optional<int> ended = command.parse(arguments))
        return *ended;
    for (const auto& [option, date] : {std::pair{"--from", &query.from}, {"--to", &query.to}}) {
        if (!command.app.count(option) || isCalendarDate(*date))
            continue;
        std::fprintf(stderr, "zoqtool: %s wants a date as YYYY-MM-DD, not '%s'\n", option, date->c_str());
        return 2;
    }
    int limit = json ? -1 : kShownByDefault;
    if (command.app.count("--limit")) {
        if (all)
            return command.refuse("--limit and --all cannot be used together");
        if (!parseWholeNumber(limitText, 1, 1000000000, limit))
            return command.refuse("--limit wants a whole number of 1 or more, not '" + limitText + "'");
    } else if (all) {
        limit = -1;
    }
    std::vector<CatalogueEntry> found;
    try {
        Catalogue catalogue = Catalogue::openForReading(database);
        // One more than is printed says whether there are more.
        found = limit < 0 ? catalogue.search(query) : catalogue.searchPage(query, {}, 0, limit + 1);
    } catch (const CatalogueError& error) {
        std::fprintf(stderr, "zoqtool: %s\n", shown(error.what()).c_str());
        return 1;
    }
    const bool more = limit >= 0 && found.size() > static_cast<std::size_t>(limit);
    if (more)
        found.pop_back();
    if (json) {
        Json entries = Json::array();
        for (const CatalogueEntry& entry : found)
            entries.push_back(entryJson(entry));
        std::cout << jsonText(entries) << '\n';
        return 0;
    }
    for (const CatalogueEntry& entry : found)
        printEntry(entry);
    if (more)
        std::printf("the newest %zu shown; more were found: --limit N or --all shows them\n", found.size());
    else
        std::printf("%zu found\n", found.size());
    return 0;
}

} // namespace zoqtool
