// Fuzzes `pravix info`: every input is a file to describe; the kind must match its trailers,
// signature and the evidence of every other layout, read here apart from the code under test, and
// the JSON line must stay one line.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "cli/Info.h"
#include "fuzz/FuzzSupport.h"

namespace {

uint32_t littleEndian32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

constexpr uint8_t kZipEnd[] = {'P', 'K', 5, 6};

bool signatureAt(const uint8_t* data, size_t size, uint64_t at) {
  if (at + 3 > size) return false;
  return std::memcmp(data + at, "FWS", 3) == 0 || std::memcmp(data + at, "CWS", 3) == 0 ||
         std::memcmp(data + at, "ZWS", 3) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using pravix::Layout;
  using pravix::cli::FileInfo;
  const FileInfo info =
      pravix::cli::describeFile(size, [&](uint64_t offset, uint8_t* bytes, size_t count) {
        PRAVIX_FUZZ_CHECK(offset <= size, "a read past the end of the file");
        count = std::min<size_t>(count, size - static_cast<size_t>(offset));
        std::memcpy(bytes, data + offset, count);
        return count;
      });

  // The marker is looked for in the last eight bytes, or from the start of a shorter file.
  const size_t end = size >= 8 ? size - 8 : 0;
  const bool marker = size >= 4 && littleEndian32(data + end) == 0xFA123456;
  const bool projector = marker && size >= 8 && littleEndian32(data + size - 4) <= size - 8;
  const bool damaged = size < 4 || (marker && !projector);
  const bool packaged = info.kind == FileInfo::Kind::Packaged;
  PRAVIX_FUZZ_CHECK(projector == (packaged && info.layout == Layout::Projector),
                    "the projector's trailer and the kind disagree");
  PRAVIX_FUZZ_CHECK(
      info.kind != FileInfo::Kind::Damaged || info.layout != Layout::Projector || damaged,
      "a damaged projector whose trailer is whole");
  PRAVIX_FUZZ_CHECK(!damaged || info.kind != FileInfo::Kind::Other,
                    "a damaged projector told as none");
  PRAVIX_FUZZ_CHECK(!info.stubSize || *info.stubSize + info.movieSize <= size,
                    "a movie that reaches past the file's end");
  // Every other layout needs its own evidence, damaged or not.
  const bool elf = size >= 52 && data[0] == 0x7F && std::memcmp(data + 1, "ELF", 3) == 0;
  if (packaged || info.kind == FileInfo::Kind::Damaged) {
    switch (info.layout) {
      case Layout::LinuxI386Projector:
        PRAVIX_FUZZ_CHECK(elf && data[4] == 1, "a 32-bit Linux projector without its ELF header");
        break;
      case Layout::LinuxX8664Projector:
        PRAVIX_FUZZ_CHECK(elf && data[4] == 2, "a 64-bit Linux projector without its ELF header");
        break;
      case Layout::ClassicMacProjector:
        PRAVIX_FUZZ_CHECK(size >= 4 && std::memcmp(data + size - 4, "\xFA\x12\x34\x56", 4) == 0,
                          "a classic Mac projector without its marker");
        break;
      case Layout::MacAppZip:
        PRAVIX_FUZZ_CHECK(std::search(data, data + size, kZipEnd, kZipEnd + 4) != data + size,
                          "a zipped projector without a zip's end record");
        break;
      default:
        break;
    }
  }
  if (projector) {
    PRAVIX_FUZZ_CHECK(info.movieSize == littleEndian32(data + size - 4) &&
                          *info.stubSize + info.movieSize + 8 == size,
                      "the projector's movie is not where its trailer says");
  } else if (packaged && info.layout == Layout::ScreenSaver) {
    const uint32_t back = littleEndian32(data + size - 4);
    PRAVIX_FUZZ_CHECK(back >= 4 && back <= size && info.movieSize == back - 4u &&
                          *info.stubSize == size - back && signatureAt(data, size, *info.stubSize),
                      "the screen saver's movie is not where its back offset says");
  } else if (info.kind == FileInfo::Kind::Movie) {
    PRAVIX_FUZZ_CHECK(signatureAt(data, size, 0) && info.movieSize == size,
                      "a movie without a signature, or not all of the file");
  }
  PRAVIX_FUZZ_CHECK(!info.header.hasFrameInfo || info.header.error.empty(),
                    "a frame read from a damaged header");

  const std::string name(reinterpret_cast<const char*>(data), std::min<size_t>(size, 16));
  const std::string json = pravix::cli::infoJson(name, info);
  PRAVIX_FUZZ_CHECK(json.find('\n') == json.size() - 1, "the JSON is not one line");
  PRAVIX_FUZZ_CHECK(std::none_of(json.begin(), json.end() - 1,
                                 [](char c) { return static_cast<unsigned char>(c) < 0x20; }),
                    "a control character left unescaped in the JSON");
  pravix::cli::infoText(name, info);
  return 0;
}
