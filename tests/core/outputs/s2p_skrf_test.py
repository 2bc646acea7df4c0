#!/usr/bin/python3
"""S-parameter files written by `tanvex s2p`, read back by scikit-rf.

Checks, for designs written here: a lossless network gives S^H S = I and
S21 = S12; S11, S21 and S22 match a chain-matrix (ABCD) solution of the
ladder worked out here from the element values; the design files are
byte-identical afterwards; a refused design writes no file.

Usage: s2p_skrf_test.py TANVEX SOURCE_DIR
"""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile

import numpy as np
import skrf

TANVEX, SOURCE = sys.argv[1], sys.argv[2]
FAILURES = []


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


# ---- chain-matrix oracle for ladders of codes 2, 3, 4, 5 and 24 ----
def element_z(value, letter, w, ql, qc):
    if letter == "L":
        x = w * value
        return complex(x / ql if ql else 0.0, x)
    if letter == "C":
        x = -1.0 / (w * value)
        return complex(abs(x) / qc if qc else 0.0, x)
    return complex(value, 0.0)


def groups(entries):
    n = next(i for i in range(1, len(entries)) if entries[i][2] == 1)
    size = {2: 1, 3: 1, 4: 2, 5: 2, 24: 1}
    out, i = [], 1
    while i < n:
        code = entries[i][2]
        out.append((code, entries[i:i + size[code]]))
        i += size[code]
    return out


def abcd_s(entries, f, z0, ql, qc):
    """S-matrix with port 1 at the source end, port 2 at the termination."""
    w = 2 * np.pi * f
    m = np.identity(2, dtype=complex)
    for code, g in reversed(groups(entries)):  # from the source towards the load
        z = [element_z(v, l, w, ql, qc) for v, l, _ in g]
        if code == 2:
            step = np.array([[1, 0], [1 / z[0], 1]])
        elif code == 3:
            step = np.array([[1, z[0]], [0, 1]])
        elif code == 4:
            step = np.array([[1, 0], [1 / (z[0] + z[1]), 1]])
        elif code == 5:
            step = np.array([[1, z[0] * z[1] / (z[0] + z[1])], [0, 1]])
        else:  # ideal transformer: the impedance beyond it times ratio^2
            n = g[0][0]
            step = np.array([[n, 0], [0, 1 / n]])
        m = m @ step
    a, b, c, d = m[0, 0], m[0, 1], m[1, 0], m[1, 1]
    den = a + b / z0 + c * z0 + d
    return np.array([[(a + b / z0 - c * z0 - d) / den, 2 * (a * d - b * c) / den],
                     [2 / den, (-a + b / z0 - c * z0 + d) / den]])


def run_s2p(name, *args):
    return subprocess.run([TANVEX, "s2p", name, *args], capture_output=True, text=True)


def main():
    work = tempfile.mkdtemp(prefix="tanvex_s2p_")
    os.chdir(work)
    examples = os.path.join(SOURCE, "resources", "examples")
    for f in ("lowpass.dzn", "lowpass.spk", "bandpass.dzn", "bandpass.spk"):
        shutil.copy(os.path.join(examples, f), f)
    # Designs of our own: an asymmetric ladder between 75 and 30 ohms with a
    # transformer, series resonators and a shunt trap; the sample's settings.
    asym = [(75.0, "R", 1), (18e-12, "C", 2), (95e-9, "L", 3), (1.6, "N", 24),
            (40e-9, "L", 4), (60e-12, "C", 4), (120e-9, "L", 5), (8e-12, "C", 5),
            (33e-12, "C", 2), (30.0, "R", 1), (1e8, "x", 1)]
    write_dzn("asym.dzn", asym)
    shutil.copy("lowpass.spk", "asym.spk")

    # 1. Lossless designs: S^H S = I, S21 = S12.
    for name in ("lowpass", "bandpass", "asym"):
        before = digest(name + ".dzn")
        r = run_s2p(name, "--q", "0,0,0", "--from", "5", "--to", "400", "--points", "120",
                    "--spacing", "log", "--z0", "50")
        check(r.returncode == 0, f"{name}: tanvex s2p exit {r.returncode}: {r.stderr}")
        check(r.stdout.strip() == f"File is: {name}.S2P", f"{name}: stdout {r.stdout!r}")
        check(digest(name + ".dzn") == before, f"{name}: design file changed")
        net = skrf.Network(name + ".S2P")
        check(net.f.size == 120, f"{name}: {net.f.size} points")
        check(abs(net.z0[0, 0] - 50) < 1e-12, f"{name}: z0 {net.z0[0, 0]}")
        s = net.s
        eye = np.einsum("fji,fjk->fik", s.conj(), s)
        err = np.abs(eye - np.identity(2)).max()
        check(err < 1e-3, f"{name}: |S^H S - I| = {err}")
        rec = np.abs(s[:, 1, 0] - s[:, 0, 1]).max()
        check(rec < 1e-3, f"{name}: |S21 - S12| = {rec}")
        print(f"{name}: |S^H S - I| max {err:.2e}, |S21 - S12| max {rec:.2e}")

    # 2. The asymmetric design with losses against the chain-matrix solution,
    #    at a system impedance of 60 ohms.
    for q in ((0, 0), (90, 400)):
        r = run_s2p("asym", "--q", f"{q[0]},{q[1]},0", "--from", "10", "--to", "300",
                    "--points", "59", "--spacing", "linear", "--z0", "60", "--out", "asymq.S2P")
        check(r.returncode == 0, f"asym Q {q}: exit {r.returncode}: {r.stderr}")
        net = skrf.Network("asymq.S2P")
        worst = 0.0
        for k, f in enumerate(net.f):
            ref = abcd_s(asym, f, 60.0, q[0], q[1])
            worst = max(worst, np.abs(net.s[k] - ref).max())
        check(worst < 1e-3, f"asym Q {q}: S differs from the chain-matrix solution by {worst}")
        print(f"asym Q {q}: max |S - S_abcd| {worst:.2e}")

    # 3. Refusals write nothing: a side port cannot be turned, Z0 of 0.
    side = list(asym)
    side[2] = (50.0, "R", 8)
    write_dzn("side.dzn", side)
    shutil.copy("lowpass.spk", "side.spk")
    r = run_s2p("side")
    check(r.returncode == 1 and "Can't do termination end" in r.stderr,
          f"side port: exit {r.returncode} {r.stderr!r}")
    check(not os.path.exists("side.S2P"), "side port: a file was written")
    r = run_s2p("asym", "--z0", "0", "--out", "zero.S2P")
    check(r.returncode == 1 and not os.path.exists("zero.S2P"), "z0 = 0 was accepted")

    shutil.rmtree(work, ignore_errors=True)
    if FAILURES:
        print(f"{len(FAILURES)} failure(s)")
        sys.exit(1)
    print("all S2P checks passed")


main()
