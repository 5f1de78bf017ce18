// The stand-in for the page's storage: which keys are the movie's saves, what the player reads,
// how each change reaches the projector (one at a time, numbered, and all at once at close), which
// the projector's limits refuse at once, and what the page does with the projector's answers.
import assert from "node:assert/strict";
import { test } from "node:test";

import { fakeFetch, listeners, names, pageFunction, settle } from "./scripts.mjs";

const keepSaves = pageFunction("saves.js", "keepSaves");
const base64 = (text) => Buffer.from(text).toString("base64");
const bytes = (text) => [...Buffer.from(text)];
const saveKey = (name) => `127.0.0.1/s3cret/movie.swf/${name}`;

// Limits that the tests' saves stay within, unless a test tightens one.
const roomy = { saveBytes: 1 << 20, totalBytes: 1 << 22, saves: 100, nameLength: 100 };

// A window at the projector's address whose storage holds "theme", and the saves listing's
// reply: `listing`, from the projector's page `pageNumber`; or none, with `listingFails`. Its
// console records `lines` as [level, text], and its timers wait in `timers` as { delay, run }.
async function pageWithSaves({ listing = {}, pageNumber = "7", listingFails = false, limits = {} } = {}) {
  const { fetch, requests } = fakeFetch();
  const events = listeners();
  const stored = new Map([["theme", "dark"]]);
  const storage = {
    theme: "dark",
    getItem: (key) => stored.get(key) ?? null,
    setItem: (key, value) => stored.set(key, value),
    removeItem: (key) => stored.delete(key),
  };
  const lines = [], timers = [];
  const page = {
    location: { hostname: "127.0.0.1", href: "http://127.0.0.1:4321/s3cret/" },
    localStorage: storage, fetch, addEventListener: events.on, DOMException,
    console: { error: (text) => lines.push(["error", text]), warn: (text) => lines.push(["warn", text]) },
    setTimeout: (run, delay) => timers.push({ run, delay }),
  };
  const read = keepSaves(page, names, { ...roomy, ...limits });
  const listingRequest = requests.shift();
  assert.deepEqual([listingRequest.url, listingRequest.method], ["saves/", "GET"]);
  if (listingFails) listingRequest.fail();
  else listingRequest.answer({ headers: { get: (field) => (field === names.page ? pageNumber : null) }, json: async () => listing });
  await read;
  return { page, requests, events, stored, lines, timers };
}

const sent = (requests) => requests.map(({ url, method, order, body, keepalive }) => [method, url, order, body, keepalive]);

test("the movie's keys are its saves, under the movie's path or a folder above it; other keys stay the browser's", async () => {
  const { page, stored } = await pageWithSaves({ listing: { hiscore: base64("sol!") } });
  const storage = page.localStorage;
  for (const key of ["127.0.0.1/s3cret/movie.swf/hiscore", "127.0.0.1/s3cret/hiscore", "127.0.0.1//hiscore"]) {
    assert.equal(storage.getItem(key), base64("sol!"), key);
    assert.equal(storage[key], base64("sol!"), key);
    assert.ok(key in storage, key);
  }
  for (const key of ["127.0.0.1/s3cret/movie.swf/other", "127.0.0.1/elsewhere/hiscore", "127.0.0.1/hiscore", "localhost/s3cret/hiscore", "hiscore"]) {
    assert.equal(storage.getItem(key), null, key);
    assert.equal(key in storage, false, key);
  }
  assert.equal(storage.getItem("theme"), "dark");
  assert.equal(storage.theme, "dark");
  storage.setItem("volume", "3");
  assert.equal(stored.get("volume"), "3", "a key of the browser's own is the browser's");
});

