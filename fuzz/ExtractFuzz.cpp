// Fuzzes extraction: every input is a would-be projector, and the outcome must match its trailer.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "platform/File.h"
#include "packaging/GlobalUnit.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

// One scratch folder per fuzzing process, removed when it ends.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "pravix-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) __builtin_trap();
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  std::string file(const char* name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  PRAVIX_FUZZ_CHECK(out.good(), "cannot write the fuzz input");
}

std::optional<Bytes> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

enum class Outcome { Extracted, NoMarker, ReadError };

// Read apart from the format's own code: the oracle must not share its mistakes.
uint32_t littleEndian32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// What the trailer rules say extraction must do with `data`, and where the movie sits.
Outcome expectedOutcome(const uint8_t* data, size_t size, size_t* movieStart, size_t* movieLength) {
  // Below the trailer's size the seek is ignored: the marker is read from the start of the file.
  const size_t at = size >= 8 ? size - 8 : 0;
  if (size - at < 4) return Outcome::ReadError;
  if (littleEndian32(data + at) != 0xFA123456) return Outcome::NoMarker;
  if (size - at < 8) return Outcome::ReadError;
  const uint64_t length = littleEndian32(data + at + 4);
  if (length > at) return Outcome::ReadError;
  *movieStart = at - static_cast<size_t>(length);
  *movieLength = static_cast<size_t>(length);
  return Outcome::Extracted;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ScratchFolder folder;
  const std::string projector = folder.file("projector.exe");
  const std::string target = folder.file("movie.swf");
  writeFile(projector, data, size);

  // Half of the runs find an older file at the target, which only a successful run may replace.
  std::error_code ignored;
  fs::remove(target, ignored);
  const Bytes older = {'o', 'l', 'd', 'e', 'r', 0, 0xFF};
  const bool targetStood = size > 0 && (data[0] & 1) != 0;
  if (targetStood) writeFile(target, older.data(), older.size());

  size_t movieStart = 0;
  size_t movieLength = 0;
  const Outcome expected = expectedOutcome(data, size, &movieStart, &movieLength);

  std::optional<Outcome> outcome;
  try {
    outcome = pravix::ExeToSwf(projector, target) ? Outcome::Extracted : Outcome::NoMarker;
  } catch (const pravix::StreamReadError&) {
    outcome = Outcome::ReadError;
  } catch (const pravix::StreamWriteError&) {
  } catch (const pravix::FileOpenError&) {
  } catch (const pravix::FileCreateError&) {
  }
  PRAVIX_FUZZ_CHECK(outcome.has_value(), "an open, create or write failure in a private folder");
  PRAVIX_FUZZ_CHECK(*outcome == expected, "the outcome disagrees with the trailer");

  const std::optional<Bytes> written = readFile(target);
  if (*outcome == Outcome::Extracted) {
    PRAVIX_FUZZ_CHECK(written.has_value(), "extraction reported success without a target");
    PRAVIX_FUZZ_CHECK(written->size() == movieLength &&
                          std::equal(written->begin(), written->end(), data + movieStart),
                      "the target is not the movie the trailer names");
  } else if (targetStood) {
    PRAVIX_FUZZ_CHECK(written == older, "a failed extraction changed the file at its target");
  } else {
    PRAVIX_FUZZ_CHECK(!written.has_value(), "a failed extraction created its target");
  }
  // The source is only read.
  PRAVIX_FUZZ_CHECK(readFile(projector) == Bytes(data, data + size), "the projector changed");
  return 0;
}
