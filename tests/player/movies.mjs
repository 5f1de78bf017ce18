// Movies for the projector's tests, written here byte by byte: a stage of one colour with two
// rectangles of two others at known places, plain (FWS) or zlib-compressed (CWS).
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

// The movie; `filler` bytes of a tag no player knows make it as large as wanted.
export function movie(compressed, filler = 0) {
  const body = [tag(9, Buffer.from(stage.background))];
  if (filler > 0) body.push(tag(1023, Buffer.alloc(filler)));
  shapes.forEach((shape, index) => {
    body.push(rectangleShape(index + 1, shape.place, shape.colour));
    // PlaceObject2: a new character at its own depth, where its shape was drawn.
    body.push(tag(26, Buffer.concat([Buffer.from([0x02]), u16(index + 1), u16(index + 1)])));
  });
  body.push(tag(1, Buffer.alloc(0)), tag(0, Buffer.alloc(0)));
  const frame = Buffer.concat([
    rect(0, stage.width * TWIPS, 0, stage.height * TWIPS),
    Buffer.from([0, 24]), // 24 frames a second, 8.8 fixed point
    u16(1),
    ...body,
  ]);
  const length = Buffer.alloc(4);
  length.writeUInt32LE(8 + frame.length);
  const signature = Buffer.from(compressed ? "CWS" : "FWS", "ascii");
  return Buffer.concat([signature, Buffer.from([10]), length, compressed ? deflateSync(frame) : frame]);
}
