// Showing a movie in a browser on Win32: the web player's files, the icon and the game's face from
// the program's resources, the movie from its file, Edge or Chrome found through App Paths, else
// the default browser.
#include "stubs/show/BrowserShow.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "packaging/GameFace.h"
#include "packaging/GameOptions.h"
#include "packaging/IconFile.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "platform/System.h"
#include "platform/TemporaryFolder.h"
#include "stubs/rules/BrowserCommand.h"
#include "stubs/site/FolderFiles.h"
#include "stubs/site/LocalSite.h"
#include "stubs/site/PackedFolder.h"
#include "stubs/show/LoopbackServer.h"
#include "stubs/show/StubProgram.h"
#include "stubs/site/PlayerPage.h"
#include "stubs/site/SaveStore.h"

namespace pravix::stub {
namespace {

// A random secret of 128 bits in every address.
constexpr size_t kSecretBytes = 16;
// The browsers that open an app window, in the order they are looked for.
constexpr const char* kAppBrowsers[] = {"msedge.exe", "chrome.exe"};
// The default browser's page calls back every second; when it has been silent this long, or
// never called within the first wait, it is gone.
constexpr uint64_t kSilenceMs = 5000;
constexpr uint64_t kFirstCallMs = 60000;
// After its browser, the processes it left get this long to end and free the profile's files.
constexpr DWORD kBrowserEndMs = 3000;
// After the page has gone, what it sent last is still read this long.
constexpr uint64_t kLastWordsMs = 300;
constexpr unsigned kProfileRemovalMs = 5000;

struct PlayerFile {
  const char* name;
  int resource;
};
// The web player's files, stored gzip-compressed as RCDATA by the build.
constexpr PlayerFile kPlayerFiles[] = {
#include "stubs/show/PlayerFiles.inc"
};

// The bytes of one of the program's own resources, which stay mapped with its image; nothing when
// it has none of that name and type.
std::optional<std::string_view> ownResource(const char* name, const char* type) {
  const HRSRC found = FindResourceA(nullptr, name, type);
  const HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return std::nullopt;
  return std::string_view(static_cast<const char*>(bytes), SizeofResource(nullptr, found));
}

// The bytes of one of the program's RCDATA resources.
std::string_view resourceBytes(int id, const char* what) {
  const std::optional<std::string_view> bytes = ownResource(MAKEINTRESOURCEA(id), RT_RCDATA);
  if (!bytes) throw std::runtime_error(std::string("The program lacks its ") + what);
  return *bytes;
}

// The program's icon as an .ico file, made from its own icon group and images: those are what a
// packer replaces to give a package the game's icon, and the page's icon is always the program's.
std::string ownIconFile() {
  const std::optional<std::string_view> group =
      ownResource(MAKEINTRESOURCEA(kStubIconGroup), RT_GROUP_ICON);
  std::optional<std::string> file;
  if (group) {
    file =
        iconFileOf(*group, [](uint16_t id) { return ownResource(MAKEINTRESOURCEA(id), RT_ICON); });
  }
  if (!file) throw std::runtime_error("The program lacks its icon");
  return std::move(*file);
}

// `first` and `second`, each a notice for the page's console or empty, one a line.
std::string bothNotices(const std::string& first, const std::string& second) {
  if (first.empty() || second.empty()) return first + second;
  return first + "\n" + second;
}

// What the page shows, and what it tells: when it last called back, whether it asked for the end.
// Both serve the files the program carries; a projector (PageMode::Window) also serves the files
// beside it and keeps its movie's saves.
class PlayerShow : public SiteContent, public ShowEvents {
 public:
  PlayerShow(const EmbeddedMovie& movie, const ShowFace& face, PageMode mode)
      : movie_(movie),
        packed_(movie.file(), movie.location().offset),
        face_(face),
        mode_(mode),
        icon_(ownIconFile()) {
    for (const PlayerFile& player : kPlayerFiles) {
      // Served from the mapped image, never copied whole.
      resources_.push_back(resourceBytes(player.resource, player.name));
    }
    if (mode == PageMode::Window) {
      // Where either cannot be had (a file system that does not tell where a file really is, no
      // folder for the user's data), the movie plays without it; its saves then last as long as
      // the page.
      try {
        beside_.emplace(movie.file());
      } catch (const FileError&) {
      }
      try {
        const std::string folder =
            saveFolderOf(roamingDataDirectory() + "\\Saves\\", movie.file().name());
        saves_.emplace(folder, SaveLimits::forFolder(folder));
      } catch (const FileError&) {
      }
    }
    face_.notice = bothNotices(face_.notice, packed_.problem());
    writePage(false);
  }

