#include "catalogue/WordMatch.h"

#include <algorithm>

namespace kestrum {

WordMatch::WordMatch(IndexWords& words, const std::vector<std::string>& searchWords) : words_(words) {
    for (const std::string& word : searchWords) {
        if (!words_.findsWordIn(word))
            continue;
        // As the match expression has it: a control character separates parts as a blank does.
        std::string text = word;
        std::replace_if(text.begin(), text.end(), isAsciiControl, ' ');
        std::vector<std::string> parts;
        words_.forEachWord(text, [&parts](std::string_view part) { parts.emplace_back(part); });
        if (!parts.empty())
            phrases_.push_back(std::move(parts));
    }
}

bool WordMatch::matches(const std::vector<std::string_view>& columns) {
    columns_.resize(columns.size());
    for (std::size_t c = 0; c < columns.size(); ++c) {
        columns_[c].clear();
        words_.forEachWord(columns[c], [this, c](std::string_view word) { columns_[c].emplace_back(word); });
    }
    return std::all_of(phrases_.begin(), phrases_.end(),
                       [this](const std::vector<std::string>& phrase) { return holds(phrase); });
}

bool WordMatch::holds(const std::vector<std::string>& phrase) const {
    for (const std::vector<std::string>& column : columns_) {
        for (std::size_t first = 0; first + phrase.size() <= column.size(); ++first) {
            std::size_t part = 0;
            while (part + 1 < phrase.size() && column[first + part] == phrase[part])
                ++part;
            if (part + 1 == phrase.size() && column[first + part].starts_with(phrase[part]))
                return true;
        }
    }
    return false;
}

} // namespace kestrum
