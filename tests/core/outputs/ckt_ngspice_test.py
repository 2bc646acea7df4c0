#!/usr/bin/python3
"""Touchstone circuit files written by `tanvex touchstone`, translated here to
SPICE decks and run in ngspice.

For designs written here (lumped ladders and bridged groups, lines and stubs,
a transformer): the transfer level ngspice finds equals `tanvex analyse`
within 0.01 dB; every node other than ground is used by two element
terminals or more; the design file is byte-identical afterwards.

Usage: ckt_ngspice_test.py TANVEX SOURCE_DIR
"""
import hashlib
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile

TANVEX, SOURCE = sys.argv[1], sys.argv[2]
FAILURES = []

IND_UNITS = {"H": 1.0, "MH": 1e-3, "UH": 1e-6, "NH": 1e-9}
CAP_UNITS = {"F": 1.0, "UF": 1e-6, "PF": 1e-12}
FREQ_UNITS = {"HZ": 1.0, "KHZ": 1e3, "MHZ": 1e6, "GHZ": 1e9}
LENGTH_UNITS = {"IN": 0.0254, "MIL": 0.0000254, "CM": 0.01, "MM": 0.001}


def check(ok, what):
    if not ok:
        FAILURES.append(what)
        print("FAIL:", what)


def write_dzn(path, entries):
    with open(path, "wb") as f:
        for value, letter, code in entries:
            f.write(b"%15.8e %c %d\r\n" % (value, ord(letter), code))


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def params(words):
    out = {}
    for w in words:
        if "=" in w:
            k, v = w.split("=", 1)
            out[k] = v
    return out


def translate(ckt):
    """Returns (deck body, port1, port2, rs, rl, node uses)."""
    block, dims, z0 = None, {}, 50.0
    body, uses, extra = [], {}, [0]
    ports, term = None, None

    def use(*nodes):
        for n in nodes:
            uses[n] = uses.get(n, 0) + 1

    def fresh():
        extra[0] += 1
        return f"x{extra[0]}"

    for raw in ckt.split("\r\n"):
        line = raw.split("!")[0].strip()
        if not line:
            continue
        if line in ("DIM", "VAR", "CKT", "TERM", "OUT", "FREQ", "GRID"):
            block = line
            continue
        w = line.split()
        if block == "DIM":
            dims[w[0]] = w[1]
        elif block == "TERM":
            if w[0] == "Zo":
                z0 = float(w[2])
            elif w[0] == "CHAN1":
                term = (float(w[1]), float(w[3]))
        elif block == "CKT":
            t, name = w[0], f"{w[0]}{len(body)}"
            if t in ("IND", "CAP", "RES"):
                a, b = int(w[1]), int(w[2])
                p = params(w[3:])
                if t == "IND":
                    body.append(f"L{len(body)} {a} {b} {float(p['L']) * IND_UNITS[dims['IND']]:.12g}")
                elif t == "CAP":
                    body.append(f"C{len(body)} {a} {b} {float(p['C']) * CAP_UNITS[dims['CAP']]:.12g}")
                else:
                    body.append(f"R{len(body)} {a} {b} {float(p['R']):.12g}")
                use(a, b)
            elif t in ("TLIN", "TLSC", "TLOC", "TLINP", "TLPSC", "TLPOC"):
                a, b = int(w[1]), int(w[2])
                p = params(w[3:])
                f = float(p["F"]) * FREQ_UNITS[dims["FREQ"]]
                if "E" in p:
                    nl = float(p["E"]) / 360.0
                else:
                    # Physical length in the LNG unit with dielectric constant K:
                    # wavelengths at F = length * sqrt(K) * F / c.
                    metres = float(p["L"]) * LENGTH_UNITS[dims["LNG"]]
                    nl = metres * math.sqrt(float(p["K"])) * f / 2.99793e8
                t = {"TLINP": "TLIN", "TLPSC": "TLSC", "TLPOC": "TLOC"}.get(t, t)
                z = float(p["Z"])
                if t == "TLIN":
                    body.append(f"T{len(body)} {a} 0 {b} 0 Z0={z:.12g} F={f:.12g} NL={nl:.12g}")
                elif t == "TLSC":
                    body.append(f"T{len(body)} {a} {b} {b} {b} Z0={z:.12g} F={f:.12g} NL={nl:.12g}")
                else:
                    x = fresh()
                    body.append(f"T{len(body)} {a} {b} {x} {b} Z0={z:.12g} F={f:.12g} NL={nl:.12g}")
                    body.append(f"R{len(body)} {x} {b} 1e15")
                use(a, b)
            elif t == "XFER":
                # V(n1) = N * V(n2), currents in the inverse ratio.
                a, b = int(w[1]), int(w[2])
                n = float(params(w[3:])["N"])
                x = fresh()
                body.append(f"E{len(body)} {x} 0 {b} 0 {n:.12g}")
                body.append(f"V{len(body)} {x} {a} 0")
                vs = f"V{len(body) - 1}"
                body.append(f"F{len(body)} {b} 0 {vs} {n:.12g}")
                use(a, b)
            elif t == "MUC":
                a, b, c, d = (int(v) for v in w[1:5])
                p = params(w[5:])
                l1 = float(p["L1"]) * IND_UNITS[dims["IND"]]
                l2 = float(p["L2"]) * IND_UNITS[dims["IND"]]
                m = float(p["M"]) * IND_UNITS[dims["IND"]]
                k = len(body)
                body.append(f"L{k}a {a} {b} {l1:.12g}")
                body.append(f"L{k}b {c} {d} {l2:.12g}")
                body.append(f"K{k} L{k}a L{k}b {min(m / math.sqrt(l1 * l2), 0.99999):.12g}")
                use(a, b, c, d)
            elif t == "DEF2P":
                ports = (int(w[1]), int(w[2]))
                use(*ports)  # a port is one use of its node
            else:
                raise ValueError("no translation for " + line)
    g_s, g_p = term
    rs = z0 * (1 + g_s) / (1 - g_s)
    rl = z0 * (1 + g_p) / (1 - g_p)
    return body, ports, rs, rl, uses


