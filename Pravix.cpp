// The program's entry point: initialise the application, create the main window, run the loop.
#include <windows.h>

#include "Version.h"
#include "ui/Application.h"
#include "ui/MainFrm.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  pravix::Application application(instance);
  application.setTitle(PRAVIX_TITLE);
  application.createForm<pravix::TMainForm>();
  return application.run();
}
