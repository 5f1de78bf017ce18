// A game's options: the options file's text read and written, and the rules their values follow.
#include "packaging/GameOptions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <set>

#include "platform/Path.h"
#include "platform/Text.h"

namespace pravix {

// What a program is and which version, as Explorer's Details tab shows first; then whose it is, and
// the rest.
const std::vector<std::string_view> kVersionNames = {
    "FileDescription", "FileVersion",    "ProductName",     "ProductVersion",
    "CompanyName",     "LegalCopyright", "LegalTrademarks", "OriginalFilename",
    "InternalName",    "Comments",       "PrivateBuild",    "SpecialBuild",
};

namespace {

constexpr std::string_view kBlanks = " \t";

// An options file of more than this is no file a person wrote: it is refused as damaged.
constexpr uint64_t kLargestOptionsFile = 1024 * 1024;

bool sameName(std::string_view first, std::string_view second) {
  return asciiLowerCase(std::string(first)) == asciiLowerCase(std::string(second));
}

std::string_view trimmed(std::string_view text) {
  const size_t start = text.find_first_not_of(kBlanks);
  if (start == std::string_view::npos) return {};
  return text.substr(start, text.find_last_not_of(kBlanks) + 1 - start);
}

std::string quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

// The entry of kVersionNames that is `name` in any case; nothing for another name.
std::optional<std::string_view> versionNameOf(std::string_view name) {
  const auto found = std::find_if(kVersionNames.begin(), kVersionNames.end(),
                                  [&](std::string_view each) { return sameName(each, name); });
  if (found == kVersionNames.end()) return std::nullopt;
  return *found;
}

std::string unknownVersionName(std::string_view name) {
  std::string reason = quoted(name) + " is not a version string's name: use one of ";
  for (std::string_view each : kVersionNames) {
    reason += each;
    reason += each == kVersionNames.back() ? "" : ", ";
  }
  return reason;
}

// Whether `text` is one to four numbers of 0 to 65535 separated by ".", nothing else.
bool isVersionNumber(std::string_view text) {
  for (int parts = 1; parts <= 4; ++parts) {
    const std::string_view part = text.substr(0, text.find('.'));
    uint16_t number = 0;
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), number);
    if (part.empty() || error != std::errc{} || end != part.data() + part.size()) return false;
    if (part.size() == text.size()) return true;
    text.remove_prefix(part.size() + 1);
  }
  return false;
}

// What makes `value` no value for `what` ("the title", or a version string's name) that a stub
// can take; nothing when it is one.
std::optional<std::string> valueFault(std::string_view what, std::string_view value) {
  const std::optional<std::u16string> wide = utf16Of(value);
  if (!wide) return std::string(what) + " is not UTF-8 text";
  const auto control = [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; };
  if (std::any_of(value.begin(), value.end(), control)) {
    return std::string(what) + " holds a control character";
  }
  if (wide->size() > kLongestOptionText) {
    return std::string(what) + " is longer than " + std::to_string(kLongestOptionText) +
           " characters";
  }
  if ((what == "FileVersion" || what == "ProductVersion") && !isVersionNumber(value)) {
    return std::string(what) + " " + quoted(value) +
           " is not up to four numbers from 0 to 65535 separated by dots, such as 1.2.3.4";
  }
  return std::nullopt;
}

// The bytes of an options file as UTF-8 text: without a byte-order mark, or with UTF-8's, as they
// are (they are checked line by line); with UTF-16's, turned into UTF-8.
std::string textOf(std::string_view bytes, const std::string& file) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::string(bytes.substr(3));
  const bool little = bytes.substr(0, 2) == "\xFF\xFE";
  if (!little && bytes.substr(0, 2) != "\xFE\xFF") return std::string(bytes);
  bytes.remove_prefix(2);
  std::u16string wide;
  for (size_t at = 0; at + 1 < bytes.size(); at += 2) {
    const auto first = static_cast<unsigned char>(bytes[at]);
    const auto second = static_cast<unsigned char>(bytes[at + 1]);
    wide += static_cast<char16_t>(little ? second << 8 | first : first << 8 | second);
  }
  std::optional<std::string> text = utf8Of(wide);
  if (!text || bytes.size() % 2 != 0) throw FileFormatError(file, "is not UTF-16 text");
  return *text;
}

