# Writes sample/intro.swf, the small uncompressed movie bundled as the default input.
"""Build a tiny, valid, uncompressed movie: one frame with a framed rectangle and a disc.

Usage: make_sample.py [OUTPUT]   (default: intro.swf beside this script)

The output is the same bytes on every run; the script re-reads what it wrote and fails loudly
when the header, the tag chain or a shape's outlines do not add up.
"""

import math
import pathlib
import struct
import sys

TWIPS = 20  # twips per pixel
WIDTH, HEIGHT = 550, 400
VERSION = 6
FRAME_RATE = 24

TAG_END, TAG_SHOW_FRAME, TAG_DEFINE_SHAPE, TAG_SET_BACKGROUND, TAG_PLACE_OBJECT2 = 0, 1, 2, 9, 26


class BitWriter:
    """Packs fields most significant bit first, as the movie format's bit fields are stored."""

    def __init__(self):
        self.bytes = bytearray()
        self.used = 0  # bits used in the last byte; 0 means a fresh byte starts

    def unsigned(self, value, bits):
        if value < 0 or value >= 1 << bits:
            raise ValueError(f"{value} does not fit in {bits} unsigned bits")
        for shift in range(bits - 1, -1, -1):
            if self.used == 0:
                self.bytes.append(0)
            self.bytes[-1] |= ((value >> shift) & 1) << (7 - self.used)
            self.used = (self.used + 1) % 8

    def signed(self, value, bits):
        if not -(1 << (bits - 1)) <= value < 1 << (bits - 1):
            raise ValueError(f"{value} does not fit in {bits} signed bits")
        self.unsigned(value & ((1 << bits) - 1), bits)

    def align(self):
        self.used = 0

    def result(self):
        return bytes(self.bytes)


