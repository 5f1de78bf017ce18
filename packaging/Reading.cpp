// Reading a file's bytes through the file layer.
#include "packaging/Reading.h"

#include <algorithm>

namespace pravix {

ReadAt readerOf(const File& file, uint64_t size) {
  return [&file, size](uint64_t offset, uint8_t* bytes, size_t count) {
    count = static_cast<size_t>(std::min<uint64_t>(count, size - offset));
    file.readAt(offset, bytes, count);
    return count;
  };
}

}  // namespace pravix
