#!/usr/bin/python3
"""Boards that malvor-convert writes and updates, against EAGLE's DTD and in KiCad's importer.

Usage: update_check.py MALVOR_CONVERT DATA_DIR EXAMPLES_DIR WORK_DIR [--kicad]

Writes a board (--board) for each of the project's netlists that makes one, routes it as an
editor would save it (wires and vias on every signal), then updates it (--update) with netlists
edited in every way: a value, a package, a part added, one removed, a net renamed, a pin moved,
a pin disconnected, and all of these at once. Every board written must validate against
eagle.dtd (xmllint --dtdvalid). With --kicad, each updated board is also loaded by KiCad's
EAGLE importer and checked: kept parts at the same place and rotation, the tracks of untouched
nets still there, every pad on the net the netlist says, new parts apart from all others.
"""

import os
import random
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

from generated_netlist import generated_netlist

failures = []


def fail(what, message):
    failures.append(f"{what}: {message}")


def read_tango(text):
    """Components [(name, footprint, value)] and nets [(name, [nodes])] of a CR LF netlist."""
    lines = text.split("\r\n")
    components, nets, i = [], [], 0
    while i < len(lines):
        if lines[i] == "[":
            components.append((lines[i + 1], lines[i + 2], lines[i + 3]))
            i = lines.index("]", i)
        elif lines[i] == "(":
            end = lines.index(")", i)
            nets.append((lines[i + 1], lines[i + 2:end]))
            i = end
        i += 1
    return components, nets


def write_tango(components, nets):
    text = "".join(f"[\r\n{c}\r\n{f}\r\n{v}\r\n\r\n\r\n\r\n]\r\n" for c, f, v in components)
    for name, nodes in nets:
        text += f"(\r\n{name}\r\n" + "".join(n + "\r\n" for n in nodes) + ")\r\n"
    return text


def node_part(node):
    return node.replace(",", "-").split("-")[0]


def edits(components, nets, package_from, package_to, new_footprint):
    """Edited copies of the netlist, by name: each change alone, then all together."""
    chance = random.Random(3)
    big = [n for n in nets if len(n[1]) >= 3]
    # Parts outside the net renamed, so that the rename stays a rename.
    kept = [c for c in components if all(node_part(x) != c[0] for x in big[0][1])] or components
    package_part = next(c for c, f, _ in kept if f == package_from)
    others = [c for c, _, _ in kept if c != package_part]
    value_part, removed_part = others[0], others[-1]

    def value(cs, ns):
        return [(c, f, v + "X" if c == value_part else v) for c, f, v in cs], ns

    def package(cs, ns):
        return [(c, package_to if c == package_part else f, v) for c, f, v in cs], ns

    def added(cs, ns):
        two = [n for n in ns if n[1]][:2]
        return cs + [("RNEW1", new_footprint, "47k")], [
            (name, nodes + ["RNEW1-" + str(1 + two.index((name, nodes)))] if (name, nodes) in two else nodes)
            for name, nodes in ns]

    def removed(cs, ns):
        return [c for c in cs if c[0] != removed_part], [
            (name, [x for x in nodes if node_part(x) != removed_part]) for name, nodes in ns]

    def renamed(cs, ns):
        return cs, [(name + "_NEW" if name == big[0][0] else name, nodes) for name, nodes in ns]

    def moved(cs, ns):
        source, target = big[-1], big[0]
        node = [x for x in source[1] if node_part(x) not in (removed_part, package_part)][-1]
        return cs, [(name, [x for x in nodes if x != node] + ([node] if name == target[0] else []))
                    for name, nodes in ns]

    def disconnected(cs, ns):
        node = [x for x in big[-1][1] if node_part(x) not in (removed_part, package_part)][0]
        return cs, [(name, [x for x in nodes if x != node]) for name, nodes in ns]

    steps = {"value": value, "package": package, "added": added, "removed": removed,
             "renamed": renamed, "moved": moved, "disconnected": disconnected}
    result = {name: step(components, nets) for name, step in steps.items()}
    cs, ns = components, nets
    for name in ["value", "package", "removed", "moved", "disconnected", "renamed", "added"]:
        cs, ns = steps[name](cs, ns)
    result["together"] = (cs, ns)
    chance.random()
    return result


