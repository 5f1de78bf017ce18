// Projectors that play games, end to end: Pravix.exe under Wine packs scripted movies made here,
// and Debian's Chromium plays them from the projector's address, as the app window the stand-in
// browser stands for would. Saves outlive the projector and the browser's profile, the files
// beside the projector load, a game wears its title and icon, fscommands reach the projector, and
// keys reach the movie unclicked.
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { test } from "node:test";

import { Wine, appWindow, chromiumForTests, endsWithin, pngPixels, showsTheMovie, waitFor } from "./harness.mjs";
import {
  fscommandMovie, gameMovie, keyMovie, keyShape, loaderMovie, lzmaMovie, part, partMovie, probes, savesColours,
  savesMovie, stage, xmlShape,
} from "./movies.mjs";

const { PRAVIX_BIN, PRAVIX_NATIVE, WINE_RUN, WINEPREFIX, RECORDER, WORK } = process.env;
const wine = new Wine(WINE_RUN, WINEPREFIX);
const browser = chromiumForTests(wine, WORK);
const SAVES = path.join(WINEPREFIX, "drive_c/users", process.env.USER || "root", "AppData/Roaming/Pravix/Saves");
const centre = { x: stage.width / 2, y: stage.height / 2 };

// An .ico file of two 32-bit images, 16 and 32 pixels square, each of one colour, written here byte
// by byte: the directory and its entries (width, height, colours, reserved, planes, bits, size,
// offset), then each image as a DIB (its header, whose height counts the mask's rows too, the
// pixels from the bottom row up, and the mask, rows of whole 32-bit words).
function iconFile() {
  const images = [[16, [0x20, 0x80, 0xe0]], [32, [0xe0, 0x40, 0x20]]].map(([side, [r, g, b]]) => {
    const header = Buffer.alloc(40);
    header.writeUInt32LE(40, 0);
    header.writeInt32LE(side, 4);
    header.writeInt32LE(2 * side, 8);
    header.writeUInt16LE(1, 12);
    header.writeUInt16LE(32, 14);
    const pixels = Buffer.alloc(side * side * 4);
    for (let at = 0; at < pixels.length; at += 4) pixels.set([b, g, r, 0xff], at);
    return { side, bytes: Buffer.concat([header, pixels, Buffer.alloc(side * 4)]) };
  });
  const directory = Buffer.alloc(6 + 16 * images.length);
  directory.writeUInt16LE(1, 2);
  directory.writeUInt16LE(images.length, 4);
  let offset = directory.length;
  images.forEach(({ side, bytes }, i) => {
    const entry = 6 + 16 * i;
    directory[entry] = directory[entry + 1] = side;
    directory.writeUInt16LE(1, entry + 4);
    directory.writeUInt16LE(32, entry + 6);
    directory.writeUInt32LE(bytes.length, entry + 8);
    directory.writeUInt32LE(offset, entry + 12);
    offset += bytes.length;
  });
  return Buffer.concat([directory, ...images.map(({ bytes }) => bytes)]);
}

// Starts the projector `exe` with the stand-in registered as Edge in its folder: the projector,
// its address and port, and what ends the stand-in.
async function start(exe) {
  const folder = path.dirname(exe);
  fs.rmSync(path.join(folder, "command-line.txt"), { force: true });
  fs.rmSync(path.join(folder, "close"), { force: true });
  const edge = wine.standInEdge(RECORDER, folder);
  const projector = wine.start(exe);
  const line = await edge.commandLine();
  return { projector, line, ...appWindow(line), close: edge.close };
}

// The address in a browser profile of its own, as each app window has: the page, once `probe`
// shows its colour.
async function opened(address, probe) {
  const context = await browser().newContext({ viewport: { width: stage.width, height: stage.height } });
  const { page } = await showsTheMovie(context, address, stage, [probe]);
  return { page, context };
}

