// What the projector's tests, the main job's screenshot and the benchmark share: Wine runs in the
// build's prefix, projectors packed by Pravix.exe, the stand-in browser that records its command
// line, and Debian's Chromium driven by playwright-core.
import assert from "node:assert/strict";
import { spawn, spawnSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { after, before } from "node:test";
import { inflateSync } from "node:zlib";
import { chromium } from "playwright-core";

export const APP_PATHS = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msedge.exe";
export const WINE_BROWSER = "HKCU\\Software\\Wine\\WineBrowser";

export const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
export const windowsPath = (file) => "Z:" + path.resolve(file).replaceAll("/", "\\");

// The build's Wine: `wineRun` is the build's wine-run.sh, `prefix` its prefix.
export class Wine {
  constructor(wineRun, prefix) {
    this.wineRun = wineRun;
    this.prefix = prefix;
    this.temp = path.join(prefix, "drive_c/users", process.env.USER || "root", "Temp");
  }

  // What the prefix's temporary folder holds. The tests have the prefix to themselves, so whatever
  // changes there is the stubs'.
  temporaryFolder() {
    return fs.readdirSync(this.temp).sort();
  }

  // A Linux path for a path on the prefix's drive C.
  unixPath(file) {
    return path.join(this.prefix, "drive_c", file.slice(3).replaceAll("\\", "/"));
  }

  run(...args) {
    const run = spawnSync(this.wineRun, args, { stdio: "ignore", env: { ...process.env, PRAVIX_WINE_TIMEOUT: "60" } });
    assert.equal(run.status, 0, `wine ${args.join(" ")}`);
  }

  // Runs quietly; a failure is of no matter (removing what is not there).
  tryRun(...args) {
    spawnSync(this.wineRun, args, { stdio: "ignore" });
  }

  // Starts a Windows program in the background; `ended` settles with its exit code.
  start(exe, ...args) {
    const child = spawn(this.wineRun, [exe, ...args], { stdio: "ignore", env: { ...process.env, PRAVIX_WINE_TIMEOUT: "600" } });
    const ended = new Promise((done) => child.on("exit", (code) => done(code)));
    return { child, ended };
  }

  // A projector packed by Pravix.exe from `bytes`, as `folder/name.exe`; with `screenSaver`, a
  // screen saver, `folder/name.scr`; with `options`, the text of the movie's options file beside it.
  pack(pravixBin, folder, name, bytes, { screenSaver = false, options } = {}) {
    fs.rmSync(folder, { recursive: true, force: true });
    fs.mkdirSync(folder, { recursive: true });
    fs.writeFileSync(path.join(folder, `${name}.swf`), bytes);
    if (options !== undefined) fs.writeFileSync(path.join(folder, `${name}.pravix.ini`), options);
    const movie = windowsPath(path.join(folder, `${name}.swf`));
    this.run(path.join(pravixBin, "Pravix.exe"), ...(screenSaver ? [movie, "SCR"] : [movie]));
    return path.join(folder, `${name}.${screenSaver ? "scr" : "exe"}`);
  }

  // A projector (or with `screenSaver`, a screen saver) of `bytes` that carries `files` (names
  // below the packed folder, "/" between parts, and their bytes), packed by the native `pravix`
  // at `pravixNative` behind the stub of `pravixBin`, with the further `flags`: `folder/name.exe`
  // (or `.scr`), alone there.
  packWithFiles(pravixNative, pravixBin, folder, name, bytes, files, { screenSaver = false, flags = [] } = {}) {
    const source = `${folder}-source`;
    for (const each of [folder, source]) {
      fs.rmSync(each, { recursive: true, force: true });
      fs.mkdirSync(each, { recursive: true });
    }
    fs.writeFileSync(path.join(source, `${name}.swf`), bytes);
    for (const [file, content] of Object.entries(files)) {
      fs.mkdirSync(path.dirname(path.join(source, "assets", file)), { recursive: true });
      fs.writeFileSync(path.join(source, "assets", file), content);
    }
    const target = path.join(folder, `${name}.${screenSaver ? "scr" : "exe"}`);
    const stub = path.join(pravixBin, screenSaver ? "Quendel.dll" : "Player.exe");
    const packed = spawnSync(pravixNative, [
      "pack", ...(screenSaver ? ["-s"] : []), `--include=${path.join(source, "assets")}`, `--stub=${stub}`,
      ...flags, "-o", target, path.join(source, `${name}.swf`),
    ], { encoding: "utf8" });
    assert.equal(packed.status, 0, packed.stderr);
    return target;
  }

  // Registers a copy of the recording stand-in in `folder` as Edge; its command line appears in
  // `folder/command-line.txt`, and it ends once `folder/close` exists.
  standInEdge(recorder, folder) {
    const copy = path.join(folder, "recorder.exe");
    fs.copyFileSync(recorder, copy);
    this.run("reg", "add", APP_PATHS, "/ve", "/d", windowsPath(copy), "/f");
    return {
      commandLine: () => waitFor("the browser's command line", () => {
        const file = path.join(folder, "command-line.txt");
        return fs.existsSync(file) && fs.readFileSync(file, "latin1");
      }),
      close: () => fs.writeFileSync(path.join(folder, "close"), ""),
    };
  }

  forgetStandInEdge() {
    this.tryRun("reg", "delete", APP_PATHS, "/f");
  }
}

// The exit code of a program started by Wine.start, or "still running" after `ms`.
export const endsWithin = (program, ms) => Promise.race([program.ended, sleep(ms).then(() => "still running")]);

// Chromium for the tests of the file that calls this: launched before them, closed after them,
// and the prefix's browsers forgotten. Gives a function that gives the browser.
export function chromiumForTests(wine, work) {
  let browser;
  before(async () => {
    fs.mkdirSync(work, { recursive: true });
    browser = await launchChromium();
  });
  after(async () => {
    await browser?.close();
    wine.forgetStandInEdge();
    wine.tryRun("reg", "delete", WINE_BROWSER, "/v", "Browsers", "/f");
  });
  return () => browser;
}

export async function waitFor(what, condition, ms = 30000, pollMs = 100) {
  const end = Date.now() + ms;
  for (;;) {
    const value = await condition();
    if (value) return value;
    if (Date.now() > end) assert.fail(`timed out waiting for ${what}`);
    await sleep(pollMs);
  }
}

// The address, the profile folder and the window size in a browser's command line: an app
// window's, or (without a size) a kiosk's.
export function appWindow(commandLine, kiosk = false) {
  const opens = kiosk ? "--kiosk " : "--app=";
  const address = new RegExp(`"?${opens}(http://127\\.0\\.0\\.1:(\\d+)/[0-9a-f]{32}/)"?`).exec(commandLine);
  const profile = /"--user-data-dir=([^"]+)"|--user-data-dir=(\S+)/.exec(commandLine);
  const size = /--window-size=(\d+),(\d+)/.exec(commandLine);
  assert.ok(address && profile && (kiosk || size), commandLine);
  return {
    address: address[1],
    port: Number(address[2]),
    profile: profile[1] || profile[2],
    size: size?.slice(1).map(Number),
  };
}

