// Test helpers shared by the test files.
#include "tests/TestSupport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
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
