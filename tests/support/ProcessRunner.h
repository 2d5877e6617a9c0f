#pragma once

#include <map>
#include <string>
#include <vector>

namespace kestrum::test {

struct ProcessResult {
    int exitCode = -1; // -1 when killed by a signal
    std::string out;
    std::string err;
};

struct ProcessOptions {
    std::string workingDirectory;           // empty: the test's own
    std::map<std::string, std::string> env; // added to (or replacing in) the test's environment
    std::vector<std::string> unsetEnv;
    int timeoutSeconds = 60;
};

// Runs a program to its end and returns what it printed and its exit code.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const ProcessOptions& options = {});

} // namespace kestrum::test
