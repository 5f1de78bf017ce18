// The projector end to end: Pravix.exe under Wine packs a movie made here, the projector serves
// it, and Debian's Chromium (driven by playwright-core) shows the movie's shapes. The browser the
// projector starts is a stand-in that records its command line (found through App Paths, as Edge
// would be), or Wine's hand-over of an address to the default browser (WineBrowser).
import assert from "node:assert/strict";
import { spawn, spawnSync } from "node:child_process";
import fs from "node:fs";
import net from "node:net";
import path from "node:path";
import { after, before, test } from "node:test";
import { chromium } from "playwright-core";

import { movie, shapes, stage } from "./movies.mjs";

const { PRAVIX_BIN, WINE_RUN, WINEPREFIX, RECORDER, WORK } = process.env;
const APP_PATHS = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msedge.exe";
const WINE_BROWSER = "HKCU\\Software\\Wine\\WineBrowser";
const TEMP = path.join(WINEPREFIX, "drive_c/users", process.env.USER || "root", "Temp");
// The page calls back every second and the projector ends after 5 silent seconds.
const SILENCE_MS = 5000;

const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
const windowsPath = (file) => "Z:" + path.resolve(file).replaceAll("/", "\\");
const unixPath = (file) => path.join(WINEPREFIX, "drive_c", file.slice(3).replaceAll("\\", "/"));

function wine(...args) {
  const run = spawnSync(WINE_RUN, args, { stdio: "ignore", env: { ...process.env, PRAVIX_WINE_TIMEOUT: "60" } });
  assert.equal(run.status, 0, `wine ${args.join(" ")}`);
}

async function waitFor(what, condition, ms = 30000) {
  const end = Date.now() + ms;
  for (;;) {
    const value = await condition();
    if (value) return value;
    if (Date.now() > end) assert.fail(`timed out waiting for ${what}`);
    await sleep(100);
  }
}

// A projector made by Pravix.exe from a movie made here, in a folder of its own.
function packedProjector(name, compressed) {
  const folder = path.join(WORK, name);
  fs.rmSync(folder, { recursive: true, force: true });
  fs.mkdirSync(folder, { recursive: true });
  const bytes = movie(compressed);
  fs.writeFileSync(path.join(folder, `${name}.swf`), bytes);
  wine(path.join(PRAVIX_BIN, "Pravix.exe"), windowsPath(path.join(folder, `${name}.swf`)));
  return { exe: path.join(folder, `${name}.exe`), bytes };
}

// Starts a projector; `ended` settles with its exit code.
function startProjector(exe) {
  const child = spawn(WINE_RUN, [exe], { stdio: "ignore", env: { ...process.env, PRAVIX_WINE_TIMEOUT: "120" } });
  const ended = new Promise((done) => child.on("exit", (code) => done(code)));
  return { child, ended };
}

const profiles = () => fs.readdirSync(TEMP).filter((name) => name.startsWith("Pravix-Player-"));

let browser;
before(async () => {
  fs.mkdirSync(WORK, { recursive: true });
  browser = await chromium.launch({
    executablePath: "/usr/bin/chromium",
    args: ["--no-sandbox", "--disable-gpu", "--autoplay-policy=no-user-gesture-required"],
  });
});
after(async () => {
  await browser?.close();
  spawnSync(WINE_RUN, ["reg", "delete", APP_PATHS, "/f"], { stdio: "ignore" });
  spawnSync(WINE_RUN, ["reg", "delete", WINE_BROWSER, "/v", "Browsers", "/f"], { stdio: "ignore" });
});

// Opens the address and waits until every shape shows at its place on the stage's colour; how
// long after the navigation began the frame was complete.
async function showsTheMovie(address) {
  const page = await browser.newPage({ viewport: { width: stage.width, height: stage.height } });
  const started = Date.now();
  await page.goto(address);
  const probes = shapes.flatMap(({ place: [x, y, w, h], colour }) => [
    { x: x + w / 2, y: y + h / 2, colour },
    { x: x + w + 10, y: y + h / 2, colour: stage.background },
  ]);
  let last = [];
  const matches = async () => {
    const shot = await page.screenshot({ type: "png" });
    last = await page.evaluate(async ({ png, probes }) => {
      const image = await createImageBitmap(await (await fetch(`data:image/png;base64,${png}`)).blob());
      const canvas = new OffscreenCanvas(image.width, image.height);
      const context = canvas.getContext("2d");
      context.drawImage(image, 0, 0);
      return probes.map(({ x, y }) => [...context.getImageData(x, y, 1, 1).data.slice(0, 3)]);
    }, { png: shot.toString("base64"), probes });
    return probes.every(({ colour }, i) => colour.every((c, k) => Math.abs(c - last[i][k]) <= 24));
  };
  try {
    await waitFor("the movie's shapes", matches, 20000);
  } catch (error) {
    error.message += `: saw ${JSON.stringify(last)}, wanted ${JSON.stringify(probes)}`;
    throw error;
  }
  return { page, ms: Date.now() - started };
}

// One raw request: the status code of the reply.
function statusOf(port, request) {
  return new Promise((done, fail) => {
    const socket = net.connect(port, "127.0.0.1", () => socket.write(request));
    let reply = "";
    socket.on("data", (data) => (reply += data.toString("latin1")));
    socket.on("error", fail);
    socket.on("close", () => done(Number(reply.split(" ")[1])));
    socket.setTimeout(10000, () => socket.destroy(new Error("no reply")));
  });
}

