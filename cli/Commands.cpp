// The commands: each input on its own, its refusal or failure reported with its name, the exit
// code the worst of them.
#include "cli/Commands.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

#include "cli/Info.h"
#include "packaging/Conversion.h"
#include "platform/File.h"
#include "platform/System.h"

namespace pravix::cli {
namespace {

constexpr const char* kUsage =
    "Usage: pravix pack MOVIE... [--screen-saver] [--stub FILE] [-o TARGET] [--force]\n"
    "       pravix extract PROJECTOR... [-o TARGET | -o -] [--force]\n"
    "       pravix info FILE... [--json]\n"
    "       pravix --help | --version\n"
    "\n"
    "  pack     writes a projector (MOVIE.exe), or a screen saver (MOVIE.scr), beside each movie\n"
    "  extract  writes the movie of each projector beside it (PROJECTOR.swf)\n"
    "  info     tells what each file is and what its movie's header says\n"
    "\n"
    "  -o, --output TARGET  write TARGET instead (one input only); \"-\" is standard output\n"
    "  -f, --force          replace a target that exists\n"
    "  -s, --screen-saver   pack a screen saver instead of a projector\n"
    "      --stub FILE      pack behind this stub instead of the installed Player.exe or\n"
    "                       Quendel.dll\n"
    "      --json           one JSON object per file, one line each\n"
    "  -h, --help           show this text\n"
    "      --version        show the version\n"
    "\n"
    "Exit code: 0 all written, 1 something refused (and nothing failed), 2 something failed.\n";

// Inputs from this size on show their progress on a terminal.
constexpr uint64_t kProgressFrom = 64 * 1024 * 1024 + 1;

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Command { Pack, Extract, Info };

struct Options {
  Command command = Command::Pack;
  std::vector<std::string> inputs;
  std::optional<std::string> output;
  std::optional<std::string> stub;
  bool force = false;
  bool screenSaver = false;
  bool json = false;
};

Options parse(const std::vector<std::string>& arguments) {
  if (arguments.empty()) throw UsageError("no command");
  Options options;
  const std::string& name = arguments[0];
  if (name == "pack") {
    options.command = Command::Pack;
  } else if (name == "extract") {
    options.command = Command::Extract;
  } else if (name == "info") {
    options.command = Command::Info;
  } else {
    throw UsageError("unknown command \"" + name + "\"");
  }
  bool optionsEnded = false;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      options.inputs.push_back(argument);
      continue;
    }
    const auto value = [&]() {
      if (i + 1 == arguments.size()) throw UsageError(argument + " needs a value");
      return arguments[++i];
    };
    const auto onlyFor = [&](bool allowed) {
      if (!allowed) throw UsageError(argument + " does not go with " + name);
    };
    const Command command = options.command;
    if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "-o" || argument == "--output") {
      onlyFor(command != Command::Info);
      options.output = value();
    } else if (argument == "-f" || argument == "--force") {
      onlyFor(command != Command::Info);
      options.force = true;
    } else if (argument == "-s" || argument == "--screen-saver") {
      onlyFor(command == Command::Pack);
      options.screenSaver = true;
    } else if (argument == "--stub") {
      onlyFor(command == Command::Pack);
      options.stub = value();
    } else if (argument == "--json") {
      onlyFor(command == Command::Info);
      options.json = true;
    } else {
      throw UsageError("unknown option " + argument);
    }
  }
  if (options.inputs.empty()) throw UsageError("no input file");
  if (options.output && options.inputs.size() > 1) {
    throw UsageError("-o names the target of one input only");
  }
  if (options.output == "-" && options.command == Command::Pack) {
    throw UsageError("pack writes files only, not standard output");
  }
  return options;
}

void report(const std::string& input, const std::string& message) {
  std::fprintf(stderr, "pravix: %s: %s\n", input.c_str(), message.c_str());
}

Task packTask(const Options& options) {
  return options.screenSaver ? Task::PackScreenSaver : Task::PackProjector;
}

// A target that exists is kept unless --force says otherwise.
void refuseExisting(const std::string& target, bool force) {
  std::error_code error;
  const auto type = std::filesystem::symlink_status(target, error).type();
  if (!force && !error && type != std::filesystem::file_type::not_found) {
    throw FileRefusedError(target, "exists; --force replaces it");
  }
}

// The stub named with --stub, or the one installed with the tool: beside the program, or in the
// share folder that the install puts beside its bin folder.
std::string findStub(const Options& options) {
  if (options.stub) {
    if (!fileSize(*options.stub))
      throw FileRefusedError("no stub file " + quotedName(*options.stub));
    return *options.stub;
  }
  const Task task = packTask(options);
  const std::vector<std::string> folders = {programDirectory(),
                                            programDirectory() + PRAVIX_STUB_FOLDER + "/"};
  if (std::optional<std::string> stub = pravix::findStub(task, folders)) return *stub;
  throw FileRefusedError("no stub: neither " + quotedName(folders[0] + stubName(task)) + " nor " +
                         quotedName(folders[1] + stubName(task)) +
                         " is a file; name one with --stub FILE");
}

