// Starting the tool with fork and exec; a pseudo-terminal stands in for a user's terminal.
#include "tests/cli/ToolRun.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

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

// The files that collect a run's output and errors, beside its folder: `stem` + ".out" or ".err".
fs::path beside(const fs::path& folder, const std::string& stem, const char* extension) {
  return folder.parent_path() / (folder.filename().string() + stem + extension);
}

// Runs `program` with `arguments` in `folder`, its streams already in place: the child's end.
[[noreturn]] void execute(const fs::path& folder, const std::vector<std::string>& arguments,
                          const std::string& program) {
  if (::chdir(folder.c_str()) != 0) ::_exit(127);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  ::execv(argv[0], argv.data());
  ::_exit(127);
}

// Waits for the child and collects what it wrote to the files beside `folder`.
ToolRun collect(pid_t child, const fs::path& folder, const std::string& stem) {
  int status = 0;
  if (::waitpid(child, &status, 0) != child) throw std::runtime_error("waitpid failed");
  ToolRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = readText(beside(folder, stem, ".out"));
  run.err = readText(beside(folder, stem, ".err"));
  fs::remove(beside(folder, stem, ".out"));
  fs::remove(beside(folder, stem, ".err"));
  return run;
}

}  // namespace

RunningTool::RunningTool(const fs::path& folder, const std::vector<std::string>& arguments,
                         const std::string& output)
    : folder_(folder) {
  static int started = 0;
  streams_ = "." + std::to_string(++started);
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  FileHandle readEnd(fds[0]);
  input_.reset(fds[1]);
  const fs::path outPath = output.empty() ? beside(folder, streams_, ".out") : folder / output;
  const int outFlags = O_WRONLY | O_CREAT | (output.empty() ? O_TRUNC : O_APPEND);
  child_ = ::fork();
  if (child_ < 0) throw std::runtime_error("fork failed");
  if (child_ == 0) {
    const int out = ::open(outPath.c_str(), outFlags, 0644);
    const int err =
        ::open(beside(folder, streams_, ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || ::dup2(readEnd.get(), STDIN_FILENO) < 0 ||
        ::dup2(out, STDOUT_FILENO) < 0 || ::dup2(err, STDERR_FILENO) < 0) {
      ::_exit(127);
    }
    execute(folder, arguments, PRAVIX_TOOL);
  }
}

RunningTool::~RunningTool() {
  if (child_ > 0) {
    ::kill(child_, SIGKILL);
    ::waitpid(child_, nullptr, 0);
  }
}

void RunningTool::write(const Bytes& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(input_.get(), bytes.data() + done, bytes.size() - done);
    if (put <= 0) throw std::runtime_error("the tool's input takes no more");
    done += static_cast<size_t>(put);
  }
}

void RunningTool::signal(int number) {
  ::kill(child_, number);
}

ToolRun RunningTool::wait() {
  const ToolRun run = collect(child_, folder_, streams_);
  child_ = -1;
  return run;
}

bool eventually(const std::function<bool()>& condition) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

ToolRun runTool(const fs::path& folder, const std::vector<std::string>& arguments,
                bool errorOnTerminal, const std::string& program) {
  Terminal terminal;
  if (errorOnTerminal) terminal = openTerminal();
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    const int out = ::open(beside(folder, "", ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = errorOnTerminal ? terminal.secondary.get()
                                    : ::open(beside(folder, "", ".err").c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || ::dup2(out, STDOUT_FILENO) < 0 || ::dup2(err, STDERR_FILENO) < 0) {
      ::_exit(127);
    }
    execute(folder, arguments, program);
  }
  ToolRun run = collect(child, folder, "");
  if (errorOnTerminal) run.err = drain(terminal.primary);
  return run;
}

void expectRefusal(const std::filesystem::path& folder, const Refusal& refusal) {
  refusal.prepare(folder);
  const auto before = snapshot(folder);
  const ToolRun ran = runTool(folder, refusal.arguments);
  EXPECT_EQ(ran.exitCode, refusal.exitCode);
  EXPECT_EQ(ran.err, refusal.message);
  EXPECT_EQ(ran.out, "");
  EXPECT_EQ(snapshot(folder), before);
}

}  // namespace pravix::test
