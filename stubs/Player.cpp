// The projector stub: hands its movie to the program associated with movies, or writes it out.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/System.h"
#include "stubs/EmbeddedMovie.h"

namespace {

using namespace pravix;
using namespace pravix::stub;

constexpr const char* kCaption = "Pravix Player";
constexpr const char* kMovieExtension = ".swf";
// Only a plain run can end this way; "/x" keeps to the shared exit codes.
constexpr int kExitCannotOpen = 4;

void showMessage(const std::string& text, UINT icon) {
  MessageBoxA(nullptr, text.c_str(), kCaption, MB_OK | icon);
}

bool movieTypeHasProgram() {
  // Without ASSOCF_INIT_IGNOREUNKNOWN an unknown type answers with the "Open with" chooser.
  for (ASSOCSTR what : {ASSOCSTR_EXECUTABLE, ASSOCSTR_COMMAND}) {
    DWORD size = 0;
    const HRESULT result =
        AssocQueryStringA(ASSOCF_INIT_IGNOREUNKNOWN, what, kMovieExtension, "open", nullptr, &size);
    if ((result == S_OK || result == S_FALSE) && size > 1) return true;
  }
  return false;
}

// A file of our own in the temporary folder; the name is claimed by creating it.
std::optional<std::string> writeTemporaryMovie(const EmbeddedMovie& movie, std::string& problem) {
  char folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder) {
    problem = "There is no temporary folder: " + systemErrorText(static_cast<int>(GetLastError()));
    return std::nullopt;
  }
  const std::string stem = std::string(folder) + "Pravix-" + std::to_string(GetCurrentProcessId()) +
                           "-" + std::to_string(GetTickCount()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string path = stem + std::to_string(attempt) + kMovieExtension;
    int error = 0;
    std::optional<File> file = File::createNew(path, error);
    if (!file && File::nameTaken(error)) continue;
    if (!file) {
      problem = "Cannot write " + path + ": " + systemErrorText(error);
      return std::nullopt;
    }
    try {
      movie.copyTo(*file);
      return path;
    } catch (const FileError& failure) {
      // A truncated movie would look like a whole one to the program that opens it.
      file.reset();
      removeFile(path);
      problem = "Cannot write " + path + ": " + failure.what();
      return std::nullopt;
    }
  }
  problem = "Cannot find a free file name in " + std::string(folder);
  return std::nullopt;
}

int play() {
  std::string problem;
  const std::optional<EmbeddedMovie> movie =
      EmbeddedMovie::open(executablePath(), Package::Projector, problem);
  if (!movie) {
    showMessage("There is no movie to show.\n\n" + problem + ".", MB_ICONERROR);
    return kExitNoMovie;
  }
  const std::string details = describeMovie(movie->length(), movie->header(), Detail::Full);
  if (!movieTypeHasProgram()) {
    showMessage("No program is associated with " + std::string(kMovieExtension) +
                    " files, so the movie cannot be shown.\n\n" + details,
                MB_ICONINFORMATION);
    return kExitSuccess;
  }

  const std::optional<std::string> path = writeTemporaryMovie(*movie, problem);
  if (!path) {
    showMessage(problem + "\n\n" + details, MB_ICONERROR);
    return kExitCannotWrite;
  }

  // Shell extensions that handle the verb may need COM on this thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  SHELLEXECUTEINFOA execute{};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  execute.lpVerb = "open";
  execute.lpFile = path->c_str();
  execute.nShow = SW_SHOWNORMAL;
  const bool opened = ShellExecuteExA(&execute) != FALSE;
  const DWORD error = GetLastError();
  const KernelObject viewer(opened ? execute.hProcess : nullptr);
  if (SUCCEEDED(com)) CoUninitialize();

  if (!opened) {
    removeFile(*path);
    showMessage("The program associated with " + std::string(kMovieExtension) +
                    " files could not be started: " + systemErrorText(static_cast<int>(error)) +
                    "\n\n" + details,
                MB_ICONERROR);
    return kExitCannotOpen;
  }
  // The movie must outlive the viewer that reads it. When the viewer handed it on to a program
  // that was already running there is no process to wait for, and the file stays behind in the
  // temporary folder; a viewer that still holds it open also keeps the delete from succeeding.
  if (viewer) {
    WaitForSingleObject(viewer.get(), INFINITE);
    removeFile(*path);
  }
  return kExitSuccess;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::vector<std::string> arguments = programArguments();
  if (arguments.empty()) return play();
  const std::optional<Switch> command = parseSwitch(arguments);
  if (command && command->letter == 'x') {
    return extractOwnMovie(Package::Projector, command->operands);
  }
  const std::string name = programName();
  printError(name + ": usage: " + name + " [/x PATH]");
  return kExitBadUsage;
}
