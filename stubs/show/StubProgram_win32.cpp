// What the two stub programs share on Win32: their name, their error output, their arguments and
// "/x PATH".
#include <windows.h>

#include <cstdlib>

#include "platform/Path.h"
#include "platform/System.h"
#include "stubs/rules/EmbeddedMovie.h"
#include "stubs/show/StubProgram.h"

namespace pravix::stub {
namespace {

bool writeLine(HANDLE handle, const std::string& text) {
  DWORD written = 0;
  return WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

}  // namespace

std::string programName() {
  return fileName(executablePath());
}

std::string programTitle(const char* extension) {
  const std::string name = programName();
  const std::string own = fileExtension(name);
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, own.c_str(), -1, extension, -1) ==
                 CSTR_EQUAL
             ? name.substr(0, name.size() - own.size())
             : name;
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

ExitCode badUsage(const std::string& switches) {
  const std::string name = programName();
  printError(name + ": usage: " + name + " " + switches);
  return kExitUsage;
}

ExitCode extractOwnMovie(Package kind, const std::vector<std::string>& operands) {
  const std::string name = programName();
  if (operands.size() != 1 || operands.front().empty()) return badUsage("/x PATH");
  const std::string& target = operands.front();
  std::string problem;
  const std::optional<EmbeddedMovie> movie = EmbeddedMovie::open(executablePath(), kind, problem);
  if (!movie) {
    printError(name + ": " + problem);
    return kExitRefused;
  }
  try {
    ReplacementFile output(target);
    movie->copyTo(output.file());
    output.commit();
    return kExitWritten;
  } catch (const StreamReadError& error) {
    printError(name + ": cannot read the movie from " + executablePath() + ": " + error.what());
    return kExitRefused;
  } catch (const StreamWriteError& error) {
    printError(name + ": cannot write " + target + ": " + error.what());
    return kExitFailed;
  } catch (const FileError& error) {
    // A target that cannot be created, replaced or moved in place; the message names it.
    printError(name + ": " + error.what());
    return kExitFailed;
  }
}

}  // namespace pravix::stub
