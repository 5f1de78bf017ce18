// Movies for the projector's tests, written here byte by byte: a stage of one colour with two
// rectangles of two others at known places, plain (FWS), zlib-compressed (CWS) or LZMA-compressed
// (ZWS), and small scripted movies (saves, loading, fscommands, keys) that show what they did.
import { spawnSync } from "node:child_process";
import { deflateSync } from "node:zlib";

const TWIPS = 20;

// Packs bit fields most significant bit first, as the movie format stores them.
class Bits {
  constructor() {
    this.bytes = [];
    this.used = 0;
  }
  unsigned(value, count) {
    for (let shift = count - 1; shift >= 0; shift--) {
      if (this.used === 0) this.bytes.push(0);
      this.bytes[this.bytes.length - 1] |= ((value >> shift) & 1) << (7 - this.used);
      this.used = (this.used + 1) % 8;
    }
  }
  signed(value, count) {
    this.unsigned(value & ((1 << count) - 1), count);
  }
  result() {
    this.used = 0;
    return Buffer.from(this.bytes);
  }
}

// The fewest bits a signed field needs for every one of `values`.
function bitsFor(...values) {
  return Math.max(1, ...values.map((v) => (v >= 0 ? v : ~v).toString(2).length + 1));
}

function rect(xMin, xMax, yMin, yMax) {
  const bits = new Bits();
  const size = bitsFor(xMin, xMax, yMin, yMax);
  bits.unsigned(size, 5);
  for (const value of [xMin, xMax, yMin, yMax]) bits.signed(value, size);
  return bits.result();
}

function tag(code, body) {
  const head = Buffer.alloc(body.length < 63 ? 2 : 6);
  if (body.length < 63) {
    head.writeUInt16LE((code << 6) | body.length);
  } else {
    head.writeUInt16LE((code << 6) | 63);
    head.writeUInt32LE(body.length, 2);
  }
  return Buffer.concat([head, body]);
}

function u16(value) {
  const bytes = Buffer.alloc(2);
  bytes.writeUInt16LE(value);
  return bytes;
}

// DefineShape: one solid fill, no line, the rectangle drawn at its place on the stage.
function rectangleShape(id, [x, y, width, height], [r, g, b]) {
  const [left, top, right, bottom] = [x, y, x + width, y + height].map((v) => v * TWIPS);
  const bits = new Bits();
  bits.unsigned(1, 4); // fill index bits
  bits.unsigned(0, 4); // line index bits
  // Style change: move to the top left corner, fill style 1.
  bits.unsigned(0b000101, 6);
  const move = bitsFor(left, top);
  bits.unsigned(move, 5);
  bits.signed(left, move);
  bits.signed(top, move);
  bits.unsigned(1, 1);
  // Four straight edges: right, down, left, up.
  for (const [vertical, delta] of [[0, right - left], [1, bottom - top], [0, left - right], [1, top - bottom]]) {
    const size = bitsFor(delta);
    bits.unsigned(0b11, 2);
    bits.unsigned(size - 2, 4);
    bits.unsigned(0, 1);
    bits.unsigned(vertical, 1);
    bits.signed(delta, size);
  }
  bits.unsigned(0, 6); // end of shape
  const styles = Buffer.from([1, 0x00, r, g, b, 0]);
  return tag(2, Buffer.concat([u16(id), rect(left, right, top, bottom), styles, bits.result()]));
}

// The shapes and the stage the tests look for.
export const stage = { width: 400, height: 300, background: [0x20, 0x30, 0x40] };
export const shapes = [
  { place: [20, 20, 160, 110], colour: [0xe0, 0x20, 0x20] },
  { place: [220, 170, 160, 110], colour: [0x20, 0xc0, 0x40] },
];

// Where the test looks: the middle of each shape, and the stage beside it.
export const probes = shapes.flatMap(({ place: [x, y, w, h], colour }) => [
  { x: x + w / 2, y: y + h / 2, colour },
  { x: x + w + 10, y: y + h / 2, colour: stage.background },
]);

// PlaceObject2: a new character at its own depth, where its shape was drawn.
const placeObject = (depth, id) => tag(26, Buffer.concat([Buffer.from([0x02]), u16(depth), u16(id)]));

// DefineShape and PlaceObject2 for each of `list` ({place, colour}): ids and depths from `first` on.
function drawn(list, first = 1) {
  return list.flatMap(({ place, colour }, index) => [
    rectangleShape(first + index, place, colour),
    placeObject(first + index, first + index),
  ]);
}

