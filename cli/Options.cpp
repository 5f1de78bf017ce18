// Parsing the command line with getopt_long, and the texts of --help and --version.
#include "cli/Options.h"

#include <getopt.h>

#include <algorithm>
#include <cstring>

namespace pravix::cli {
namespace {

// The long options without a short one, by codes past every character.
enum : int {
  kStub = 256,
  kInclude,
  kIcon,
  kTitle,
  kVersionInfo,
  kFullScreen,
  kFiles,
  kJson,
  kVersion
};

constexpr option kLongOptions[] = {
    {"output", required_argument, nullptr, 'o'},
    {"output-dir", required_argument, nullptr, 'd'},
    {"force", no_argument, nullptr, 'f'},
    {"screen-saver", no_argument, nullptr, 's'},
    {"stub", required_argument, nullptr, kStub},
    {"include", required_argument, nullptr, kInclude},
    {"icon", required_argument, nullptr, kIcon},
    {"title", required_argument, nullptr, kTitle},
    {"version-info", required_argument, nullptr, kVersionInfo},
    {"fullscreen", no_argument, nullptr, kFullScreen},
    {"files", required_argument, nullptr, kFiles},
    {"json", no_argument, nullptr, kJson},
    {"quiet", no_argument, nullptr, 'q'},
    {"verbose", no_argument, nullptr, 'v'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};
// ":" first: a missing value is told apart from an unknown option.
constexpr char kShortOptions[] = ":o:d:fsqvh";

// The commands each option goes with.
struct Rule {
  int code;
  bool pack, extract, info;
};
constexpr Rule kRules[] = {
    {'o', true, true, false},           {'d', true, true, false},
    {'f', true, true, false},           {'s', true, false, false},
    {kStub, true, false, false},        {kInclude, true, false, false},
    {kIcon, true, false, false},        {kTitle, true, false, false},
    {kVersionInfo, true, false, false}, {kFullScreen, true, false, false},
    {kFiles, false, true, false},       {kJson, false, false, true},
};

const char* commandName(Command command) {
  return command == Command::Pack ? "pack" : command == Command::Extract ? "extract" : "info";
}

std::string longName(int code) {
  for (const option& o : kLongOptions) {
    if (o.val == code) return std::string("--") + o.name;
  }
  return {};
}

void refuseElsewhere(Command command, int code) {
  for (const Rule& rule : kRules) {
    const bool allowed = command == Command::Pack      ? rule.pack
                         : command == Command::Extract ? rule.extract
                                                       : rule.info;
    if (rule.code == code && !allowed) {
      throw UsageError(longName(code) + " does not go with " + commandName(command));
    }
  }
}

// Why getopt_long stopped at an option (its code '?' or ':'), naming the option as the command
// line spelt it: "-x", or "--name" without its value.
std::string wrongOption(int code, char** argv) {
  const std::string argument = argv[optind - 1];
  const std::string asLong = argument.substr(0, argument.find('='));
  if (code == ':') {
    return (argument.rfind("--", 0) == 0 ? asLong : std::string("-") + static_cast<char>(optopt)) +
           " needs a value";
  }
  // A known option stops only for a value it does not take ("--force=yes").
  if (optopt != 0 && !longName(optopt).empty()) return longName(optopt) + " takes no value";
  if (optopt != 0) return std::string("unknown option -") + static_cast<char>(optopt);
  return "unknown option " + asLong;
}

std::string nonEmpty(const char* value, const char* option, const char* what = "a name") {
  if (*value == '\0') {
    throw UsageError(std::string(option) + " needs " + what + ", not an empty one");
  }
  return value;
}

// --version-info=NAME=VALUE: the version string set, its name checked as the options file's are.
void setVersionInfo(GameOptions& game, const std::string& argument) {
  const size_t equals = argument.find('=');
  if (equals == std::string::npos || equals + 1 == argument.size()) {
    throw UsageError("--version-info needs NAME=VALUE, not \"" + argument + "\"");
  }
  try {
    setVersionString(game, std::string_view(argument).substr(0, equals),
                     argument.substr(equals + 1));
  } catch (const FileFormatError& e) {
    throw UsageError(std::string("--version-info: ") + e.what());
  }
}

void check(const Options& options) {
  if (options.inputs.empty()) throw UsageError("no input file");
  if (options.output && options.inputs.size() > 1) {
    throw UsageError("-o names the target of one input only");
  }
  // Two packages may carry files of one name: each input's would replace the last one's.
  if (options.filesFolder && options.inputs.size() > 1) {
    throw UsageError("--files names the folder of one input only");
  }
  if (options.output && options.outputFolder) {
    throw UsageError("-o and --output-dir do not go together");
  }
  const auto standardInputs =
      std::count(options.inputs.begin(), options.inputs.end(), kStandardStream);
  if (standardInputs > 1) throw UsageError("standard input can be read only once");
  if (standardInputs == 1 && options.command != Command::Info && !options.output) {
    throw UsageError("standard input has no name to write a result beside: name it with -o");
  }
}

}  // namespace

const char* const kUsage =
    "Usage: pravix pack [OPTION]... MOVIE...\n"
    "       pravix extract [OPTION]... PROJECTOR...\n"
    "       pravix info [--json] [-v] FILE...\n"
    "       pravix --help | --version\n"
    "\n"
    "  pack     writes a projector (MOVIE.exe), or a screen saver (MOVIE.scr),\n"
    "           beside each movie\n"
    "  extract  writes the movie of each projector beside it (PROJECTOR.swf):\n"
    "           ours and our screen savers, Linux and classic Mac projectors,\n"
    "           macOS ones as a folder or a zip\n"
    "  info     tells what each file is, what its movie's header says, the\n"
    "           files packed with it, and the icon, title and version strings\n"
    "           its stub wears\n"
    "\n"
    "A FILE of \"-\" is standard input. A movie's options file, MOVIE.pravix.ini\n"
    "beside it, sets what --include, --icon, --title, --version-info and\n"
    "--fullscreen set; the options on the command line win.\n"
    "\n"
    "  -o, --output=TARGET   write TARGET instead (one input only); \"-\" is standard\n"
    "                        output\n"
    "  -d, --output-dir=DIR  write each result into DIR, not beside its input\n"
    "  -f, --force           replace a target that exists\n"
    "  -s, --screen-saver    pack a screen saver instead of a projector\n"
    "      --stub=FILE       pack behind FILE instead of the installed Player.exe\n"
    "                        or Quendel.dll\n"
    "      --include=DIR     pack the files of DIR and of its folders with each\n"
    "                        movie\n"
    "      --icon=FILE       give each package the icon of the .ico FILE\n"
    "      --title=TEXT      title the window TEXT, not with the package's name\n"
    "      --version-info=NAME=VALUE\n"
    "                        set the version string NAME (ProductName,\n"
    "                        FileVersion, CompanyName, ...); may be repeated\n"
    "      --fullscreen      start full screen\n"
    "      --files=DIR       also write the files packed with the movie into DIR\n"
    "                        (one input only)\n"
    "      --json            one JSON object per file, one line each\n"
    "  -q, --quiet           tell failures only: no progress, no refusals\n"
    "  -v, --verbose         also tell each file written; info lists each packed\n"
    "                        file\n"
    "  -h, --help            show this text\n"
    "      --version         show the version and the licence\n"
    "\n"
    "Exit status: 0 all written, 1 something refused (and nothing failed),\n"
    "2 something failed or the command line is wrong.\n";

std::string versionText() {
  return std::string("pravix ") + PRAVIX_VERSION +
         "\n" PRAVIX_COPYRIGHT
         "\n"
         "License MIT: <https://opensource.org/licenses/MIT>.\n"
         "This is free software: you may change and share it. There is NO WARRANTY.\n";
}

Options parse(int argc, char** argv) {
  Options options;
  if (argc < 2) throw UsageError("no command");
  const std::string name = argv[1];
  if (name == "pack") {
    options.command = Command::Pack;
  } else if (name == "extract") {
    options.command = Command::Extract;
  } else if (name == "info") {
    options.command = Command::Info;
  } else if (name == "-h" || name == "--help") {
    return options;
  } else if (name == "--version") {
    options.command = Command::Version;
    return options;
  } else {
    throw UsageError("unknown command \"" + name + "\"");
  }

  // The command stands where getopt expects the program's name. A fresh start each call.
  const int count = argc - 1;
  char** arguments = argv + 1;
  opterr = 0;
  optind = 0;
  for (int code;
       (code = getopt_long(count, arguments, kShortOptions, kLongOptions, nullptr)) != -1;) {
    if (code == '?' || code == ':') throw UsageError(wrongOption(code, arguments));
    refuseElsewhere(options.command, code);
    switch (code) {
      case 'o':
        options.output = nonEmpty(optarg, "-o");
        break;
      case 'd':
        options.outputFolder = nonEmpty(optarg, "--output-dir");
        break;
      case 'f':
        options.force = true;
        break;
      case 's':
        options.screenSaver = true;
        break;
      case kStub:
        options.stub = nonEmpty(optarg, "--stub");
        break;
      case kInclude:
        options.game.include = nonEmpty(optarg, "--include");
        break;
      case kIcon:
        options.game.icon = nonEmpty(optarg, "--icon");
        break;
      case kTitle:
        options.game.title = nonEmpty(optarg, "--title", "a title");
        break;
      case kVersionInfo:
        setVersionInfo(options.game, optarg);
        break;
      case kFullScreen:
        options.game.fullScreen = true;
        break;
      case kFiles:
        options.filesFolder = nonEmpty(optarg, "--files");
        break;
      case kJson:
        options.json = true;
        break;
      case 'q':
        options.verbosity = Verbosity::Quiet;
        break;
      case 'v':
        options.verbosity = Verbosity::Verbose;
        break;
      case 'h':
        options.command = Command::Help;
        return options;
      case kVersion:
        options.command = Command::Version;
        return options;
    }
  }
  options.inputs.assign(arguments + optind, arguments + count);
  check(options);
  return options;
}

}  // namespace pravix::cli