// A value as the file gives it: the double quotes around it dropped, which keep blanks at its
// ends, or make a value look like one in quotes.
std::string_view unquoted(std::string_view value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// The line that gives `value` to `name`.
std::string line(std::string_view name, std::string_view value) {
  const bool quote = !value.empty() && (trimmed(value) != value || unquoted(value) != value);
  return std::string(name) + "=" + (quote ? quoted(value) : std::string(value)) + "\r\n";
}

enum class Section { None, Projector, Version };

// Reads the options file's lines one by one into `options`, each name given once.
class OptionsReader {
 public:
  explicit OptionsReader(const std::string& file) : file_(file) {}

  void read(std::string_view text) {
    for (;;) {
      const size_t end = text.find_first_of("\r\n");
      readLine(text.substr(0, end));
      if (end == std::string_view::npos) return;
      text.remove_prefix(text.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1);
    }
  }

  GameOptions& options() { return options_; }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw FileFormatError(file_, "line " + std::to_string(lineNumber_) + ": " + what);
  }

  void readLine(std::string_view text) {
    ++lineNumber_;
    if (!utf16Of(text) || text.find('\0') != std::string_view::npos) {
      throw FileFormatError(file_, "line " + std::to_string(lineNumber_) + " is not UTF-8 text");
    }
    text = trimmed(text);
    if (text.empty() || text.front() == ';' || text.front() == '#') return;
    const size_t equals = text.find('=');
    if (text.front() == '[' && text.back() == ']') {
      readSection(trimmed(text.substr(1, text.size() - 2)));
    } else if (equals == std::string_view::npos || trimmed(text.substr(0, equals)).empty()) {
      fail(quoted(text) + " is neither a [section] nor a name=value line");
    } else {
      readValue(trimmed(text.substr(0, equals)), unquoted(trimmed(text.substr(equals + 1))));
    }
  }

  void readSection(std::string_view name) {
    if (sameName(name, "Projector")) {
      section_ = Section::Projector;
    } else if (sameName(name, "Version")) {
      section_ = Section::Version;
    } else {
      fail("[" + std::string(name) +
           "] is not a section of an options file: use [Projector] or [Version]");
    }
  }

  void readValue(std::string_view name, std::string_view value) {
    if (section_ == Section::None) fail("a name=value line must be inside a section");
    const std::string_view canonical =
        section_ == Section::Projector ? optionName(name) : versionName(name);
    if (!given_.insert(canonical).second) fail(quoted(canonical) + " is given twice");
    if (value.empty()) return;
    if (canonical == "Include") {
      options_.include = value;
    } else if (canonical == "Icon") {
      options_.icon = value;
    } else if (canonical == "FullScreen") {
      options_.fullScreen = flagOf(value);
    } else {
      if (std::optional<std::string> fault =
              valueFault(canonical == "Title" ? "the title" : canonical, value)) {
        fail(*fault);
      }
      if (canonical == "Title") {
        options_.title = value;
      } else {
        setVersionString(options_, canonical, std::string(value), file_);
      }
    }
  }

  std::string_view optionName(std::string_view name) const {
    for (std::string_view option : {"Include", "Icon", "Title", "FullScreen"}) {
      if (sameName(option, name)) return option;
    }
    fail(quoted(name) + " is not an option of [Projector]: use Include, Icon, Title or FullScreen");
  }

  std::string_view versionName(std::string_view name) const {
    if (std::optional<std::string_view> canonical = versionNameOf(name)) return *canonical;
    fail(unknownVersionName(name));
  }

  bool flagOf(std::string_view value) const {
    for (std::string_view yes : {"yes", "true", "on", "1"}) {
      if (sameName(value, yes)) return true;
    }
    for (std::string_view no : {"no", "false", "off", "0"}) {
      if (sameName(value, no)) return false;
    }
    fail("FullScreen " + quoted(value) + " is neither yes nor no");
  }

  const std::string& file_;
  GameOptions options_;
  Section section_ = Section::None;
  std::set<std::string_view> given_;
  size_t lineNumber_ = 0;
};

// A path as the options file writes it, as a path from the movie's folder `folder`: "\" and "/"
// both separate folders in the file, whatever the system; an absolute path stays where it is.
std::string pathFrom(const std::string& folder, std::string path) {
  if (hostPathRules().separators.find('\\') == std::string_view::npos) {
    std::replace(path.begin(), path.end(), '\\', '/');
  }
  const bool absolute = path.front() == '/' || path.front() == '\\' ||
                        (path.size() >= 2 && path[1] == ':' &&
                         std::isalpha(static_cast<unsigned char>(path.front())));
  return absolute ? path : folder + path;
}

}  // namespace

