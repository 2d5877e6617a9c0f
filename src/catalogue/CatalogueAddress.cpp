#include "catalogue/CatalogueAddress.h"

#include "catalogue/Catalogue.h"

#include <algorithm>
#include <cstring>

namespace kestrum {

std::vector<std::pair<std::size_t, std::size_t>> passwordSpans(std::string_view address) {
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    const std::size_t scheme = address.find("://");
    if (scheme == std::string_view::npos)
        return spans;
    // The user and password come before the last '@' of the part up to the path or the parameters.
    const std::size_t authority = scheme + 3;
    const std::size_t authorityEnd = std::min(address.find('/', authority), address.find('?', authority));
    const std::string_view hosts = address.substr(authority, authorityEnd - authority);
    if (const std::size_t at = hosts.rfind('@'); at != std::string_view::npos) {
        if (const std::size_t colon = hosts.find(':'); colon < at)
            spans.emplace_back(authority + colon + 1, at - colon - 1);
    }
    if (const std::size_t query = address.find('?', authority); query != std::string_view::npos) {
        for (std::size_t start = query + 1; start < address.size();) {
            std::size_t end = address.find('&', start);
            if (end == std::string_view::npos)
                end = address.size();
            constexpr std::string_view kKey = "password=";
            if (address.substr(start, end - start).starts_with(kKey))
                spans.emplace_back(start + kKey.size(), end - start - kKey.size());
            start = end + 1;
        }
    }
    return spans;
}

std::string addressWithoutPassword(const std::string& address) {
    std::string shown = address;
    const auto spans = passwordSpans(address);
    // From the end, so that the earlier spans stay where they are; with the ':' or the parameter.
    for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
        const bool parameter = span->first > 0 && shown[span->first - 1] == '=';
        const std::size_t start = parameter ? span->first - std::strlen("password=") : span->first - 1;
        std::size_t length = span->second + (span->first - start);
        if (parameter && start + length < shown.size() && shown[start + length] == '&')
            ++length; // the '&' after it
        shown.erase(start, length);
    }
    if (!shown.empty() && (shown.back() == '?' || shown.back() == '&'))
        shown.pop_back();
    return shown;
}

void hidePasswordsInCommandLine(int argc, char** argv) {
    for (int i = 0; i < argc; ++i) {
        if (argv[i] == nullptr || !Catalogue::isServerAddress(argv[i]))
            continue;
        for (const auto& [start, length] : passwordSpans(argv[i]))
            std::memset(argv[i] + start, 'x', length);
    }
}

} // namespace kestrum
