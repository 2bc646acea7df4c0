#!/usr/bin/python3
"""Replays the layout program's CAD scripts into DXF drawings with ezdxf.

Runs `tanvex script` on a design for AutoCAD (.scr) and General CADD Pro.
(.mcr), with and without blocks, rebuilds each drawing the way the CAD
program would (blocks take what lies wholly inside their window, inserts put
it back), saves it as DXF, reads it back and checks:
  - every line of the scripts ends in CR LF;
  - every layer an AutoCAD script selects was created first, and every
    entity lies on a created layer;
  - every arc runs through three distinct, non-collinear points;
  - every closed outline is a simple polygon;
  - every block holds its label and at least one outline, and after the
    blocks are made nothing but inserts and jumpers is left loose;
  - the .scr and .mcr of one design give the same geometry, with blocks
    and without.
Usage: replay_cad_scripts.py TANVEX DESIGN.dzn WORKDIR
"""
import math
import os
import shutil
import subprocess
import sys

import ezdxf
from ezdxf import bbox as ezbbox

FAILURES = []


def check(cond, msg):
    if not cond:
        FAILURES.append(msg)


def pt(s):
    x, y = s.split(",")
    return (float(x), float(y))


def arc_from_points(p1, p2, p3):
    (ax, ay), (bx, by), (cx, cy) = p1, p2, p3
    d = 2 * (ax * (by - cy) + bx * (cy - ay) + cx * (ay - by))
    span = max(abs(ax - bx), abs(ay - by), abs(cx - bx), abs(cy - by), 1e-12)
    if abs(d) < 1e-9 * span * span:
        return None
    ux = ((ax * ax + ay * ay) * (by - cy) + (bx * bx + by * by) * (cy - ay) + (cx * cx + cy * cy) * (ay - by)) / d
    uy = ((ax * ax + ay * ay) * (cx - bx) + (bx * bx + by * by) * (ax - cx) + (cx * cx + cy * cy) * (bx - ax)) / d
    r = math.hypot(ax - ux, ay - uy)
    a1 = math.degrees(math.atan2(ay - uy, ax - ux))
    a3 = math.degrees(math.atan2(cy - uy, cx - ux))
    cross = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax)
    # ezdxf arcs run counter-clockwise from start to end.
    start, end = (a1, a3) if cross > 0 else (a3, a1)
    a2 = math.degrees(math.atan2(by - uy, bx - ux))
    span = (end - start) % 360
    check(0 < (a2 - start) % 360 < span, f"arc through {p1} {p2} {p3} misses its middle point")
    return (ux, uy), r, start, end


def segments_cross(p, q, r, s):
    def orient(a, b, c):
        v = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])
        return 0 if abs(v) < 1e-12 else (1 if v > 0 else -1)

    def on_seg(a, b, c):
        return min(a[0], b[0]) - 1e-12 <= c[0] <= max(a[0], b[0]) + 1e-12 and \
            min(a[1], b[1]) - 1e-12 <= c[1] <= max(a[1], b[1]) + 1e-12

    o1, o2, o3, o4 = orient(p, q, r), orient(p, q, s), orient(r, s, p), orient(r, s, q)
    if o1 != o2 and o3 != o4:
        return True
    return (o1 == 0 and on_seg(p, q, r)) or (o2 == 0 and on_seg(p, q, s)) or \
        (o3 == 0 and on_seg(r, s, p)) or (o4 == 0 and on_seg(r, s, q))


def simple_polygon(points):
    pts = list(points)
    if pts[0] == pts[-1]:
        pts = pts[:-1]
    n = len(pts)
    if n < 3:
        return False
    edges = [(pts[i], pts[(i + 1) % n]) for i in range(n)]
    for i in range(n):
        for j in range(i + 1, n):
            if j == i + 1 or (i == 0 and j == n - 1):
                continue
            if segments_cross(edges[i][0], edges[i][1], edges[j][0], edges[j][1]):
                return False
    return True


