// A movie's header as text for a person, in the stubs' messages and windows.
#include "stubs/rules/MovieInfo.h"

#include <cstdio>

namespace pravix::stub {
namespace {

// The signature's bytes as letters, or in hex when one of them is not printable.
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
  std::string text = (brief ? "" : "Movie size: ") + bytesText(length) + "\n";
  if (!header.hasSignature) return text + "Too short to hold a movie header";
  const std::string signature = signatureText(header);
  const std::string version = std::to_string(header.version);
  if (!header.compression) {
    if (brief) return text + "Not a movie: " + signature;
    return text + "Signature: " + signature +
           " (not a recognised movie signature)\nVersion byte: " + version;
  }
  if (brief) return text + signature + " v" + version;
  text += "Signature: " + signature + " (" + compressionText(*header.compression) +
          ")\nVersion: " + version;
  if (header.hasFrameInfo) {
    text += "\nFrame size: " + pixelsText(header.widthTwips) + " x " +
            pixelsText(header.heightTwips) + " px";
    text += "\nFrame rate: " + frameRateText(header.frameRate) + " fps";
    text += "\nFrame count: " + std::to_string(header.frameCount);
  } else if (header.frameUnknown) {
    text += "\nFrame: compressed, size unknown";
  }
  return text;
}

}  // namespace pravix::stub
