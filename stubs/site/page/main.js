// The page's start, ahead of the player's script: the player's settings, the stand-in for the
// storage where saves are kept, and, once the document is there, the movie and what it may ask.
//
// The program hands the page its settings as JSON in the element "settings": `mode` ("window" for
// a projector, "screen-saver" for a screen saver without a cursor, ended by the user's return),
// `names` (the site's), `limits` (those of the projector's saves), the screen saver's `endEvents`
// and `pointerTolerance`, `notice`: what the program could not serve or read (its files inside,
// when their table is damaged; its title and full screen), for the console, or empty, and
// `askFullScreen`: a projector's game starts full screen, which the page asks for at the first key
// or click, where the browser was not started so.

/* global keepSaves, showMovie, obeyCommands, endAtUsersReturn */
(() => {
  const settings = JSON.parse(document.getElementById("settings").textContent);
  const projector = settings.mode === "window";
  if (settings.notice) console.warn(settings.notice);

  // WebGL first: every browser of Windows 10 and 11 has it, and the player's default probe for
  // WebGPU first cost a second before the first frame in Chromium. fscommands reach the page only
  // with allowScriptAccess.
  window.RufflePlayer = {config: {autoplay: "on", splashScreen: false, unmuteOverlay: "hidden",
    letterbox: "on", preferredRenderer: "webgl", showSwfDownload: false,
    warnOnUnsupportedContent: false, allowScriptAccess: true}};

  // The program carries the player's build for WebAssembly's extensions only. A browser without
  // them makes the player fetch its other build's script, which is not there: the page then says
  // what is missing, in place of the movie, and stays until it is closed.
  addEventListener("error", (event) => {
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

  document.documentElement.classList.toggle("screen-saver", !projector);
  const savesRead = projector ? keepSaves(window, settings.names, settings.limits) : Promise.resolve();
  addEventListener("DOMContentLoaded", () => {
    const show = showMovie(window, settings.names, projector);
    if (projector) obeyCommands(window, show, settings.names, settings.askFullScreen);
    else endAtUsersReturn(window, show, settings.names, settings.endEvents, settings.pointerTolerance);
    show.play(savesRead);
  });
})();