class Replay:
    """A drawing being built from script commands."""

    def __init__(self, name):
        self.name = name
        self.doc = ezdxf.new()
        self.msp = self.doc.modelspace()
        self.layer = "0"
        self.text_height = 0.1

    def add_layer(self, name):
        if name not in self.doc.layers:
            self.doc.layers.add(name)

    def polyline(self, points, closed):
        check(len(points) >= 2, f"{self.name}: polyline of {len(points)} points")
        if closed:
            check(simple_polygon(points), f"{self.name}: outline is not a simple polygon: {points}")
        self.msp.add_lwpolyline(points, close=closed, dxfattribs={"layer": self.layer})

    def arc(self, p1, p2, p3):
        a = arc_from_points(p1, p2, p3)
        check(a is not None and len({p1, p2, p3}) == 3, f"{self.name}: malformed arc {p1} {p2} {p3}")
        if a is None:
            return
        c, r, s, e = a
        check(r > 0 and math.isfinite(r), f"{self.name}: arc radius {r}")
        self.msp.add_arc(c, r, s, e, dxfattribs={"layer": self.layer})

    def line(self, p, q):
        self.msp.add_line(p, q, dxfattribs={"layer": self.layer})

    def text(self, x, y, h, label):
        self.msp.add_text(label, dxfattribs={"layer": self.layer, "height": h, "insert": (x, y)})

    def make_block(self, name, base, lo, hi):
        check(lo[0] < hi[0] and lo[1] < hi[1], f"{self.name}: block {name} window not smallest corner first")
        inside = []
        for e in list(self.msp):
            if e.dxftype() == "INSERT":
                continue
            box = ezbbox.extents([e])
            if e.dxftype() == "TEXT":
                # Text extents: its insertion point and one height up, as
                # wide as its characters at most one height each.
                x, y = e.dxf.insert.x, e.dxf.insert.y
                h = e.dxf.height
                ok = lo[0] <= x and x + len(e.dxf.text) * h <= hi[0] and lo[1] <= y and y + h <= hi[1]
            else:
                ok = box.has_data and lo[0] <= box.extmin.x and box.extmax.x <= hi[0] and \
                    lo[1] <= box.extmin.y and box.extmax.y <= hi[1]
            if ok:
                inside.append(e)
        if name in self.doc.blocks:
            self.doc.blocks.delete_block(name, safe=False)
        blk = self.doc.blocks.new(name=name, base_point=(base[0], base[1]))
        labels = [e for e in inside if e.dxftype() == "TEXT"]
        check([e.dxf.text for e in labels] == [name],
              f"{self.name}: block {name} captured labels {[e.dxf.text for e in labels]}")
        check(len(inside) - len(labels) >= 1, f"{self.name}: block {name} captured no outline")
        for e in inside:
            self.msp.unlink_entity(e)
            blk.add_entity(e)
        # Block entities are stored in world coordinates about the base point.
        return blk

    def insert(self, name, at):
        check(name in self.doc.blocks, f"{self.name}: insert of undefined block {name}")
        self.msp.add_blockref(name, at, dxfattribs={"layer": self.layer})


def replay_scr(path):
    data = open(path, "rb").read()
    check(data.endswith(b"\r\n") and data.count(b"\n") == data.count(b"\r\n"),
          f"{path}: a line does not end in CR LF")
    lines = data.decode().split("\r\n")
    rp = Replay(os.path.basename(path))
    created = set()
    i = 0
    while i < len(lines):
        ln = lines[i]
        w = ln.split()
        i += 1
        if not w:
            continue
        cmd = w[0].upper()
        if cmd == "LAYER" and w[1] == "N":
            for n in w[2].split(","):
                created.add(n)
                rp.add_layer(n)
        elif cmd == "LAYER" and w[1] == "C":
            pass
        elif cmd == "LAYER" and w[1] == "S":
            check(w[2] in created, f"{path}: layer {w[2]} selected before it was created")
            rp.layer = w[2]
        elif cmd == "PLINE":
            closed = w[-1] == "C"
            rp.polyline([pt(s) for s in (w[1:-1] if closed else w[1:])], closed)
        elif cmd == "ARC":
            rp.arc(pt(w[1]), pt(w[2]), pt(w[3]))
        elif cmd == "LINE":
            rp.line(pt(w[1]), pt(w[2]))
        elif cmd == "TEXT":
            x, y = pt(w[1])
            rp.text(x, y, float(w[2]), w[3])
        elif cmd in ("ZOOM", "OSNAP"):
            pass
        elif cmd == "BLOCK":
            nxt = lines[i].split()
            i += 1
            if nxt[0] == "Y":
                nxt = nxt[1:]
            rp.make_block(w[1], pt(nxt[0]), pt(nxt[1]), pt(nxt[2]))
        elif cmd == "INSERT":
            nxt = lines[i].split()
            i += 1
            check(nxt[1:] == ["1", "1", "0"], f"{path}: insert scale/rotation {nxt}")
            rp.insert(w[1], pt(nxt[0]))
        else:
            check(False, f"{path}: unknown command {ln!r}")
    for e in rp.msp:
        check(e.dxf.layer in created, f"{path}: entity on layer {e.dxf.layer} that was never created")
    return rp


GCADD_LAYERS = {"0": "housing", "1": "shunts", "2": "coupling", "3": "coils", "4": "jumpers"}