bool operator==(const VersionString& a, const VersionString& b) {
  return a.name == b.name && a.value == b.value;
}

bool operator==(const GameOptions& a, const GameOptions& b) {
  return a.include == b.include && a.icon == b.icon && a.title == b.title &&
         a.fullScreen == b.fullScreen && a.version == b.version;
}

bool dressesStub(const GameOptions& options) {
  return options.icon || options.title || options.fullScreen.value_or(false) ||
         !options.version.empty();
}

GameOptions overlaid(const GameOptions& over, const GameOptions& base) {
  GameOptions options = base;
  if (over.include) options.include = over.include;
  if (over.icon) options.icon = over.icon;
  if (over.title) options.title = over.title;
  if (over.fullScreen) options.fullScreen = over.fullScreen;
  for (const VersionString& each : over.version) setVersionString(options, each.name, each.value);
  return options;
}

void setVersionString(GameOptions& options, std::string_view name, std::string value,
                      const std::string& file) {
  const std::optional<std::string_view> canonical = versionNameOf(name);
  if (!canonical) throw FileFormatError(file, unknownVersionName(name));
  const auto rank = [](std::string_view each) {
    return std::find(kVersionNames.begin(), kVersionNames.end(), each) - kVersionNames.begin();
  };
  const auto place =
      std::find_if(options.version.begin(), options.version.end(),
                   [&](const VersionString& each) { return rank(each.name) >= rank(*canonical); });
  if (place != options.version.end() && place->name == *canonical) {
    place->value = std::move(value);
  } else {
    options.version.insert(place, {std::string(*canonical), std::move(value)});
  }
}

void checkOptions(const GameOptions& options, const std::string& file) {
  std::optional<std::string> fault;
  if (options.title) fault = valueFault("the title", *options.title);
  for (auto each = options.version.begin(); !fault && each != options.version.end(); ++each) {
    fault = valueFault(each->name, each->value);
  }
  if (fault) throw FileFormatError(file, *fault);
}

std::string optionsFileOf(const std::string& movie) {
  return changeFileExtension(movie, ".pravix.ini");
}

std::string optionsText(const GameOptions& options) {
  std::string text =
      "; The options Pravix packs the movie of the same name with. Paths are relative to its "
      "folder.\r\n";
  std::string projector;
  if (options.include && !options.include->empty()) projector += line("Include", *options.include);
  if (options.icon && !options.icon->empty()) projector += line("Icon", *options.icon);
  if (options.title && !options.title->empty()) projector += line("Title", *options.title);
  if (options.fullScreen) projector += line("FullScreen", *options.fullScreen ? "yes" : "no");
  if (!projector.empty()) text += "\r\n[Projector]\r\n" + projector;
  std::string version;
  for (const VersionString& each : options.version) {
    if (!each.value.empty()) version += line(each.name, each.value);
  }
  if (!version.empty()) text += "\r\n[Version]\r\n" + version;
  return text;
}

GameOptions parseOptions(std::string_view text, const std::string& file) {
  OptionsReader reader(file);
  reader.read(textOf(text, file));
  return std::move(reader.options());
}

std::optional<GameOptions> readOptionsFile(const std::string& movie, FileRules rules) {
  std::optional<GameOptions> options = readWrittenOptions(movie, rules);
  if (options && options->include) options->include = optionPathFrom(movie, *options->include);
  if (options && options->icon) options->icon = optionPathFrom(movie, *options->icon);
  return options;
}

std::optional<GameOptions> readWrittenOptions(const std::string& movie, FileRules rules) {
  const std::string path = optionsFileOf(movie);
  if (!fileSize(path)) return std::nullopt;
  const File file(path, FileMode::ReadShared, rules);
  const uint64_t size = file.size();
  if (size > kLargestOptionsFile) {
    throw FileFormatError(path, "is over 1 MiB: too large for an options file");
  }
  std::string bytes(static_cast<size_t>(size), '\0');
  file.readAt(0, bytes.data(), bytes.size());
  return parseOptions(bytes, path);
}

std::string optionPathFrom(const std::string& movie, const std::string& written) {
  return pathFrom(fileDirectory(movie), written);
}

void writeOptionsFile(const std::string& movie, const GameOptions& options, FileRules rules) {
  checkOptions(options);
  const std::string text = optionsText(options);
  ReplacementFile output(optionsFileOf(movie), rules);
  output.file().writeExactly(text.data(), text.size());
  output.commit();
}

}  // namespace pravix