// The whole file: header, stage, each frame's tags and a ShowFrame; `signature` FWS, CWS or ZWS.
function pack(version, frames, signature = "FWS") {
  const frame = Buffer.concat([
    rect(0, stage.width * TWIPS, 0, stage.height * TWIPS),
    Buffer.from([0, 24]), // 24 frames a second, 8.8 fixed point
    u16(frames.length),
    ...frames.flatMap((tags) => [...tags, tag(1, Buffer.alloc(0))]),
    tag(0, Buffer.alloc(0)),
  ]);
  const length = Buffer.alloc(4);
  length.writeUInt32LE(8 + frame.length);
  const head = Buffer.concat([Buffer.from(signature, "ascii"), Buffer.from([version]), length]);
  if (signature === "FWS") return Buffer.concat([head, frame]);
  if (signature === "CWS") return Buffer.concat([head, deflateSync(frame)]);
  // xz's LZMA-alone output is 5 property bytes, an 8-byte size, then the stream; the movie keeps
  // the properties and the stream, with the stream's length before them.
  const xz = spawnSync("xz", ["--format=lzma", "-c"], { input: frame, timeout: 30000 });
  if (xz.status !== 0) throw new Error(`xz failed: ${xz.stderr}`);
  const compressed = Buffer.alloc(4);
  compressed.writeUInt32LE(xz.stdout.length - 13);
  return Buffer.concat([head, compressed, xz.stdout.subarray(0, 5), xz.stdout.subarray(13)]);
}

// The movie; `filler` bytes of a tag no player knows make it as large as wanted.
export function movie(compressed, filler = 0) {
  const first = [tag(9, Buffer.from(stage.background))];
  if (filler > 0) first.push(tag(1023, Buffer.alloc(filler)));
  return pack(10, [[...first, ...drawn(shapes)]], compressed ? "CWS" : "FWS");
}

// FileAttributes, first in movies of version 8 and later: no flags (ActionScript 1, no network).
const FILE_ATTRIBUTES = tag(69, Buffer.from([0, 0, 0, 0]));

// The same movie LZMA-compressed, as version 13 writes it.
export function lzmaMovie() {
  return pack(13, [[FILE_ATTRIBUTES, tag(9, Buffer.from(stage.background)), ...drawn(shapes)]], "ZWS");
}

// ActionScript 1 action records; codes from 0x80 on carry the length of their data.
function action(code, data = Buffer.alloc(0)) {
  return code < 0x80 ? Buffer.from([code]) : Buffer.concat([Buffer.from([code]), u16(data.length), data]);
}

const text = (value) => Buffer.from(value + "\0", "utf8");

// ActionPush of strings and 32-bit integers.
function push(...values) {
  return action(0x96, Buffer.concat(values.map((value) => {
    if (typeof value === "string") return Buffer.concat([Buffer.from([0]), text(value)]);
    const integer = Buffer.alloc(5);
    integer[0] = 7;
    integer.writeInt32LE(value, 1);
    return integer;
  })));
}

const [STOP, NOT, ADD, LESS, POP, GET, SET, GET_MEMBER, SET_MEMBER, CALL_METHOD] =
  [0x07, 0x12, 0x47, 0x48, 0x17, 0x1c, 0x1d, 0x4e, 0x4f, 0x52].map((code) => action(code));

// If: jumps over `actions` when the value on the stack is true.
function unless(...actions) {
  const skip = Buffer.alloc(2);
  skip.writeInt16LE(Buffer.concat(actions).length);
  return Buffer.concat([action(0x9d, skip), ...actions]);
}

const getUrl = (address, target) => action(0x83, Buffer.concat([text(address), text(target)]));
const gotoFrame = (index) => action(0x81, u16(index));
const doAction = (...actions) => tag(12, Buffer.concat([...actions, Buffer.from([0])]));
const removeObject = (depth) => tag(28, u16(depth));

// A key-press condition's code: the character's (" ", "q"), or a number for keys like Enter (13).
const keyCode = (key) => (typeof key === "number" ? key : key.charCodeAt(0));

// DefineButton2 that answers `key` with `actions`; its only state is the hit area, `shapeId`.
function keyButton(id, shapeId, key, actions) {
  // One record (hit state, depth 1, no matrix, no colour change), then the end of the records.
  const records = Buffer.concat([Buffer.from([0x08]), u16(shapeId), u16(1), Buffer.from([0, 0, 0])]);
  // The last (only) condition: no transitions, the key code in the top 7 bits.
  const keyPress = Buffer.from([0, keyCode(key) << 1]);
  const condition = Buffer.concat([u16(0), keyPress, ...actions, Buffer.from([0])]);
  const actionOffset = u16(2 + records.length);
  return tag(34, Buffer.concat([u16(id), Buffer.from([0]), actionOffset, records, condition]));
}

// An AS1 movie of version 8: FileAttributes and the stage's colour, then `frames`.
function scripted(frames) {
  const [first, ...rest] = frames;
  return pack(8, [[FILE_ATTRIBUTES, tag(9, Buffer.from(stage.background)), ...first], ...rest]);
}

