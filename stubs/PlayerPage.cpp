// The page that plays the movie, written out in full here: the web player's settings, the
// letterbox and the call back.
#include "stubs/PlayerPage.h"

#include "stubs/LocalSite.h"

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

// A screen saver ends at the first key, click, turn of the wheel or move of the pointer by more
// than a few pixels (a hand resting on the mouse moves it a little): the page asks the server to
// end the show. The listeners catch the events on their way down, before the player sees them.
std::string endOnInput() {
  return std::string(R"(const end = new URL(")") + kEndName + R"(", location.href).href;
let endAsked = false, firstPointer = null;
const askEnd = () => {
  if (endAsked) return;
  endAsked = true;
  fetch(end, {cache: "no-store", keepalive: true}).catch(() => { endAsked = false; });
};
for (const type of ["keydown", "pointerdown", "wheel", "touchstart"]) addEventListener(type, askEnd, true);
addEventListener("pointermove", (event) => {
  firstPointer ??= [event.screenX, event.screenY];
  if (Math.abs(event.screenX - firstPointer[0]) > 4 || Math.abs(event.screenY - firstPointer[1]) > 4) {
    askEnd();
  }
}, true);
)";
}

}  // namespace

std::string playerPage(const std::string& title, PageMode mode) {
  const bool fullScreen = mode == PageMode::FullScreen;
  // A projector is a program the user started: it plays at once, with sound, and without the
  // player's splash screen or its "click to unmute" overlay. WebGL first: every browser of
  // Windows 10 and 11 has it, and the player's default probe for WebGPU first cost a second
  // before the first frame in Chromium. Once the movie's header is read the
  // player takes the stage's proportions, centred on the movie's background colour.
  //
  // The call back runs in a worker: a page's own timers slow to one call a minute once it has been
  // hidden for a while, a worker's do not, and the server takes a silent page for a closed one.
  return std::string(R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>)") +
         htmlText(title) + R"(</title>
<style>
html, body {margin: 0; height: 100%; overflow: hidden; background: #000}
body {display: flex; align-items: center; justify-content: center}
ruffle-player {width: 100%; height: 100%; flex: none}
)" + (fullScreen ? "html, body, ruffle-player {cursor: none}\n" : "") +
         R"(</style>
<script>
window.RufflePlayer = {config: {autoplay: "on", splashScreen: false, unmuteOverlay: "hidden",
  letterbox: "on", preferredRenderer: "webgl", showSwfDownload: false,
  warnOnUnsupportedContent: false}};
</script>
<script src=")" +
         std::string(kPlayerScriptName) + R"("></script>
</head><body><script>
const player = RufflePlayer.newest().createPlayer();
player.addEventListener("loadedmetadata", () => {
  const movie = player.ruffle().metadata;
  if (movie.backgroundColor) document.body.style.background = movie.backgroundColor;
  if (movie.width > 0 && movie.height > 0) {
    const ratio = movie.width / movie.height;
    player.style.width = `min(100vw, calc(100vh * ${ratio}))`;
    player.style.height = `min(100vh, calc(100vw / ${ratio}))`;
  }
});
document.body.appendChild(player);
player.ruffle().load({url: ")" +
         std::string(kMovieName) + R"("});
const callBack = new URL(")" +
         std::string(kCallBackName) + R"(", location.href).href;
new Worker(URL.createObjectURL(new Blob([
  `setInterval(() => fetch("${callBack}", {cache: "no-store"}).catch(() => {}), 1000);`],
  {type: "text/javascript"})));
)" + (fullScreen ? endOnInput() : "") +
         R"(</script></body></html>
)";
}

}  // namespace pravix::stub
