// The page's scripts as the browser runs them, each in a window of its own: a context that has the
// language and the few browser functions the page may take from the window alone (URL, Blob,
// atob), so that a script that reached for anything else, or for another script's names, fails.
import fs from "node:fs";
import path from "node:path";
import vm from "node:vm";

const folder = path.join(import.meta.dirname, "../../../../stubs/site/page");

// The function `name` that the page's script `file` declares.
export function pageFunction(file, name) {
  const context = vm.createContext({ URL, Blob, atob });
  vm.runInContext(fs.readFileSync(path.join(folder, file), "utf8"), context, { filename: file });
  return context[name];
}

// The site's names as the program hands them to the page.
export const names = {
  movie: "movie.swf", alive: "alive", end: "end", exec: "exec/", saves: "saves/", save: ".sol",
  order: "Pravix-Order", page: "Pravix-Page",
};

// A window's listeners: `on` adds, `fire` calls those of a type with an event it records.
export function listeners() {
  const all = {};
  return {
    on: (type, listener) => (all[type] ??= []).push(listener),
    fire: (type, fields = {}) => {
      const event = { ...fields, prevented: false, preventDefault() { this.prevented = true; }, stopImmediatePropagation() {} };
      for (const listener of all[type] ?? []) listener(event);
      return event;
    },
  };
}

// A fetch that records every request and answers each when the test says: `requests` holds
// { url, method, order, body, keepalive, answer(reply), fail() }.
export function fakeFetch() {
  const requests = [];
  const fetch = (url, options = {}) => new Promise((answer, fail) => {
    requests.push({
      url, method: options.method ?? "GET", order: options.headers?.[names.order],
      body: options.body && [...options.body], keepalive: options.keepalive ?? false,
      answer, fail: () => fail(new TypeError("Failed to fetch")),
    });
  });
  return { fetch, requests };
}

// Lets every settled promise's handlers run.
export const settle = () => new Promise((done) => setImmediate(done));
