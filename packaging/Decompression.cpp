// The decompressors behind one interface: zlib for its stream and for raw deflate, liblzma's
// decoder of the .lzma format where the build has it (PRAVIX_HAVE_LZMA).
#include "packaging/Decompression.h"

#define ZLIB_CONST
#include <zlib.h>
#ifdef PRAVIX_HAVE_LZMA
#include <lzma.h>
#endif

#include <algorithm>
#include <new>
#include <stdexcept>

namespace pravix {

class DecompressedStream::Decoder {
 public:
  // The input and the output of one decompression step, moved on by it.
  struct Window {
    const uint8_t* in;
    size_t inLeft;
    uint8_t* out;
    size_t outLeft;
  };
  enum class Step { More, End, Damaged };

  virtual ~Decoder() = default;
  // More while the data goes on, whether or not the step could move; End at its end marker;
  // Damaged with error() set.
  virtual Step decode(Window& window) = 0;
  const std::string& error() const { return error_; }

 protected:
  std::string error_;
};

namespace {

using Window = DecompressedStream::Decoder::Window;
using Step = DecompressedStream::Decoder::Step;

// The compressed bytes read from the input at a time.
constexpr size_t kInputChunk = 4096;
// liblzma's decoder allocates its dictionary by the header's word; a forged one costs no more.
constexpr uint64_t kLzmaMemoryLimit = 16 * 1024 * 1024;

// Runs one step of a zlib or a liblzma stream, whose fields have the same names, over `window`.
template <typename Stream, typename Code>
auto runStream(Stream& stream, Window& window, Code code) {
  // zlib counts in 32 bits.
  stream.next_in = window.in;
  stream.avail_in =
      static_cast<decltype(stream.avail_in)>(std::min<size_t>(window.inLeft, 1u << 30));
  stream.next_out = window.out;
  stream.avail_out =
      static_cast<decltype(stream.avail_out)>(std::min<size_t>(window.outLeft, 1u << 30));
  const size_t inBefore = stream.avail_in, outBefore = stream.avail_out;
  const auto result = code(&stream);
  window.in += inBefore - stream.avail_in;
  window.inLeft -= inBefore - stream.avail_in;
  window.out += outBefore - stream.avail_out;
  window.outLeft -= outBefore - stream.avail_out;
  return result;
}

class ZlibDecoder : public DecompressedStream::Decoder {
 public:
  // zlib's own framing, or raw deflate (negative window bits), as a zip keeps it.
  ZlibDecoder(bool raw, const char* what) : what_(what) {
    if (inflateInit2(&stream_, raw ? -MAX_WBITS : MAX_WBITS) != Z_OK) throw std::bad_alloc();
  }
  ~ZlibDecoder() override { inflateEnd(&stream_); }
  ZlibDecoder(const ZlibDecoder&) = delete;
  ZlibDecoder& operator=(const ZlibDecoder&) = delete;

  Step decode(Window& window) override {
    const int result =
        runStream(stream_, window, [](z_stream* stream) { return inflate(stream, Z_NO_FLUSH); });
    // Z_BUF_ERROR: no step was possible, which the caller sees as no move.
    if (result == Z_OK || result == Z_BUF_ERROR) return Step::More;
    if (result == Z_STREAM_END) return Step::End;
    error_ = std::string("the ") + what_ + " data is damaged (" +
             (stream_.msg != nullptr ? stream_.msg : zError(result)) + ")";
    return Step::Damaged;
  }

 private:
  z_stream stream_{};
  const char* what_;
};

#ifdef PRAVIX_HAVE_LZMA
// The .lzma format's decoder: the properties, the dictionary size and the uncompressed size (13
// bytes), then raw LZMA data.
class LzmaDecoder : public DecompressedStream::Decoder {
 public:
  LzmaDecoder() {
    if (lzma_alone_decoder(&stream_, kLzmaMemoryLimit) != LZMA_OK) throw std::bad_alloc();
  }
  ~LzmaDecoder() override { lzma_end(&stream_); }
  LzmaDecoder(const LzmaDecoder&) = delete;
  LzmaDecoder& operator=(const LzmaDecoder&) = delete;

