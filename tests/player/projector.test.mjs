// The projector end to end: Pravix.exe under Wine packs a movie made here, the projector serves
// it, and Debian's Chromium (driven by playwright-core) shows the movie's shapes. The browser the
// projector starts is a stand-in that records its command line (found through App Paths, as Edge
// would be), or Wine's hand-over of an address to the default browser (WineBrowser).
import assert from "node:assert/strict";
import fs from "node:fs";
import net from "node:net";
import path from "node:path";
import { test } from "node:test";

import { WINE_BROWSER, Wine, appWindow, chromiumForTests, endsWithin, showsTheMovie, sleep, waitFor } from "./harness.mjs";
import { movie, probes, stage } from "./movies.mjs";

const { PRAVIX_BIN, WINE_RUN, WINEPREFIX, RECORDER, WORK } = process.env;
const wine = new Wine(WINE_RUN, WINEPREFIX);
// The page calls back every second and the projector ends after 5 silent seconds.
const SILENCE_MS = 5000;

const browser = chromiumForTests(wine, WORK);

// Raw requests on a connection of their own, the peer's side ended after them with `halfClose`:
// the status codes of the replies, once the server has closed the connection.
function statusesOf(port, requests, halfClose = false) {
  return new Promise((done, fail) => {
    const socket = net.connect(port, "127.0.0.1", () => (halfClose ? socket.end(requests) : socket.write(requests)));
    let reply = "";
    socket.on("data", (data) => (reply += data.toString("latin1")));
    socket.on("error", fail);
    socket.on("close", () => done([...reply.matchAll(/^HTTP\/1\.1 (\d+) /gm)].map((m) => Number(m[1]))));
    socket.setTimeout(10000, () => socket.destroy(new Error("no reply")));
  });
}

async function refusesWhatIsNotOurs(port, secret) {
  const host = `Host: 127.0.0.1:${port}\r\n`;
  const alive = `GET ${secret}alive HTTP/1.1\r\n${host}\r\n`;
  const requests = [
    ["another Host", `GET ${secret} HTTP/1.1\r\nHost: rebound.example:${port}\r\n\r\n`, [421]],
    ["no Host", `GET ${secret} HTTP/1.1\r\n\r\n`, [400]],
    ["no secret", `GET /movie.swf HTTP/1.1\r\n${host}\r\n`, [404]],
    ["a wrong secret", `GET /${"0".repeat(32)}/movie.swf HTTP/1.1\r\n${host}\r\n`, [404]],
    ["POST", `POST ${secret}movie.swf HTTP/1.1\r\n${host}Content-Length: 0\r\n\r\n`, [405]],
    ["an unknown name", `GET ${secret}movie.swf.map HTTP/1.1\r\n${host}\r\n`, [404]],
    ["a header block over 16 KiB", `GET ${secret} HTTP/1.1\r\n${host}X: ${"a".repeat(16384)}\r\n\r\n`, [431]],
    ["HEAD", `HEAD ${secret}movie.swf HTTP/1.1\r\n${host}Connection: close\r\n\r\n`, [200]],
    ["a chunked body, and a request inside it",
      `POST ${secret} HTTP/1.1\r\n${host}Transfer-Encoding: chunked\r\n\r\n${alive.length.toString(16)}\r\n${alive}\r\n0\r\n\r\n`, [400]],
    ["a request inside a body", `GET ${secret}alive HTTP/1.1\r\n${host}Content-Length: ${alive.length}\r\n\r\n${alive}` +
      `GET ${secret}alive HTTP/1.1\r\n${host}Connection: close\r\n\r\n`, [204, 204]],
    ["500 pipelined", alive.repeat(499) + `GET ${secret} HTTP/1.1\r\n${host}Connection: close\r\n\r\n`,
      [...Array(499).fill(204), 200]],
  ];
  for (const [what, request, statuses] of requests) {
    assert.deepEqual(await statusesOf(port, request), statuses, what);
  }
  assert.deepEqual(await statusesOf(port, alive + alive, true), [204, 204], "half-closed");
}