  // The page for the default browser, which no switch of ours starts full screen: a game that
  // starts so asks at the user's first key or click. Only before the page is served.
  void showInDefaultBrowser() {
    if (face_.fullScreen) writePage(true);
  }

  std::unique_ptr<Body> page() override { return std::make_unique<BytesBody>(page_); }
  std::unique_ptr<Body> movie() override {
    return std::make_unique<PartOfFileBody>(movie_.file(), movie_.location().offset,
                                            movie_.length());
  }
  std::unique_ptr<Body> icon() override { return std::make_unique<BytesBody>(icon_); }
  std::unique_ptr<Body> playerFile(const std::string& name) override {
    for (size_t i = 0; i < resources_.size(); ++i) {
      if (name == kPlayerFiles[i].name) return std::make_unique<BytesBody>(resources_[i]);
    }
    return nullptr;
  }
  // A file inside the program first: the game plays the same from whatever folder it is in.
  std::unique_ptr<Body> besideFile(const std::string& path) override {
    if (std::unique_ptr<Body> inside = packed_.open(path)) return inside;
    return beside_ ? beside_->open(path) : nullptr;
  }
  SaveStore* saves() override { return saves_ ? &*saves_ : nullptr; }

  void pageCalledBack() override { lastCallBack_ = GetTickCount64(); }
  void endAsked() override { endAsked_ = true; }
  std::optional<std::function<void()>> execAsked(const std::string& name) override {
    const std::optional<std::string> program =
        beside_ ? beside_->program(name, shellLinkTarget) : std::nullopt;
    if (!program) return std::nullopt;
    // Runs on a thread of its own: it owns what it needs.
    return [path = *program] {
      try {
        shellOpen(path, "Cannot start " + path);
      } catch (const SystemError& error) {
        printError(programName() + ": " + error.what());
        throw;
      }
    };
  }

  // When the page last called back (GetTickCount64), or 0 when it never has.
  uint64_t lastCallBack() const { return lastCallBack_; }
  bool ended() const { return endAsked_; }

 private:
  void writePage(bool askFullScreen) {
    page_ = playerPage(face_.title, mode_, saves_ ? saves_->limits() : SaveLimits{}, face_.notice,
                       askFullScreen);
  }

