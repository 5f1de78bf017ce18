// Raw deflate, as a zip keeps it: zlib without its own header, and the zip's CRC-32 checked.
#include "cli/Inflate.h"

#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>
#include <new>
#include <vector>

namespace pravix::cli {
namespace {

// A raw inflater that ends with its object.
class Inflater {
 public:
  Inflater() {
    if (inflateInit2(&stream_, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
  }
  ~Inflater() { inflateEnd(&stream_); }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  // Unpacks from `in` into `out`, both moved on; Z_STREAM_END at the data's end, Z_OK while it
  // goes on, anything else when it is damaged or has made no progress.
  int run(const uint8_t*& in, size_t& inLeft, uint8_t*& out, size_t& outLeft) {
    stream_.next_in = in;
    stream_.avail_in = static_cast<uInt>(std::min<size_t>(inLeft, 1u << 30));
    stream_.next_out = out;
    stream_.avail_out = static_cast<uInt>(std::min<size_t>(outLeft, 1u << 30));
    const uInt inBefore = stream_.avail_in, outBefore = stream_.avail_out;
    const int result = inflate(&stream_, Z_NO_FLUSH);
    in += inBefore - stream_.avail_in;
    inLeft -= inBefore - stream_.avail_in;
    out += outBefore - stream_.avail_out;
    outLeft -= outBefore - stream_.avail_out;
    return result;
  }

 private:
  z_stream stream_{};
};

constexpr size_t kChunk = Copier::kBufferSize;

}  // namespace

void inflateMovie(const File& from, const MovieLocation& movie, File& to,
                  const Progress& progress) {
  Inflater inflater;
  std::vector<uint8_t> input(kChunk), output(kChunk);
  uint64_t read = 0, written = 0;
  uLong crc = crc32(0, nullptr, 0);
  const uint8_t* in = input.data();
  size_t inLeft = 0;
  int result = Z_OK;
  while (result == Z_OK) {
    if (inLeft == 0 && read < movie.length) {
      inLeft = static_cast<size_t>(std::min<uint64_t>(kChunk, movie.length - read));
      from.readAt(movie.offset + read, input.data(), inLeft);
      read += inLeft;
      in = input.data();
    }
    uint8_t* out = output.data();
    size_t outLeft = output.size();
    const size_t inBefore = inLeft;
    result = inflater.run(in, inLeft, out, outLeft);
    const size_t made = output.size() - outLeft;
    if (result == Z_OK && made == 0 && inLeft == inBefore) break;
    to.writeExactly(output.data(), made);
    crc = crc32(crc, output.data(), static_cast<uInt>(made));
    written += made;
    // More than the zip promised: damaged, and no reason to fill the disk before saying so.
    if (written > movie.size) break;
    if (progress) progress(written, movie.size);
  }
  if (result != Z_STREAM_END || written != movie.size || crc != movie.crc) {
    throw StreamReadError(from.name(), "its movie's deflated bytes are damaged");
  }
}

struct InflatedStart::Stream {
  const ReadAt& read;
  MovieLocation movie;
  Inflater inflater{};
  std::vector<uint8_t> input = std::vector<uint8_t>(kChunk);
  const uint8_t* in = nullptr;
  size_t inLeft = 0;
  uint64_t consumed = 0;
  std::vector<uint8_t> made{};
  bool ended = false;
};

InflatedStart::InflatedStart(const ReadAt& read, const MovieLocation& movie)
    : stream_(new Stream{read, movie}) {}

InflatedStart::~InflatedStart() = default;

size_t InflatedStart::read(uint64_t offset, uint8_t* bytes, size_t count) {
  Stream& s = *stream_;
  const uint64_t wanted = std::min<uint64_t>(offset + count, kLimit);
  while (!s.ended && s.made.size() < wanted) {
    if (s.inLeft == 0) {
      const auto part =
          static_cast<size_t>(std::min<uint64_t>(kChunk, s.movie.length - s.consumed));
      s.inLeft = part == 0 ? 0 : s.read(s.movie.offset + s.consumed, s.input.data(), part);
      s.consumed += s.inLeft;
      s.in = s.input.data();
    }
    const size_t before = s.made.size();
    s.made.resize(static_cast<size_t>(wanted));
    uint8_t* out = s.made.data() + before;
    size_t outLeft = s.made.size() - before;
    const size_t inBefore = s.inLeft;
    const int result = s.inflater.run(s.in, s.inLeft, out, outLeft);
    s.made.resize(s.made.size() - outLeft);
    s.ended = result != Z_OK || (s.made.size() == before && s.inLeft == inBefore);
  }
  if (offset >= s.made.size()) return 0;
  const auto got = static_cast<size_t>(std::min<uint64_t>(count, s.made.size() - offset));
  std::copy_n(s.made.begin() + static_cast<std::ptrdiff_t>(offset), got, bytes);
  return got;
}

}  // namespace pravix::cli