test("changes go one at a time, numbered in the order they were made, each save as it last was", async () => {
  const { page, requests } = await pageWithSaves();
  const storage = page.localStorage;
  storage.setItem("127.0.0.1/s3cret/movie.swf/a", base64("one"));
  storage["127.0.0.1/s3cret/movie.swf/b"] = base64("two");
  storage.setItem("127.0.0.1/s3cret/movie.swf/a", base64("three"));
  assert.deepEqual(sent(requests), [["PUT", "saves/a.sol", "7.1", bytes("one"), true]]);
  requests[0].answer({ status: 204 });
  await settle();
  assert.equal(requests.length, 2, "the next once the first is answered");
  requests[1].answer({ status: 204 });
  await settle();
  storage.removeItem("127.0.0.1/s3cret/movie.swf/a");
  requests[2].answer({ status: 204 });
  await settle();
  delete storage["127.0.0.1/s3cret/movie.swf/b"];
  requests[3].answer({ status: 204 });
  await settle();
  assert.deepEqual(sent(requests), [
    ["PUT", "saves/a.sol", "7.1", bytes("one"), true],
    ["PUT", "saves/b.sol", "7.2", bytes("two"), true],
    ["PUT", "saves/a.sol", "7.3", bytes("three"), true],
    ["DELETE", "saves/a.sol", "7.4", undefined, true],
    ["DELETE", "saves/b.sol", "7.5", undefined, true],
  ]);
  assert.equal(storage.getItem("127.0.0.1/s3cret/movie.swf/a"), null);
});

test("at close every change still waiting goes at once, numbered after what is on its way", async () => {
  const { page, requests, events } = await pageWithSaves({ pageNumber: "2" });
  const storage = page.localStorage;
  storage.setItem("127.0.0.1/s3cret/movie.swf/a", base64("old"));
  storage.setItem("127.0.0.1/s3cret/movie.swf/a", base64("new"));
  storage.setItem("127.0.0.1/s3cret/movie.swf/big", base64("x".repeat(65536)));
  storage.setItem("127.0.0.1/s3cret/movie.swf/name with blanks", base64("b"));
  events.fire("pagehide");
  assert.deepEqual(sent(requests).map(([method, url, order, , keepalive]) => [method, url, order, keepalive]), [
    ["PUT", "saves/a.sol", "2.1", true],
    ["PUT", "saves/a.sol", "2.2", true],
    ["PUT", "saves/big.sol", "2.3", false],
    ["PUT", "saves/name%20with%20blanks.sol", "2.4", true],
  ]);
  assert.deepEqual(requests[1].body, bytes("new"));
});

test("without the listing the movie starts with no saves, and its changes carry page 0", async () => {
  const { page, requests } = await pageWithSaves({ listingFails: true });
  assert.equal(page.localStorage.getItem("127.0.0.1/s3cret/a"), null);
  page.localStorage.setItem("127.0.0.1/s3cret/a", base64("1"));
  assert.deepEqual(sent(requests), [["PUT", "saves/a.sol", "0.1", bytes("1"), true]]);
});

test("a write the projector's limits would refuse throws at once, as a full storage does, and goes nowhere; a removal never throws", async () => {
  // "hi" has 4 bytes and "lo" 2: 6 together. Each case tightens one limit.
  const listing = { hi: base64("abcd"), lo: base64("ab") };
  const cases = [
    // limits, name, the value's text, refused
    [{ saveBytes: 4 }, "new", "abcde", true],
    [{ saveBytes: 4 }, "new", "abcd", false],
    [{ totalBytes: 8 }, "new", "abc", true],
    [{ totalBytes: 8 }, "new", "ab", false],
    [{ totalBytes: 8 }, "hi", "abcdefg", true],
    [{ totalBytes: 8 }, "hi", "abcdef", false],
    [{ totalBytes: 6 }, "new", "a", true],
    [{ totalBytes: 6 }, "hi", "wxyz", false],
    [{ saves: 2 }, "new", "", true],
    [{ saves: 2 }, "hi", "a", false],
    [{ nameLength: 5 }, "abcdef", "a", true],
    [{ nameLength: 5 }, "ab😀cd", "a", true],
    [{ nameLength: 5 }, "abcde", "a", false],
    [{}, "HI", "a", true],
    [{}, "Lo", "a", true],
  ];
  const writes = [(storage, name, value) => storage.setItem(saveKey(name), value), (storage, name, value) => { storage[saveKey(name)] = value; }];
  for (const [limits, name, text, refused] of cases) {
    for (const write of writes) {
      const { page, requests } = await pageWithSaves({ listing, limits });
      const storage = page.localStorage, what = `${JSON.stringify(limits)} ${name}: ${text}`;
      const before = storage.getItem(saveKey(name));
      if (refused) {
        assert.throws(() => write(storage, name, base64(text)), { name: "QuotaExceededError" }, what);
        assert.equal(storage.getItem(saveKey(name)), before, what);
        assert.deepEqual(sent(requests), [], what);
      } else {
        write(storage, name, base64(text));
        assert.equal(storage.getItem(saveKey(name)), base64(text), what);
        assert.deepEqual(sent(requests), [["PUT", `saves/${name}.sol`, "7.1", bytes(text), true]], what);
      }
    }
  }

  const { page, requests } = await pageWithSaves({ listing, limits: { saveBytes: 0, totalBytes: 0, saves: 0, nameLength: 1 } });
  page.localStorage.removeItem(saveKey("hi"));
  requests[0].answer({ status: 204 });
  await settle();
  delete page.localStorage[saveKey("lo")];
  assert.deepEqual(sent(requests), [["DELETE", "saves/hi.sol", "7.1", undefined, true], ["DELETE", "saves/lo.sol", "7.2", undefined, true]]);
});

