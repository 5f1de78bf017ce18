// The two packaged layouts: stub + movie + trailer. Shared by the packer and the stubs that read
// it.
#pragma once

#include <array>
#include <cstdint>

namespace pravix {

// Projector: stub, movie (L bytes), marker (4 bytes LE), L (4 bytes LE).
constexpr uint32_t kProjectorMarker = 0xFA123456;
constexpr uint32_t kProjectorTrailerSize = 8;

// Screen saver: stub, movie (L bytes), back offset L + 4 (4 bytes LE). No marker.
constexpr uint32_t kScreenSaverTrailerSize = 4;

// The largest movie each trailer can describe: its 32-bit length field must hold it.
constexpr uint64_t kMaxProjectorMovie = 0xFFFFFFFFull;
constexpr uint64_t kMaxScreenSaverMovie = 0xFFFFFFFFull - kScreenSaverTrailerSize;

// The file names of the two stubs, looked for in the program directory.
constexpr const char* kProjectorStubName = "Player.exe";
constexpr const char* kScreenSaverStubName = "Quendel.dll";

inline void putLittleEndian32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline uint32_t getLittleEndian32(const uint8_t* in) {
  return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
         static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}

inline std::array<uint8_t, kProjectorTrailerSize> projectorTrailer(uint32_t movieLength) {
  std::array<uint8_t, kProjectorTrailerSize> trailer{};
  putLittleEndian32(trailer.data(), kProjectorMarker);
  putLittleEndian32(trailer.data() + 4, movieLength);
  return trailer;
}

inline std::array<uint8_t, kScreenSaverTrailerSize> screenSaverTrailer(uint32_t movieLength) {
  std::array<uint8_t, kScreenSaverTrailerSize> trailer{};
  putLittleEndian32(trailer.data(), movieLength + kScreenSaverTrailerSize);
  return trailer;
}

}  // namespace pravix