// Plays the saves movie once from `exe` in a new profile: the colour it showed, its saves folder.
async function playSaves(exe) {
  const run = await start(exe);
  let shown = -1;
  const context = await browser().newContext({ viewport: { width: stage.width, height: stage.height } });
  const page = await context.newPage();
  await page.goto(run.address);
  await waitFor("a colour of the saves movie", async () => {
    const pixel = pngPixels(await page.screenshot({ type: "png" }))(centre.x, centre.y);
    shown = savesColours.findIndex((colour) => colour.every((c, k) => Math.abs(c - pixel[k]) <= 24));
    return shown >= 0;
  }, 20000);
  await context.close();
  run.close();
  assert.equal(await endsWithin(run.projector, 15000), 0);
  return shown;
}

test("a save outlives the projector and the browser's profile, and each projector keeps its own", async () => {
  const folder = path.join(WORK, "saves-one");
  const exe = wine.pack(PRAVIX_BIN, folder, "game", savesMovie());
  // The prefix is the tests' own: no save of an earlier run stays.
  fs.rmSync(SAVES, { recursive: true, force: true });
  assert.equal(await playSaves(exe), 0, "the first start");
  const made = fs.readdirSync(SAVES);
  assert.equal(made.length, 1, `one folder of saves: ${made}`);
  assert.match(made[0], /^game-[0-9a-f]{8}$/);
  const sol = fs.readFileSync(path.join(SAVES, made[0], "pravixbar.sol"));
  assert.deepEqual([...sol.subarray(0, 2)], [0x00, 0xbf], "a .sol file");
  assert.equal(await playSaves(exe), 1, "the second start");

  // The same movie in another folder starts afresh.
  const other = path.join(WORK, "saves-two");
  const copy = wine.pack(PRAVIX_BIN, other, "game", savesMovie());
  assert.equal(await playSaves(copy), 0, "another projector's first start");
  assert.equal(await playSaves(exe), 2, "the first projector's third start");
});

test("a movie loads another from a folder beside the projector, and the window gets its icon", async () => {
  const folder = path.join(WORK, "loader");
  const exe = wine.pack(PRAVIX_BIN, folder, "loader", loaderMovie());
  fs.mkdirSync(path.join(folder, "extra-ü"));
  fs.writeFileSync(path.join(folder, "extra-ü", "part two.swf"), partMovie());
  const run = await start(exe);
  const [x, y, width, height] = part.place;
  const { page, context } = await opened(run.address, { x: x + width / 2, y: y + height / 2, colour: part.colour });
  const icon = await page.evaluate(async () => {
    const link = document.querySelector("link[rel=icon]");
    const reply = await fetch(link.href);
    return [reply.headers.get("content-type"), [...new Uint8Array(await reply.arrayBuffer()).slice(0, 4)]];
  });
  assert.deepEqual(icon, ["image/x-icon", [0, 0, 1, 0]]);
  // A part of a file beside, as a video is sought in.
  const range = await page.evaluate(async () => {
    const reply = await fetch("extra-%C3%BC/part%20two.swf", { headers: { Range: "bytes=0-2" } });
    return [reply.status, new TextDecoder().decode(await reply.arrayBuffer())];
  });
  assert.deepEqual(range, [206, "FWS"]);
  await context.close();
  run.close();
  assert.equal(await endsWithin(run.projector, 15000), 0);
});

test("a game whose movies and XML are all inside its projector plays from a folder of its own, in its title, icon and full screen", async () => {
  const folder = path.join(WORK, "inside");
  const icon = path.join(WORK, "sky.ico");
  fs.writeFileSync(icon, iconFile());
  const exe = wine.packWithFiles(PRAVIX_NATIVE, PRAVIX_BIN, folder, "game", gameMovie("levels/part two.swf", "data/level.xml"), {
    "levels/part two.swf": partMovie(),
    "data/level.xml": "<go/>",
  }, { flags: ["--title=Sky Runner", `--icon=${icon}`, "--fullscreen"] });
  const run = await start(exe);
  assert.match(run.line, / --start-fullscreen/);
  const [x, y, width, height] = part.place;
  const [xmlX, xmlY, xmlWidth, xmlHeight] = xmlShape.place;
  const context = await browser().newContext({ viewport: { width: stage.width, height: stage.height } });
  const { page } = await showsTheMovie(context, run.address, stage, [
    { x: x + width / 2, y: y + height / 2, colour: part.colour },
    { x: xmlX + xmlWidth / 2, y: xmlY + xmlHeight / 2, colour: xmlShape.colour },
  ]);
  // Served as a file beside is: its type, and in parts.
  const range = await page.evaluate(async () => {
    const reply = await fetch("data/level.xml", { headers: { Range: "bytes=1-2" } });
    return [reply.status, reply.headers.get("content-type"), await reply.text()];
  });
  assert.deepEqual(range, [206, "text/xml", "go"]);
  assert.equal(await page.title(), "Sky Runner");
  const served = await page.evaluate(async () =>
    [...new Uint8Array(await (await fetch(document.querySelector("link[rel=icon]").href)).arrayBuffer())]);
  assert.deepEqual(Buffer.from(served), iconFile());
  await context.close();
  run.close();
  assert.equal(await endsWithin(run.projector, 15000), 0);
});