def replay_mcr(path):
    data = open(path, "rb").read()
    check(data.endswith(b"\r\n") and data.count(b"\n") == data.count(b"\r\n"),
          f"{path}: a line does not end in CR LF")
    text = data.decode()
    # A command runs to its ';'; comments follow the last ';' of a line.
    rp = Replay(os.path.basename(path))
    for n in GCADD_LAYERS.values():
        rp.add_layer(n)
    stream = []
    for ln in text.split("\r\n"):
        stream.append(ln)
    joined = "\n".join(stream)
    # Polylines continue over line breaks: join "LI...;\n,..." pieces.
    joined = joined.replace(";\n,", ",")
    for ln in joined.split("\n"):
        for cmd in [c.strip() for c in ln.split(";")]:
            if not cmd:
                continue
            f = cmd.split(",")
            op = f[0]
            if op == "LI":
                vals = [float(v) for v in f[1:]]
                pts = list(zip(vals[0::2], vals[1::2]))
                closed = len(pts) > 2 and pts[0] == pts[-1]
                rp.polyline(pts[:-1] if closed else pts, closed)
            elif op == "A3":
                v = [float(x) for x in f[1:7]]
                rp.arc((v[0], v[1]), (v[2], v[3]), (v[4], v[5]))
            elif op == "L1":
                v = [float(x) for x in f[1:5]]
                rp.line((v[0], v[1]), (v[2], v[3]))
            elif op == "TS":
                rp.text_height = float(f[2])
            elif op == "TP":
                label = ",".join(f[3:])
                check(label.endswith("#"), f"{path}: text without its end mark: {cmd}")
                rp.text(float(f[1]), float(f[2]), rp.text_height, label.rstrip("#"))
            elif op == "LC":
                rp.layer = GCADD_LAYERS[f[3]]
            elif op == "YC":
                rp.layer = GCADD_LAYERS[f[1]]
            elif op == "CW":
                v = [float(x) for x in f[1:5]]
                name = f[5].lstrip("_")
                rp.make_block(name, (float(f[6]), float(f[7])), (v[0], v[1]), (v[2], v[3]))
            elif op == "CP":
                rp.insert(f[1].lstrip("_"), (float(f[2]), float(f[3])))
            elif op in ("WE", "ZA", "ZW", "/MSP", "YN", "CX", "PU") or op.startswith(" ") or \
                    op.startswith("Layer") or op.startswith("layer") or op.startswith("Text") or \
                    op.startswith("Name"):
                pass
            else:
                check(False, f"{path}: unknown command {cmd!r}")
    return rp


def geometry(rp):
    """Every drawn primitive in world coordinates, rounded, sorted."""
    out = []

    def r(v):
        return round(v + 0.0, 4) + 0.0

    def add(e, layer):
        t = e.dxftype()
        if t == "LINE":
            a, b = sorted([(r(e.dxf.start.x), r(e.dxf.start.y)), (r(e.dxf.end.x), r(e.dxf.end.y))])
            out.append(("LINE", layer, a, b))
        elif t == "ARC":
            out.append(("ARC", layer, r(e.dxf.center.x), r(e.dxf.center.y), r(e.dxf.radius),
                        r(e.dxf.start_angle % 360), r(e.dxf.end_angle % 360)))
        elif t == "LWPOLYLINE":
            out.append(("PLINE", layer, bool(e.closed),
                        tuple((r(p[0]), r(p[1])) for p in e.get_points("xy"))))
        elif t == "TEXT":
            out.append(("TEXT", layer, e.dxf.text, r(e.dxf.insert.x), r(e.dxf.insert.y), r(e.dxf.height)))

    for e in rp.msp:
        if e.dxftype() == "INSERT":
            for v in e.virtual_entities():
                add(v, e.dxf.layer)
        else:
            add(e, e.dxf.layer)
    return sorted(out, key=repr)


def loose_entities(rp):
    return [e for e in rp.msp if e.dxftype() != "INSERT" and not (e.dxftype() == "LINE" and e.dxf.layer == "jumpers")]


def main():
    tanvex, design, work = sys.argv[1], sys.argv[2], sys.argv[3]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    shutil.copy(design, os.path.join(work, "demo.dzn"))
    results = {}
    for cad, ext in (("acad", "scr"), ("gcadd", "mcr")):
        for blocks in (True, False):
            out = os.path.join(work, f"demo_{'b' if blocks else 'n'}.{ext}")
            args = [tanvex, "script", "demo", "--cad", cad, "--out", out]
            if not blocks:
                args.append("--no-blocks")
            subprocess.run(args, cwd=work, check=True)
            rp = replay_scr(out) if ext == "scr" else replay_mcr(out)
            dxf = out + ".dxf"
            rp.doc.saveas(dxf)
            back = ezdxf.readfile(dxf)
            auditor = back.audit()
            check(not auditor.has_errors, f"{dxf}: audit errors {[str(x) for x in auditor.errors]}")
            if blocks:
                loose = loose_entities(rp)
                check(not loose, f"{out}: entities left outside every block: {[e.dxftype() for e in loose]}")
                check(len([e for e in rp.msp if e.dxftype() == "INSERT"]) >= 1, f"{out}: no inserts")
            results[(ext, blocks)] = geometry(rp)
            print(f"{out}: {len(results[(ext, blocks)])} primitives")
    for blocks in (True, False):
        a, b = results[("scr", blocks)], results[("mcr", blocks)]
        check(a == b, f"scr and mcr geometry differ (blocks={blocks}): "
              f"{[x for x in a if x not in b][:3]} / {[x for x in b if x not in a][:3]}")
    a, b = results[("scr", True)], results[("scr", False)]
    check(a == b, "geometry with blocks differs from geometry without")
    kinds = {g[0] for g in results[("scr", True)]}
    check({"LINE", "ARC", "PLINE", "TEXT"} <= kinds, f"drawing lacks a kind of primitive: {kinds}")
    if FAILURES:
        for f in FAILURES[:40]:
            print("FAIL:", f)
        print(f"{len(FAILURES)} failures")
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
