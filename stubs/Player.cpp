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
#include "stubs/MovieInfo.h"
#include "stubs/StubProgram.h"
#include "stubs/Switch.h"

namespace {

using namespace pravix;
using namespace pravix::stub;

constexpr const char* kCaption = "Pravix Player";
constexpr const char* kMovieExtension = ".swf";
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
  std::string path;
  try {
    CreatedFile created = File::createUnique(temporaryDirectory(), "Pravix-", kMovieExtension);
    path = created.path;
    movie.copyTo(created.file);
    return path;
  } catch (const std::runtime_error& failure) {
    // A truncated movie would look like a whole one to the program that opens it.
    if (!path.empty()) removeFile(path);
    problem = failure.what();
    return std::nullopt;
  }
}

int play() {
  std::string problem;
  const std::optional<EmbeddedMovie> movie =
      EmbeddedMovie::open(executablePath(), Package::Projector, problem);
  if (!movie) {
    showMessage("There is no movie to show.\n\n" + problem + ".", MB_ICONERROR);
    return kExitRefused;
  }
  const std::string details = describeMovie(movie->length(), movie->header(), Detail::Full);
  if (!movieTypeHasProgram()) {
    showMessage("No program is associated with " + std::string(kMovieExtension) +
                    " files, so the movie cannot be shown.\n\n" + details,
                MB_ICONINFORMATION);
    return kExitWritten;
  }

  const std::optional<std::string> path = writeTemporaryMovie(*movie, problem);
  if (!path) {
    showMessage(problem + "\n\n" + details, MB_ICONERROR);
    return kExitFailed;
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
    showMessage(SystemError("The program associated with " + std::string(kMovieExtension) +
                                " files could not be started",
                            static_cast<int>(error))
                        .what() +
                    std::string("\n\n") + details,
                MB_ICONERROR);
    return kExitFailed;
  }
  // The movie must outlive the viewer that reads it. When the viewer handed it on to a program
  // that was already running there is no process to wait for, and the file stays behind in the
  // temporary folder; a viewer that still holds it open also keeps the delete from succeeding.
  if (viewer) {
    WaitForSingleObject(viewer.get(), INFINITE);
    removeFile(*path);
  }
  return kExitWritten;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::vector<std::string> arguments = programArguments();
  if (arguments.empty()) return play();
  const std::optional<Switch> command = parseSwitch(arguments);
  if (command && command->letter == 'x') {
    return extractOwnMovie(Package::Projector, command->operands);
  }
  return badUsage("[/x PATH]");
}
