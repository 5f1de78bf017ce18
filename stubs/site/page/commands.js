// A projector does what its movie asks of it as the Flash projector did: quit, fullscreen,
// allowscale, showmenu and exec; trapallkeys and the rest change nothing here.
//
// `page`: the window; `show`: the movie as showMovie gives it; `names`: the site's names (end,
// exec); `fullScreen`: the game starts full screen, as if its movie asked on its first frame.

/* exported obeyCommands */
function obeyCommands(page, show, names, fullScreen) {
  const document = page.document;
  let menu = true, fullScreenWanted = fullScreen;
  // A browser lets a page fill the screen only after a key or a click: a movie that asks before
  // (on its first frame, as CD movies do) gets it at the first one.
  const fillScreen = () => document.documentElement.requestFullscreen?.()?.then(
    () => { fullScreenWanted = false; }, () => { fullScreenWanted = true; });
  for (const type of ["keydown", "pointerdown"]) {
    page.addEventListener(type, () => { if (fullScreenWanted) fillScreen(); }, true);
  }
  page.addEventListener("contextmenu", (event) => {
    if (menu) return;
    event.preventDefault();
    event.stopImmediatePropagation();
  }, true);
  const endShow = () => {
    page.fetch(names.end, {cache: "no-store", keepalive: true}).catch(() => {});
    show.player.remove();
    document.body.textContent = "The movie has ended.";
    document.body.style.color = "#ccc";
    document.body.style.font = "16px sans-serif";
  };
  show.player.ruffle().addFSCommandHandler((command, args) => {
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
        show.scale(on);
        break;
      case "showmenu":
        menu = on;
        break;
      case "exec":
        page.fetch(names.exec + encodeURIComponent(args), {method: "POST"}).catch(() => {});
        break;
    }
  });
}
