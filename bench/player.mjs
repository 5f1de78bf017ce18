// The projector's figures under Wine: from the stub's start to the address handed to the browser
// (Wine's own start taken off), from the address to the movie's first frame in headless Chromium,
// the stub's memory while it serves a 1 MiB and a 256 MiB movie, how many keep-alive requests it
// answers a second, how fast it serves the 256 MiB movie against a plain copy of the file, the
// time from a movie's flush to its save on disk, a change and the listing with 10 and with 10,000
// saves, a 1 GiB file beside the projector served, a 256 MiB video served from inside and from
// beside, the stubs' sizes in both builds and a projector's. Run by scripts/bench-player.sh, which
// sets WINE_RUN, WINEPREFIX, RECORDER, PLAIN_COPY, PRAVIX_BIN, PRAVIX_BIN32 (the 32-bit build's),
// PRAVIX_NATIVE (the native `pravix`) and WORK.
import assert from "node:assert/strict";
import { execFile, spawnSync } from "node:child_process";
import fs from "node:fs";
import net from "node:net";
import path from "node:path";

import { Wine, appWindow, launchChromium, showsTheMovie, sleep, waitFor, windowsPath } from "../tests/player/harness.mjs";
import { movie, probes, savesMovie, stage } from "../tests/player/movies.mjs";

const { WINE_RUN, WINEPREFIX, RECORDER, PLAIN_COPY, PRAVIX_BIN, PRAVIX_BIN32, PRAVIX_NATIVE, WORK } = process.env;
const ROUNDS = Number(process.env.ROUNDS || 7);
const MIB = 1024 * 1024;
const wine = new Wine(WINE_RUN, WINEPREFIX);

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const seconds = (ms) => (ms / 1000).toFixed(3);

// The Linux process of a Windows program started by its path: Wine names it so.
function windowsProcess(exe) {
  const name = path.basename(exe);
  for (const pid of fs.readdirSync("/proc").filter((entry) => /^\d+$/.test(entry))) {
    try {
      const first = fs.readFileSync(`/proc/${pid}/cmdline`, "latin1").split("\0")[0];
      if (first.endsWith(name) && !first.endsWith("wine-run.sh")) return pid;
    } catch {
      // It ended meanwhile.
    }
  }
  return undefined;
}

function memory(pid) {
  const status = fs.readFileSync(`/proc/${pid}/status`, "latin1");
  const field = (name) => Number(new RegExp(`${name}:\\s+(\\d+) kB`).exec(status)[1]) / 1024;
  return { rss: field("VmRSS"), peak: field("VmHWM"), private: field("RssAnon") };
}

// Starts `command` with the stand-in browser registered, and times until its command line is
// written: ms, and what to call to end the run.
async function timeToBrowser(folder, start) {
  fs.rmSync(folder, { recursive: true, force: true });
  fs.mkdirSync(folder, { recursive: true });
  const edge = wine.standInEdge(RECORDER, folder);
  const began = performance.now();
  const run = start(folder);
  const line = await waitFor("the command line", () => {
    const file = path.join(folder, "command-line.txt");
    return fs.existsSync(file) && fs.readFileSync(file, "latin1");
  }, 60000, 5);
  const ms = performance.now() - began;
  return { ms, line, finish: async () => { edge.close(); await run.ended; } };
}

// Requests answered a second: `connections` keep-alive connections, each sending its next GET of
// the page once the reply to the last one is in, for `ms`.
async function requestsPerSecond(address, connections, ms) {
  const url = new URL(address);
  const request = `GET ${url.pathname} HTTP/1.1\r\nHost: ${url.host}\r\n\r\n`;
  const end = performance.now() + ms;
  const one = () => new Promise((done, fail) => {
    let answered = 0, pending = Buffer.alloc(0);
    const socket = net.connect(Number(url.port), url.hostname, () => socket.write(request));
    socket.on("error", fail);
    socket.on("data", (data) => {
      pending = Buffer.concat([pending, data]);
      for (;;) {
        const head = pending.indexOf("\r\n\r\n");
        if (head < 0) return;
        const length = Number(/Content-Length: (\d+)/.exec(pending.toString("latin1", 0, head))[1]);
        if (pending.length < head + 4 + length) return;
        pending = pending.subarray(head + 4 + length);
        answered++;
        if (performance.now() < end) {
          socket.write(request);
        } else {
          socket.destroy();
          done(answered);
        }
      }
    });
  });
  const began = performance.now();
  const answered = (await Promise.all(Array.from({ length: connections }, one))).reduce((a, b) => a + b);
  return answered / ((performance.now() - began) / 1000);
}

