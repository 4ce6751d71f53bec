#!/usr/bin/python3
"""Times scipy's sosfreqz on the work of BM_AllOutputsFromScratch in dspmath_bench.

Eight busy outputs as dspmath_bench builds them: 31 peaking bands each at the same
frequencies, qualities and gains, and both crossover filters (Butterworth, Linkwitz-Riley as
a Butterworth of half the order applied twice, Bessel) at the same orders and corners, all
at 48000 Hz. Every output's sections are evaluated with scipy.signal.sosfreqz on the
program's 512-point logarithmic grid and turned into dB. Only the evaluation is timed, not
the design, as in the benchmark; the figures are the best of several rounds, in ms for all
eight outputs, as wall time and as processor time. Run it right after
build/bench/dspmath_bench so both see the same load.

Needs Debian's python3-scipy:
    /usr/bin/python3 bench/sosfreqz_reference.py
"""

import math
import os
import sys
import time
import timeit

import numpy as np
from scipy import signal

# The program's frequency grid, as the crossover reference computes it (no bytecode is left
# in the source tree).
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "dspmath"))
from make_crossover_reference import POINTS, SAMPLE_RATE, log_grid  # noqa: E402

OUTPUTS = 8
THIRD_OCTAVE = (20, 25, 31, 40, 50, 63, 80, 100, 125, 160, 200, 250, 315, 400, 500, 630, 800,
                1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500,
                16000, 20000)


def peaking(centre, gain_db, q):
    """A peaking section with `gain_db` at `centre`; its shape only matters for the count."""
    gain = 10.0 ** (gain_db / 40.0)
    w0 = 2.0 * math.pi * centre / SAMPLE_RATE
    alpha = math.sin(w0) / (2.0 * q)
    a0 = 1.0 + alpha / gain
    return [(1.0 + alpha * gain) / a0, -2.0 * math.cos(w0) / a0, (1.0 - alpha * gain) / a0,
            1.0, -2.0 * math.cos(w0) / a0, (1.0 - alpha / gain) / a0]


def crossover(family, order, corner, btype):
    order = min(order, 8)
    if family == 2:
        half = signal.butter(max(order // 2, 1), corner, btype, fs=SAMPLE_RATE, output="sos")
        return np.vstack([half, half])
    if family == 3:
        return signal.bessel(order, corner, btype, fs=SAMPLE_RATE, output="sos", norm="delay")
    return signal.butter(order, corner, btype, fs=SAMPLE_RATE, output="sos")


def busy_output(output):
    """The sections of dspmath_bench's BusyChannel(output)."""
    rows = []
    for i, hz in enumerate(THIRD_OCTAVE):
        gain = ((i % 7) - 3.0) * 2.0 + 0.5 + output
        rows.append(peaking(hz, gain, 0.5 + i % 9))
    sections = [np.array(rows),
                crossover(output % 3 + 1, 4 + output % 5, 40.0 + 10.0 * output, "highpass"),
                crossover((output + 1) % 3 + 1, 8 - output % 4, 8000.0 + 500.0 * output,
                          "lowpass")]
    return np.vstack(sections)


def main():
    grid = np.array(log_grid())
    outputs = [busy_output(o) for o in range(OUTPUTS)]

    def all_outputs():
        for sos in outputs:
            _, h = signal.sosfreqz(sos, worN=grid, fs=SAMPLE_RATE)
            20.0 * np.log10(np.maximum(np.abs(h), 1e-20))

    # Wall and processor time, like the benchmark's Time and CPU columns.
    wall_ms = min(timeit.repeat(all_outputs, number=20, repeat=7)) / 20 * 1000.0
    cpu_ms = min(timeit.repeat(all_outputs, timer=time.process_time, number=20,
                               repeat=7)) / 20 * 1000.0
    sections = sum(len(sos) for sos in outputs)
    import scipy
    print(f"scipy {scipy.__version__} sosfreqz, {OUTPUTS} outputs, {sections} sections,"
          f" {POINTS} points: {wall_ms:.2f} ms wall, {cpu_ms:.2f} ms processor")


if __name__ == "__main__":
    main()
