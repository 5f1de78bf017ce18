// The projector stub: plays its movie in a browser window through the web player it carries, or
// writes the movie out.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/System.h"
#include "stubs/show/BrowserShow.h"
#include "stubs/rules/EmbeddedMovie.h"
#include "stubs/show/StubProgram.h"
#include "stubs/rules/Switch.h"

namespace {

using namespace pravix;
using namespace pravix::stub;

constexpr const char* kCaption = "Pravix Player";

void showMessage(const std::string& text, UINT icon) {
  MessageBoxA(nullptr, text.c_str(), kCaption, MB_OK | icon);
}

int play() {
  std::string problem;
  const std::optional<EmbeddedMovie> movie =
      EmbeddedMovie::open(executablePath(), Package::Projector, problem);
  if (!movie) {
    showMessage("There is no movie to show.\n\n" + problem + ".", MB_ICONERROR);
    return kExitRefused;
  }
  const ShowOutcome shown = showInBrowser(*movie, ownFace(programTitle(".exe")), PageMode::Window);
  switch (shown.kind) {
    case ShowOutcome::Kind::Shown:
      return kExitWritten;
    case ShowOutcome::Kind::NoBrowser:
      showMessage("There is no web browser to play the movie in.\n\n" + shown.problem + ".",
                  MB_ICONERROR);
      break;
    case ShowOutcome::Kind::CannotServe:
      showMessage("The movie cannot be played.\n\n" + shown.problem + ".", MB_ICONERROR);
      break;
  }
  return kExitFailed;
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
