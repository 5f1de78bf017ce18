// Fuzzes the path helpers under several rule sets, double-byte code pages among them.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "platform/Path.h"
#include "tests/CodePageRules.h"

namespace {

const pravix::PathRules kRules[] = {pravix::test::kPosixRules, pravix::test::kWindowsRules,
                                    pravix::test::kShiftJisRules, pravix::test::kHighLeadRules};

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view path(reinterpret_cast<const char*>(data), size);
  for (const auto& rules : kRules) {
    const std::string extension = pravix::fileExtension(path, rules);
    const std::string directory = pravix::fileDirectory(path, rules);

    PRAVIX_FUZZ_CHECK(endsWith(path, extension), "the extension is not the path's end");
    PRAVIX_FUZZ_CHECK(extension.empty() || extension[0] == '.', "the extension lacks its dot");
    PRAVIX_FUZZ_CHECK(pravix::changeFileExtension(path, extension, rules) == path,
                      "putting the extension back changed the path");
    PRAVIX_FUZZ_CHECK(startsWith(path, directory), "the directory is not the path's start");
    PRAVIX_FUZZ_CHECK(
        directory.empty() || rules.separators.find(directory.back()) != std::string_view::npos,
        "the directory does not end in a separator");
    PRAVIX_FUZZ_CHECK(directory.size() + extension.size() <= path.size(),
                      "the directory and the extension overlap");

    // A new extension replaces exactly the old one.
    const std::string changed = pravix::changeFileExtension(path, ".swf", rules);
    PRAVIX_FUZZ_CHECK(
        changed == std::string(path.substr(0, path.size() - extension.size())) + ".swf",
        "the new extension did not replace the old one");
    PRAVIX_FUZZ_CHECK(pravix::fileExtension(changed, rules) == ".swf" ||
                          (rules.isLeadByte != pravix::test::noLeadByte &&
                           pravix::fileExtension(changed, rules).empty()),
                      "the new extension is not found again");
  }
  return 0;
}
