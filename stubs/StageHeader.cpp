// Reading the frame of a plain or zlib-compressed movie: only as many bytes as the frame needs.
#include "stubs/StageHeader.h"

#include <zlib.h>

#include <algorithm>

namespace pravix::stub {
namespace {

// The frame (a rectangle of at most 17 bytes, rate and count) and a little more.
constexpr size_t kFrameBytes = 32;
// Compressed bytes read to find the frame: zlib's header and its first block's start.
constexpr size_t kCompressedBytes = 512;

// Inflates the start of a zlib stream into `frame`; how many bytes came out.
size_t inflateStart(uint8_t* input, size_t count, uint8_t* frame) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return 0;
  stream.next_in = input;
  stream.avail_in = static_cast<uInt>(count);
  stream.next_out = frame;
  stream.avail_out = kFrameBytes;
  inflate(&stream, Z_SYNC_FLUSH);
  const size_t produced = kFrameBytes - stream.avail_out;
  inflateEnd(&stream);
  return produced;
}

}  // namespace

MovieHeader readStageHeader(const File& file, const MovieLocation& movie) {
  uint8_t bytes[kMovieFrameStart + kCompressedBytes] = {};
  const auto count = static_cast<size_t>(std::min<uint64_t>(movie.length, sizeof bytes));
  try {
    file.readAt(movie.offset, bytes, count);
  } catch (const StreamReadError&) {
    return MovieHeader{};
  }
  MovieHeader header = readMovieHeader(bytes, count);
  if (header.signature == MovieHeader::Signature::Zlib && count > kMovieFrameStart) {
    uint8_t frame[kFrameBytes] = {};
    const size_t produced = inflateStart(bytes + kMovieFrameStart, count - kMovieFrameStart, frame);
    readMovieFrame(frame, produced, header);
  }
  return header;
}

}  // namespace pravix::stub