test("a change the projector failed to keep, or that did not reach it, is told and tried again later with the save's value then, while other saves go", async () => {
  const { page, requests, lines, timers } = await pageWithSaves();
  const storage = page.localStorage;
  storage.setItem(saveKey("a"), base64("one"));
  requests[0].answer({ status: 500 });
  await settle();
  storage.setItem(saveKey("b"), base64("two"));
  storage.setItem(saveKey("a"), base64("three"));
  requests[1].answer({ status: 204 });
  await settle();
  assert.equal(requests.length, 2, "a waits for its time");
  timers[0].run();
  requests[2].fail();
  await settle();
  assert.deepEqual(sent(requests), [
    ["PUT", "saves/a.sol", "7.1", bytes("one"), true],
    ["PUT", "saves/b.sol", "7.2", bytes("two"), true],
    ["PUT", "saves/a.sol", "7.3", bytes("three"), true],
  ]);
  assert.deepEqual(lines, [
    ["error", 'The change to the save "a" failed (500): trying again in 1 s'],
    ["error", 'The change to the save "a" failed (TypeError: Failed to fetch): trying again in 2 s'],
  ]);

  // The delay doubles up to 30 s; after a success the next failure starts again from 1 s.
  for (const status of [502, 503, 500, 500, 500, 204]) {
    timers.at(-1).run();
    requests.at(-1).answer({ status });
    await settle();
  }
  storage.setItem(saveKey("a"), base64("four"));
  requests.at(-1).answer({ status: 500 });
  await settle();
  assert.deepEqual(timers.map(({ delay }) => delay), [1000, 2000, 4000, 8000, 16000, 30000, 30000, 1000]);
  assert.equal(requests.length, 10);
  assert.equal(lines.length, 8);
});

test("a change the projector refuses is told and not tried again, and the page keeps the movie's value", async () => {
  const refused = (status) => ["error", `The change to the save "a" was refused (${status})`];
  const setAside = ["warn", `The change to the save "a" was set aside (409): a later change to it was kept, or another save's name differs from it only in case`];
  for (const [status, line] of [[400, refused(400)], [403, refused(403)], [404, refused(404)], [413, refused(413)], [409, setAside]]) {
    const { page, requests, lines, timers } = await pageWithSaves();
    page.localStorage.setItem(saveKey("a"), base64("one"));
    requests[0].answer({ status });
    await settle();
    assert.deepEqual(lines, [line], `${status}`);
    assert.deepEqual(timers, [], `${status}`);
    assert.equal(page.localStorage.getItem(saveKey("a")), base64("one"), `${status}`);
  }
});

test("at close a change waiting to be tried again goes at once, and nothing is tried again after", async () => {
  const { page, requests, events, lines, timers } = await pageWithSaves();
  const storage = page.localStorage;
  storage.setItem(saveKey("a"), base64("one"));
  requests[0].answer({ status: 500 });
  await settle();
  storage.setItem(saveKey("a"), base64("two"));
  storage.setItem(saveKey("b"), base64("three"));
  events.fire("pagehide");
  requests[1].fail();
  requests[2].answer({ status: 500 });
  await settle();
  timers[0].run();
  assert.deepEqual(sent(requests), [
    ["PUT", "saves/a.sol", "7.1", bytes("one"), true],
    ["PUT", "saves/b.sol", "7.2", bytes("three"), true],
    ["PUT", "saves/a.sol", "7.3", bytes("two"), true],
  ]);
  assert.deepEqual(lines, [
    ["error", 'The change to the save "a" failed (500): trying again in 1 s'],
    ["error", 'The change to the save "b" failed (TypeError: Failed to fetch)'],
    ["error", 'The change to the save "a" failed (500)'],
  ]);
  assert.equal(timers.length, 1);
});