// A Windows program's time under Wine, Wine's start (the same program on a tiny file) taken off.
function plainCopyMs(file) {
  const copy = (from) => {
    const to = path.join(WORK, "copy.out");
    fs.rmSync(to, { force: true });
    const began = performance.now();
    const run = spawnSync(WINE_RUN, [PLAIN_COPY, windowsPath(from), windowsPath(to)], { stdio: "ignore" });
    if (run.status !== 0) throw new Error(`the plain copy of ${from} failed`);
    return performance.now() - began;
  };
  const tiny = path.join(WORK, "tiny");
  fs.writeFileSync(tiny, Buffer.alloc(100));
  const rounds = Array.from({ length: 3 }, () => copy(file) - copy(tiny));
  fs.rmSync(path.join(WORK, "copy.out"), { force: true });
  return median(rounds);
}

// Fetches `url` whole with curl, a client that keeps up with the server (Node's fetch takes three
// times as long over the same bytes): the time it took, in ms.
const fetchWhole = (url) => new Promise((done, fail) => execFile("curl", ["-sf", "-o", "/dev/null", "-w", "%{time_total}", url],
  (error, seconds) => (error ? fail(error) : done(Number(seconds) * 1000))));

const projectors = {};
for (const mib of [1, 256]) {
  const folder = path.join(WORK, `movie-${mib}`);
  projectors[mib] = wine.pack(PRAVIX_BIN, folder, `bench-${mib}mib`, movie(false, mib * MIB - 200));
}
const browser = await launchChromium();

// Wine's own start: the stand-in starting a copy of itself is a Windows program starting another
// one, as the projector starts the browser.
const wineStart = [];
const toAddress = [];
let idleWine = 0;
for (let round = 0; round < ROUNDS; round++) {
  const base = await timeToBrowser(path.join(WORK, "base"), (folder) => {
    const recorder = path.join(folder, "recorder.exe");
    return wine.start(recorder, "/start", windowsPath(recorder));
  });
  // The resident size of a Windows program that does nothing, for comparison.
  const standIn = windowsProcess("recorder.exe");
  if (standIn) idleWine = Math.max(idleWine, memory(standIn).rss);
  await base.finish();
  wineStart.push(base.ms);
  const played = await timeToBrowser(path.join(WORK, "played"), () => wine.start(projectors[1]));
  await played.finish();
  toAddress.push(played.ms);
}

// Sampling the resident size of `pid` while `work` runs: its result, the peak and the private peak.
async function sampled(pid, work) {
  let peak = 0, privatePeak = 0, sampling = true;
  const sampler = (async () => {
    while (sampling) {
      const now = memory(pid);
      peak = Math.max(peak, now.rss);
      privatePeak = Math.max(privatePeak, now.private);
      await sleep(20);
    }
  })();
  const result = await work();
  sampling = false;
  await sampler;
  return { result, peak: Math.max(peak, memory(pid).peak), privatePeak };
}

// The first frame and the memory, per movie size.
const rows = [];
let keepAlive = {};
let serveMs = 0;
for (const mib of [1, 256]) {
  const frames = [];
  let peak = 0;
  let privatePeak = 0;
  for (let round = 0; round < (mib === 1 ? ROUNDS : 1); round++) {
    const run = await timeToBrowser(path.join(WORK, `memory-${mib}`), () => wine.start(projectors[mib]));
    const pid = await waitFor("the projector's process", () => windowsProcess(projectors[mib]));
    const { address } = appWindow(run.line);
    const shown = await sampled(pid, async () => {
      const { page, ms } = await showsTheMovie(browser, address, stage, probes, 0);
      frames.push(ms);
      // The whole movie once more, as fast as it can be read.
      const whole = await fetchWhole(new URL("movie.swf", address).href);
      if (mib === 256) serveMs = whole;
      if (mib === 1 && round === 0) {
        keepAlive = { one: await requestsPerSecond(address, 1, 3000), eight: await requestsPerSecond(address, 8, 3000) };
      }
      return page;
    });
    peak = Math.max(peak, shown.peak);
    privatePeak = Math.max(privatePeak, shown.privatePeak);
    await shown.result.close();
    await run.finish();
  }
  rows.push({ mib, frame: median(frames), peak, privatePeak });
}

