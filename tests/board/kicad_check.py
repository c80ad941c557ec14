#!/usr/bin/python3
"""Boards that malvor-convert writes, opened by KiCad's EAGLE importer (pcbnew's Python module).

Usage: kicad_check.py MALVOR_CONVERT DATA_DIR EXAMPLES_DIR WORK_DIR
       kicad_check.py --picture BOARD PNG   (the README's picture: boxes, pads and airwires)

Writes the boards (the examples, a board mixing three libraries with a map, names KiCad renames,
a board with a one-node net and a doubled pin, a generated board of 1,000 parts), loads a copy of
each in KiCad and checks: every element is a footprint of its package; every pad of a signal
where the element's place and turn put it; the pads of every signal are on one KiCad net and the nets of different signals differ; no two footprints' bounding boxes
overlap; all lie inside the Edge.Cuts outline. Prints the airwire length against random
shuffles of the same places, the outline's shape and its area against the parts' for each.
"""

import os
import random
import re
import shutil
import statistics
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET
import zlib

from generated_netlist import generated_netlist

import pcbnew

failures = []


def fail(board, message):
    failures.append(f"{board}: {message}")


def kicad_reference(name):
    """The reference KiCad's importer gives an EAGLE element name."""
    if name[:1].isdigit():
        name = "UNK" + name
    if name.startswith("#"):
        name = "UNK" + name
    if not name[-1:].isdigit():
        name += "0"
    return name


def minimum_spanning_tree(points):
    if len(points) < 2:
        return 0.0
    reach = {i: float("inf") for i in range(1, len(points))}
    joined, total = 0, 0.0
    while reach:
        fx, fy = points[joined]
        for i in reach:
            x, y = points[i]
            reach[i] = min(reach[i], ((x - fx) ** 2 + (y - fy) ** 2) ** 0.5)
        joined = min(reach, key=reach.get)
        total += reach.pop(joined)
    return total


def airwires(signals, origins, offsets):
    return sum(
        minimum_spanning_tree([(origins[e][0] + offsets[(e, p)][0], origins[e][1] + offsets[(e, p)][1])
                               for e, p in contacts])
        for contacts in signals.values())


