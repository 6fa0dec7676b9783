#!/usr/bin/python3
"""Reads the picture and WAV files the converter writes, with Python's own modules, and prints
what it found, one "key value" a line.

    read_outputs.py svg FILE        the hole bars: "hole NOTE START END OPEN", sorted
    read_outputs.py shapes FILE     what an SVG draws, in order: "rect X Y W H FILL OPACITY",
                                    "polygon POINTS FILL", "polyline POINTS STROKE WIDTH [crisp]",
                                    "text X Y SIZE WEIGHT FILL TEXT"
    read_outputs.py expression FILE the expression's pedal bands ("pedal PEDAL START END") and
                                    level curves ("level HALF POINTS"), in order
    read_outputs.py png FILE        "width W", "height H"; fails unless the pixels decode
    read_outputs.py pdf FILE        "pages N"; fails unless it looks like a whole PDF file
    read_outputs.py wav FILE MIDI   the format, the length of both files, and how many windows
                                    of 0.25 s are silent while a note of the MIDI file sounds
"""
import array
import re
import struct
import sys
import wave
import xml.etree.ElementTree as ET
import zlib


def svg(path):
    holes = []
    for element in ET.parse(path).iter():
        if element.tag.rsplit("}", 1)[-1] != "rect" or element.get("class") != "hole":
            continue
        holes.append((int(element.get("data-note")), int(element.get("data-start")),
                      int(element.get("data-end")), element.get("data-open") == "true"))
    for note, start, end, is_open in sorted(holes):
        print("hole", note, start, end, "open" if is_open else "closed")
    return 0


def expression(path):
    """The pedal bands and level curves, in document order."""
    for element in ET.parse(path).iter():
        tag = element.tag.rsplit("}", 1)[-1]
        if tag == "rect" and element.get("class") == "pedal":
            print("pedal", element.get("data-pedal"), int(element.get("data-start")),
                  int(element.get("data-end")))
        elif tag == "polyline" and element.get("class") == "level":
            print("level", element.get("data-half"), len(element.get("points").split()))
    return 0


def shapes(path):
    """Every shape and text in document order, its fill inherited from the groups around it."""
    def number(value):
        return "%.2f" % float(value.removesuffix("px"))

    def walk(element, fill):
        fill = element.get("fill", fill)
        tag = element.tag.rsplit("}", 1)[-1]
        if tag == "rect":
            print("rect", number(element.get("x")), number(element.get("y")),
                  number(element.get("width")), number(element.get("height")), fill,
                  number(element.get("opacity", "1")))
        elif tag == "polygon":
            points = [p.split(",") for p in element.get("points").split()]
            print("polygon", " ".join(number(x) + "," + number(y) for x, y in points), fill)
        elif tag == "polyline":
            points = [p.split(",") for p in element.get("points").split()]
            print("polyline", " ".join(number(x) + "," + number(y) for x, y in points),
                  element.get("stroke"), number(element.get("stroke-width")),
                  *(["crisp"] if element.get("shape-rendering") == "crispEdges" else []))
        elif tag == "text":
            print("text", number(element.get("x")), number(element.get("y")),
                  number(element.get("font-size")), element.get("font-weight", "normal"), fill,
                  element.text or "")
        for child in element:
            walk(child, fill)

    walk(ET.parse(path).getroot(), "black")
    return 0


def png(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        print("not a PNG file", file=sys.stderr)
        return 1
    at, idat, header = 8, b"", None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        (crc,) = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        if zlib.crc32(kind + body) != crc:
            print("bad CRC in", kind, file=sys.stderr)
            return 1
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
        if kind == b"IEND":
            break
    width, height, depth, colour = header[:4]
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour]
    pixels = zlib.decompress(idat)
    expected = height * (1 + (width * channels * depth + 7) // 8)
    if len(pixels) != expected or at != len(data):
        print("decoded", len(pixels), "bytes, expected", expected, file=sys.stderr)
        return 1
    print("width", width)
    print("height", height)
    return 0


def pdf(path):
    data = open(path, "rb").read()
    if not data.startswith(b"%PDF-") or not data.rstrip().endswith(b"%%EOF"):
        print("not a whole PDF file", file=sys.stderr)
        return 1
    print("pages", len(re.findall(rb"/Type\s*/Page(?![a-zA-Z])", data)))
    return 0


def wav(path, midi_path):
    with wave.open(path, "rb") as w:
        print("channels", w.getnchannels())
        print("rate", w.getframerate())
        print("bits", 8 * w.getsampwidth())
        rate, frames = w.getframerate(), w.getnframes()
        samples = array.array("h")
        samples.frombytes(w.readframes(frames))
    if sys.byteorder != "little":
        samples.byteswap()
    print("seconds", frames / rate)

    # The stretches in which a note of audible velocity is held, in seconds.
    import mido
    midi = mido.MidiFile(midi_path)
    print("midi_seconds", midi.length)
    now, held, sounding, first = 0.0, {}, [], None
    for msg in midi:
        now += msg.time
        if msg.type == "note_on" and msg.velocity > 1:
            held[msg.note] = now
            first = now if first is None else first
        elif msg.type in ("note_on", "note_off") and msg.note in held:
            sounding.append((held.pop(msg.note), now))
    print("first_note", first)

    def loudest(start, end):
        part = samples[int(start * rate) * 2:int(end * rate) * 2]
        return max(max(part), -min(part)) if part else 0

    window, silent, checked = 0.25, 0, 0
    for start, end in sounding:
        t = start + 0.05  # the attack's first milliseconds aside
        while t + window <= end:
            checked += 1
            silent += loudest(t, t + window) == 0
            t += window
    print("windows_checked", checked)
    print("silent_windows", silent)
    print("loudest_before_first_note", loudest(0, first - 0.02) if first and first > 0.02 else 0)
    return 0


def main(argv):
    kind = argv[1]
    if kind == "svg":
        return svg(argv[2])
    if kind == "shapes":
        return shapes(argv[2])
    if kind == "expression":
        return expression(argv[2])
    if kind == "png":
        return png(argv[2])
    if kind == "pdf":
        return pdf(argv[2])
    if kind == "wav":
        return wav(argv[2], argv[3])
    print("unknown kind", kind, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
