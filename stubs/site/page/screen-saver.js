// A screen saver ends at the first key, click or turn of the wheel (`events`), at a move of the
// pointer by more than `tolerance` pixels from where it was first seen, or when its movie quits:
// the page asks the server to end the show. The listeners catch the events on their way down,
// before the player sees them.
//
// `page`: the window; `show`: the movie as showMovie gives it; `names`: the site's names (end).

/* exported endAtUsersReturn */
function endAtUsersReturn(page, show, names, events, tolerance) {
  let endAsked = false, firstPointer = null;
  const askEnd = () => {
    if (endAsked) return;
    endAsked = true;
    page.fetch(names.end, {cache: "no-store", keepalive: true}).catch(() => { endAsked = false; });
  };
  for (const type of events) page.addEventListener(type, askEnd, true);
  page.addEventListener("pointermove", (event) => {
    firstPointer ??= [event.screenX, event.screenY];
    if (Math.abs(event.screenX - firstPointer[0]) > tolerance ||
        Math.abs(event.screenY - firstPointer[1]) > tolerance) {
      askEnd();
    }
  }, true);
  show.player.ruffle().addFSCommandHandler((command) => {
    if (String(command).toLowerCase() === "quit") askEnd();
  });
}