def check_board(path, work):
    name = os.path.basename(path)
    tree = ET.parse(path).getroot()
    elements = {e.get("name"): e.get("package") for e in tree.iter("element")}
    # Where each contact's pad should be: its package's pad turned as the element's rot says.
    pads_of_package = {}
    for library in tree.iter("library"):
        for package in library.iter("package"):
            pads_of_package[(library.get("name"), package.get("name"))] = {
                pad.get("name"): (float(pad.get("x")), float(pad.get("y")))
                for pad in package if pad.tag in ("pad", "smd")}
    expected_pad = {}
    for e in tree.iter("element"):
        turns = {"": 0, "R0": 0, "R90": 1, "R180": 2, "R270": 3}.get(e.get("rot", ""))
        if turns is None:
            fail(os.path.basename(path), f"{e.get('name')} has rot {e.get('rot')}")
            continue
        for pad, (x, y) in pads_of_package.get((e.get("library"), e.get("package")), {}).items():
            for _ in range(turns):
                x, y = -y, x
            expected_pad[(e.get("name"), pad)] = (float(e.get("x")) + x, float(e.get("y")) + y)
    signals = {s.get("name"): [(c.get("element"), c.get("pad")) for c in s.iter("contactref")]
               for s in tree.iter("signal")}
    copy = os.path.join(work, "kicad-" + name)
    shutil.copyfile(path, copy)
    board = pcbnew.IO_MGR.PluginFind(pcbnew.IO_MGR.EAGLE).Load(copy, None)
    if board is None:
        fail(name, "KiCad did not load it")
        return
    footprints = {fp.GetReference(): fp for fp in board.GetFootprints()}
    if len(footprints) != len(elements):
        fail(name, f"{len(footprints)} footprints for {len(elements)} elements")
    for element, package in elements.items():
        fp = footprints.get(kicad_reference(element))
        if fp is None:
            fail(name, f"no footprint for element {element}")
            continue
        kicad_package = package.replace("/", "_").replace(":", "_")
        if str(fp.GetFPID().GetLibItemName()) != kicad_package:
            fail(name, f"{element} is {fp.GetFPID().GetLibItemName()}, not {package}")

    # Every signal's pads on one net of their own.
    net_of_signal = {}
    offsets = {}
    for signal, contacts in signals.items():
        codes = set()
        for element, pad_name in contacts:
            fp = footprints.get(kicad_reference(element))
            pads = [p for p in fp.Pads() if p.GetNumber() == pad_name] if fp else []
            if not pads:
                fail(name, f"signal {signal}: no pad {pad_name} on {element}")
                continue
            for pad in pads:
                codes.add(pad.GetNetCode())
            position, origin = pads[0].GetPosition(), fp.GetPosition()
            offsets[(element, pad_name)] = (position.x - origin.x, -(position.y - origin.y))
            # The pad where the board's element, turned, puts it (KiCad's y grows downwards).
            want = expected_pad.get((element, pad_name))
            if want and (abs(position.x / 1e6 - want[0]) > 0.002
                         or abs(-position.y / 1e6 - want[1]) > 0.002):
                fail(name, f"pad {pad_name} of {element} at ({position.x / 1e6}, "
                           f"{-position.y / 1e6}), not at {want}")
        if len(codes) != 1 or 0 in codes:
            fail(name, f"signal {signal}: pads on nets {sorted(codes)}")
        elif codes:
            code = codes.pop()
            if code in net_of_signal.values():
                fail(name, f"signal {signal} shares a KiCad net with another signal")
            net_of_signal[signal] = code

    # Bounding boxes apart from each other and inside the outline.
    boxes = []
    for reference, fp in footprints.items():
        box = fp.GetBoundingBox(False, False)
        boxes.append((box.GetLeft(), box.GetTop(), box.GetRight(), box.GetBottom(), reference))
    edges = [d for d in board.GetDrawings() if d.GetLayer() == pcbnew.Edge_Cuts]
    if len(edges) != 4:
        fail(name, f"{len(edges)} lines on Edge.Cuts")
    # (Not GetBoardEdgesBoundingBox: it aborts on drawings on layers the importer could not
    # map without asking, such as a library's own layer 100.)
    xs = [p.x for d in edges for p in (d.GetStart(), d.GetEnd())] or [0]
    ys = [p.y for d in edges for p in (d.GetStart(), d.GetEnd())] or [0]
    for left, top, right, bottom, reference in boxes:
        if left < min(xs) or right > max(xs) or top < min(ys) or bottom > max(ys):
            fail(name, f"{reference} reaches out of the outline")
    boxes.sort()
    for i, (left, top, right, bottom, reference) in enumerate(boxes):
        for other in boxes[i + 1:]:
            if other[0] >= right:
                break
            if other[1] < bottom and other[3] > top:
                fail(name, f"{reference} overlaps {other[4]}")

    # Figures: the airwires against the same places given at random, the outline's shape, and
    # its area against the parts' boxes each enlarged by the 1 mm gap.
    origins = {e: (footprints[kicad_reference(e)].GetPosition().x, -footprints[kicad_reference(e)].GetPosition().y)
               for e in elements if kicad_reference(e) in footprints}
    connected = {s: c for s, c in signals.items()
                 if all(x in offsets and x[0] in origins for x in c)}
    placed = airwires(connected, origins, offsets)
    shuffles = []
    shuffle = random.Random(1)
    for _ in range(5):
        places = list(origins.values())
        shuffle.shuffle(places)
        shuffles.append(airwires(connected, dict(zip(origins, places)), offsets))
    ratio = placed / statistics.median(shuffles) if shuffles and statistics.median(shuffles) else 0
    mm = 1e6
    width, height = (max(xs) - min(xs)) / mm, (max(ys) - min(ys)) / mm
    parts = sum((r - l + mm) * (b - t + mm) for l, t, r, b, _ in boxes) / mm / mm
    if name == "generated.brd" and (ratio > 0.75 or width * height > 2 * parts):
        fail(name, f"airwires {ratio:.2f} of random places, outline {width * height / parts:.2f} "
                   "times the parts' area (at most 0.75 and 2)")
    print(f"{name}: {len(footprints)} footprints, {len(signals)} signals; airwires "
          f"{placed / mm:.1f} mm, {ratio:.2f} of random places; outline {width:.1f} x "
          f"{height:.1f} mm, {width * height / parts if parts else 0:.2f} times the parts' area")


