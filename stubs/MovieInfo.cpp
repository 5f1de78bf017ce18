// A movie's header as text for a person, in the stubs' messages and windows.
#include "stubs/MovieInfo.h"

#include <cstdio>

namespace pravix::stub {
namespace {

std::string signatureText(const MovieHeader& header) {
  std::string printable;
  for (uint8_t byte : header.signatureBytes) {
    if (byte < 0x20 || byte > 0x7E) {
      printable.clear();
      for (uint8_t each : header.signatureBytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", each);
        printable += printable.empty() ? hex : std::string(" ") + hex;
      }
      break;
    }
    printable += static_cast<char>(byte);
  }
  return printable;
}

}  // namespace

std::string describeMovie(uint64_t length, const MovieHeader& header, Detail detail) {
  const bool brief = detail == Detail::Brief;
  std::string text = (brief ? "" : "Movie size: ") + std::to_string(length) + " bytes\n";
  const std::string signature = signatureText(header);
  const std::string version = std::to_string(header.version);
  switch (header.signature) {
    case MovieHeader::Signature::TooShort:
      return text + "Too short to hold a movie header";
    case MovieHeader::Signature::Unknown:
      if (brief) return text + "Not a movie: " + signature;
      return text + "Signature: " + signature +
             " (not a recognised movie signature)\nVersion byte: " + version;
    case MovieHeader::Signature::Uncompressed:
      text += brief ? signature + " v" + version : "Signature: FWS (uncompressed)";
      break;
    case MovieHeader::Signature::Zlib:
      text += brief ? signature + " v" + version : "Signature: CWS (zlib compressed)";
      break;
    case MovieHeader::Signature::Lzma:
      text += brief ? signature + " v" + version : "Signature: ZWS (LZMA compressed)";
      break;
  }
  if (brief) return text;
  text += "\nVersion: " + version;
  if (header.hasFrameInfo) {
    text += "\nFrame size: " + pixelsText(header.widthTwips) + " x " +
            pixelsText(header.heightTwips) + " px";
    text += "\nFrame rate: " + frameRateText(header.frameRate) + " fps";
    text += "\nFrame count: " + std::to_string(header.frameCount);
  }
  return text;
}

}  // namespace pravix::stub
