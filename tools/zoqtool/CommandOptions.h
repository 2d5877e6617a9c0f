#pragma once

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <vector>

namespace zoqtool {

// One command's command line, read by CLI11. The command declares its operands and options on
// `app` (each option's value shown in the help through option_text), reads them with parse and
// checks their values itself. `zoqtool COMMAND --help`, and only that, prints the command's help
// on standard output; a command line the command does not take prints its usage line on standard
// error, and the command ends with exit code 2.
class CommandOptions {
  public:
    // `usage`: the command's usage line ("usage: zoqtool decode FILE OUT.wav"); `what`: what it
    // does, for the help.
    CommandOptions(std::string usage, const std::string& what);

    // Every argument is an operand, whatever it starts with: for a command without options, whose
    // texts and paths may begin with a dash.
    void takeOperandsOnly() { operandsOnly_ = true; }

    // Reads the arguments into what `app` declares. Nothing when the command is to run; otherwise
    // the exit code it ends with: 0 after the help, 2 after the usage.
    std::optional<int> parse(const std::vector<std::string>& arguments);

    // A value the command does not take: "zoqtool: PROBLEM" when a problem is given, then the
    // usage, on standard error. Returns 2.
    int refuse(const std::string& problem = {}) const;

    CLI::App app;

  private:
    std::string usage_;
    bool operandsOnly_ = false;
};

} // namespace zoqtool
