#include "catalogue/PostgresText.h"

#include <algorithm>
#include <map>

namespace kestrum {

namespace {

constexpr std::size_t kLongestWord = 2046; // bytes
constexpr std::size_t kPositionsOfAWord = 255;
constexpr int kLastPosition = 16383;
constexpr std::size_t kAllWords = 1000000; // bytes, under the tsvector's megabyte

// A word cut to the longest the server keeps, at a character's start. Every search is by prefix,
// so a longer word is still found by any prefix the server can hold.
std::string_view cut(std::string_view word) {
    if (word.size() <= kLongestWord)
        return word;
    std::size_t end = kLongestWord;
    while (end > 0 && (static_cast<unsigned char>(word[end]) & 0xC0) == 0x80)
        --end;
    return word.substr(0, end);
}

// A word as a quoted lexeme of tsvector and tsquery input.
std::string quoted(std::string_view word) {
    std::string text = "'";
    for (const char c : word) {
        if (c == '\'' || c == '\\')
            text += c;
        text += c;
    }
    return text + "'";
}

// The tsquery of a word's last part, which matches every word that begins with it.
std::string prefixText(const std::string& prefix, const WordsBeginning& wordsBeginning) {
    const std::vector<std::string> named =
        wordsBeginning ? wordsBeginning(prefix) : std::vector<std::string>{};
    if (named.empty())
        return quoted(prefix) + ":*";
    std::string text;
    for (const std::string& word : named)
        text += (text.empty() ? "(" : " | ") + quoted(word);
    return text + ")";
}

} // namespace

std::string tsvectorText(IndexWords& words, const CatalogueEntry& e) {
    if (!e.readable())
        return {};
    // The columns of SQLite's index, in its order; the numbers as SQLite writes them, the station
    // number left out when there is none.
    const std::vector<std::string> columns = {e.rid,
                                              e.firstName,
                                              e.middleName,
                                              e.lastName,
                                              e.dialledNumber,
                                              e.stationName,
                                              e.stationAni,
                                              e.stationNumber != 0 ? std::to_string(e.stationNumber)
                                                                   : std::string(),
                                              std::to_string(e.site),
                                              std::to_string(e.secondSite),
                                              e.system,
                                              e.comments,
                                              joinedKeywords(e.keywords)};
    std::map<std::string, std::vector<int>, std::less<>> positions;
    std::size_t wordBytes = 0;
    int position = 0;
    for (const std::string& column : columns) {
        words.forEachWord(column, [&](std::string_view word) {
            position = std::min(position + 1, kLastPosition);
            const std::string_view kept = cut(word);
            auto found = positions.find(kept);
            if (found == positions.end()) {
                if (wordBytes + kept.size() > kAllWords)
                    return;
                wordBytes += kept.size();
                found = positions.emplace(std::string(kept), std::vector<int>{}).first;
            }
            if (found->second.size() < kPositionsOfAWord &&
                (found->second.empty() || found->second.back() != position))
                found->second.push_back(position);
        });
        position = std::min(position + 1, kLastPosition); // a gap between columns
    }
    std::string text;
    for (const auto& [word, at] : positions) {
        text += (text.empty() ? "" : " ") + quoted(word) + ":";
        for (std::size_t i = 0; i < at.size(); ++i)
            text += (i > 0 ? "," : "") + std::to_string(at[i]);
    }
    return text;
}

std::string tsqueryText(IndexWords& words, const std::vector<std::string>& searchWords,
                        const WordsBeginning& wordsBeginning) {
    std::string query;
    for (const std::string& word : searchWords) {
        if (!words.findsWordIn(word))
            continue;
        // As SQLite's match expression has it: a control character separates parts as a blank does.
        std::string text = word;
        std::replace_if(text.begin(), text.end(), isAsciiControl, ' ');
        std::vector<std::string> parts;
        words.forEachWord(text, [&parts](std::string_view part) { parts.emplace_back(cut(part)); });
        if (parts.empty())
            continue;
        std::string phrase;
        for (std::size_t i = 0; i + 1 < parts.size(); ++i)
            phrase += quoted(parts[i]) + " <-> ";
        phrase += prefixText(parts.back(), wordsBeginning);
        query += (query.empty() ? "" : " & ") + ("(" + phrase + ")");
    }
    return query;
}

} // namespace kestrum
