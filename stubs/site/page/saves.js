// The movie's local shared objects are files the projector keeps. The player looks for them in the
// page's storage under "HOST/PATH/NAME", PATH the movie's path or a folder above it, its value the
// base64 of the .sol file, and reads and writes them as the storage's properties. keepSaves puts a
// stand-in before the storage of `page` (the window), ahead of the player's script, answers those
// keys from the saves it fetches, and hands every flush and clear to the projector, one at a time,
// with keepalive so that the last ones still arrive as the window closes (a browser carries at
// most 64 KiB so). Each change is numbered, with the number the projector gave this page: of two
// changes of one save that cross on the way, the projector keeps the later.
//
// `names`: the site's names (saves, save, movie, page, order). Returns a promise that settles once
// the saves are read, or failed to be.

/* exported keepSaves */
function keepSaves(page, names) {
  const saves = new Map();
  const host = page.location.hostname + "/";
  const movie = new URL(names.movie, page.location.href).pathname.slice(1);
  const paths = new Set([movie, movie.slice(0, movie.lastIndexOf("/")), ""]);
  const saveName = (key) => {
    if (typeof key !== "string" || !key.startsWith(host)) return null;
    const rest = key.slice(host.length), slash = rest.lastIndexOf("/");
    return slash >= 0 && paths.has(rest.slice(0, slash)) ? rest.slice(slash + 1) : null;
  };

  let pageNumber = 0, changes = 0;
  const send = (name) => {
    const value = saves.get(name);
    const at = names.saves + encodeURIComponent(name) + names.save;
    const headers = {[names.order]: `${pageNumber}.${++changes}`};
    if (value === undefined) return page.fetch(at, {method: "DELETE", headers, keepalive: true});
    const body = Uint8Array.from(atob(value), (c) => c.charCodeAt(0));
    return page.fetch(at, {method: "PUT", headers, body, keepalive: body.length < 65536});
  };
  const unsaved = new Set();
  let sending = false;
  const sendNext = () => {
    if (sending || unsaved.size === 0) return;
    const [name] = unsaved;
    unsaved.delete(name);
    sending = true;
    send(name).catch(() => {}).finally(() => {
      sending = false;
      sendNext();
    });
  };
  const keep = (name, value) => {
    if (value === undefined) saves.delete(name);
    else saves.set(name, String(value));
    unsaved.add(name);
    sendNext();
  };
  // The window closes: whatever waits goes now, beside what is on its way.
  page.addEventListener("pagehide", () => {
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
