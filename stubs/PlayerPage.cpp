// The page that plays the movie, written out in full here: the web player's settings, the
// letterbox and the call back.
#include "stubs/PlayerPage.h"

#include "stubs/LocalSite.h"
#include "stubs/UserReturn.h"

namespace pravix::stub {

std::string htmlText(const std::string& text) {
  std::string html;
  for (char c : text) {
    switch (c) {
      case '&':
        html += "&amp;";
        break;
      case '<':
        html += "&lt;";
        break;
      case '>':
        html += "&gt;";
        break;
      case '"':
        html += "&quot;";
        break;
      case '\'':
        html += "&#39;";
        break;
      default:
        html += c;
    }
  }
  return html;
}

namespace {

// The page's names of the server's, written in once.
std::string names() {
  return std::string("const names = {end: \"") + kEndName + "\", alive: \"" + kCallBackName +
         "\", saves: \"" + kSavesName + "\", save: \"" + kSaveExtension + "\", exec: \"" +
         kExecName + "\", movie: \"" + kMovieName +
         "\"};\nconst address = (name) => new URL(name, location.href).href;\n";
}

// The program carries the player's build for WebAssembly's extensions only. A browser without them
// makes the player fetch its other build's script, which is not there: the page then says what
// is missing, in place of the movie, and stays until it is closed.
constexpr const char* kNoExtensions = R"(addEventListener("error", (event) => {
  if (!(event.target instanceof HTMLScriptElement)) return;
  document.querySelector("ruffle-player")?.remove();
  const message = document.createElement("p");
  message.id = "unsupported";
  message.style.cssText = "color: #ccc; font: 16px sans-serif; max-width: 32em; margin: 1em";
  message.textContent = "This browser cannot play the movie: its WebAssembly lacks features the " +
    "player needs (bulk memory, reference types, sign extension, SIMD, non-trapping float " +
    "conversions). Updating Microsoft Edge or Google Chrome brings them.";
  document.body.replaceChildren(message);
}, true);
)";

// The movie's local shared objects are files the program keeps. The player looks for them in the
// page's storage under "HOST/PATH/NAME", PATH the movie's path or a folder above it, its value
// the base64 of the .sol file, and reads and writes them as the storage's properties: the page
// puts a stand-in before the storage, ahead of the player's script, answers those keys from the
// saves it fetched before the movie starts, and hands every flush and clear to the program, one
// at a time, with keepalive so that the last one still arrives as the window closes (a browser
// carries at most 64 KiB so).
constexpr const char* kSaves = R"(const saves = new Map();
const saveName = (() => {
  const host = location.hostname + "/";
  const movie = new URL(names.movie, location.href).pathname.slice(1);
  const paths = new Set([movie, movie.slice(0, movie.lastIndexOf("/")), ""]);
  return (key) => {
    if (typeof key !== "string" || !key.startsWith(host)) return null;
    const rest = key.slice(host.length), slash = rest.lastIndexOf("/");
    return slash >= 0 && paths.has(rest.slice(0, slash)) ? rest.slice(slash + 1) : null;
  };
})();
const unsaved = new Set();
let saving = false;
const sendSave = (name) => {
  const value = saves.get(name), at = address(names.saves + encodeURIComponent(name) + names.save);
  if (value === undefined) return fetch(at, {method: "DELETE", keepalive: true});
  const body = Uint8Array.from(atob(value), (c) => c.charCodeAt(0));
  return fetch(at, {method: "PUT", body, keepalive: body.length < 65536});
};
const saveNext = () => {
  if (saving || unsaved.size === 0) return;
  const [name] = unsaved;
  unsaved.delete(name);
  saving = true;
  sendSave(name).catch(() => {}).finally(() => { saving = false; saveNext(); });
};
const keep = (name, value) => {
  if (value === undefined) saves.delete(name); else saves.set(name, String(value));
  unsaved.add(name);
  saveNext();
};
addEventListener("pagehide", () => { unsaved.forEach(sendSave); unsaved.clear(); });
const storage = localStorage, methods = {
  getItem: (key) => saveName(key) === null ? storage.getItem(key) : saves.get(saveName(key)) ?? null,
  setItem: (key, value) => saveName(key) === null ? storage.setItem(key, value) : keep(saveName(key), value),
  removeItem: (key) => saveName(key) === null ? storage.removeItem(key) : keep(saveName(key)),
};
const standIn = new Proxy(storage, {
  get: (target, key) => {
    if (Object.hasOwn(methods, key)) return methods[key];
    if (saveName(key) !== null) return saves.get(saveName(key));
    const value = Reflect.get(target, key);
    return typeof value === "function" ? value.bind(target) : value;
  },
  set: (target, key, value) => saveName(key) === null ? Reflect.set(target, key, value) : (keep(saveName(key), value), true),
  deleteProperty: (target, key) => saveName(key) === null ? Reflect.deleteProperty(target, key) : (keep(saveName(key)), true),
  has: (target, key) => saveName(key) === null ? Reflect.has(target, key) : saves.has(saveName(key)),
});
Object.defineProperty(window, "localStorage", {get: () => standIn, configurable: true});
const savesRead = fetch(address(names.saves), {cache: "no-store"}).then((reply) => reply.json())
  .then((all) => Object.entries(all).forEach(([name, value]) => saves.set(name, value)))
  .catch(() => {});
)";

