// What a movie's fscommands do to a projector's page, and what ends a screen saver's show.
import assert from "node:assert/strict";
import { test } from "node:test";

import { fakeFetch, listeners, names, pageFunction, settle } from "./scripts.mjs";

const obeyCommands = pageFunction("commands.js", "obeyCommands");
const endAtUsersReturn = pageFunction("screen-saver.js", "endAtUsersReturn");

// A window with a movie shown in it: what the page asked of the window, the player and the show.
function shownMovie() {
  const { fetch, requests } = fakeFetch();
  const events = listeners();
  const asked = { fullScreen: 0, exitFullScreen: 0, scales: [], removed: false, grantFullScreen: false };
  const document = {
    fullscreenElement: null,
    documentElement: {
      requestFullscreen: () => {
        ++asked.fullScreen;
        return asked.grantFullScreen ? Promise.resolve() : Promise.reject(new TypeError("no gesture"));
      },
    },
    exitFullscreen: () => ++asked.exitFullScreen,
    body: { textContent: "", style: {} },
  };
  let command = null;
  const show = {
    player: { ruffle: () => ({ addFSCommandHandler: (handler) => { command = handler; } }), remove: () => { asked.removed = true; } },
    scale: (on) => asked.scales.push(on),
  };
  const page = { document, fetch, addEventListener: events.on };
  return { page, show, requests, events, asked, document, command: (...args) => command(...args) };
}

const urls = (requests) => requests.map(({ method, url, keepalive }) => [method, url, keepalive]);

test("fscommands: quit, allowscale, showmenu and exec, in any case; the others change nothing", () => {
  const movie = shownMovie();
  obeyCommands(movie.page, movie.show, names, false);
  movie.command("trapallkeys", "true");
  movie.command("AllowScale", "false");
  movie.command("allowscale", "TRUE");
  assert.deepEqual(movie.asked.scales, [false, true]);
  assert.equal(movie.events.fire("contextmenu").prevented, false, "the menu before showmenu");
  movie.command("showmenu", "false");
  assert.equal(movie.events.fire("contextmenu").prevented, true);
  movie.command("SHOWMENU", "true");
  assert.equal(movie.events.fire("contextmenu").prevented, false);
  movie.command("exec", "setup.exe");
  movie.command("exec", "Disc 2/ü.exe");
  assert.equal(movie.asked.removed, false);
  movie.command("quit", "");
  assert.deepEqual(urls(movie.requests), [
    ["POST", "exec/setup.exe", false],
    ["POST", "exec/Disc%202%2F%C3%BC.exe", false],
    ["GET", "end", true],
  ]);
  assert.equal(movie.asked.removed, true);
  assert.equal(movie.document.body.textContent, "The movie has ended.");
});

test("fscommand fullscreen asks at once, and again at the next key or click while the browser refuses", async () => {
  const movie = shownMovie();
  obeyCommands(movie.page, movie.show, names, false);
  movie.command("fullscreen", "true");
  await settle();
  assert.equal(movie.asked.fullScreen, 1);
  movie.asked.grantFullScreen = true;
  movie.events.fire("keydown");
  await settle();
  assert.equal(movie.asked.fullScreen, 2, "at the key");
  movie.events.fire("pointerdown");
  movie.events.fire("keydown");
  await settle();
  assert.equal(movie.asked.fullScreen, 2, "granted: not asked again");

  movie.command("fullscreen", "false");
  assert.equal(movie.asked.exitFullScreen, 0, "not in full screen");
  movie.document.fullscreenElement = {};
  movie.command("fullscreen", "false");
  assert.equal(movie.asked.exitFullScreen, 1);

  // A refusal forgotten when the movie takes its wish back.
  movie.asked.grantFullScreen = false;
  movie.command("fullscreen", "true");
  await settle();
  movie.command("fullscreen", "false");
  movie.events.fire("pointerdown");
  await settle();
  assert.equal(movie.asked.fullScreen, 3);
});

test("a game that starts full screen asks at the first key or click as a movie's first frame would", async () => {
  const asks = async (fullScreen) => {
    const movie = shownMovie();
    obeyCommands(movie.page, movie.show, names, fullScreen);
    await settle();
    const before = movie.asked.fullScreen;
    movie.events.fire("pointerdown");
    await settle();
    movie.events.fire("keydown");
    await settle();
    return [before, movie.asked.fullScreen];
  };
  assert.deepEqual(await asks(true), [0, 2], "not before a key or a click, then at each while refused");
  assert.deepEqual(await asks(false), [0, 0], "a game in a window");
});

test("a screen saver ends once at a key, a click, the wheel, a move beyond the tolerance or the movie's quit", async () => {
  const ends = (act) => {
    const movie = shownMovie();
    endAtUsersReturn(movie.page, movie.show, names, ["keydown", "pointerdown", "wheel"], 4);
    act(movie);
    return movie.requests.length;
  };
  for (const type of ["keydown", "pointerdown", "wheel"]) {
    assert.equal(ends((movie) => { movie.events.fire(type); movie.events.fire(type); }), 1, type);
  }
  assert.equal(ends((movie) => movie.events.fire("mousemove")), 0, "only the events given");
  const moves = (...places) => ends((movie) => places.forEach(([screenX, screenY]) => movie.events.fire("pointermove", { screenX, screenY })));
  assert.equal(moves([100, 100], [104, 96], [96, 104]), 0, "within 4 pixels of the first place");
  assert.equal(moves([100, 100], [105, 100]), 1);
  assert.equal(moves([100, 100], [100, 95]), 1);
  assert.equal(moves([0, 0], [3, 0], [6, 0]), 1, "from the first place, not the last");
  assert.equal(ends((movie) => movie.command("QUIT")), 1);
  assert.equal(ends((movie) => movie.command("fullscreen", "true")), 0);

  const movie = shownMovie();
  endAtUsersReturn(movie.page, movie.show, names, ["keydown"], 4);
  movie.events.fire("keydown");
  assert.deepEqual(urls(movie.requests), [["GET", "end", true]]);
  movie.requests[0].fail();
  await settle();
  movie.events.fire("keydown");
  assert.equal(movie.requests.length, 2, "asked again after a failed request");
});