// From the page's request that carries a flush to the .sol file on disk.
const SAVES = path.join(WINEPREFIX, "drive_c/users", process.env.USER || "root", "AppData/Roaming/Pravix/Saves");
const savesExe = wine.pack(PRAVIX_BIN, path.join(WORK, "saves"), "saves", savesMovie());
const flushMs = [];
for (let round = 0; round < ROUNDS; round++) {
  fs.rmSync(SAVES, { recursive: true, force: true });
  const run = await timeToBrowser(path.join(WORK, "saves-run"), () => wine.start(savesExe));
  // The page's own clock, the same as ours: when it handed the flush to fetch.
  const page = await browser.newPage();
  await page.addInitScript(() => {
    const send = window.fetch;
    window.fetch = (target, options) => {
      if (options?.method === "PUT") window.flushedAt = Date.now();
      return send(target, options);
    };
  });
  await page.goto(appWindow(run.line).address);
  await waitFor("the save on disk", () => fs.existsSync(SAVES) &&
    fs.readdirSync(SAVES).some((folder) => fs.existsSync(path.join(SAVES, folder, "pravixbar.sol"))), 20000, 2);
  const onDisk = Date.now();
  const sent = await page.evaluate(() => window.flushedAt);
  flushMs.push(onDisk - sent);
  await page.close();
  await run.finish();
}

// A change and the listing, as the page sends them (the address's secret, the page's Origin), with
// 10 and with 10,000 saves of 100 bytes in the projector's folder, which the flushes above made.
const saveFolder = path.join(SAVES, fs.readdirSync(SAVES)[0]);
const savesRows = [];
for (const count of [10, 10000]) {
  for (let i = fs.readdirSync(saveFolder).length; i < count; i++) {
    fs.writeFileSync(path.join(saveFolder, `s${String(i).padStart(5, "0")}.sol`), Buffer.alloc(100, 1));
  }
  const run = await timeToBrowser(path.join(WORK, "saves-run"), () => wine.start(savesExe));
  const address = appWindow(run.line).address;
  const headers = { Origin: new URL(address).origin };
  const listMs = [], putMs = [];
  let pageNumber = 0;
  for (let round = 0; round < ROUNDS; round++) {
    const began = performance.now();
    const reply = await fetch(new URL("saves/", address), { headers });
    const listed = Object.keys(await reply.json()).length;
    listMs.push(performance.now() - began);
    assert.equal(listed, count);
    pageNumber = Number(reply.headers.get("Pravix-Page"));
  }
  for (let round = 0; round < ROUNDS; round++) {
    const began = performance.now();
    // A replacement: beyond 1,000 saves a new one is refused.
    const reply = await fetch(new URL("saves/pravixbar.sol", address), {
      method: "PUT", body: Buffer.alloc(100, 2), headers: { ...headers, "Pravix-Order": `${pageNumber}.${round + 1}` },
    });
    putMs.push(performance.now() - began);
    assert.equal(reply.status, 204);
  }
  await run.finish();
  savesRows.push({ count, list: median(listMs), put: median(putMs) });
}

// A file of 1 GiB beside the projector (sparse: the disk is not measured), fetched whole.
const video = path.join(path.dirname(projectors[1]), "video.mp4");
fs.writeFileSync(video, "");
fs.truncateSync(video, 1024 * MIB);
const videoRun = await timeToBrowser(path.join(WORK, "video-run"), () => wine.start(projectors[1]));
const videoPid = await waitFor("the projector's process", () => windowsProcess(projectors[1]));
const served = await sampled(videoPid, () => fetchWhole(new URL("video.mp4", appWindow(videoRun.line).address).href));
await videoRun.finish();
fs.rmSync(video);