  Step decode(Window& window) override {
    const lzma_ret result =
        runStream(stream_, window, [](lzma_stream* stream) { return lzma_code(stream, LZMA_RUN); });
    if (result == LZMA_OK || result == LZMA_BUF_ERROR) return Step::More;
    if (result == LZMA_STREAM_END) return Step::End;
    error_ = result == LZMA_FORMAT_ERROR || result == LZMA_OPTIONS_ERROR
                 ? "the LZMA properties are not valid"
                 : "the LZMA data is damaged";
    return Step::Damaged;
  }

 private:
  lzma_stream stream_ = LZMA_STREAM_INIT;
};
#endif

std::unique_ptr<DecompressedStream::Decoder> decoderFor(Codec codec) {
  switch (codec) {
    case Codec::Zlib:
      return std::make_unique<ZlibDecoder>(false, "zlib");
    case Codec::Deflate:
      return std::make_unique<ZlibDecoder>(true, "deflated");
    case Codec::Lzma:
#ifdef PRAVIX_HAVE_LZMA
      return std::make_unique<LzmaDecoder>();
#else
      break;
#endif
  }
  throw std::logic_error("This build cannot decompress LZMA");
}

}  // namespace

bool canDecompress(Codec codec) {
#ifdef PRAVIX_HAVE_LZMA
  static_cast<void>(codec);
  return true;
#else
  return codec != Codec::Lzma;
#endif
}

DecompressedStream::DecompressedStream(Codec codec, ByteStream& input, std::vector<uint8_t> header)
    : decoder_(decoderFor(codec)), input_(input), buffer_(std::move(header)) {}

DecompressedStream::~DecompressedStream() = default;

size_t DecompressedStream::read(uint8_t* bytes, size_t count) {
  Window window{nullptr, 0, bytes, count};
  while (window.outLeft > 0 && !ended_ && error_.empty()) {
    if (used_ == buffer_.size() && !inputEnded_) {
      buffer_.resize(kInputChunk);
      buffer_.resize(input_.read(buffer_.data(), buffer_.size()));
      used_ = 0;
      inputEnded_ = buffer_.empty();
    }
    // At the input's end the decoder still gives out what it holds back.
    window.in = buffer_.data() + used_;
    window.inLeft = buffer_.size() - used_;
    const Window before = window;
    const Step step = decoder_->decode(window);
    used_ = buffer_.size() - window.inLeft;
    if (step == Step::End) {
      ended_ = true;
    } else if (step == Step::Damaged) {
      error_ = decoder_->error();
    } else if (window.inLeft == before.inLeft && window.outLeft == before.outLeft) {
      // No move: the input has ended inside the data, which is cut short.
      if (inputEnded_) break;
      error_ = "the compressed data is damaged";
    }
  }
  return count - window.outLeft;
}

void inflateMovie(const File& from, const MovieLocation& movie, File& to,
                  const Progress& progress) {
  const ReadAt read = readerOf(from, movie.offset + movie.length);
  RangeStream deflated(read, movie.offset, movie.length);
  DecompressedStream inflated(Codec::Deflate, deflated);
  std::vector<uint8_t> buffer(Copier::kBufferSize);
  uint64_t written = 0;
  uLong crc = crc32(0, nullptr, 0);
  for (;;) {
    const size_t made = inflated.read(buffer.data(), buffer.size());
    // More than the zip promised: damaged, and no reason to fill the disk before saying so.
    if (made > movie.size - written) break;
    to.writeExactly(buffer.data(), made);
    crc = crc32(crc, buffer.data(), static_cast<uInt>(made));
    written += made;
    if (progress) progress(written, movie.size);
    if (made < buffer.size()) break;
  }
  if (!inflated.ended() || written != movie.size || crc != movie.crc) {
    throw StreamReadError(from.name(), "its movie's deflated bytes are damaged");
  }
}

}  // namespace pravix
