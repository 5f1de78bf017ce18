// Integers in a file's bytes, for every reader and writer of the packaging: little-endian as the
// trailers, a movie's header, ELF images and zips keep them, big-endian as the classic Mac
// projector's trailer does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pravix {

// The `count` bytes (at most 8) at `bytes`, least significant first.
constexpr uint64_t littleEndian(const uint8_t* bytes, size_t count) {
  uint64_t value = 0;
  for (size_t i = count; i-- > 0;) value = value << 8 | bytes[i];
  return value;
}

constexpr uint16_t littleEndian16(const uint8_t* bytes) {
  return static_cast<uint16_t>(littleEndian(bytes, 2));
}

constexpr uint32_t littleEndian32(const uint8_t* bytes) {
  return static_cast<uint32_t>(littleEndian(bytes, 4));
}

// The `count` bytes (at most 8) at `bytes`, most significant first.
constexpr uint64_t bigEndian(const uint8_t* bytes, size_t count) {
  uint64_t value = 0;
  for (size_t i = 0; i < count; ++i) value = value << 8 | bytes[i];
  return value;
}

// Writes the low `count` bytes of `value` at `out`, least significant first.
constexpr void putLittleEndian(uint8_t* out, uint64_t value, size_t count) {
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Appends the low `count` bytes (at most 8) of `value` to `bytes`, least significant first.
inline void appendLittleEndian(std::string& bytes, uint64_t value, size_t count) {
  uint8_t out[8];
  putLittleEndian(out, value, count);
  bytes.append(reinterpret_cast<const char*>(out), count);
}

}  // namespace pravix
