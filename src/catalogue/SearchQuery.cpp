#include "catalogue/SearchQuery.h"

#include "catalogue/IndexWords.h"

#include <cctype>
#include <chrono>

namespace kestrum {

std::string matchExpression(sqlite3* connection, const std::vector<std::string>& words) {
    IndexWords tokenizer(connection);
    std::string expression;
    for (const std::string& word : words) {
        if (!tokenizer.findsWordIn(word))
            continue;
        // Inside double quotes every character is text to the query parser, a doubled quote a quote,
        // but a NUL ends it: a control character becomes a blank, which separates words as it does.
        std::string quoted = "\"";
        for (const char c : word)
            quoted += c == '"' ? std::string("\"\"") : std::string(1, isAsciiControl(c) ? ' ' : c);
        // A star the user typed is what the prefix match does anyway.
        while (quoted.size() > 1 && quoted.back() == '*')
            quoted.pop_back();
        if (!expression.empty())
            expression += ' ';
        expression += quoted + "\"*";
    }
    return expression;
}

bool isCalendarDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    for (const std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (std::isdigit(static_cast<unsigned char>(text[i])) == 0)
            return false;
    const auto number = [&text](std::size_t from, std::size_t length) {
        return std::stoi(std::string(text.substr(from, length)));
    };
    const std::chrono::year_month_day date{std::chrono::year(number(0, 4)),
                                           std::chrono::month(static_cast<unsigned>(number(5, 2))),
                                           std::chrono::day(static_cast<unsigned>(number(8, 2)))};
    return date.ok();
}

} // namespace kestrum