def route(path):
    """Wires between the contacts of every signal and a via at its first, in the board file."""
    tree = ET.parse(path)
    board = tree.getroot().find("drawing/board")
    at = {e.get("name"): (e.get("x"), e.get("y")) for e in board.iter("element")}
    for signal in board.iter("signal"):
        places = [at[c.get("element")] for c in signal.findall("contactref")]
        for a, b in zip(places, places[1:]):
            ET.SubElement(signal, "wire", x1=a[0], y1=a[1], x2=b[0], y2=b[1], width="0.254", layer="1")
        if len(places) > 1:
            ET.SubElement(signal, "via", x=places[0][0], y=places[0][1], extent="1-16", drill="0.6")
    first = next(iter(board.iter("element")), None)
    if first is not None:
        first.set("rot", "R90")
    # ElementTree drops the document type: put it back as EAGLE writes it.
    body = ET.tostring(tree.getroot(), encoding="unicode")
    with open(path, "w", encoding="utf-8") as out:
        out.write('<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE eagle SYSTEM "eagle.dtd">\n' + body)


def validate(path, dtd):
    done = subprocess.run(["xmllint", "--noout", "--nowarning", "--dtdvalid", dtd, path],
                          capture_output=True, text=True)
    if done.returncode != 0:
        fail(os.path.basename(path), "not valid against eagle.dtd: " + done.stderr[:2000])


def summary(path):
    root = ET.parse(path).getroot()
    elements = {e.get("name"): e for e in root.iter("element")}
    contacts = {s.get("name"): sorted((c.get("element"), c.get("pad")) for c in s.findall("contactref"))
                for s in root.iter("signal")}
    routing = {s.get("name"): len(s.findall("wire")) + len(s.findall("via")) for s in root.iter("signal")}
    return elements, contacts, routing


def kicad_board(path, work):
    import pcbnew
    copy = os.path.join(work, "kicad-" + os.path.basename(path))
    shutil.copyfile(path, copy)
    return pcbnew.IO_MGR.PluginFind(pcbnew.IO_MGR.EAGLE).Load(copy, None)


def kicad_reference(name):
    if name[:1].isdigit() or name.startswith("#"):
        name = "UNK" + name
    if not name[-1:].isdigit():
        name += "0"
    return name


def check_in_kicad(what, before_path, after_path, fresh_contacts, renamed, work):
    before, after = kicad_board(before_path, work), kicad_board(after_path, work)
    if before is None or after is None:
        fail(what, "KiCad did not load the board")
        return
    old = {fp.GetReference(): fp for fp in before.GetFootprints()}
    new = {fp.GetReference(): fp for fp in after.GetFootprints()}
    for reference, fp in new.items():
        if reference in old:
            if fp.GetPosition() != old[reference].GetPosition() or \
                    fp.GetOrientationDegrees() != old[reference].GetOrientationDegrees():
                fail(what, f"{reference} moved or turned")
    # Tracks of nets whose name stays, still there, on the same net.
    def tracks(board):
        count = {}
        for track in board.GetTracks():
            name = track.GetNetname()
            count[name] = count.get(name, 0) + 1
        return count
    old_tracks, new_tracks = tracks(before), tracks(after)
    for net, count in old_tracks.items():
        target = renamed.get(net, net)
        if new_tracks.get(target, 0) < count:
            fail(what, f"net {net}: {count} tracks before, {new_tracks.get(target, 0)} after")
    # Every pad on the net the netlist says: pads of one signal on one KiCad net of its own.
    seen = {}
    for signal, contacts in fresh_contacts.items():
        codes = set()
        for element, pad in contacts:
            fp = new.get(kicad_reference(element))
            pads = [p for p in fp.Pads() if p.GetNumber() == pad] if fp else []
            if not pads:
                fail(what, f"signal {signal}: no pad {pad} on {element}")
            codes.update(p.GetNetCode() for p in pads)
        if len(codes) > 1 or 0 in codes:
            fail(what, f"signal {signal}: pads on nets {sorted(codes)}")
        elif codes:
            code = codes.pop()
            if code in seen:
                fail(what, f"signal {signal} shares a KiCad net with {seen[code]}")
            seen[code] = signal
    # New parts apart from all others.
    boxes = {r: fp.GetBoundingBox(False, False) for r, fp in new.items()}
    for reference in set(new) - set(old):
        box = boxes[reference]
        for other, other_box in boxes.items():
            if other != reference and box.Intersects(other_box):
                fail(what, f"new part {reference} overlaps {other}")