export function launchChromium() {
  return chromium.launch({
    executablePath: "/usr/bin/chromium",
    args: ["--no-sandbox", "--disable-gpu", "--autoplay-policy=no-user-gesture-required"],
  });
}

// The pixels of a PNG of 8-bit RGB or RGBA, as Chromium writes its screenshots: a function of x
// and y giving [r, g, b].
export function pngPixels(png) {
  let width = 0, channels = 0;
  const data = [];
  for (let at = 8; at < png.length;) {
    const length = png.readUInt32BE(at);
    const type = png.toString("latin1", at + 4, at + 8);
    const body = png.subarray(at + 8, at + 8 + length);
    if (type === "IHDR") {
      width = body.readUInt32BE(0);
      assert.equal(body[8], 8, "8 bits a channel");
      channels = { 2: 3, 6: 4 }[body[9]];
      assert.ok(channels && body[12] === 0, "RGB or RGBA, not interlaced");
    } else if (type === "IDAT") {
      data.push(body);
    }
    at += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const rows = [];
  let previous = Buffer.alloc(stride);
  for (let at = 0; at < raw.length; at += stride + 1) {
    const filter = raw[at];
    const row = Buffer.from(raw.subarray(at + 1, at + 1 + stride));
    for (let i = 0; i < stride; i++) {
      const left = i >= channels ? row[i - channels] : 0;
      const up = previous[i];
      const corner = i >= channels ? previous[i - channels] : 0;
      const guess = left + up - corner;
      const [pa, pb, pc] = [Math.abs(guess - left), Math.abs(guess - up), Math.abs(guess - corner)];
      const paeth = pa <= pb && pa <= pc ? left : pb <= pc ? up : corner;
      row[i] = (row[i] + [0, left, up, (left + up) >> 1, paeth][filter]) & 0xff;
    }
    rows.push(row);
    previous = row;
  }
  return (x, y) => [...rows[y].subarray(x * channels, x * channels + 3)];
}

// Opens `address` in a page of the stage's size and waits until each probe ({x, y, colour}) shows
// its colour on the screen; the page, and how long after the navigation began the frame was
// complete. Only the part of the page that holds the probes is taken, to look often: every
// `pollMs`, or without a pause where the time to the first frame is measured (each look takes
// the browser's processor time from the page).
export async function showsTheMovie(browser, address, stage, probes, pollMs = 100) {
  const page = await browser.newPage({ viewport: { width: stage.width, height: stage.height } });
  const started = Date.now();
  await page.goto(address);
  const clip = {
    x: Math.min(...probes.map((p) => p.x)),
    y: Math.min(...probes.map((p) => p.y)),
  };
  clip.width = Math.max(...probes.map((p) => p.x)) - clip.x + 1;
  clip.height = Math.max(...probes.map((p) => p.y)) - clip.y + 1;
  let seen = [];
  const matches = async () => {
    const pixel = pngPixels(await page.screenshot({ type: "png", clip }));
    seen = probes.map(({ x, y }) => pixel(x - clip.x, y - clip.y));
    return probes.every(({ colour }, i) => colour.every((c, k) => Math.abs(c - seen[i][k]) <= 24));
  };
  try {
    await waitFor("the movie's shapes", matches, 20000, pollMs);
  } catch (error) {
    error.message += `: saw ${JSON.stringify(seen)}, wanted ${JSON.stringify(probes)}`;
    throw error;
  }
  return { page, ms: Date.now() - started };
}
