// Fuzzes the command-line rules: splitting, picking one argument, and choosing the conversion.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "ui/CommandLine.h"

namespace {

std::string upperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

bool endsWith(const std::string& text, const char* suffix) {
  const std::string_view s(suffix);
  return text.size() >= s.size() && text.compare(text.size() - s.size(), s.size(), s) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> items = pravix::splitCommandLine(line);

  for (const auto& item : items) {
    PRAVIX_FUZZ_CHECK(item.find('\0') == std::string::npos, "an item holds a NUL");
  }

  // Without quotes and separators the line (up to its NUL) is one item, or none when empty.
  const std::string_view text = line.substr(0, line.find('\0'));
  bool plain = true;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || (byte >= 1 && byte <= 32)) plain = false;
  }
  if (plain) {
    PRAVIX_FUZZ_CHECK(items.size() == (text.empty() ? 0u : 1u), "a plain line split apart");
    PRAVIX_FUZZ_CHECK(items.empty() || items[0] == text, "a plain line changed");
  }

  for (size_t i = 0; i <= items.size(); ++i) {
    const std::string argument = pravix::commandLineArgument(line, i);
    PRAVIX_FUZZ_CHECK(argument == (i < items.size() ? items[i] : std::string()),
                      "commandLineArgument disagrees with splitCommandLine");
  }

  // Only the names are compared: no conversion is run.
  const std::string first = items.size() > 1 ? items[1] : std::string();
  const std::string second = items.size() > 2 ? items[2] : std::string();
  const std::optional<pravix::Task> conversion = pravix::chooseConversion(first, second);
  const std::string upper = upperAscii(first);
  std::optional<pravix::Task> expected;
  // Only a name whose last "." follows its last "/" has an extension.
  const bool hasExtension =
      upper.rfind('.') != std::string::npos &&
      (upper.rfind('/') == std::string::npos || upper.rfind('/') < upper.rfind('.'));
  if (hasExtension && endsWith(upper, ".SWF") && upper.rfind('.') == upper.size() - 4) {
    expected =
        upperAscii(second) == "SCR" ? pravix::Task::PackScreenSaver : pravix::Task::PackProjector;
  } else if (hasExtension && endsWith(upper, ".EXE") && upper.rfind('.') == upper.size() - 4) {
    expected = pravix::Task::Extract;
  }
  PRAVIX_FUZZ_CHECK(conversion == expected, "the wrong conversion for the arguments");
  return 0;
}
