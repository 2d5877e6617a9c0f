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
