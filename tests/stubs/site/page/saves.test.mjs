// The stand-in for the page's storage: which keys are the movie's saves, what the player reads,
// and how each change reaches the projector: one at a time, numbered, and all at once at close.
import assert from "node:assert/strict";
import { test } from "node:test";

import { fakeFetch, listeners, names, pageFunction, settle } from "./scripts.mjs";

const keepSaves = pageFunction("saves.js", "keepSaves");
const base64 = (text) => Buffer.from(text).toString("base64");
const bytes = (text) => [...Buffer.from(text)];

// A window at the projector's address whose storage holds "theme", and the saves listing's
// reply: `listing`, from the projector's page `pageNumber`; or none, with `listingFails`.
async function pageWithSaves({ listing = {}, pageNumber = "7", listingFails = false } = {}) {
  const { fetch, requests } = fakeFetch();
  const events = listeners();
  const stored = new Map([["theme", "dark"]]);
  const storage = {
    theme: "dark",
    getItem: (key) => stored.get(key) ?? null,
    setItem: (key, value) => stored.set(key, value),
    removeItem: (key) => stored.delete(key),
  };
  const page = {
    location: { hostname: "127.0.0.1", href: "http://127.0.0.1:4321/s3cret/" },
    localStorage: storage, fetch, addEventListener: events.on,
  };
  const read = keepSaves(page, names);
  const listingRequest = requests.shift();
  assert.deepEqual([listingRequest.url, listingRequest.method], ["saves/", "GET"]);
  if (listingFails) listingRequest.fail();
  else listingRequest.answer({ headers: { get: (field) => (field === names.page ? pageNumber : null) }, json: async () => listing });
  await read;
  return { page, requests, events, stored };
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
  requests[1].fail();
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