test("fscommand quit ends the projector while its page is open", async () => {
  const folder = path.join(WORK, "quit");
  const exe = wine.pack(PRAVIX_BIN, folder, "quit", fscommandMovie("quit", "", "q"));
  const run = await start(exe);
  const { page, context } = await opened(run.address, probes[0]);
  await page.keyboard.press("q");
  assert.equal(await endsWithin(run.projector, 10000), 0);
  assert.equal(await page.locator("body").textContent(), "The movie has ended.");
  await context.close();
});

test("fscommand exec starts a program of the folder fscommand beside the projector, and no other", async () => {
  const folder = path.join(WORK, "exec");
  const exe = wine.pack(PRAVIX_BIN, folder, "exec", fscommandMovie("exec", "setup.exe"));
  fs.mkdirSync(path.join(folder, "fscommand"));
  fs.copyFileSync(RECORDER, path.join(folder, "fscommand", "setup.exe"));
  const run = await start(exe);
  const { page, context } = await opened(run.address, probes[0]);
  const started = await waitFor("the program", () => fs.existsSync(path.join(folder, "fscommand", "command-line.txt")));
  assert.ok(started);
  // A name that is no program there is told so; the start of one goes on beside the server.
  const missing = await page.evaluate(async () => (await fetch("exec/missing.exe", { method: "POST" })).status);
  assert.equal(missing, 404);
  fs.writeFileSync(path.join(folder, "fscommand", "close"), "");
  await context.close();
  run.close();
  assert.equal(await endsWithin(run.projector, 15000), 0);
});

test("a key reaches the movie with no click first", async () => {
  const folder = path.join(WORK, "keys");
  const exe = wine.pack(PRAVIX_BIN, folder, "keys", keyMovie("k"));
  const run = await start(exe);
  const [x, y, width, height] = keyShape.place;
  const at = { x: x + width / 2, y: y + height / 2 };
  const { page, context } = await opened(run.address, { ...at, colour: keyShape.before });
  await page.keyboard.press("k");
  await waitFor("the key's colour", async () => {
    const pixel = pngPixels(await page.screenshot({ type: "png" }))(at.x, at.y);
    return keyShape.after.every((c, k) => Math.abs(c - pixel[k]) <= 24);
  }, 10000);
  await context.close();
  run.close();
  assert.equal(await endsWithin(run.projector, 15000), 0);
});

test("an LZMA movie's window takes its stage once the player has read it", async () => {
  const folder = path.join(WORK, "lzma");
  const exe = wine.pack(PRAVIX_BIN, folder, "lzma", lzmaMovie());
  const run = await start(exe);
  // The program cannot read an LZMA stage: the window opens at Flash's default, 550 x 400.
  assert.ok(run.size[0] >= 550 && run.size[0] < 590 && run.size[1] >= 400 && run.size[1] < 480, `${run.size}`);
  const context = await browser().newContext({ viewport: { width: 550, height: 400 } });
  await context.addInitScript(() => {
    window.resizeBy = (x, y) => { window.resizedBy = [x, y]; };
  });
  const page = await context.newPage();
  await page.goto(run.address);
  const resized = await waitFor("the window's new size", () => page.evaluate(() => window.resizedBy), 20000);
  assert.deepEqual(resized, [stage.width - 550, stage.height - 400]);
  await context.close();
  run.close();
  assert.equal(await endsWithin(run.projector, 15000), 0);
});