def run_case(name, sweep, args=("--electrical",)):
    before = digest(name + ".dzn")
    r = subprocess.run([TANVEX, "touchstone", name, "--no-q", "--sweep",
                        f"{sweep[0]} {sweep[1]} 1", *args], capture_output=True, text=True)
    check(r.returncode == 0, f"{name}: touchstone exit {r.returncode} {r.stderr}")
    check(digest(name + ".dzn") == before, f"{name}: design file changed")
    last = re.search(r"Last node number used is (\d+)", r.stderr)
    check(last is not None, f"{name}: no last-node notice in {r.stderr!r}")
    with open(name + ".CKT", "rb") as f:
        ckt = f.read().decode("ascii")
    body, ports, rs, rl, uses = translate(ckt)
    for node, count in uses.items():
        check(node == 0 or count >= 2, f"{name}: node {node} used {count} time(s)")
    if last:
        check(max(n for n in uses) <= int(last.group(1)), f"{name}: node above the last reported")

    points = 41
    a = subprocess.run([TANVEX, "analyse", name, "--q", "0,0,0", "--from", str(sweep[0]), "--to",
                        str(sweep[1]), "--points", str(points), "--spacing", "linear", "--csv"],
                       capture_output=True, text=True)
    check(a.returncode == 0, f"{name}: analyse exit {a.returncode}")
    rows = [list(map(float, l.split(","))) for l in a.stdout.splitlines()[1:]]
    p1, p2 = ports
    deck = [f"* {name}", "VS src 0 DC 0 AC 1", f"RS src {p1} {rs:.12g}", f"RL {p2} 0 {rl:.12g}", *body,
            ".control", f"ac lin {points} {rows[0][0]:.12g} {rows[-1][0]:.12g}",
            f"wrdata {name}.out v({p2}) v({p1})", ".endc", ".end"]
    with open(name + ".cir", "w") as f:
        f.write("\n".join(deck) + "\n")
    # ngspice in batch mode with a control block ends with status 1 even when
    # the analysis ran; its output file is the evidence.
    s = subprocess.run(["ngspice", "-b", name + ".cir"], capture_output=True, text=True)
    check(os.path.exists(name + ".out"), f"{name}: ngspice wrote nothing: {s.stdout[-600:]}")
    if not os.path.exists(name + ".out"):
        return
    level = []
    with open(name + ".out") as f:
        for l in f:
            v = l.split()
            level.append(complex(float(v[1]), float(v[2])))
    worst = 0.0
    for row, v2 in zip(rows, level):
        att = -20 * math.log10(2 * abs(v2) * math.sqrt(rs / rl))
        worst = max(worst, abs(att - row[2]))
    check(len(level) == points, f"{name}: ngspice gave {len(level)} points")
    check(worst < 0.01, f"{name}: transfer level differs from tanvex analyse by {worst:.4f} dB")
    print(f"{name}: {len(body)} deck lines, worst level difference {worst:.2e} dB")


