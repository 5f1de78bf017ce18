// Reading the movie out of the stub's own file, error output and the shared command-line rules.
#include "stubs/EmbeddedMovie.h"

#include "platform/System.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace pravix::stub {
namespace {

// Positional reads keep the movie's methods const and independent of any earlier read.
bool readAt(HANDLE file, uint64_t offset, void* buffer, DWORD count) {
  auto* bytes = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(offset);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!ReadFile(file, bytes, count, &got, &position)) return false;
    if (got == 0) {
      SetLastError(ERROR_HANDLE_EOF);
      return false;
    }
    bytes += got;
    offset += got;
    count -= got;
  }
  return true;
}

bool writeAll(HANDLE file, const uint8_t* bytes, DWORD count) {
  while (count > 0) {
    DWORD put = 0;
    if (!WriteFile(file, bytes, count, &put, nullptr)) return false;
    if (put == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    bytes += put;
    count -= put;
  }
  return true;
}

bool writeLine(HANDLE handle, const std::string& text) {
  DWORD written = 0;
  return WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

}  // namespace

std::string programName() {
  const std::string path = executablePath();
  const size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::optional<EmbeddedMovie> EmbeddedMovie::open(const std::string& path, Package kind,
                                                 std::string& problem) {
  // Others may hold the running image open for reading too; nobody may write it meanwhile.
  FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size)) {
    problem = "cannot read " + path + ": " + systemErrorText(static_cast<int>(GetLastError()));
    return std::nullopt;
  }
  const auto fileSize = static_cast<uint64_t>(size.QuadPart);
  uint8_t tail[kLongestTrailerSize] = {};
  const size_t tailSize = trailerSize(kind);
  if (fileSize >= tailSize &&
      !readAt(file.get(), fileSize - tailSize, tail, static_cast<DWORD>(tailSize))) {
    problem = "cannot read " + path + ": " + systemErrorText(static_cast<int>(GetLastError()));
    return std::nullopt;
  }
  // An empty movie counts as none: every movie has a header, and a bare stub's last bytes are
  // often zeros, which read as an empty screen saver's trailer.
  const Located located = locateMovie(kind, fileSize, tail);
  if (located.status != Located::Status::Found || located.movie.length == 0) {
    problem = path + " holds no movie";
    return std::nullopt;
  }
  return EmbeddedMovie(std::move(file), located.movie);
}

MovieHeader EmbeddedMovie::header() const {
  uint8_t bytes[kMovieHeaderBytes] = {};
  const auto count = static_cast<DWORD>(std::min<uint64_t>(range_.length, sizeof bytes));
  if (!readAt(file_.get(), range_.offset, bytes, count)) return MovieHeader{};
  return readMovieHeader(bytes, count);
}

WriteResult EmbeddedMovie::writeTo(const std::string& path, WriteMode mode) const {
  FileHandle output(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                mode == WriteMode::Replace ? CREATE_ALWAYS : CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!output) return WriteResult::CreateFailed;

  constexpr DWORD kChunk = 1 << 16;
  std::vector<uint8_t> buffer(kChunk);
  uint64_t done = 0;
  WriteResult result = WriteResult::Done;
  while (done < range_.length) {
    const auto count = static_cast<DWORD>(std::min<uint64_t>(kChunk, range_.length - done));
    if (!readAt(file_.get(), range_.offset + done, buffer.data(), count)) {
      result = WriteResult::ReadFailed;
      break;
    }
    if (!writeAll(output.get(), buffer.data(), count)) {
      result = WriteResult::WriteFailed;
      break;
    }
    done += count;
  }
  if (result == WriteResult::Done) return result;

  // A truncated movie would look like a success to whoever opens it next.
  const DWORD error = GetLastError();
  output.reset();
  DeleteFileA(path.c_str());
  SetLastError(error);
  return result;
}

void printError(const std::string& line) {
  const std::string text = line + "\n";
  const HANDLE inherited = GetStdHandle(STD_ERROR_HANDLE);
  if (inherited != nullptr && inherited != INVALID_HANDLE_VALUE && writeLine(inherited, text)) {
    return;
  }
  // A GUI program started from a console window gets no standard handles of its own. Attaching
  // fails with ERROR_ACCESS_DENIED when the process already has a console (Wine hands the
  // parent's one down), and the console is usable then too, so the outcome is not checked.
  AttachConsole(ATTACH_PARENT_PROCESS);
  const FileHandle console(CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       0, nullptr));
  if (console) writeLine(console.get(), text);
}

std::vector<std::string> programArguments() {
  std::vector<std::string> arguments;
  for (int i = 1; i < __argc; ++i) arguments.emplace_back(__argv[i]);
  return arguments;
}

std::optional<Switch> parseSwitch(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return std::nullopt;
  const std::string& first = arguments.front();
  if (first.size() < 2 || (first[0] != '/' && first[0] != '-')) return std::nullopt;
  const char letter = first[1];
  const bool ascii = (letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z');
  if (!ascii || (first.size() > 2 && first[2] != ':')) return std::nullopt;

  Switch result;
  result.letter = static_cast<char>(letter | 0x20);
  if (first.size() > 2) result.operands.push_back(first.substr(3));
  result.operands.insert(result.operands.end(), arguments.begin() + 1, arguments.end());
  return result;
}

int extractOwnMovie(Package kind, const std::vector<std::string>& operands) {
  const std::string name = programName();
  if (operands.size() != 1 || operands.front().empty()) {
    printError(name + ": usage: " + name + " /x PATH");
    return kExitBadUsage;
  }
  const std::string& target = operands.front();
  std::string problem;
  const std::optional<EmbeddedMovie> movie = EmbeddedMovie::open(executablePath(), kind, problem);
  if (!movie) {
    printError(name + ": " + problem);
    return kExitNoMovie;
  }
  const WriteResult result = movie->writeTo(target, WriteMode::Replace);
  if (result == WriteResult::Done) return kExitSuccess;
  const std::string reason = systemErrorText(static_cast<int>(GetLastError()));
  switch (result) {
    case WriteResult::Done:
      break;
    case WriteResult::ReadFailed:
      printError(name + ": cannot read the movie from " + executablePath() + ": " + reason);
      return kExitNoMovie;
    case WriteResult::CreateFailed:
      printError(name + ": cannot create " + target + ": " + reason);
      return kExitCannotWrite;
    case WriteResult::WriteFailed:
      printError(name + ": cannot write " + target + ": " + reason);
      return kExitCannotWrite;
  }
  return kExitCannotWrite;
}

}  // namespace pravix::stub
