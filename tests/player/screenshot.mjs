// The main job's picture of a projector playing: starts PROJECTOR.exe under Wine with the
// recording stand-in registered as Edge, opens the address it hands over in Chromium at the window
// size it asks for, and saves the page once the movie's first frame is drawn.
// Usage: node screenshot.mjs PROJECTOR.exe OUTPUT.png (WINE_RUN, WINEPREFIX, RECORDER set)
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";

import { Wine, appWindow, launchChromium, sleep } from "./harness.mjs";

const [projectorPath, output] = process.argv.slice(2);
const { WINE_RUN, WINEPREFIX, RECORDER } = process.env;
const wine = new Wine(WINE_RUN, WINEPREFIX);
const folder = fs.mkdtempSync(path.join(path.dirname(path.resolve(output)), "browser-"));
const edge = wine.standInEdge(RECORDER, folder);
const projector = wine.start(projectorPath);
const browser = await launchChromium();
try {
  const { address, size } = appWindow(await edge.commandLine());
  const page = await browser.newPage({ viewport: { width: size[0], height: size[1] } });
  await page.goto(address);
  await page.waitForFunction(() => document.querySelector("ruffle-player")?.ruffle().metadata);
  // The first frame follows the header within a frame's time or two.
  await sleep(1000);
  await page.screenshot({ path: output });
  console.log(`${path.basename(projectorPath)} played at ${address} in a ${size[0]} x ${size[1]} window: ${output}`);
} finally {
  await browser.close();
  edge.close();
  assert.equal(await projector.ended, 0, "the projector failed");
  wine.forgetStandInEdge();
  fs.rmSync(folder, { recursive: true, force: true });
}
