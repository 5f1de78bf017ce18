// The movie in the window: letterboxed on its background, at 100 % without allowscale, the window
// sized to its stage once the player has read it, and the call back's worker.
import assert from "node:assert/strict";
import { test } from "node:test";

import { listeners, names, pageFunction } from "./scripts.mjs";

const showMovie = pageFunction("movie.js", "showMovie");

// A window of 550 x 400 inside a frame of 16 x 39, on a screen of 1280 x 1000: the player, the
// window's resizes, the workers started.
function windowWithPlayer() {
  const events = listeners();
  const player = {
    style: {}, addEventListener: events.on,
    ruffle: () => ({ metadata: { width: 800, height: 600, backgroundColor: "#336699" } }),
  };
  const page = {
    RufflePlayer: { newest: () => ({ createPlayer: () => player }) },
    document: { body: { style: {}, appendChild: (child) => assert.equal(child, player) } },
    location: { href: "http://127.0.0.1:4321/s3cret/" },
    innerWidth: 550, innerHeight: 400, outerWidth: 566, outerHeight: 439,
    screen: { availWidth: 1280, availHeight: 1000 },
    resized: [], workers: [],
    resizeBy(x, y) { this.resized.push([x, y]); },
    Worker: function (url) { page.workers.push(url); },
  };
  return { page, player, loaded: () => events.fire("loadedmetadata") };
}

test("a projector's window takes the stage's size; the player its proportions, or 100 % without allowscale", () => {
  const { page, player, loaded } = windowWithPlayer();
  const show = showMovie(page, names, true);
  assert.equal(page.workers.length, 1, "the call back's worker");
  loaded();
  assert.equal(page.document.body.style.background, "#336699");
  assert.deepEqual(page.resized, [[250, 200]]);
  assert.equal(player.style.width, "min(100vw, calc(100vh * 1.3333333333333333))");
  show.scale(false);
  assert.deepEqual([player.style.width, player.style.height], ["800px", "600px"]);
  show.scale(true);
  assert.equal(player.style.height, "min(100vh, calc(100vw / 1.3333333333333333))");

  const saver = windowWithPlayer();
  showMovie(saver.page, names, false);
  saver.loaded();
  assert.deepEqual(saver.page.resized, [], "a screen saver's window stays as it is");
});

test("a stage larger than the screen gets a window scaled down to fit, proportions kept", () => {
  const { page, loaded } = windowWithPlayer();
  page.screen = { availWidth: 416, availHeight: 900 };
  showMovie(page, names, true);
  loaded();
  assert.deepEqual(page.resized, [[400 - 550, 300 - 400]]);
});
