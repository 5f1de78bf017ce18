// Starting the tool with fork and exec; a pseudo-terminal stands in for a user's terminal.
#include "tests/cli/ToolRun.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/Handle.h"

namespace fs = std::filesystem;

namespace pravix::test {
namespace {

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A pseudo-terminal: the tool writes to its secondary side, the test reads the primary one.
struct Terminal {
  FileHandle primary;
  FileHandle secondary;
};

Terminal openTerminal() {
  Terminal terminal{FileHandle(::posix_openpt(O_RDWR | O_NOCTTY)), FileHandle()};
  if (!terminal.primary || ::grantpt(terminal.primary.get()) != 0 ||
      ::unlockpt(terminal.primary.get()) != 0) {
    throw std::runtime_error("no pseudo-terminal");
  }
  terminal.secondary.reset(::open(::ptsname(terminal.primary.get()), O_RDWR | O_NOCTTY));
  if (!terminal.secondary) throw std::runtime_error("no pseudo-terminal");
  return terminal;
}

// What is waiting on the primary side once the tool has ended.
std::string drain(const FileHandle& primary) {
  ::fcntl(primary.get(), F_SETFL, O_NONBLOCK);
  std::string text;
  char chunk[4096];
  ssize_t got;
  while ((got = ::read(primary.get(), chunk, sizeof chunk)) > 0) {
    text.append(chunk, static_cast<size_t>(got));
  }
  return text;
}

}  // namespace

ToolRun runTool(const fs::path& folder, const std::vector<std::string>& arguments,
                bool errorOnTerminal, const std::string& program) {
  const fs::path outPath = folder.parent_path() / (folder.filename().string() + ".out");
  const fs::path errPath = folder.parent_path() / (folder.filename().string() + ".err");
  Terminal terminal;
  if (errorOnTerminal) terminal = openTerminal();
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = errorOnTerminal ? terminal.secondary.get()
                                    : ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || ::chdir(folder.c_str()) != 0 || ::dup2(out, STDOUT_FILENO) < 0 ||
        ::dup2(err, STDERR_FILENO) < 0) {
      ::_exit(127);
    }
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child) throw std::runtime_error("waitpid failed");
  ToolRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = readText(outPath);
  run.err = errorOnTerminal ? drain(terminal.primary) : readText(errPath);
  fs::remove(outPath);
  fs::remove(errPath);
  return run;
}

}  // namespace pravix::test
