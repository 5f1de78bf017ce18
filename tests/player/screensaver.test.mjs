// The screen saver end to end: Pravix.exe under Wine (or `pravix`, with files inside) packs a movie
// made here into a screen saver, which "/s" shows full screen through the browser found through
// App Paths (a stand-in that records its command line, as Edge would be found); Debian's Chromium
// opens that address, shows the movie's shapes, and the user's return ends the show.
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { test } from "node:test";

import { Wine, appWindow, chromiumForTests, endsWithin, showsTheMovie } from "./harness.mjs";
import { loaderMovie, movie, part, partMovie, probes, stage } from "./movies.mjs";

const { PRAVIX_BIN, PRAVIX_NATIVE, WINE_RUN, WINEPREFIX, RECORDER, WORK } = process.env;
const wine = new Wine(WINE_RUN, WINEPREFIX);

// Whether the stand-in browser copied into `folder` still runs: Wine's processes carry their
// program's Windows path.
const running = (folder) =>
  new RegExp(`[\\\\/]${path.basename(folder)}[\\\\/]recorder\\.exe`).test(
    spawnSync("ps", ["-eo", "args"], { encoding: "latin1" }).stdout);

const browser = chromiumForTests(wine, WORK);

test("a screen saver shows its movie full screen, without a cursor, until the user is back", async () => {
  const folder = path.join(WORK, "saver");
  const scr = wine.pack(PRAVIX_BIN, folder, "saver", movie(true), { screenSaver: true });
  const edge = wine.standInEdge(RECORDER, folder);
  const before = wine.temporaryFolder();
  const saver = wine.start(scr, "/s");
  const line = await edge.commandLine();
  assert.match(line, / --no-first-run /);
  assert.doesNotMatch(line, /--autoplay-policy/);
  const { address, profile } = appWindow(line, true);
  const profileFolder = wine.unixPath(profile);
  assert.ok(fs.statSync(profileFolder).isDirectory(), profileFolder);

  const { page } = await showsTheMovie(browser(), address, stage, probes);
  assert.equal(await page.evaluate(() => getComputedStyle(document.body).cursor), "none");
  // A hand resting on the mouse moves it a little: that is no return.
  await page.mouse.move(100, 100);
  await page.mouse.move(103, 102);
  assert.equal(await endsWithin(saver, 2000), "still running");

  assert.equal(running(folder), true, "the stand-in browser is not seen running");
  await page.keyboard.press("Space");
  assert.equal(await endsWithin(saver, 15000), 0);
  assert.equal(running(folder), false, "the browser outlived the show");
  assert.equal(fs.existsSync(profileFolder), false, "the profile folder stayed");
  assert.deepEqual(wine.temporaryFolder(), before);
  await page.close();
  wine.forgetStandInEdge();
});

test("a screen saver plays a movie it carries inside, and a move of the mouse ends the show", async () => {
  const folder = path.join(WORK, "saver-mouse");
  const scr = wine.packWithFiles(PRAVIX_NATIVE, PRAVIX_BIN, folder, "saver", loaderMovie("part.swf"), {
    "part.swf": partMovie(),
  }, { screenSaver: true });
  const edge = wine.standInEdge(RECORDER, folder);
  const saver = wine.start(scr, "/s");
  const [x, y, width, height] = part.place;
  const { page } = await showsTheMovie(browser(), appWindow(await edge.commandLine(), true).address, stage, [
    { x: x + width / 2, y: y + height / 2, colour: part.colour },
  ]);
  await page.mouse.move(100, 100);
  await page.mouse.move(140, 100);
  assert.equal(await endsWithin(saver, 15000), 0);
  await page.close();
  wine.forgetStandInEdge();
});
