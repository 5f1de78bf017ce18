// The movie's local shared objects are files the projector keeps. The player looks for them in the
// page's storage under "HOST/PATH/NAME", PATH the movie's path or a folder above it, its value the
// base64 of the .sol file, and reads and writes them as the storage's properties. keepSaves puts a
// stand-in before the storage of `page` (the window), ahead of the player's script, answers those
// keys from the saves it fetches, and hands every flush and clear to the projector, one at a time,
// with keepalive so that the last ones still arrive as the window closes (a browser carries at
// most 64 KiB so). Each change is numbered, with the number the projector gave this page: of two
// changes of one save that cross on the way, the projector keeps the later.
//
// A write that the projector's limits would refuse throws at once, as a full storage does, so that
// the movie's flush fails where the movie sees it; a removal never throws. Every answer but a
// success ends on the console: a refusal stands (409: a later change was kept already, or the name
// differs only in case from another save's), while a change the projector failed to keep, or that
// did not reach it, is tried again later, with the save's value then, and the save's other changes
// wait with it. At close whatever waits goes at once, and nothing is tried again.
//
// `names`: the site's names (saves, save, movie, page, order); `limits`: the projector's
// (saveBytes, totalBytes, saves, nameLength). Returns a promise that settles once the saves are
// read, or failed to be.

/* exported keepSaves */
function keepSaves(page, names, limits) {
  const saves = new Map();
  const host = page.location.hostname + "/";
  const movie = new URL(names.movie, page.location.href).pathname.slice(1);
  const paths = new Set([movie, movie.slice(0, movie.lastIndexOf("/")), ""]);
  const saveName = (key) => {
    if (typeof key !== "string" || !key.startsWith(host)) return null;
    const rest = key.slice(host.length), slash = rest.lastIndexOf("/");
    return slash >= 0 && paths.has(rest.slice(0, slash)) ? rest.slice(slash + 1) : null;
  };

  // A save's size from its base64: three bytes to four characters, less the padding's.
  const sizeOf = (value) =>
    Math.floor(value.length * 3 / 4) - (value.endsWith("==") ? 2 : value.endsWith("=") ? 1 : 0);
  // Why the projector would refuse `value` as the save `name`, or null. Its folder does not tell
  // names apart by case.
  const refusal = (name, value) => {
    const old = saves.get(name), size = sizeOf(value);
    let total = size - (old === undefined ? 0 : sizeOf(old));
    saves.forEach((kept) => { total += sizeOf(kept); });
    const twin = old === undefined ?
      [...saves.keys()].find((other) => other.toUpperCase() === name.toUpperCase()) : undefined;
    if (name.length > limits.nameLength) {
      return `The save name "${name}" is longer than ${limits.nameLength} characters`;
    }
    if (twin !== undefined) return `The save "${name}" differs only in case from the save "${twin}"`;
    if (old === undefined && saves.size >= limits.saves) {
      return `There are ${limits.saves} saves already, as many as there may be`;
    }
    if (size > limits.saveBytes) {
      return `The save "${name}" is ${size} bytes, more than the ${limits.saveBytes} a save may be`;
    }
    if (total > limits.totalBytes) {
      return `The saves would be ${total} bytes, more than the ${limits.totalBytes} they may be together`;
    }
    return null;
  };

  let pageNumber = 0, changes = 0, closed = false;
  const unsaved = new Set(), retries = new Set(), delays = new Map();
  // The projector's answer to a change of `name`, its status or 0 with `failure` when none came. A
  // failure sends the save again after a delay that doubles up to 30 s, unless the window closes.
  const hear = (name, status, failure) => {
    const change = `The change to the save "${name}"`;
    if (status > 0 && status < 500) {
      delays.delete(name);
      if (status === 409) {
        page.console.warn(`${change} was set aside (409): a later change to it was kept, or another ` +
          "save's name differs from it only in case");
      } else if (status >= 300) {
        page.console.error(`${change} was refused (${status})`);
      }
      return;
    }
    const why = status > 0 ? status : failure;
    if (closed) {
      page.console.error(`${change} failed (${why})`);
      return;
    }
    const delay = delays.get(name) ?? 1000;
    delays.set(name, Math.min(delay * 2, 30000));
    page.console.error(`${change} failed (${why}): trying again in ${delay / 1000} s`);
    unsaved.delete(name);
    retries.add(name);
    page.setTimeout(() => {
      if (!retries.delete(name)) return;
      unsaved.add(name);
      sendNext();
    }, delay);
  };
  const send = (name) => {
    const value = saves.get(name);
    const at = names.saves + encodeURIComponent(name) + names.save;
    const headers = {[names.order]: `${pageNumber}.${++changes}`};
    let request;
    if (value === undefined) request = page.fetch(at, {method: "DELETE", headers, keepalive: true});
    else {
      const body = Uint8Array.from(atob(value), (c) => c.charCodeAt(0));
      request = page.fetch(at, {method: "PUT", headers, body, keepalive: body.length < 65536});
    }
    return request.then((reply) => hear(name, reply.status), (failure) => hear(name, 0, failure));
  };
  let sending = false;
  const sendNext = () => {
    if (sending || unsaved.size === 0) return;
    const [name] = unsaved;
    unsaved.delete(name);
    sending = true;
    send(name).finally(() => {
      sending = false;
      sendNext();
    });
  };
  const keep = (name, value) => {
    if (value === undefined) saves.delete(name);
    else {
      const why = refusal(name, String(value));
      if (why !== null) throw new page.DOMException(why, "QuotaExceededError");
      saves.set(name, String(value));
    }
    // A save that waits to be tried again goes with its value then.
    if (retries.has(name)) return;
    unsaved.add(name);
    sendNext();
  };
  // The window closes: whatever waits goes now, beside what is on its way.
  page.addEventListener("pagehide", () => {
    closed = true;
    retries.forEach((name) => unsaved.add(name));
    retries.clear();
    unsaved.forEach(send);
    unsaved.clear();
  });

  const storage = page.localStorage;
  const methods = {
    getItem: (key) => saveName(key) === null ? storage.getItem(key) : saves.get(saveName(key)) ?? null,
    setItem: (key, value) => saveName(key) === null ? storage.setItem(key, value) : keep(saveName(key), value),
    removeItem: (key) => saveName(key) === null ? storage.removeItem(key) : keep(saveName(key)),
  };
  const standIn = new Proxy(storage, {
    get: (target, key) => {
      if (Object.hasOwn(methods, key)) return methods[key];
      if (saveName(key) !== null) return saves.get(saveName(key));
      const value = Reflect.get(target, key);
      return typeof value === "function" ? value.bind(target) : value;
    },
    set: (target, key, value) =>
      saveName(key) === null ? Reflect.set(target, key, value) : (keep(saveName(key), value), true),
    deleteProperty: (target, key) =>
      saveName(key) === null ? Reflect.deleteProperty(target, key) : (keep(saveName(key)), true),
    has: (target, key) => saveName(key) === null ? Reflect.has(target, key) : saves.has(saveName(key)),
  });
  Object.defineProperty(page, "localStorage", {get: () => standIn, configurable: true});

  return page.fetch(names.saves, {cache: "no-store"})
    .then((reply) => {
      pageNumber = Number(reply.headers.get(names.page)) || 0;
      return reply.json();
    })
    .then((all) => Object.entries(all).forEach(([name, value]) => saves.set(name, value)))
    .catch(() => {});
}
