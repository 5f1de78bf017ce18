// The web player filling the window of `page`, letterboxed on the movie's background colour, and a
// call back to the server every second while the page is open.
//
// A projector is a program the user started: the movie plays at once, with sound, without the
// player's splash screen or its "click to unmute" overlay. Once the movie's header is read the
// player takes the stage's proportions, centred on the movie's background colour, or, when the
// movie does not allow scaling, the stage's own size; in a window (`resizeWindow`) the window
// takes the stage's size too, where the program could not read it (an LZMA movie). The movie gets
// the keyboard at once: a game answers its keys without a click first.
//
// `names`: the site's names (movie, alive). Returns the player, play(loaded), which loads the
// movie once `loaded` settles, and scale(on), the movie's allowscale.

/* exported showMovie */
function showMovie(page, names, resizeWindow) {
  const player = page.RufflePlayer.newest().createPlayer();
  let scaled = true, fit = () => {};
  player.addEventListener("loadedmetadata", () => {
    const movie = player.ruffle().metadata;
    if (movie.backgroundColor) page.document.body.style.background = movie.backgroundColor;
    if (!(movie.width > 0 && movie.height > 0)) return;
    const ratio = movie.width / movie.height;
    fit = () => {
      player.style.width = scaled ? `min(100vw, calc(100vh * ${ratio}))` : `${movie.width}px`;
      player.style.height = scaled ? `min(100vh, calc(100vw / ${ratio}))` : `${movie.height}px`;
    };
    fit();
    if (!resizeWindow) return;
    const frameWidth = page.outerWidth - page.innerWidth, frameHeight = page.outerHeight - page.innerHeight;
    const scale = Math.min(1, (page.screen.availWidth - frameWidth) / movie.width,
      (page.screen.availHeight - frameHeight) / movie.height);
    const width = Math.round(movie.width * scale), height = Math.round(movie.height * scale);
    if (Math.abs(page.innerWidth - width) > 2 || Math.abs(page.innerHeight - height) > 2) {
      page.resizeBy(width - page.innerWidth, height - page.innerHeight);
    }
  });
  page.document.body.appendChild(player);

  // The call back runs in a worker: a page's own timers slow to one call a minute once it has been
  // hidden for a while, a worker's do not, and the server takes a silent page for a closed one.
  const alive = new URL(names.alive, page.location.href).href;
  new page.Worker(URL.createObjectURL(new Blob([
    `setInterval(() => fetch(${JSON.stringify(alive)}, {cache: "no-store"}).catch(() => {}), 1000);`],
  {type: "text/javascript"})));

  return {
    player,
    // The player takes the keyboard only once it is built: focused before, it misses the event.
    play: (loaded) => loaded.then(() => player.ruffle().load({url: names.movie})).then(() => player.focus()),
    scale: (on) => {
      scaled = on;
      fit();
    },
  };
}