def run(convert, arguments, folder, expect=0):
    done = subprocess.run([convert] + arguments, cwd=folder, capture_output=True)
    if expect is not None and done.returncode != expect:
        failures.append(f"malvor-convert {' '.join(arguments)}: exit {done.returncode}, "
                        f"{done.stderr.decode(errors='replace')}")
    return done


class Canvas:
    """A picture drawn pixel by pixel and saved as PNG, so that no drawing program is needed."""
    def __init__(self, width, height):
        self.w, self.h = width, height
        self.pixels = bytearray(b"\xff" * (width * height * 3))

    def dot(self, x, y, colour):
        if 0 <= x < self.w and 0 <= y < self.h:
            i = (y * self.w + x) * 3
            self.pixels[i:i + 3] = bytes(colour)

    def line(self, x0, y0, x1, y1, colour):
        x0, y0, x1, y1 = int(round(x0)), int(round(y0)), int(round(x1)), int(round(y1))
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.dot(x0, y0, colour)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def rect(self, x0, y0, x1, y1, colour, fill=None):
        if fill:
            for y in range(int(min(y0, y1)), int(max(y0, y1)) + 1):
                for x in range(int(min(x0, x1)), int(max(x0, x1)) + 1):
                    self.dot(x, y, fill)
        for a, b, c, d in ((x0, y0, x1, y0), (x1, y0, x1, y1), (x1, y1, x0, y1), (x0, y1, x0, y0)):
            self.line(a, b, c, d, colour)

    def png(self, path):
        raw = b"".join(b"\x00" + bytes(self.pixels[y * self.w * 3:(y + 1) * self.w * 3])
                       for y in range(self.h))
        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 2, 0, 0, 0))
                      + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def spanning_edges(points):
    """The edges of a minimum spanning tree over the points (Prim's)."""
    if len(points) < 2:
        return []
    reach = {i: (float("inf"), 0) for i in range(1, len(points))}
    joined, edges = 0, []
    while reach:
        fx, fy = points[joined]
        for i in reach:
            x, y = points[i]
            d = ((x - fx) ** 2 + (y - fy) ** 2) ** 0.5
            if d < reach[i][0]:
                reach[i] = (d, joined)
        joined = min(reach, key=lambda i: reach[i][0])
        edges.append((points[reach[joined][1]], points[joined]))
        reach.pop(joined)
    return edges