for (const [name, compressed] of [["plain", false], ["zlib", true]]) {
  test(`a ${name} movie plays in the app window of the browser found through App Paths`, async () => {
    const folder = path.join(WORK, `app-${name}`);
    const bytes = movie(compressed);
    const exe = wine.pack(PRAVIX_BIN, folder, `app-${name}`, bytes);
    const edge = wine.standInEdge(RECORDER, folder);
    const before = wine.temporaryFolder();
    const projector = wine.start(exe);
    const line = await edge.commandLine();
    assert.match(line, / --no-first-run /);
    assert.match(line, / --autoplay-policy=no-user-gesture-required /);
    const { address, port, profile, size } = appWindow(line);
    // The stage, and the frame around it.
    assert.ok(size[0] >= stage.width && size[0] < stage.width + 40, `window ${size}`);
    assert.ok(size[1] >= stage.height && size[1] < stage.height + 80, `window ${size}`);
    const profileFolder = wine.unixPath(profile);
    assert.ok(fs.statSync(profileFolder).isDirectory(), profileFolder);

    const { page } = await showsTheMovie(browser(), address, stage, probes);
    assert.equal(await page.title(), `app-${name}`);
    const served = await page.evaluate(async () => [...new Uint8Array(await (await fetch("movie.swf")).arrayBuffer())]);
    assert.deepEqual(Buffer.from(served), bytes);

    if (!compressed) {
      await refusesWhatIsNotOurs(port, new URL(address).pathname);
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
    assert.equal(projector.child.exitCode, null, "the projector ended before its browser");

    edge.close();
    assert.equal(await endsWithin(projector, 15000), 0);
    assert.equal(fs.existsSync(profileFolder), false, "the profile folder stayed");
    assert.deepEqual(wine.temporaryFolder(), before);
    wine.forgetStandInEdge();
  });
}

test("a damaged movie reaches the page as the web player's error panel", async () => {
  const folder = path.join(WORK, "damaged");
  const damaged = Buffer.concat([Buffer.from("CWS\x0a\xff\x00\x00\x00", "latin1"), Buffer.alloc(200, 0x5a)]);
  const exe = wine.pack(PRAVIX_BIN, folder, "damaged", damaged);
  const edge = wine.standInEdge(RECORDER, folder);
  const projector = wine.start(exe);
  const page = await browser().newPage();
  await page.goto(appWindow(await edge.commandLine()).address);
  await page.locator("#panic").waitFor({ timeout: 20000 });
  await page.close();
  edge.close();
  assert.equal(await endsWithin(projector, 15000), 0);
  wine.forgetStandInEdge();
});

test("a browser without WebAssembly's extensions shows what it lacks in place of the movie", async () => {
  const folder = path.join(WORK, "no-extensions");
  const exe = wine.pack(PRAVIX_BIN, folder, "old", movie(false));
  const edge = wine.standInEdge(RECORDER, folder);
  const projector = wine.start(exe);
  const context = await browser().newContext();
  // The player's feature check fails, as in a browser older than the extensions.
  await context.addInitScript(() => { WebAssembly.validate = () => false; });
  const page = await context.newPage();
  await page.goto(appWindow(await edge.commandLine()).address);
  const message = await page.locator("#unsupported").textContent({ timeout: 20000 });
  assert.match(message, /WebAssembly lacks features .* SIMD/);
  assert.match(message, /Updating Microsoft Edge or Google Chrome/);
  assert.equal(await page.locator("ruffle-player").count(), 0);
  await context.close();
  edge.close();
  assert.equal(await endsWithin(projector, 15000), 0);
  wine.forgetStandInEdge();
});

test("without Edge or Chrome the default browser gets the address, full screen at the first click, and the projector ends with the page", async () => {
  const folder = path.join(WORK, "default");
  // The game starts full screen, as its options file beside the movie says.
  const exe = wine.pack(PRAVIX_BIN, folder, "default", movie(false), { options: "[Projector]\r\nFullScreen=yes\r\n" });
  const script = path.join(folder, "browser.sh");
  const recorded = path.join(folder, "address.txt");
  fs.writeFileSync(script, `#!/bin/sh\necho "$1" > "${recorded}.tmp" && mv "${recorded}.tmp" "${recorded}"\n`, { mode: 0o755 });
  wine.forgetStandInEdge();
  wine.run("reg", "add", WINE_BROWSER, "/v", "Browsers", "/d", script, "/f");
  const address = async () => {
    const text = await waitFor("the address", () => fs.existsSync(recorded) && fs.readFileSync(recorded, "latin1"));
    fs.rmSync(recorded);
    return text.trim();
  };
  const before = wine.temporaryFolder();
  const first = wine.start(exe);
  const firstAddress = await address();
  assert.match(firstAddress, /^http:\/\/127\.0\.0\.1:\d+\/[0-9a-f]{32}\/$/);
  const { page } = await showsTheMovie(browser(), firstAddress, stage, probes);
  // No switch started the default browser full screen: the page asks at the user's first click.
  const fullScreen = () => page.evaluate(() => document.fullscreenElement !== null);
  assert.equal(await fullScreen(), false);
  await page.mouse.click(10, 10);
  await waitFor("full screen", fullScreen, 5000);
  // A second start of the same projector while the first plays gets an address of its own.
  const second = wine.start(exe);
  const secondAddress = await address();
  assert.notEqual(secondAddress, firstAddress);
  const { page: secondPage } = await showsTheMovie(browser(), secondAddress, stage, probes);

  await sleep(SILENCE_MS + 2000);
  assert.equal(first.child.exitCode, null, "the projector ended while the page called back");
  const closed = Date.now();
  await page.close();
  // The second page closes while the first projector waits out its page's silence: each ends
  // with its own page.
  await sleep(SILENCE_MS / 2);
  const secondClosed = Date.now();
  await secondPage.close();
  assert.equal(await endsWithin(first, 3 * SILENCE_MS), 0);
  assert.ok(Date.now() - closed >= SILENCE_MS - 1500, "the projector ended before the page was silent");
  assert.equal(second.child.exitCode, null, "the second projector ended with the first one's page");
  assert.equal(await endsWithin(second, 3 * SILENCE_MS), 0);
  assert.ok(Date.now() - secondClosed >= SILENCE_MS - 1500, "the second projector ended before its page was silent");
  assert.deepEqual(wine.temporaryFolder(), before);
});