// A video of 256 MiB served from inside a projector (packed by `pravix --include`), and the same
// file from beside one: the median of ROUNDS fetches each.
const video256 = Buffer.alloc(256 * MIB, 7);
const insideExe = wine.packWithFiles(PRAVIX_NATIVE, PRAVIX_BIN, path.join(WORK, "inside"), "inside", movie(false),
  { "video.mp4": video256 });
const besideVideo = path.join(path.dirname(projectors[1]), "video.mp4");
fs.writeFileSync(besideVideo, video256);
const videoMs = {};
for (const [where, exe] of [["inside", insideExe], ["beside", projectors[1]]]) {
  const run = await timeToBrowser(path.join(WORK, `video-${where}`), () => wine.start(exe));
  const times = [];
  for (let round = 0; round < ROUNDS; round++) {
    times.push(await fetchWhole(new URL("video.mp4", appWindow(run.line).address).href));
  }
  await run.finish();
  videoMs[where] = median(times);
}
fs.rmSync(besideVideo);

await browser.close();
wine.forgetStandInEdge();
const copyMs = plainCopyMs(projectors[256]);

// The stubs of both builds, and what a projector of a 2 MiB movie weighs.
const stubSizes = [PRAVIX_BIN, PRAVIX_BIN32].flatMap((bin) => ["Player.exe", "Quendel.dll"].map((stub) =>
  `${path.basename(path.dirname(bin))} ${stub} ${fs.statSync(path.join(bin, stub)).size} bytes`));
const twoMiB = fs.statSync(wine.pack(PRAVIX_BIN, path.join(WORK, "movie-2"), "two", movie(false, 2 * MIB - 200))).size;
console.log(`Projector under Wine: medians of ${ROUNDS} runs`);
console.log(`  Wine starting a program that starts another: ${seconds(median(wineStart))} s`);
console.log(`  projector start to the address handed to the browser, 1 MiB movie: ${seconds(median(toAddress))} s,` +
  ` ${seconds(median(toAddress) - median(wineStart))} s without Wine's start (target under 0.3 s)`);
for (const { mib, frame, peak, privatePeak } of rows) {
  console.log(`  ${mib} MiB movie: address to first frame in headless Chromium ${seconds(frame)} s` +
    `${mib === 1 ? " (target under 1.5 s)" : " (one run)"}; the stub's peak resident size while serving` +
    ` ${peak.toFixed(1)} MiB (target under 32 MiB), of it at most ${privatePeak.toFixed(1)} MiB private` +
    " (the rest pages of files: Wine's libraries and the projector's own image)");
}
console.log("  keep-alive GETs of the page (a small file) answered a second:" +
  ` ${keepAlive.one.toFixed(0)} on one connection, ${keepAlive.eight.toFixed(0)} on eight (target at least 5,000)`);
const mibPerSecond = (ms) => (256 / (ms / 1000)).toFixed(0);
console.log(`  the 256 MiB movie served over loopback: ${seconds(serveMs)} s, ${mibPerSecond(serveMs)} MiB/s;` +
  ` a plain copy of its projector under Wine: ${seconds(copyMs)} s, ${mibPerSecond(copyMs)} MiB/s` +
  ` (target: served at no less than half the copy's speed)`);
console.log(`  from a movie's flush (the page's request) to its .sol file on disk: ${seconds(median(flushMs))} s` +
  " (target under 1 s)");
for (const { count, list, put } of savesRows) {
  console.log(`  with ${count} saves: the listing ${seconds(list)} s, a change (a save replaced by 100 bytes)` +
    ` ${seconds(put)} s`);
}
console.log(`  a 1 GiB file beside the projector served in ${seconds(served.result)} s; the stub's peak resident` +
  ` size meanwhile ${served.peak.toFixed(1)} MiB, of it at most ${served.privatePeak.toFixed(1)} MiB private`);
console.log(`  a 256 MiB video served from inside the projector: ${seconds(videoMs.inside)} s, from beside it:` +
  ` ${seconds(videoMs.beside)} s`);
console.log(`  for comparison, the resident size of an idle Windows program under Wine: ${idleWine.toFixed(1)} MiB`);
console.log(`  ${stubSizes.join(", ")} (target under 6 MiB, 6,291,456 bytes, each)`);
console.log(`  the projector of a 2 MiB movie: ${twoMiB} bytes (target under 10,000,000)`);