  const EmbeddedMovie& movie_;
  PackedFolder packed_;
  ShowFace face_;
  PageMode mode_;
  std::string page_;
  std::string icon_;
  std::vector<std::string_view> resources_;
  std::optional<FolderFiles> beside_;
  std::optional<SaveStore> saves_;
  uint64_t lastCallBack_ = 0;
  bool endAsked_ = false;
};

// The browser window's outer size: the stage, scaled down to fit the primary monitor's work area,
// in the frame and caption of a window.
WindowSize windowFor(const MovieHeader& header) {
  RECT work{0, 0, 1024, 768};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int frame = GetSystemMetrics(SM_CXSIZEFRAME) + GetSystemMetrics(SM_CXPADDEDBORDER);
  const int extraWidth = 2 * frame;
  const int extraHeight = 2 * frame + GetSystemMetrics(SM_CYCAPTION);
  const WindowSize stage = stageWindowSize(
      header, {work.right - work.left - extraWidth, work.bottom - work.top - extraHeight});
  return {stage.width + extraWidth, stage.height + extraHeight};
}

// Shows the page in Edge or Chrome, started with the command that `commandFor` makes of the
// browser's path and a profile folder, until that browser ends or the page asks for the end; false
// when neither is registered or starts.
bool showInAppBrowser(
    LoopbackServer& server, LocalSite& site, const std::function<bool()>& showing,
    const std::function<std::string(const std::string&, const std::string&)>& commandFor) {
  for (const char* name : kAppBrowsers) {
    const std::optional<std::string> browser = registeredProgram(name);
    if (!browser) continue;
    TemporaryFolder profile("Pravix-Player-");
    std::optional<JobProcess> started;
    try {
      started.emplace(commandFor(*browser, profile.path()));
    } catch (const SystemError&) {
      continue;  // a registered browser that does not start: the next one, or the default
    }
    server.serve(site, [&] { return showing() && !started->waitForExit(0); });
    // What the page sent as it closed (its last save) may still wait in the sockets.
    const uint64_t closed = GetTickCount64();
    server.serve(site, [&] { return GetTickCount64() - closed < kLastWordsMs; });
    started->endAll(kBrowserEndMs);
    profile.remove(kProfileRemovalMs);
    return true;
  }
  return false;
}

}  // namespace

ShowFace ownFace(const std::string& title) {
  ShowFace face;
  face.title = title;
  const std::optional<std::string_view> text = ownResource(kGameResourceName, RT_RCDATA);
  if (!text) return face;
  try {
    const GameOptions options = parseOptions(*text, executablePath());
    face.title = options.title.value_or(title);
    face.fullScreen = options.fullScreen.value_or(false);
  } catch (const FileError& error) {
    // The message names the program's file, and where in the resource's text it fails.
    face.notice = std::string("The program's title and full screen are left out: ") + error.what();
  }
  return face;
}

ShowOutcome showInBrowser(const EmbeddedMovie& movie, const ShowFace& face, PageMode mode,
                          const std::function<bool()>& keepShowing) {
  std::optional<LoopbackServer> server;
  std::optional<PlayerShow> show;
  std::optional<LocalSite> site;
  const ServerLimits limits;
  try {
    server.emplace(limits);
    show.emplace(movie, face, mode);
    site.emplace(randomHex(kSecretBytes), server->port(), *show, *show);
  } catch (const std::runtime_error& error) {
    return {ShowOutcome::Kind::CannotServe, error.what()};
  }
  const auto showing = [&] { return !show->ended() && (!keepShowing || keepShowing()); };
  try {
    const std::string address = site->address();
    if (mode == PageMode::FullScreen) {
      if (showInAppBrowser(*server, *site, showing, [&](const auto& browser, const auto& profile) {
            return kioskCommand(browser, address, profile);
          })) {
        return ShowOutcome{};
      }
      return {ShowOutcome::Kind::NoBrowser,
              "Neither Microsoft Edge nor Google Chrome is installed"};
    }
    const WindowSize size = windowFor(movie.header());
    if (showInAppBrowser(*server, *site, showing, [&](const auto& browser, const auto& profile) {
          return appWindowCommand(browser, address, profile, size, face.fullScreen);
        })) {
      return ShowOutcome{};
    }
    show->showInDefaultBrowser();
    try {
      shellOpen(site->address(),
                "Neither Microsoft Edge nor Google Chrome is installed, and no browser "
                "opens web addresses");
    } catch (const SystemError& error) {
      return {ShowOutcome::Kind::NoBrowser, error.what()};
    }
    const uint64_t start = GetTickCount64();
    server->serve(*site, [&] {
      const uint64_t now = GetTickCount64();
      const uint64_t last = show->lastCallBack();
      return showing() && (last == 0 ? now - start < kFirstCallMs : now - last < kSilenceMs);
    });
  } catch (const std::runtime_error& error) {
    return {ShowOutcome::Kind::CannotServe, error.what()};
  }
  return ShowOutcome{};
}

}  // namespace pravix::stub
