// One adapter over the decompressors the packaging reads through: zlib's stream (a CWS movie), raw
// deflate (a zip's entry), and LZMA (a ZWS movie) where the build links liblzma.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "packaging/MovieLocation.h"
#include "packaging/Reading.h"
#include "platform/File.h"

namespace pravix {

enum class Codec { Zlib, Deflate, Lzma };

// Whether this build decompresses `codec`: zlib's two everywhere, LZMA where liblzma was found
// (natively); the Win32 stubs carry no LZMA decoder.
bool canDecompress(Codec codec);

// What a decompressor makes of `input`, read in order as far as it goes: to the compressed data's
// end, to the input's end (data cut short), or to damage, which error() then tells.
class DecompressedStream : public ByteStream {
 public:
  // `header`: bytes the decompressor reads before the input's own (the header liblzma expects,
  // which a movie keeps in a form of its own). std::logic_error for a codec this build lacks,
  // std::bad_alloc when the decompressor cannot start.
  DecompressedStream(Codec codec, ByteStream& input, std::vector<uint8_t> header = {});
  ~DecompressedStream() override;
  DecompressedStream(const DecompressedStream&) = delete;
  DecompressedStream& operator=(const DecompressedStream&) = delete;

  size_t read(uint8_t* bytes, size_t count) override;

  // Whether the compressed data has ended whole, at its end marker.
  bool ended() const { return ended_; }
  // Why the compressed data is damaged, for a person; empty while it is not.
  const std::string& error() const { return error_; }

  // The decompressor behind the stream: zlib's or liblzma's, behind one interface.
  class Decoder;

 private:
  std::unique_ptr<Decoder> decoder_;
  ByteStream& input_;
  std::vector<uint8_t> buffer_;
  size_t used_ = 0;  // how much of buffer_ the decoder has taken
  bool inputEnded_ = false;
  bool ended_ = false;
  std::string error_;
};

// Writes the movie that `movie` keeps deflated in `from` (a zip's entry) at the position of `to`:
// StreamReadError when its bytes do not unpack to its size and CRC-32.
void inflateMovie(const File& from, const MovieLocation& movie, File& to, const Progress& progress);

}  // namespace pravix
