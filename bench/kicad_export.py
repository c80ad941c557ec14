#!/usr/bin/python3
"""KiCad boards as parts and pads for placement_quality (pcbnew's Python module).

Usage: kicad_export.py BOARD.kicad_pcb ...

For each board, on standard output, micrometres with y upwards:
  board NAME
  part REFERENCE <tab> FOOTPRINT <tab> X1 Y1 X2 Y2 <tab> MX MY
      the footprint's extent unturned and on the top side, from its anchor: its courtyard where
      it has one, else its box without texts; MX MY the middle of that box as the designer
      placed it
  pad DX DY AX AY <tab> NET
      the pad from the anchor, unturned; where the designer put it; its net ('-' for none)
"""

import os
import sys

import pcbnew


def box_of(fp):
    layer = pcbnew.B_CrtYd if fp.IsFlipped() else pcbnew.F_CrtYd
    boxes = [item.GetBoundingBox() for item in fp.GraphicalItems() if item.GetLayer() == layer]
    if boxes:
        return (min(b.GetLeft() for b in boxes), min(b.GetTop() for b in boxes),
                max(b.GetRight() for b in boxes), max(b.GetBottom() for b in boxes))
    box = fp.GetBoundingBox(False, False)
    return box.GetLeft(), box.GetTop(), box.GetRight(), box.GetBottom()


def um(value):
    return int(round(value / 1000))


def export(path):
    board = pcbnew.LoadBoard(path)
    print("board", os.path.splitext(os.path.basename(path))[0])
    for fp in board.GetFootprints():
        left, top, right, bottom = box_of(fp)
        middle = (um((left + right) / 2), -um((top + bottom) / 2))
        placed = []
        for pad in fp.Pads():
            net = pad.GetNetname()
            if not net or net.startswith("unconnected-"):
                net = "-"
            placed.append((pad.GetPosition(), net.replace("\t", " ")))
        if fp.IsFlipped():
            fp.Flip(fp.GetPosition(), False)
        fp.SetOrientationDegrees(0)
        fp.SetPosition(pcbnew.wxPoint(0, 0))
        left, top, right, bottom = box_of(fp)
        print(f"part {fp.GetReference()}\t{fp.GetFPID().GetLibItemName()}\t"
              f"{um(left)} {-um(bottom)} {um(right)} {-um(top)}\t{middle[0]} {middle[1]}")
        for pad, (at, net) in zip(fp.Pads(), placed):
            offset = pad.GetPosition()
            print(f"pad {um(offset.x)} {-um(offset.y)} {um(at.x)} {-um(at.y)}\t{net}")


for board_path in sys.argv[1:]:
    export(board_path)
