// The `pravix` command line: a command, then options and files in any order, parsed the way
// getopt_long parses them (combined short options, --option=value, "--" ending the options).
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "packaging/GameOptions.h"

namespace pravix::cli {

// A command line that names no run: told with a hint at --help, exit code 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Command { Pack, Extract, Info, Help, Version };

// How much the tool tells besides its results: -q only failures, -v also each file written.
enum class Verbosity { Quiet, Normal, Verbose };

// The name of standard input and output among the files and targets.
constexpr char kStandardStream[] = "-";

struct Options {
  Command command = Command::Help;
  std::vector<std::string> inputs;
  std::optional<std::string> output;        // -o: one input's target, "-" standard output
  std::optional<std::string> outputFolder;  // -d: where every result goes
  std::optional<std::string> stub;
  // --include, --icon, --title, --version-info, --fullscreen: each package's options, over those
  // of the options file beside its movie.
  GameOptions game;
  std::optional<std::string> filesFolder;  // --files: where extract writes the packed files
  bool force = false;
  bool screenSaver = false;
  bool json = false;
  Verbosity verbosity = Verbosity::Normal;
};

// Parses the whole command line, the program's name first; UsageError when it is wrong.
Options parse(int argc, char** argv);

// The text of --help, and of --version.
extern const char* const kUsage;
std::string versionText();

}  // namespace pravix::cli
