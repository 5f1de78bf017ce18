// Fuzzes the decoder of request paths: what it gives is never a way out of the folder it is
// relative to, nor a name Windows would read as something else.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "stubs/site/RequestPath.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view target(reinterpret_cast<const char*>(data), size);
  const std::optional<std::string> path = pravix::stub::decodeRequestPath(target);
  if (!path) return 0;
  PRAVIX_FUZZ_CHECK(path->find_first_of(std::string(":\\\0", 3)) == std::string::npos,
                    "a decoded path holds a colon, a backslash or a NUL");
  // Every segment is a name: none empty (but a last one, after a trailing "/"), "." or "..".
  std::string_view rest(*path);
  for (size_t slash = rest.find('/'); slash != std::string_view::npos; slash = rest.find('/')) {
    const std::string_view segment = rest.substr(0, slash);
    PRAVIX_FUZZ_CHECK(!segment.empty() && segment != "." && segment != "..",
                      "a decoded path holds an empty, \".\" or \"..\" segment");
    rest.remove_prefix(slash + 1);
  }
  PRAVIX_FUZZ_CHECK(rest != "." && rest != "..", "a decoded path ends in \".\" or \"..\"");
  return 0;
}