// The colours savesMovie fills the stage with: on the first start, the second, the third and later.
export const savesColours = [[0xe0, 0x20, 0x20], [0x20, 0xc0, 0x40], [0x20, 0x60, 0xe0]];

// Counts its starts in the local shared object `name` (so.data.starts) and shows the count's colour.
export function savesMovie(name = "pravixbar") {
  const whole = [0, 0, stage.width, stage.height];
  const count = [
    push("n", "so"), GET, push("data"), GET_MEMBER, push("starts"), GET_MEMBER, SET,
    push("n"), GET, unless(push("n", 0), SET),
    push("n", "n"), GET, push(1), ADD, SET,
    push("so"), GET, push("data"), GET_MEMBER, push("starts", "n"), GET, SET_MEMBER,
    push(0, "so"), GET, push("flush"), CALL_METHOD, POP,
    // gotoAndStop(min(n, 3) + 1): frame 2, 3 or 4 for 1, 2, 3 and more starts.
    push("f", "n"), GET, SET,
    push("f"), GET, push(3), LESS, unless(push("f", 3), SET),
    push("f"), GET, push(1), ADD, action(0x9f, Buffer.from([0])),
  ];
  // Without a shared object (a name it refuses) the stage keeps its own colour.
  const script = [
    STOP,
    push("so", name, 1, "SharedObject"), GET, push("getLocal"), CALL_METHOD, SET,
    push("so"), GET, NOT, unless(...count),
  ];
  return scripted([
    [...savesColours.map((colour, index) => rectangleShape(index + 1, whole, colour)), doAction(...script)],
    [placeObject(1, 1)],
    [removeObject(1), placeObject(1, 2)],
    [removeObject(1), placeObject(1, 3)],
  ]);
}

// The rectangle partMovie draws, over both of the loader's shapes.
export const part = { place: [100, 90, 200, 120], colour: [0xf0, 0xd0, 0x20] };

// The shapes movie that also loads `target` into level 1 on its first frame.
export function loaderMovie(target = "extra-ü/part two.swf") {
  return scripted([[...drawn(shapes), doAction(getUrl(target, "_level1"), STOP)]]);
}

// The rectangle gameMovie shows once it has read its XML file.
export const xmlShape = { place: [20, 20, 60, 40], colour: [0x30, 0xe0, 0xe0] };

// A game of several files: the shapes, the movie `partName` loaded over them into level 1, and the
// XML file `xmlName` read; once that file's first element is <go/>, `xmlShape` shows too.
export function gameMovie(partName, xmlName) {
  const [NEW_OBJECT, EQUALS, PLAY] = [0x40, 0x49, 0x06].map((code) => action(code));
  const start = [
    push("x", 0, "XML"), NEW_OBJECT, SET,
    push(xmlName, 1, "x"), GET, push("load"), CALL_METHOD, POP,
    getUrl(partName, "_level1"),
  ];
  const read = [
    push("x"), GET, push("firstChild"), GET_MEMBER, push("nodeName"), GET_MEMBER, push("go"), EQUALS,
    NOT, unless(gotoFrame(3), STOP),
  ];
  // Frame 2 looks at the file, frame 3 goes back to it, frame 4 shows the shape.
  return scripted([
    [...drawn(shapes), rectangleShape(9, xmlShape.place, xmlShape.colour), doAction(...start)],
    [doAction(...read)],
    [doAction(gotoFrame(1), PLAY)],
    [placeObject(9, 9), doAction(STOP)],
  ]);
}

// A movie of one rectangle, `part`, to be loaded over another.
export function partMovie() {
  return scripted([[...drawn([part]), doAction(STOP)]]);
}

// The shapes movie that calls fscommand(command, args) on its first frame, or, given `key`, each
// time that key is pressed (keys reach a movie only while its player has the page's focus).
export function fscommandMovie(command, args = "", key = null) {
  const call = getUrl(`FSCommand:${command}`, args);
  if (key === null) return scripted([[...drawn(shapes), doAction(call, STOP)]]);
  return scripted([[...drawn(shapes), keyButton(3, 1, key, [call]), placeObject(10, 3), doAction(STOP)]]);
}

// The rectangle keyMovie draws: `before` until its key is pressed, `after` once it is.
export const keyShape = {
  place: [100, 75, 200, 150],
  before: [0xf0, 0x80, 0x10],
  after: [0x20, 0x60, 0xe0],
};

// A rectangle that changes colour (frame 2) when `key` is pressed.
export function keyMovie(key = "k") {
  return scripted([
    [
      rectangleShape(1, keyShape.place, keyShape.before),
      rectangleShape(2, keyShape.place, keyShape.after),
      keyButton(3, 1, key, [gotoFrame(1)]),
      placeObject(1, 1),
      placeObject(10, 3),
      doAction(STOP),
    ],
    [removeObject(1), placeObject(1, 2), doAction(STOP)],
  ]);
}