def main():
    work = tempfile.mkdtemp(prefix="tanvex_ckt_")
    os.chdir(work)
    examples = os.path.join(SOURCE, "resources", "examples")
    for f in ("lowpass.dzn", "lowpass.spk", "bandpass.dzn", "bandpass.spk"):
        shutil.copy(os.path.join(examples, f), f)
    designs = {
        # Bridged and resonant groups between unequal ends.
        "groups": [(75.0, "R", 1), (22e-12, "C", 2), (80e-9, "L", 6), (30e-12, "C", 6),
                   (12e-12, "C", 6), (60e-9, "L", 7), (25e-12, "C", 7), (6e-12, "C", 7),
                   (40e-9, "L", 14), (15e-12, "C", 14), (12.0, "R", 14),
                   (100e-9, "L", 15), (50e-12, "C", 15), (600.0, "R", 15),
                   (50e-9, "L", 10), (9e-12, "C", 10), (9e-12, "C", 10), (200e-9, "L", 10),
                   (5e-12, "C", 10), (27e-12, "C", 2), (40.0, "R", 1), (1e8, "x", 1)],
        # Lines, stubs, a reference-frequency marker and a transformer.
        "lines": [(50.0, "R", 1), (15e-12, "C", 2), (60.0, "Z", 23), (0.7, "D", 23),
                  (1.5e8, "F", 22), (90.0, "Z", 16), (1.2, "D", 16), (45.0, "Z", 19),
                  (0.4, "D", 19), (1.4, "N", 24), (70.0, "Z", 18), (0.5, "D", 18),
                  (35e-9, "L", 3), (25.0, "R", 1), (1e8, "x", 1)],
        # Tapped inductors: coupled halves written as MUC.
        "taps": [(50.0, "R", 1), (20e-12, "C", 2), (150e-9, "L", 11), (30e-12, "C", 11),
                 (8e-12, "C", 12), (120e-9, "L", 12), (15e-9, "L", 12), (40e-12, "C", 12),
                 (20e-12, "C", 2), (50.0, "R", 1), (1e8, "x", 1)],
    }
    for name, entries in designs.items():
        write_dzn(name + ".dzn", entries)
        shutil.copy("lowpass.spk", name + ".spk")
    for name in ("lowpass", "bandpass", "groups", "lines", "taps"):
        run_case(name, (10, 300))
    # The same lines by physical length in a dielectric of K = 2.2.
    run_case("lines", (10, 300), ("--k", "2.2"))

    shutil.rmtree(work, ignore_errors=True)
    if FAILURES:
        print(f"{len(FAILURES)} failure(s)")
        sys.exit(1)
    print("all CKT checks passed")


main()
