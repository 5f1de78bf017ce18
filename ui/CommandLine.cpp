// The command line's own splitting rules and the table of what its arguments ask for.
#include "ui/CommandLine.h"

#include "platform/Path.h"

namespace pravix {
namespace {

bool isSeparator(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 1 && byte <= ' ';
}

// Upper-cases the ASCII letters a to z only, whatever the code page.
std::string upperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

}  // namespace

std::vector<std::string> splitCommandLine(std::string_view line) {
  // The line ends at its first NUL, as the platform's string does.
  line = line.substr(0, line.find('\0'));
  std::vector<std::string> items;
  size_t at = 0;
  for (;;) {
    for (;;) {
      while (at < line.size() && isSeparator(line[at])) ++at;
      if (line.substr(at, 2) != "\"\"") break;
      at += 2;
    }
    if (at >= line.size()) return items;
    std::string item;
    while (at < line.size() && !isSeparator(line[at])) {
      if (line[at] == '"') {
        const size_t close = line.find('"', at + 1);
        const size_t end = close == std::string_view::npos ? line.size() : close;
        item.append(line.substr(at + 1, end - at - 1));
        at = close == std::string_view::npos ? end : close + 1;
      } else {
        item += line[at++];
      }
    }
    items.push_back(std::move(item));
  }
}

std::string commandLineArgument(std::string_view line, size_t index) {
  std::vector<std::string> items = splitCommandLine(line);
  return index < items.size() ? std::move(items[index]) : std::string();
}

std::optional<Task> chooseConversion(std::string_view argument1, std::string_view argument2) {
  const std::string extension = upperAscii(fileExtension(argument1));
  if (extension == ".SWF") {
    return upperAscii(argument2) == "SCR" ? Task::PackScreenSaver : Task::PackProjector;
  }
  if (extension == ".EXE") return Task::Extract;
  return std::nullopt;
}

}  // namespace pravix