for (const [name, compressed] of [["plain", false], ["zlib", true]]) {
  test(`a ${name} movie plays in the app window of the browser found through App Paths`, async () => {
    const { exe, bytes } = packedProjector(`app-${name}`, compressed);
    const folder = path.dirname(exe);
    fs.copyFileSync(RECORDER, path.join(folder, "recorder.exe"));
    wine("reg", "add", APP_PATHS, "/ve", "/d", windowsPath(path.join(folder, "recorder.exe")), "/f");
    const before = profiles();
    const projector = startProjector(exe);
    const recorded = path.join(folder, "command-line.txt");
    const line = await waitFor("the browser's command line", () => fs.existsSync(recorded) && fs.readFileSync(recorded, "latin1"));
    const address = /"?--app=(http:\/\/127\.0\.0\.1:(\d+)\/[0-9a-f]{32}\/)"?/.exec(line);
    const profile = /"--user-data-dir=([^"]+)"|--user-data-dir=(\S+)/.exec(line);
    assert.ok(address && profile, line);
    assert.match(line, / --no-first-run /);
    assert.match(line, / --autoplay-policy=no-user-gesture-required /);
    const size = /--window-size=(\d+),(\d+)/.exec(line).slice(1).map(Number);
    assert.ok(size[0] >= stage.width && size[0] < stage.width + 40, `window ${size}`);
    assert.ok(size[1] >= stage.height && size[1] < stage.height + 80, `window ${size}`);
    const profileFolder = unixPath(profile[1] || profile[2]);
    assert.ok(fs.statSync(profileFolder).isDirectory(), profileFolder);

    const { page } = await showsTheMovie(address[1]);
    assert.equal(await page.title(), `app-${name}`);
    const served = await page.evaluate(async () => [...new Uint8Array(await (await fetch("movie.swf")).arrayBuffer())]);
    assert.deepEqual(Buffer.from(served), bytes);

    if (!compressed) {
      // Each refusal is one request on a connection of its own.
      const port = Number(address[2]);
      const secret = new URL(address[1]).pathname;
      const host = `Host: 127.0.0.1:${port}\r\n`;
      const refusals = [
        ["another Host", `GET ${secret} HTTP/1.1\r\nHost: rebound.example:${port}\r\n\r\n`, 421],
        ["no Host", `GET ${secret} HTTP/1.1\r\n\r\n`, 421],
        ["no secret", `GET /movie.swf HTTP/1.1\r\n${host}\r\n`, 404],
        ["a wrong secret", `GET /${"0".repeat(32)}/movie.swf HTTP/1.1\r\n${host}\r\n`, 404],
        ["POST", `POST ${secret}movie.swf HTTP/1.1\r\n${host}Content-Length: 0\r\n\r\n`, 405],
        ["an unknown name", `GET ${secret}movie.swf.map HTTP/1.1\r\n${host}\r\n`, 404],
        ["a header block over 16 KiB", `GET ${secret} HTTP/1.1\r\n${host}X: ${"a".repeat(16384)}\r\n\r\n`, 431],
        ["HEAD", `HEAD ${secret}movie.swf HTTP/1.1\r\n${host}Connection: close\r\n\r\n`, 200],
      ];
      for (const [what, request, status] of refusals) {
        assert.equal(await statusOf(port, request), status, what);
      }
      // Strangers holding many connections open do not lock the page out.
      const idle = await Promise.all(Array.from({ length: 80 }, () => new Promise((done) => {
        const socket = net.connect(port, "127.0.0.1", () => done(socket));
        socket.on("error", () => {});
      })));
      const reloaded = await page.evaluate(async () => (await fetch(location.href, { cache: "no-store" })).status);
      assert.equal(reloaded, 200);
      idle.forEach((socket) => socket.destroy());
    }
    await page.close();
    assert.ok(projector.child.exitCode === null, "the projector ended before its browser");

    fs.writeFileSync(path.join(folder, "close"), "");
    const code = await Promise.race([projector.ended, sleep(15000).then(() => "still running")]);
    assert.equal(code, 0);
    assert.equal(fs.existsSync(profileFolder), false, "the profile folder stayed");
    assert.deepEqual(profiles(), before);
    wine("reg", "delete", APP_PATHS, "/f");
  });
}

test("without Edge or Chrome the default browser gets the address, and the projector ends with the page", async () => {
  const { exe } = packedProjector("default", false);
  const folder = path.dirname(exe);
  const script = path.join(folder, "browser.sh");
  const recorded = path.join(folder, "address.txt");
  fs.writeFileSync(script, `#!/bin/sh\necho "$1" > "${recorded}.tmp" && mv "${recorded}.tmp" "${recorded}"\n`, { mode: 0o755 });
  wine("reg", "add", WINE_BROWSER, "/v", "Browsers", "/d", script, "/f");
  const projector = startProjector(exe);
  const address = (await waitFor("the address", () => fs.existsSync(recorded) && fs.readFileSync(recorded, "latin1"))).trim();
  assert.match(address, /^http:\/\/127\.0\.0\.1:\d+\/[0-9a-f]{32}\/$/);
  const { page } = await showsTheMovie(address);
  await sleep(2 * SILENCE_MS);
  assert.ok(projector.child.exitCode === null, "the projector ended while the page called back");
  const closed = Date.now();
  await page.close();
  const code = await Promise.race([projector.ended, sleep(3 * SILENCE_MS).then(() => "still running")]);
  assert.equal(code, 0);
  assert.ok(Date.now() - closed >= SILENCE_MS - 1500, "the projector ended before the page was silent");
});