class BitReader:
    """Reads back what BitWriter packs, so that the self-check decodes independently of it."""

    def __init__(self, data):
        self.data = data
        self.position = 0  # in bits

    def unsigned(self, bits):
        value = 0
        for _ in range(bits):
            byte = self.data[self.position // 8]
            value = value << 1 | (byte >> (7 - self.position % 8)) & 1
            self.position += 1
        return value

    def signed(self, bits):
        value = self.unsigned(bits)
        return value - (1 << bits) if bits and value >> (bits - 1) else value

    def align(self):
        self.position = (self.position + 7) // 8 * 8


def signed_bits(*values):
    """The fewest bits a signed field needs to hold every one of `values`."""
    return max([1] + [v.bit_length() + 1 if v >= 0 else (~v).bit_length() + 1 for v in values])


def rect(x_min, x_max, y_min, y_max):
    bits = signed_bits(x_min, x_max, y_min, y_max)
    writer = BitWriter()
    writer.unsigned(bits, 5)
    for value in (x_min, x_max, y_min, y_max):
        writer.signed(value, bits)
    return writer.result()


def tag(code, body):
    if len(body) < 0x3F:
        return struct.pack("<H", code << 6 | len(body)) + body
    return struct.pack("<HI", code << 6 | 0x3F, len(body)) + body


def rgb(red, green, blue):
    return bytes((red, green, blue))


def style_change(writer, move_to, fill1, line):
    """A style-change record that moves the pen and picks fill style 1 and a line style."""
    writer.unsigned(0, 1)  # a non-edge record
    writer.unsigned(0, 1)  # no new styles
    writer.unsigned(1, 1)  # line style
    writer.unsigned(1, 1)  # fill style 1
    writer.unsigned(0, 1)  # no fill style 0
    writer.unsigned(1, 1)  # move to
    bits = signed_bits(*move_to)
    writer.unsigned(bits, 5)
    writer.signed(move_to[0], bits)
    writer.signed(move_to[1], bits)
    writer.unsigned(fill1, 1)  # one fill style: one bit per index
    writer.unsigned(line, 1)


def straight_edge(writer, dx, dy):
    bits = max(2, signed_bits(dx, dy))
    writer.unsigned(1, 1)  # an edge
    writer.unsigned(1, 1)  # straight
    writer.unsigned(bits - 2, 4)
    writer.unsigned(1, 1)  # a general line: both deltas follow
    writer.signed(dx, bits)
    writer.signed(dy, bits)


def curved_edge(writer, control, anchor):
    bits = max(2, signed_bits(*control, *anchor))
    writer.unsigned(1, 1)  # an edge
    writer.unsigned(0, 1)  # curved
    writer.unsigned(bits - 2, 4)
    for value in (*control, *anchor):
        writer.signed(value, bits)


def define_shape(shape_id, bounds, fill, line, draw):
    """A shape with one solid fill, at most one line style, whose records `draw` writes."""
    body = struct.pack("<H", shape_id) + rect(*bounds)
    body += bytes((1, 0x00)) + rgb(*fill)  # one solid fill
    if line is None:
        body += bytes((0,))
    else:
        width, colour = line
        body += bytes((1,)) + struct.pack("<H", width) + rgb(*colour)
    writer = BitWriter()
    writer.unsigned(1, 4)  # fill index bits
    writer.unsigned(1, 4)  # line index bits
    draw(writer, 1 if line is not None else 0)
    writer.unsigned(0, 6)  # the end-of-shape record
    return tag(TAG_DEFINE_SHAPE, body + writer.result())


def place_object(shape_id, depth, x, y):
    writer = BitWriter()
    writer.unsigned(0, 1)  # no scale
    writer.unsigned(0, 1)  # no rotation
    bits = signed_bits(x, y)
    writer.unsigned(bits, 5)
    writer.signed(x, bits)
    writer.signed(y, bits)
    has_matrix_and_character = 0x04 | 0x02
    body = bytes((has_matrix_and_character,)) + struct.pack("<HH", depth, shape_id)
    return tag(TAG_PLACE_OBJECT2, body + writer.result())


def rectangle_shape():
    width, height, border = 240 * TWIPS, 160 * TWIPS, 4 * TWIPS
    half = border // 2

    def draw(writer, line):
        style_change(writer, (0, 0), 1, line)
        # Clockwise on screen, so the fill on each edge's right-hand side is the inside.
        for dx, dy in ((width, 0), (0, height), (-width, 0), (0, -height)):
            straight_edge(writer, dx, dy)

    bounds = (-half, width + half, -half, height + half)
    return define_shape(1, bounds, (0x1F, 0x6F, 0xB4), (border, (0xFF, 0xFF, 0xFF)), draw)


def disc_shape():
    radius = 90 * TWIPS
    segments = 8
    # A quadratic curve through two points on the circle 45 degrees apart needs its control point
    # at radius / cos(22.5 degrees) on the bisector.
    reach = radius / math.cos(math.pi / segments)

    def point(angle, distance):
        return round(distance * math.cos(angle)), round(distance * math.sin(angle))

    def draw(writer, line):
        start = point(0, radius)
        style_change(writer, start, 1, line)
        pen = start
        for step in range(segments):
            control = point((step + 0.5) * 2 * math.pi / segments, reach)
            anchor = point((step + 1) * 2 * math.pi / segments, radius)
            if step == segments - 1:
                anchor = start  # rounding must not leave the outline open
            curved_edge(writer, (control[0] - pen[0], control[1] - pen[1]),
                        (anchor[0] - control[0], anchor[1] - control[1]))
            pen = anchor

    extent = math.ceil(reach)
    return define_shape(2, (-extent, extent, -extent, extent), (0xF2, 0xA9, 0x00), None, draw)


def build_movie():
    tags = b"".join((
        tag(TAG_SET_BACKGROUND, rgb(0x10, 0x18, 0x28)),
        rectangle_shape(),
        disc_shape(),
        place_object(1, 1, 60 * TWIPS, 120 * TWIPS),
        place_object(2, 2, 400 * TWIPS, 200 * TWIPS),
        tag(TAG_SHOW_FRAME, b""),
        tag(TAG_END, b""),
    ))
    frame = rect(0, WIDTH * TWIPS, 0, HEIGHT * TWIPS) + struct.pack("<HH", FRAME_RATE << 8, 1)
    length = 8 + len(frame) + len(tags)
    return b"FWS" + bytes((VERSION,)) + struct.pack("<I", length) + frame + tags


def read_rect(reader):
    bits = reader.unsigned(5)
    fields = [reader.signed(bits) for _ in range(4)]
    reader.align()
    return fields


def check_shape(body):
    """Decodes a DefineShape body: every outline must close and the records fill the tag."""
    reader = BitReader(body)
    reader.position = 16  # the shape id
    read_rect(reader)
    fills = reader.unsigned(8)
    reader.position += fills * 32  # solid fills only: type and colour
    lines = reader.unsigned(8)
    reader.position += lines * 40  # width and colour
    fill_bits, line_bits = reader.unsigned(4), reader.unsigned(4)
    start = pen = None
    while True:
        if reader.unsigned(1) == 0:
            flags = reader.unsigned(5)
            if flags == 0:
                break
            if pen is not None and pen != start:
                raise ValueError(f"an outline ends at {pen}, not at its start {start}")
            if flags & 0x10:
                raise ValueError("new styles inside a shape are not expected here")
            if flags & 0x01:
                bits = reader.unsigned(5)
                start = pen = (reader.signed(bits), reader.signed(bits))
            reader.position += fill_bits * (bool(flags & 0x02) + bool(flags & 0x04))
            reader.position += line_bits * bool(flags & 0x08)
        elif reader.unsigned(1) == 1:
            bits = reader.unsigned(4) + 2
            if reader.unsigned(1):
                delta = (reader.signed(bits), reader.signed(bits))
            elif reader.unsigned(1):
                delta = (0, reader.signed(bits))
            else:
                delta = (reader.signed(bits), 0)
            pen = (pen[0] + delta[0], pen[1] + delta[1])
        else:
            bits = reader.unsigned(4) + 2
            deltas = [reader.signed(bits) for _ in range(4)]
            pen = (pen[0] + deltas[0] + deltas[2], pen[1] + deltas[1] + deltas[3])
    if pen != start:
        raise ValueError(f"the last outline ends at {pen}, not at its start {start}")
    reader.align()
    if reader.position != len(body) * 8:
        raise ValueError("the shape records do not fill the tag")


def check_movie(data):
    """Re-reads the header, walks the tags and decodes the shapes; raises on any disagreement."""
    if data[:3] != b"FWS" or data[3] != VERSION:
        raise ValueError("wrong signature or version")
    if struct.unpack_from("<I", data, 4)[0] != len(data):
        raise ValueError("the header's file length is not the real length")
    reader = BitReader(data)
    reader.position = 64
    frame = read_rect(reader)
    if frame != [0, WIDTH * TWIPS, 0, HEIGHT * TWIPS]:
        raise ValueError(f"frame rectangle reads back as {frame}")
    position = reader.position // 8
    rate, frames = struct.unpack_from("<HH", data, position)
    if rate != FRAME_RATE << 8 or frames != 1:
        raise ValueError("wrong frame rate or frame count")
    position += 4
    codes = []
    while position < len(data):
        (word,) = struct.unpack_from("<H", data, position)
        code, size, position = word >> 6, word & 0x3F, position + 2
        if size == 0x3F:
            (size,) = struct.unpack_from("<I", data, position)
            position += 4
        if code == TAG_DEFINE_SHAPE:
            check_shape(data[position:position + size])
        position += size
        codes.append(code)
        if code == TAG_END:
            break
    if position != len(data):
        raise ValueError("the tags do not end with an End tag at the end of the file")
    expected = [TAG_SET_BACKGROUND, TAG_DEFINE_SHAPE, TAG_DEFINE_SHAPE, TAG_PLACE_OBJECT2,
                TAG_PLACE_OBJECT2, TAG_SHOW_FRAME, TAG_END]
    if codes != expected:
        raise ValueError(f"unexpected tag sequence {codes}")


def main(argv):
    default = pathlib.Path(__file__).with_name("intro.swf")
    target = pathlib.Path(argv[1]) if len(argv) > 1 else default
    movie = build_movie()
    target.write_bytes(movie)
    check_movie(target.read_bytes())
    print(f"{target}: {len(movie)} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
