#!/usr/bin/env python3
"""Times fit against scipy.optimize.curve_fit on 100,000 noisy points of an exponential decay.

    /usr/bin/python3 bench/fit_compare.py --cli build-release/cli/varnexcalc-cli [--runs N]

Both fit a*exp(-x/t)+c from the start (1, 1, 0). Only the fit is timed, in CPU seconds:
curve_fit by time.process_time() around the call (Python's start-up, the imports and the
data generation excluded); ours as the runner's CPU time for a script that reads the data
and fits, less that of the same script without the fit. Runs alternate, medians are
reported. Exit status 2 when the two disagree on the parameters (1e-4 relative), else 0.
"""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np
from scipy.optimize import curve_fit

POINTS = 100_000
START = (1.0, 1.0, 0.0)


def model(x, a, t, c):
    return a * np.exp(-x / t) + c


def runner_cpu(cli, script):
    """CPU seconds (user + system) of one run of the runner, and its last line."""
    child = subprocess.Popen([cli, "-e", script], stdout=subprocess.PIPE)
    out = child.stdout.read()
    _, status, usage = os.wait4(child.pid, 0)
    if status != 0:
        sys.exit(f"varnexcalc-cli failed: {out.decode()}")
    return usage.ru_utime + usage.ru_stime, out.decode().strip().splitlines()[-1]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()

    rng = np.random.default_rng(3)
    x = np.linspace(0, 20, POINTS)
    y = model(x, 5.0, 4.0, 0.5) + rng.normal(0, 0.05, POINTS)
    with tempfile.TemporaryDirectory() as folder:
        data = os.path.join(folder, "decay.txt")
        # The matrix file form readmatrix reads: a row per point, TAB between, CR LF.
        np.savetxt(data, np.column_stack([x, y]), delimiter="\t", fmt="%.17g", newline="\r\n")
        read = (f"n=readmatrix(m[];'{data}'), arraycopy(xd[];m[];0;n), arraycopy(yd[];m[];n;n), "
                f"p[0]={START[0]}, p[1]={START[1]}, p[2]={START[2]}")
        fit = read + (", r=fit(xd[];yd[];p[];x;p[0]*exp(-x/p[1])+p[2];0;0;chi), "
                      "string(r)+' '+string(p[0])+' '+string(p[1])+' '+string(p[2])")
        ours, reference = [], []
        for _ in range(args.runs):
            base, _ = runner_cpu(args.cli, read + ", 0")
            total, line = runner_cpu(args.cli, fit)
            ours.append(total - base)
            started = time.process_time()
            popt, _ = curve_fit(model, x, y, p0=START)
            reference.append(time.process_time() - started)

    values = [float(v) for v in line.split()]
    params = np.array(values[1:])
    deviation = float(np.max(np.abs(params - popt) / np.abs(popt)))
    ours_median, reference_median = statistics.median(ours), statistics.median(reference)
    ratio = ours_median / reference_median
    print(f"fit of {POINTS} points, a*exp(-x/t)+c from {START}, CPU time, median of {args.runs}:")
    print(f"  ours {ours_median * 1000:.1f} ms, curve_fit {reference_median * 1000:.1f} ms, "
          f"ratio {ratio:.2f}x (target <= 1.0x: {'met' if ratio <= 1.0 else 'missed'})")
    print(f"  parameters {params} (result {values[0]:g}), curve_fit {popt}, largest relative "
          f"difference {deviation:.2g}")
    return 2 if values[0] != -1 or deviation > 1e-4 else 0


if __name__ == "__main__":
    sys.exit(main())
