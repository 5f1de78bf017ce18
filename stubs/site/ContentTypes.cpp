// What a browser is told each file is, by its extension.
#include "stubs/site/ContentTypes.h"

#include "platform/Path.h"
#include "platform/Text.h"

namespace pravix::stub {

std::string contentTypeOf(const std::string& name) {
  static constexpr struct {
    const char* extension;
    const char* type;
  } kTypes[] = {
      {".html", kPageType},
      {".htm", kPageType},
      {".js", "text/javascript"},
      {".wasm", "application/wasm"},
      {".swf", "application/x-shockwave-flash"},
      {".xml", "text/xml"},
      {".txt", "text/plain"},
      {".json", kJsonType},
      {".css", "text/css"},
      {".jpg", "image/jpeg"},
      {".jpeg", "image/jpeg"},
      {".png", "image/png"},
      {".gif", "image/gif"},
      {".bmp", "image/bmp"},
      {".svg", "image/svg+xml"},
      {".ico", "image/x-icon"},
      {".mp3", "audio/mpeg"},
      {".wav", "audio/wav"},
      {".ogg", "audio/ogg"},
      {".m4a", "audio/mp4"},
      {".flv", "video/x-flv"},
      {".mp4", "video/mp4"},
      {".m4v", "video/mp4"},
      {".webm", "video/webm"},
  };
  const std::string extension =
      asciiLowerCase(fileExtension(name.substr(name.find_last_of('/') + 1)));
  for (const auto& known : kTypes) {
    if (extension == known.extension) return known.type;
  }
  return "application/octet-stream";
}

}  // namespace pravix::stub