// A projector does what the movie asks of it as the Flash projector did: quit, fullscreen,
// allowscale, showmenu and exec; trapallkeys and the rest change nothing here. The window takes
// the stage's size once the player has read it, where the program could not (an LZMA movie).
constexpr const char* kProjector = R"(let menu = true, fullScreenWanted = false;
// A browser lets a page fill the screen only after a key or a click: a movie that asks before
// (on its first frame, as CD movies do) gets it at the first one.
const fillScreen = () => document.documentElement.requestFullscreen?.()?.then(
  () => { fullScreenWanted = false; }, () => { fullScreenWanted = true; });
for (const type of ["keydown", "pointerdown"]) {
  addEventListener(type, () => { if (fullScreenWanted) fillScreen(); }, true);
}
const endShow = () => {
  fetch(address(names.end), {cache: "no-store", keepalive: true}).catch(() => {});
  player.remove();
  document.body.textContent = "The movie has ended.";
  document.body.style.color = "#ccc";
  document.body.style.font = "16px sans-serif";
};
player.ruffle().addFSCommandHandler((command, args) => {
  const on = String(args).toLowerCase() === "true";
  switch (String(command).toLowerCase()) {
    case "quit":
      endShow();
      break;
    case "fullscreen":
      fullScreenWanted = false;
      if (on) fillScreen();
      else if (document.fullscreenElement) document.exitFullscreen();
      break;
    case "allowscale":
      scaled = on;
      fit();
      break;
    case "showmenu":
      menu = on;
      break;
    case "exec":
      fetch(address(names.exec + encodeURIComponent(args)), {method: "POST"}).catch(() => {});
      break;
  }
});
addEventListener("contextmenu", (event) => {
  if (menu) return;
  event.preventDefault();
  event.stopImmediatePropagation();
}, true);
player.addEventListener("loadedmetadata", () => {
  const movie = player.ruffle().metadata;
  if (!(movie.width > 0 && movie.height > 0)) return;
  const frameWidth = outerWidth - innerWidth, frameHeight = outerHeight - innerHeight;
  const scale = Math.min(1, (screen.availWidth - frameWidth) / movie.width,
    (screen.availHeight - frameHeight) / movie.height);
  const width = Math.round(movie.width * scale), height = Math.round(movie.height * scale);
  if (Math.abs(innerWidth - width) > 2 || Math.abs(innerHeight - height) > 2) {
    resizeBy(width - innerWidth, height - innerHeight);
  }
});
play(savesRead);
)";