def picture(path, png):
    """The board as KiCad reads it: the outline, each footprint's box and pads, the airwires."""
    work = os.path.dirname(os.path.abspath(png))
    copy = os.path.join(work, "picture.brd")
    with open(path) as board, open(copy, "w") as out:
        # Layers beyond EAGLE's own would be left on no layer, which KiCad's later steps reject.
        out.writelines(line for line in board
                       if not (line.startswith("<layer ") and int(line.split('"')[1]) > 52))
    board = pcbnew.IO_MGR.PluginFind(pcbnew.IO_MGR.EAGLE).Load(copy, None)
    edges = [d for d in board.GetDrawings() if d.GetLayer() == pcbnew.Edge_Cuts]
    xs = [p.x for d in edges for p in (d.GetStart(), d.GetEnd())]
    ys = [p.y for d in edges for p in (d.GetStart(), d.GetEnd())]
    x1, y1, x2, y2 = min(xs), min(ys), max(xs), max(ys)
    width = 900
    scale = (width - 20) / (x2 - x1)
    height = int((y2 - y1) * scale) + 20
    canvas = Canvas(width, height)

    def at(point):
        return 10 + (point.x - x1) * scale, 10 + (point.y - y1) * scale

    canvas.rect(*at(pcbnew.wxPoint(x1, y1)), *at(pcbnew.wxPoint(x2, y2)), (0, 0, 0))
    nets = {}
    for fp in board.GetFootprints():
        box = fp.GetBoundingBox(False, False)
        canvas.rect(*at(box.GetOrigin()), *at(box.GetEnd()), (40, 90, 170), (225, 232, 245))
    for fp in board.GetFootprints():
        for pad in fp.Pads():
            x, y = at(pad.GetPosition())
            canvas.rect(x - 1, y - 1, x + 1, y + 1, (200, 60, 40), (200, 60, 40))
            if pad.GetNetCode() > 0:
                nets.setdefault(pad.GetNetCode(), []).append(at(pad.GetPosition()))
    for points in nets.values():
        for a, b in spanning_edges(points):
            canvas.line(*a, *b, (230, 150, 0))
    canvas.png(png)


def main():
    if sys.argv[1] == "--picture":
        picture(sys.argv[2], sys.argv[3])
        return 0
    convert, data, examples, work = [os.path.abspath(a) for a in sys.argv[1:5]]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    for library in ["ics.lbr", "power.lbr", "misc.lbr", "mixed.net", "mixed.csv"]:
        shutil.copy(os.path.join(data, "board", library), work)
    for library in ["passives.lbr", "semis.lbr"]:
        shutil.copy(os.path.join(data, library), work)
    for netlist in ["board.net", "amplifier.net"]:
        shutil.copy(os.path.join(examples, netlist), work)
    with open(os.path.join(work, "board-map.csv"), "w") as map_file:
        map_file.write("component,footprint,value,package,library,pins\n"
                       "R*,sm0805,,R0805,passives,\nC*,sm0805,,C0805,passives,\n"
                       ",DO41,,DO41-10,passives,1=A 2=C\n,DIP-8_W7.62mm,,DIL08,semis,\n"
                       ",SOT23,,SOT-23,semis,\n")
    with open(os.path.join(work, "warnings.net"), "w", newline="") as netlist:
        netlist.write("[\r\nR1\r\n0603\r\n1k\r\n]\r\n[\r\nR2\r\n0603\r\n1k\r\n]\r\n"
                      "(\r\nLONELY\r\nR1-1\r\n)\r\n(\r\nTWICE\r\nR1-2\r\nR2-1\r\nr1,2\r\n)\r\n")
    with open(os.path.join(work, "generated.net"), "w", newline="") as netlist:
        netlist.write(generated_netlist(1000))
    libraries = ["ics.lbr", "power.lbr", "misc.lbr"]
    run(convert, ["--board", "--map", "board-map.csv", "board.net", "passives.lbr", "semis.lbr"], work)
    run(convert, ["--board", "--map", "mixed.csv", "mixed.net"] + libraries, work)
    run(convert, ["--board", "warnings.net", "misc.lbr"], work)
    run(convert, ["--board", "generated.net"] + libraries, work)
    # The amplifier's packages are in no test library but where they have been added.
    amplifier = run(convert, ["--board", "amplifier.net", "passives.lbr", "semis.lbr"], work, None)
    if amplifier.returncode not in (0, 3):
        failures.append("amplifier.net: " + amplifier.stderr.decode(errors="replace"))
    for board in sorted(f for f in os.listdir(work) if f.endswith(".brd")):
        check_board(os.path.join(work, board), work)
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
