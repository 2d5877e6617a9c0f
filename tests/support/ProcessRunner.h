#pragma once

#include <functional>
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

namespace kestrum::test {

// A program started in the background, its output going to files so it can never block.
class RunningProcess {
  public:
    RunningProcess(const std::string& program, const std::vector<std::string>& arguments,
                   const ProcessOptions& options = {});
    ~RunningProcess();
    RunningProcess(const RunningProcess&) = delete;
    RunningProcess& operator=(const RunningProcess&) = delete;

    void signal(int number);
    int pid() const { return pid_; }
    bool running();
    // What it has printed on standard error so far.
    std::string errorSoFar() const;
    // Waits for the end (killing it after the timeout) and returns what it printed.
    ProcessResult wait(int timeoutSeconds = 30);

  private:
    int pid_ = -1;
    std::string outPath_, errPath_;
    bool ended_ = false;
    int status_ = 0;
};

// Polls `condition` every 20 ms until it holds or `seconds` pass; true when it held.
bool waitUntil(const std::function<bool()>& condition, double seconds);

} // namespace kestrum::test
