// Test helpers shared by the test files.
#include "tests/TestSupport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace pravix::test {

Bytes patternBytes(size_t size, uint32_t seed) {
  Bytes bytes(size);
  uint32_t state = seed * 2654435761u + 1;
  for (auto& byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<uint8_t>(state >> 16);
  }
  return bytes;
}

Bytes concat(const Bytes& first, const Bytes& second) {
  Bytes joined(first);
  joined.insert(joined.end(), second.begin(), second.end());
  return joined;
}

namespace {

// The trailers written out by hand, byte by byte, apart from the code that writes them.
Bytes littleEndian(uint64_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

}  // namespace

std::function<size_t(uint64_t offset, uint8_t* out, size_t count)> readerOver(const Bytes& bytes) {
  return [&bytes](uint64_t offset, uint8_t* out, size_t count) {
    EXPECT_LE(offset + count, bytes.size()) << "a read past the end";
    if (offset >= bytes.size()) return size_t{0};
    count = std::min<size_t>(count, bytes.size() - static_cast<size_t>(offset));
    std::copy_n(bytes.begin() + static_cast<ptrdiff_t>(offset), count, out);
    return count;
  };
}

Bytes movieStart(const char* signature, const Bytes& rest) {
  const auto byte = [signature](int i) { return static_cast<uint8_t>(signature[i]); };
  return concat({byte(0), byte(1), byte(2), 10, 0x45, 0x23, 0x01, 0x00}, rest);
}

const Bytes kStageFrame = {0x78, 0x00, 0x05, 0x5F, 0x00, 0x00, 0x0F,
                           0xA0, 0x00, 0x00, 0x18, 0x01, 0x00};

Bytes projectorTrailer(uint32_t length) {
  return concat({0x56, 0x34, 0x12, 0xFA}, littleEndian(length));
}

Bytes projectorBytes(const Bytes& stub, const Bytes& movie) {
  return concat(concat(stub, movie), projectorTrailer(static_cast<uint32_t>(movie.size())));
}

Bytes screenSaverBytes(const Bytes& stub, const Bytes& movie) {
  return concat(concat(stub, movie), littleEndian(movie.size() + 4));
}

namespace {

void putAt(Bytes& bytes, size_t at, uint64_t value, size_t count) {
  for (size_t i = 0; i < count; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

Bytes programImage(bool wide) {
  Bytes image(0x800, 0);
  image[0] = 'M';
  image[1] = 'Z';
  putAt(image, 0x3C, 0x40, 4);
  image[0x40] = 'P';
  image[0x41] = 'E';
  const size_t optional = 0x58;
  const size_t optionalSize = wide ? 0xF0 : 0xE0;
  putAt(image, 0x44, wide ? 0x8664 : 0x14C, 2);  // the machine
  putAt(image, 0x46, 3, 2);                      // sections
  putAt(image, 0x54, optionalSize, 2);
  putAt(image, 0x56, 0x22, 2);  // an executable, large addresses aware
  putAt(image, optional, wide ? 0x20B : 0x10B, 2);
  putAt(image, optional + 8, 0x400, 4);  // initialised data
  putAt(image, optional + 32, 0x1000, 4);
  putAt(image, optional + 36, 0x200, 4);
  putAt(image, optional + 56, 0x4000, 4);  // the image's size
  putAt(image, optional + 60, 0x200, 4);   // the headers'
  putAt(image, optional + 64, 0x1234, 4);  // a checksum, to be kept up to date
  const size_t directories = optional + (wide ? 112 : 96);
  putAt(image, directories - 4, 16, 4);
  putAt(image, directories + 2 * 8, 0x2000, 4);
  putAt(image, directories + 2 * 8 + 4, 16, 4);
  putAt(image, directories + 5 * 8, 0x3000, 4);
  putAt(image, directories + 5 * 8 + 4, 12, 4);
  struct {
    const char* name;
    uint32_t virtualSize, address, rawSize, rawOffset, characteristics;
  } sections[] = {{".text", 0x200, 0x1000, 0x200, 0x200, 0x60000020},
                  {".rsrc", 16, 0x2000, 16, 0x400, 0x40000040},
                  {".reloc", 12, 0x3000, 0x200, 0x600, 0x42000040}};
  size_t at = optional + optionalSize;
  for (const auto& section : sections) {
    std::copy_n(section.name, std::strlen(section.name), image.begin() + at);
    putAt(image, at + 8, section.virtualSize, 4);
    putAt(image, at + 12, section.address, 4);
    putAt(image, at + 16, section.rawSize, 4);
    putAt(image, at + 20, section.rawOffset, 4);
    putAt(image, at + 36, section.characteristics, 4);
    at += 40;
  }
  const Bytes text = patternBytes(0x200, 1);
  std::copy(text.begin(), text.end(), image.begin() + 0x200);
  const Bytes relocations = patternBytes(12, 2);
  std::copy(relocations.begin(), relocations.end(), image.begin() + 0x600);
  return image;
}

Bytes iconFile(const std::vector<std::pair<unsigned, unsigned>>& sizes) {
  Bytes file(6 + 16 * sizes.size(), 0);
  putAt(file, 2, 1, 2);
  putAt(file, 4, sizes.size(), 2);
  size_t entry = 6;
  for (const auto& [width, height] : sizes) {
    // The header, the pixels, and the mask's rows of 32 bits.
    Bytes image(40, 0);
    putAt(image, 0, 40, 4);
    putAt(image, 4, width, 4);
    putAt(image, 8, 2 * height, 4);
    putAt(image, 12, 1, 2);
    putAt(image, 14, 32, 2);
    image = concat(image, patternBytes(width * height * 4 + (width + 31) / 32 * 4 * height, width));
    file[entry] = static_cast<uint8_t>(width % 256);
    file[entry + 1] = static_cast<uint8_t>(height % 256);
    putAt(file, entry + 4, 1, 2);
    putAt(file, entry + 6, 32, 2);
    putAt(file, entry + 8, image.size(), 4);
    putAt(file, entry + 12, file.size(), 4);
    file = concat(file, image);
    entry += 16;
  }
  return file;
}

std::string openMessage(const std::string& path, const std::string& reason) {
  return "Cannot open file \"" + path + "\". " + reason;
}

std::string createMessage(const std::string& path, const std::string& reason) {
  return "Cannot create file \"" + path + "\". " + reason;
}

void writeBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

Bytes readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void makeReadOnly(const fs::path& path) {
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

bool readOnlyIsEnforced([[maybe_unused]] const fs::path& folder) {
#ifdef _WIN32
  const fs::path probe = folder / "read-only-probe";
  writeBytes(probe, {1});
  makeReadOnly(probe);
  const bool enforced = !std::ofstream(probe, std::ios::binary | std::ios::app);
  fs::permissions(probe, fs::perms::owner_write, fs::perm_options::add);
  fs::remove(probe);
  return enforced;
#else
  return true;  // the POSIX file layer refuses writers of a read-only file, root included
#endif
}

std::map<std::string, Bytes> snapshot(const fs::path& folder) {
  constexpr size_t kWhole = 1 << 20, kEnds = 4096;
  std::map<std::string, Bytes> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    const std::string name = fs::relative(entry.path(), folder).string();
    const uintmax_t size = entry.file_size();
    if (size <= kWhole) {
      files[name] = readBytes(entry.path());
      continue;
    }
    const std::string sizeText = std::to_string(size);
    Bytes ends(sizeText.begin(), sizeText.end());
    std::ifstream in(entry.path(), std::ios::binary);
    for (const auto at : {uintmax_t{0}, size - kEnds}) {
      Bytes part(kEnds);
      in.seekg(static_cast<std::streamoff>(at));
      in.read(reinterpret_cast<char*>(part.data()), static_cast<std::streamsize>(kEnds));
      ends = concat(ends, part);
    }
    files[name] = ends;
  }
  return files;
}

void TempDirTest::SetUp() {
  static std::atomic<unsigned> counter{0};
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  std::string name = std::string(info->name()).substr(0, 40);
  for (char& c : name) {
    if (c == '/') c = '_';  // parameterised tests are named "Case/N"
  }
  dir_ = fs::temp_directory_path() /
         ("pravix-" + name + "-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  fs::create_directories(dir_);
}

void TempDirTest::TearDown() {
  std::error_code ignored;
  for (const auto& entry : fs::recursive_directory_iterator(dir_, ignored)) {
    fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
  }
  fs::remove_all(dir_, ignored);
}

}  // namespace pravix::test
