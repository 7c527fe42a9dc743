#!/usr/bin/python3
"""Times our fft against numpy's and scipy's FFT in one run, on the same machine and load.

    make fft-compare
    /usr/bin/python3 bench/fft_compare.py [--bench build-release/bench/varnex_bench]

Runs the FFT benchmarks of varnex_bench (Google Benchmark, JSON output), then times the
equivalent numpy and scipy calls right after, and prints CPU time per call with the
ratios ours / numpy. Two pairs are compared:

  transform  RealTransform on n doubles (a copy of the samples included) against
             numpy.fft.rfft and scipy.fft.rfft of n samples;
  fft call   the script call fft(0;a[];0;0;0;no[];re[];im[];0) on a prepared array
             against rfft plus the same outputs in numpy (scaled real and imaginary
             parts, amplitudes).

CPU time, not wall time, is compared: on a shared machine wall time mostly measures the
other processes. Both sides run single-threaded.
"""

import argparse
import json
import os
import subprocess
import sys
import time

import numpy as np
import scipy
import scipy.fft


def cpu_time_per_call(function, minimum=1.0):
    """Best of five rounds of CPU seconds per call; each round runs for at least `minimum`."""
    function()  # warm up: allocator, caches, lazily bound code
    best = float("inf")
    for _ in range(5):
        calls, start = 0, time.process_time()
        while True:
            function()
            calls += 1
            spent = time.process_time() - start
            if spent >= minimum / 5:
                break
        best = min(best, spent / calls)
    return best


def numpy_fft_call(a):
    n = len(a)
    spectrum = np.fft.rfft(a)
    half = n // 2
    re = spectrum.real[:half].copy()
    im = -spectrum.imag[:half]
    im[0] = spectrum.real[half]
    norm = np.sqrt(re * re + im * im)
    return norm, re, im


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--bench", default=os.path.join(here, "..", "build-release", "bench", "varnex_bench"))
    args = parser.parse_args()

    out = subprocess.run([args.bench, "--benchmark_filter=BM_FftRealTransform|BM_FftScriptCall/",
                          "--benchmark_format=json", "--benchmark_repetitions=3",
                          "--benchmark_report_aggregates_only=true"],
                         capture_output=True, check=True, text=True).stdout
    ours = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        name, size = b["run_name"].split("/")
        scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]
        ours[(name, int(size))] = b["cpu_time"] * scale

    print(f"numpy {np.__version__}, scipy {scipy.__version__}; CPU ms per call (median of 3 for ours, "
          f"best of 5 for numpy and scipy)")
    print(f"{'n':>8} | {'transform':>9} {'np.rfft':>8} {'sp.rfft':>8} {'/np':>6} {'/sp':>6} | "
          f"{'fft call':>8} {'numpy':>8} {'/np':>6}")
    rng = np.random.default_rng(1)
    for n in sorted({size for (_, size) in ours}):
        a = rng.uniform(-1, 1, n)
        t_np = cpu_time_per_call(lambda: np.fft.rfft(a))
        t_sp = cpu_time_per_call(lambda: scipy.fft.rfft(a, workers=1))
        t_call = cpu_time_per_call(lambda: numpy_fft_call(a))
        t_ours = ours[("BM_FftRealTransform", n)]
        t_ours_call = ours[("BM_FftScriptCall", n)]
        print(f"{n:>8} | {t_ours * 1e3:9.3f} {t_np * 1e3:8.3f} {t_sp * 1e3:8.3f} {t_ours / t_np:6.2f} "
              f"{t_ours / t_sp:6.2f} | {t_ours_call * 1e3:8.3f} {t_call * 1e3:8.3f} {t_ours_call / t_call:6.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