// A screen saver ends at the first key, click, turn of the wheel or move of the pointer by more
// than a few pixels (UserReturn.h: the events and the tolerance are written in from there), or
// when its movie quits: the page asks the server to end the show. The listeners catch the events
// on their way down, before the player sees them.
std::string screenSaverScript() {
  std::string events;
  for (const char* event : kPageEvents) {
    events += std::string(events.empty() ? "\"" : ", \"") + event + "\"";
  }
  const std::string tolerance = std::to_string(kPointerTolerance);
  return R"(let endAsked = false, firstPointer = null;
const askEnd = () => {
  if (endAsked) return;
  endAsked = true;
  fetch(address(names.end), {cache: "no-store", keepalive: true}).catch(() => { endAsked = false; });
};
for (const type of [)" +
         events + R"(]) addEventListener(type, askEnd, true);
addEventListener("pointermove", (event) => {
  firstPointer ??= [event.screenX, event.screenY];
  if (Math.abs(event.screenX - firstPointer[0]) > )" +
         tolerance + R"( || Math.abs(event.screenY - firstPointer[1]) > )" + tolerance + R"() {
    askEnd();
  }
}, true);
player.ruffle().addFSCommandHandler((command) => {
  if (String(command).toLowerCase() === "quit") askEnd();
});
play(Promise.resolve());
)";
}

}  // namespace

std::string playerPage(const std::string& title, PageMode mode) {
  const bool fullScreen = mode == PageMode::FullScreen;
  // A projector is a program the user started: it plays at once, with sound, and without the
  // player's splash screen or its "click to unmute" overlay. WebGL first: every browser of
  // Windows 10 and 11 has it, and the player's default probe for WebGPU first cost a second
  // before the first frame in Chromium. Once the movie's header is read the player takes the
  // stage's proportions, centred on the movie's background colour, or, when the movie does not
  // allow scaling, the stage's own size. The movie gets the keyboard at once: a game answers its
  // keys without a click first. fscommands reach the page only with allowScriptAccess.
  //
  // The call back runs in a worker: a page's own timers slow to one call a minute once it has been
  // hidden for a while, a worker's do not, and the server takes a silent page for a closed one.
  return std::string(R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>)") +
         htmlText(title) + R"(</title>
<link rel="icon" href=")" +
         kIconName + R"(">
<style>
html, body {margin: 0; height: 100%; overflow: hidden; background: #000}
body {display: flex; align-items: center; justify-content: center}
ruffle-player {width: 100%; height: 100%; flex: none}
)" + (fullScreen ? "html, body, ruffle-player {cursor: none}\n" : "") +
         R"(</style>
<script>
window.RufflePlayer = {config: {autoplay: "on", splashScreen: false, unmuteOverlay: "hidden",
  letterbox: "on", preferredRenderer: "webgl", showSwfDownload: false,
  warnOnUnsupportedContent: false, allowScriptAccess: true}};
)" + names() +
         kNoExtensions + (fullScreen ? "" : kSaves) +
         R"(</script>
<script src=")" +
         kPlayerScriptName + R"("></script>
</head><body><script>
const player = RufflePlayer.newest().createPlayer();
let scaled = true, fit = () => {};
player.addEventListener("loadedmetadata", () => {
  const movie = player.ruffle().metadata;
  if (movie.backgroundColor) document.body.style.background = movie.backgroundColor;
  if (!(movie.width > 0 && movie.height > 0)) return;
  const ratio = movie.width / movie.height;
  fit = () => {
    player.style.width = scaled ? `min(100vw, calc(100vh * ${ratio}))` : `${movie.width}px`;
    player.style.height = scaled ? `min(100vh, calc(100vw / ${ratio}))` : `${movie.height}px`;
  };
  fit();
});
document.body.appendChild(player);
// The player takes the keyboard only once it is built: focused before, it misses the event.
const play = (loaded) => loaded.then(() => player.ruffle().load({url: names.movie}))
  .then(() => player.focus());
new Worker(URL.createObjectURL(new Blob([
  `setInterval(() => fetch("${address(names.alive)}", {cache: "no-store"}).catch(() => {}), 1000);`],
  {type: "text/javascript"})));
)" + (fullScreen ? screenSaverScript() : kProjector) +
         R"(</script></body></html>
)";
}

}  // namespace pravix::stub
