#!/usr/bin/python3
"""Writes crossover_reference.txt, the independent reference for the crossover curves.

What it computes: the magnitude response in dB (20*log10|H|) of digital Butterworth and
Linkwitz-Riley low-pass and high-pass filters at a 48000 Hz sample rate, designed by
scipy.signal.butter with fs=48000 (analog prototype, corner pre-warped, bilinear transform:
the same digital design the program's section tables describe) and evaluated with
scipy.signal.sosfreqz. A Linkwitz-Riley filter of order n is the Butterworth filter of
order n/2 applied twice. Frequencies are points of the program's 512-point logarithmic
grid (every 6th point and the Nyquist point), computed here with the same formula.
Points below -100 dB are left out; the test compares where both sides are above -80 dB.

It also writes the poles of the delay-normalised analog Bessel prototypes of orders 1 to 8
(scipy.signal.besselap): per second-order pair its natural frequency W and damping
D = 2*cos(angle), pairs by rising W, and the real pole R of an odd order. The program's
Bessel tables of section frequencies and dampings are checked against them.

Needs Debian's python3-scipy; run it from any directory:
    /usr/bin/python3 tests/dspmath/make_crossover_reference.py
"""

import math
import os

import numpy as np
from scipy import signal

SAMPLE_RATE = 48000.0
POINTS = 512
CORNERS_HZ = (40.0, 1000.0, 12000.0)
BUTTERWORTH_ORDERS = range(1, 9)
LINKWITZ_RILEY_ORDERS = (2, 4, 6, 8)
SKIP_BELOW_DB = -100.0


def log_grid():
    """The program's grid: 10^(k * log10(fs/2) / (count-1)), Nyquist and fs pinned."""
    nyquist = SAMPLE_RATE / 2.0
    step = math.log10(nyquist) / (POINTS - 1)
    grid = [10.0 ** (k * step) for k in range(1, POINTS)]
    grid[POINTS - 2] = nyquist
    grid.append(SAMPLE_RATE)
    return grid


def butterworth_sos(order, corner, btype):
    return signal.butter(order, corner, btype=btype, fs=SAMPLE_RATE, output="sos")


def design(family, order, corner, btype):
    if family == 1:
        return butterworth_sos(order, corner, btype)
    half = butterworth_sos(order // 2, corner, btype)
    return np.vstack([half, half])


def main():
    grid = log_grid()
    indices = [k for k in range(0, POINTS - 1) if k % 6 == 0] + [POINTS - 2]
    freqs = np.array([grid[k] for k in indices])

    cases = [(1, n) for n in BUTTERWORTH_ORDERS] + [(2, n) for n in LINKWITZ_RILEY_ORDERS]
    lines = [
        "# Crossover reference curves; written by make_crossover_reference.py, do not edit.",
        "# grid <index> <Hz>; curve <family 1|2> <lowpass|highpass> <order> <corner Hz>;",
        "# then <index> <dB> lines up to 'end'.",
    ]
    lines += ["grid %d %.17g" % (k, grid[k]) for k in indices]
    for family, order in cases:
        for btype in ("lowpass", "highpass"):
            for corner in CORNERS_HZ:
                sos = design(family, order, corner, btype)
                _, response = signal.sosfreqz(sos, worN=freqs, fs=SAMPLE_RATE)
                lines.append("curve %d %s %d %.17g" % (family, btype, order, corner))
                with np.errstate(divide="ignore"):
                    db = 20.0 * np.log10(np.abs(response))
                for k, value in zip(indices, db):
                    if value > SKIP_BELOW_DB:
                        lines.append("%d %.12g" % (k, value))
                lines.append("end")

    lines.append("# bessel <order> <slot> <second|first> <W or R> <D or 0>")
    for order in range(1, 9):
        _, poles, _ = signal.besselap(order, norm="delay")
        pairs = sorted((p for p in poles if p.imag > 1e-12), key=abs)
        slot = 0
        for p in pairs:
            lines.append("bessel %d %d second %.17g %.17g" % (order, slot, abs(p), -2.0 * p.real / abs(p)))
            slot += 1
        for p in poles:
            if abs(p.imag) <= 1e-12:
                lines.append("bessel %d %d first %.17g 0" % (order, slot, -p.real))

    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "crossover_reference.txt")
    with open(out, "w", encoding="ascii") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
