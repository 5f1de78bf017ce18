// Reading a file's bytes through the file layer, at offsets and in order.
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

size_t RangeStream::read(uint8_t* bytes, size_t count) {
  count = static_cast<size_t>(std::min<uint64_t>(count, left_));
  const size_t got = count == 0 ? 0 : read_(offset_, bytes, count);
  offset_ += got;
  left_ -= got;
  return got;
}

}  // namespace pravix
