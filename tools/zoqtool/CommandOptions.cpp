#include "CommandOptions.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>

namespace zoqtool {

namespace {

// `text` in lines of at most 80 columns, broken between words.
std::string wrapped(const std::string& text) {
    std::string lines, word;
    std::size_t lineLength = 0;
    std::istringstream words(text);
    while (words >> word) {
        if (lineLength > 0 && lineLength + 1 + word.size() > 80) {
            lines += '\n';
            lineLength = 0;
        } else if (lineLength > 0) {
            lines += ' ';
            ++lineLength;
        }
        lines += word;
        lineLength += word.size();
    }
    return lines;
}

// The help: the usage line, what the command does, then its operands and options, each with what
// it takes and what it is.
class CommandHelp : public CLI::Formatter {
  public:
    explicit CommandHelp(std::string usage) : usage_(std::move(usage)) {
        label("Positionals", "Operands");
        column_width(26);
    }

    std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode mode) const override {
        return usage_ + "\n\n" + wrapped(app->get_description()) + "\n" + make_positionals(app) +
               make_groups(app, mode);
    }
    std::string make_option_opts(const CLI::Option* option) const override {
        return option->get_option_text().empty() ? std::string() : " " + option->get_option_text();
    }

  private:
    std::string usage_;
};

} // namespace

CommandOptions::CommandOptions(std::string usage, const std::string& what)
    : app(what), usage_(std::move(usage)) {
    // --help is the whole command line or nothing (see parse); a repeated option keeps its last value.
    app.set_help_flag();
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.formatter(std::make_shared<CommandHelp>(usage_));
}

std::optional<int> CommandOptions::parse(const std::vector<std::string>& arguments) {
    if (arguments.size() == 1 && arguments[0] == "--help") {
        std::fputs(app.help().c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    if (operandsOnly_)
        reversed.push_back("--");
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError&) {
        return refuse();
    }
    return std::nullopt;
}

int CommandOptions::refuse(const std::string& problem) const {
    if (!problem.empty())
        std::fprintf(stderr, "zoqtool: %s\n", problem.c_str());
    std::fprintf(stderr, "%s\n", usage_.c_str());
    return 2;
}

} // namespace zoqtool