def main():
    convert, data, examples, work = [os.path.abspath(a) for a in sys.argv[1:5]]
    kicad = "--kicad" in sys.argv[5:]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    dtd = os.path.join(data, "board", "eagle.dtd")
    shutil.copy(dtd, work)  # beside the boards, where their document type names it
    for name in ["ics.lbr", "power.lbr", "misc.lbr", "mixed.net", "mixed.csv", "eagle9.brd", "eagle9.net"]:
        shutil.copy(os.path.join(data, "board", name), work)
    for name in ["passives.lbr", "semis.lbr"]:
        shutil.copy(os.path.join(data, name), work)
    shutil.copy(os.path.join(examples, "board.net"), work)
    with open(os.path.join(work, "board-map.csv"), "w") as map_file:
        map_file.write("component,footprint,value,package,library,pins\n"
                       "R*,sm0805,,R0805,passives,\nC*,sm0805,,C0805,passives,\n"
                       ",DO41,,DO41-10,passives,1=A 2=C\n,DIP-8_W7.62mm,,DIL08,semis,\n"
                       ",SOT23,,SOT-23,semis,\n")
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    three = ["ics.lbr", "power.lbr", "misc.lbr"]
    with open(os.path.join(work, "generated.net"), "w", newline="") as out:
        out.write(generated_netlist(300))
    projects = [
        ("mixed", "mixed.net", ["--map", "mixed.csv"], three, ("LED3", "0603", "0603")),
        ("example", "board.net", ["--map", "board-map.csv"], ["passives.lbr", "semis.lbr"],
         ("SOT23", "DIP-8_W7.62mm", "sm0805")),
        ("generated", "generated.net", [], three, ("0603", "HEADER/2X3", "0603")),
    ]
    written = []

    def run(arguments, expect=0):
        done = subprocess.run([convert] + arguments, cwd=work, capture_output=True, text=True)
        if done.returncode != expect:
            fail(" ".join(arguments), f"exit {done.returncode}: {done.stderr[:2000]}")
        return done

    # A net of one node, a pin named twice, markup and a Latin-1 byte in names and values.
    with open(os.path.join(work, "warnings.net"), "wb") as netlist:
        netlist.write(b"[\r\nR1\r\n0603\r\n1k & <2>\r\n]\r\n[\r\nR2\r\n0603\r\n\"R\xe9\"\r\n]\r\n"
                      b"(\r\nLONELY\r\nR1-1\r\n)\r\n(\r\nTWICE\r\nR1-2\r\nR2-1\r\nr1,2\r\n)\r\n")
    run(["--board", "-o", "warnings.brd", "warnings.net", "misc.lbr"])
    written.append("warnings.brd")
    # The hand-written EAGLE 9 board, updated with its own netlist.
    run(["--update", "eagle9.brd", "-o", "eagle9-updated.brd", "eagle9.net", "misc.lbr"])
    written.append("eagle9-updated.brd")
    for project, netlist, options, libraries, footprints in projects:
        placed = project + "-placed.brd"
        run(["--board", "-o", placed] + options + [netlist] + libraries)
        written.append(placed)
        routed = project + "-routed.brd"
        shutil.copy(os.path.join(work, placed), os.path.join(work, routed))
        route(os.path.join(work, routed))
        with open(os.path.join(work, netlist), newline="") as source:
            components, nets = read_tango(source.read())
        for change, (cs, ns) in edits(components, nets, *footprints).items():
            what = f"{project}, {change}"
            edited = f"{project}-{change}.net"
            with open(os.path.join(work, edited), "w", newline="") as out:
                out.write(write_tango(cs, ns))
            updated, fresh = f"{project}-{change}-updated.brd", f"{project}-{change}-fresh.brd"
            done = run(["--update", routed, "-o", updated] + options + [edited] + libraries)
            if done.returncode != 0:
                continue
            lines = done.stdout.splitlines()
            if not lines or lines[-1] == "no changes":
                fail(what, "no changes said")
            run(["--board", "-o", fresh] + options + [edited] + libraries)
            written += [updated, fresh]
            _, after_contacts, _ = summary(os.path.join(work, updated))
            _, fresh_contacts, _ = summary(os.path.join(work, fresh))
            if after_contacts != {s: c for s, c in after_contacts.items() if s in fresh_contacts} \
                    or any(after_contacts.get(s) != c for s, c in fresh_contacts.items()):
                fail(what, "the contacts differ from a new board of the netlist")
            renamed = {}
            for line in lines:
                if "' renamed to '" in line:
                    old, new = line.split("' renamed to '")
                    renamed[old[len("net '"):]] = new.split("'")[0]
            if kicad:
                check_in_kicad(what, os.path.join(work, routed), os.path.join(work, updated),
                               fresh_contacts, renamed, work)
    for board in written:
        validate(os.path.join(work, board), dtd)
    print(f"{len(written)} boards written, each valid against eagle.dtd" +
          (", the updated ones checked in KiCad" if kicad else ""))
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
