// Runs the built `pravix` as a program, in a folder, and collects what it said.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Handle.h"
#include "tests/TestSupport.h"

namespace pravix::test {

struct ToolRun {
  int exitCode = -1;
  std::string out;  // standard output
  std::string err;  // standard error, or what reached the terminal when it was one
};

// Runs `program` (the built tool unless named) with `arguments` in `folder`. Standard output and
// error go to files, or standard error to a terminal of its own when `errorOnTerminal` is set.
ToolRun runTool(const std::filesystem::path& folder, const std::vector<std::string>& arguments,
                bool errorOnTerminal = false, const std::string& program = PRAVIX_TOOL);

// The built tool started in `folder` and left running: its standard input is a pipe that the test
// writes and closes when it likes; standard output goes to the file `output` (appended to), or is
// collected.
class RunningTool {
 public:
  RunningTool(const std::filesystem::path& folder, const std::vector<std::string>& arguments,
              const std::string& output = {});
  ~RunningTool();
  RunningTool(const RunningTool&) = delete;
  RunningTool& operator=(const RunningTool&) = delete;

  void write(const Bytes& bytes);
  void closeInput() { input_.reset(); }
  void signal(int number);
  ToolRun wait();

 private:
  std::filesystem::path folder_;
  std::string streams_;  // where its output and errors go: beside the folder, `streams_` + ".out"
  pid_t child_ = -1;
  FileHandle input_;
};

// A run that is refused or fails, with the folder it runs in prepared by `prepare`: its arguments,
// exit code and standard error. Standard output stays empty, and the folder as it was.
struct Refusal {
  const char* name;
  std::function<void(const std::filesystem::path&)> prepare;
  std::vector<std::string> arguments;
  int exitCode;
  std::string message;
};

inline void PrintTo(const Refusal& refusal, std::ostream* out) {
  *out << refusal.name;
}

// Prepares `folder`, runs `refusal` there and checks all that.
void expectRefusal(const std::filesystem::path& folder, const Refusal& refusal);

// Waits until `condition` holds, checking every few milliseconds; false after a minute without.
bool eventually(const std::function<bool()>& condition);

}  // namespace pravix::test