// "pravix: NAME: 42%" on a terminal, rewritten in place while a large input is copied, and ended
// with a new line when it is done or fails.
class ProgressLine {
 public:
  explicit ProgressLine(const std::string& input)
      : input_(input),
        shown_(::isatty(STDERR_FILENO) == 1 && fileSize(input).value_or(0) >= kProgressFrom) {}
  ~ProgressLine() {
    if (percent_ >= 0) std::fputc('\n', stderr);
  }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  Progress callback() {
    if (!shown_) return nullptr;
    return [this](uint64_t done, uint64_t total) {
      const int percent = static_cast<int>(total == 0 ? 100 : done * 100 / total);
      if (percent == percent_) return;
      percent_ = percent;
      std::fprintf(stderr, "\rpravix: %s: %3d%%", input_.c_str(), percent);
    };
  }

 private:
  std::string input_;
  bool shown_;
  int percent_ = -1;
};

// Tells why a conversion wrote nothing; gives its exit code.
ExitCode told(const std::string& input, const Job& job, const Result& result) {
  switch (result.outcome) {
    case Outcome::Written:
      break;
    case Outcome::NoStub:
      report(input, result.reason);
      break;
    case Outcome::NotProjector:
      report(input, quotedName(job.source) + " is not a projector: " + result.reason);
      break;
    case Outcome::DamagedTrailer:
      report(input, quotedName(job.source) + " has a damaged trailer: " + result.reason);
      break;
  }
  return exitCode(result.outcome);
}

ExitCode pack(const Options& options, const std::string& stub, const std::string& movie) {
  Job job{packTask(options), movie, stub, options.output.value_or(""), nullptr, nullptr};
  refuseExisting(targetOf(job), options.force);
  ProgressLine progress(movie);
  job.progress = progress.callback();
  return told(movie, job, convert(job));
}

ExitCode extract(const Options& options, const std::string& source) {
  Job job{Task::Extract, source, {}, {}, nullptr, nullptr};
  std::optional<File> standardOutput;
  if (options.output == "-") {
    // In the system where standard output is a file, through the buffer where it is a pipe.
    standardOutput = File::standardOutput();
    job.stream = &*standardOutput;
  } else {
    job.target = options.output.value_or("");
    refuseExisting(targetOf(job), options.force);
  }
  ProgressLine progress(source);
  job.progress = progress.callback();
  return told(source, job, convert(job));
}

ExitCode info(const Options& options, const std::string& path) {
  const File file(path, FileMode::ReadShared);
  const uint64_t size = file.size();
  const FileInfo described = describeFile(size, [&](uint64_t offset, uint8_t* bytes, size_t count) {
    count = static_cast<size_t>(std::min<uint64_t>(count, offset < size ? size - offset : 0));
    file.readAt(offset, bytes, count);
    return count;
  });
  const std::string text = options.json ? infoJson(path, described) : infoText(path, described);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  return kExitWritten;
}

// Runs one input's work; its refusal or failure is reported with its name.
ExitCode runInput(const std::string& input, const std::function<ExitCode()>& work) {
  try {
    return work();
  } catch (const FileError& e) {
    report(input, e.what());
    return exitCode(e);
  } catch (const std::exception& e) {
    report(input, e.what());
    return kExitFailed;
  }
}

}  // namespace

int run(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument == "--") break;
    if (argument == "-h" || argument == "--help") {
      std::fputs(kUsage, stdout);
      return kExitWritten;
    }
    if (argument == "--version") {
      std::printf("pravix %s\n", PRAVIX_VERSION);
      return kExitWritten;
    }
  }
  Options options;
  try {
    options = parse(arguments);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "pravix: %s\nTry \"pravix --help\".\n", e.what());
    return kExitFailed;
  }

  std::function<ExitCode(const std::string&)> work;
  try {
    switch (options.command) {
      case Command::Pack:
        work = [&options, stub = findStub(options)](const std::string& movie) {
          return pack(options, stub, movie);
        };
        break;
      case Command::Extract:
        if (options.output == "-" && ::isatty(STDOUT_FILENO) == 1) {
          throw FileRefusedError("standard output is a terminal: send it to a file or a pipe");
        }
        work = [&options](const std::string& projector) { return extract(options, projector); };
        break;
      case Command::Info:
        work = [&options](const std::string& file) { return info(options, file); };
        break;
    }
  } catch (const FileRefusedError& e) {
    std::fprintf(stderr, "pravix: %s\n", e.what());
    return kExitRefused;
  }

  int status = kExitWritten;
  for (const std::string& input : options.inputs) {
    status = std::max<int>(status, runInput(input, [&] { return work(input); }));
  }
  return status;
}

}  // namespace pravix::cli
