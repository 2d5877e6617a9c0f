// kestrum_search_bench CATALOGUE QUERIES: runs each search of QUERIES (one a line, as zoqtool
// search's arguments: words, --from DATE, --to DATE) as zoqtool search does it on a terminal,
// less the program's start-up: open the catalogue, read the newest 100 matching rows and one
// more (which says whether there are more). Prints name=value
// lines: queries, results (in all), seconds_median, seconds_p95, seconds_max.

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueError.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kestrum_search_bench CATALOGUE QUERIES\n");
        return 2;
    }
    std::vector<kestrum::SearchQuery> queries;
    std::ifstream lines(argv[2]);
    for (std::string line; std::getline(lines, line);) {
        kestrum::SearchQuery query;
        std::istringstream words(line);
        for (std::string word; words >> word;) {
            if (word == "--from")
                words >> query.from;
            else if (word == "--to")
                words >> query.to;
            else
                query.words.push_back(word);
        }
        queries.push_back(query);
    }
    std::vector<double> seconds;
    std::size_t results = 0;
    try {
        for (const kestrum::SearchQuery& query : queries) {
            const auto start = std::chrono::steady_clock::now();
            kestrum::Catalogue catalogue = kestrum::Catalogue::openForReading(argv[1]);
            results += catalogue.searchPage(query, {}, 0, 101).size();
            seconds.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
    } catch (const kestrum::CatalogueError& error) {
        std::fprintf(stderr, "kestrum_search_bench: %s\n", error.what());
        return 1;
    }
    if (seconds.empty())
        return 1;
    std::sort(seconds.begin(), seconds.end());
    std::printf("queries=%zu\nresults=%zu\n", seconds.size(), results);
    std::printf("seconds_median=%.6f\n", seconds[seconds.size() / 2]);
    std::printf("seconds_p95=%.6f\n", seconds[(seconds.size() * 95 + 99) / 100 - 1]);
    std::printf("seconds_max=%.6f\n", seconds.back());
    return 0;
}
