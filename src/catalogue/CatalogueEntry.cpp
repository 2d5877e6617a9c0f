#include "catalogue/CatalogueEntry.h"

#include <array>

namespace kestrum {

namespace {

constexpr std::array<std::pair<ChecksumState, const char*>, 4> kStateNames{{
    {ChecksumState::NotStamped, "none"},
    {ChecksumState::Unchecked, "unchecked"},
    {ChecksumState::Intact, "intact"},
    {ChecksumState::Damaged, "damaged"},
}};

bool isBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

} // namespace

std::string joinedKeywords(const std::vector<std::string>& keywords) {
    std::string text;
    for (const std::string& keyword : keywords)
        text += (text.empty() ? "" : "\n") + keyword;
    return text;
}

std::vector<std::string> splitKeywords(const std::string& text) {
    std::vector<std::string> keywords;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        keywords.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return keywords;
}

const char* checksumStateName(ChecksumState state) {
    for (const auto& [each, name] : kStateNames)
        if (each == state)
            return name;
    return "none";
}

std::optional<ChecksumState> checksumStateNamed(std::string_view name) {
    for (const auto& [state, each] : kStateNames)
        if (name == each)
            return state;
    return std::nullopt;
}

std::string CatalogueEntry::firstCommentLine() const {
    std::string_view rest = comments;
    while (!rest.empty()) {
        const std::size_t end = rest.find_first_of("\r\n");
        const std::string_view line = rest.substr(0, end);
        if (!isBlank(line))
            return std::string(line);
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return {};
}

} // namespace kestrum
