#!/usr/bin/python3
"""Checks fft, invfft and fit of varnexcalc-cli against numpy's FFT and scipy's curve_fit.

Run it with Debian's interpreter, which has the python3-numpy and python3-scipy packages:

    make validate
    /usr/bin/python3 tests/reference/validate_fft_fit.py [--cli build/cli/varnexcalc-cli]

For every case the script writes a calculator script holding the input data as number
literals (17 significant digits, so the calculator reads the very same doubles), runs it
through the command-line runner and parses its result line, which the script builds as
a text of numbers (15 significant digits each). The references are computed here, from
the definitions, with numpy and scipy:

  fft     numpy.fft.rfft of the same windowed, zero-extended samples, turned into the
          calculator's layout and scaling (exponent sign +, factor (n/N)^2, the Nyquist
          term in imgout[0], amplitudes times 0.75 for the parabolic window); lengths 1 to
          2^16, every window, reference level and resolution increase. Pass: deviation at
          most 1e-9 of the largest amplitude.
  invfft  fft followed by invfft gives the samples back; and invfft of a random spectrum
          matches numpy.fft.irfft of it. Pass: 1e-9 of the largest sample.
  fit     five models (line, exponential decay, Gaussian peak on a sloping background,
          damped sine, Lorentzian on a background), two noisy data sets each from
          reasonable start values and one with the last parameter started at 0: the
          fit's chi-square equals that of scipy.optimize.curve_fit to 1e-6 relative,
          the parameters and fiterr's standard errors curve_fit's (sqrt(diag(pcov)))
          to 1e-4 relative.

The exit status is 0 when every case passes. This is a validation run, not a unit test:
it takes about a minute and is not part of ctest.
"""

import argparse
import math
import os
import subprocess
import sys

import numpy as np
from scipy.optimize import curve_fit

FFT_TOLERANCE = 1e-9
FIT_TOLERANCE = 1e-6
FIT_PARAMETER_TOLERANCE = 1e-4


def literal(v):
    """A calculator number literal that reads back as exactly v."""
    return repr(float(v))


def array_literals(name, values):
    return [f"{name}[{i}]={literal(v)}" for i, v in enumerate(values)]


def result_text(columns, count):
    """Script text that appends ' c0[k] c1[k] ...' for k < count to the variable out.

    Appending to a text copies it, so values are gathered in lines of 64, lines in chunks
    of 64, and only chunks are appended to the long text."""
    item = "+".join(f"' '+string({c}[k])" for c in columns)
    return (f"for(b=0;b<{count};b+=4096;(chunk='', "
            f"for(c=b;c<b+4096&c<{count};c+=64;(line='', "
            f"for(k=c;k<c+64&k<{count};k+=1;line+={item}), chunk+=line)), out+=chunk))")


def run_cli(cli, script):
    done = subprocess.run([cli, "-"], input=script.encode(), capture_output=True, timeout=600)
    lines = done.stdout.decode().splitlines()
    if done.returncode != 0 or not lines:
        raise RuntimeError(f"varnexcalc-cli failed ({done.returncode}): {done.stderr.decode()} "
                           f"{lines[-1] if lines else ''}")
    return lines[-1]


# ---- fft -------------------------------------------------------------------------------

def reference_fft(y, t, apo, resincr, pad):
    n = len(y)
    length = (1 << (n - 1).bit_length()) << resincr
    if pad == 0:
        level = 0.0
        for v in y:  # in order, as the calculator sums
            level += v
        level /= n
    else:
        level = y[0] if pad == 1 else y[-1]
    i = np.arange(n, dtype=float)
    if apo == 0:
        w = y.copy()
    elif apo == 1:
        w = y - level
    elif apo == 2:
        q = math.floor(n / 2)
        w = (y - level) * (1 - ((i - q) / q) ** 2)
    else:
        w = (y - level) * np.sin(np.pi * i / n) ** 2
    spectrum = np.fft.rfft(w, length)  # zero-extends w to the transform length
    s = (n / length) ** 2
    half = length // 2
    # numpy sums with e^{-2 pi i jk/N}; the calculator with e^{+...}: for real data the
    # spectra are complex conjugates.
    re = s * spectrum.real[:half]
    im = -s * spectrum.imag[:half]
    im[0] = s * spectrum.real[half]
    norm = (0.75 if apo == 2 else 1.0) * np.sqrt(re * re + im * im)
    scale = None
    if t is not None:
        dt = abs(t[-1] - t[0]) / n
        scale = 0.5 / dt / half * np.arange(half)
    return length, re, im, norm, scale


def fft_case(cli, rng, n, apo, resincr, pad):
    y = rng.uniform(-1.0, 1.0, n) + rng.uniform(-2, 2)  # an offset, so the windows matter
    t = 0.37 + 0.01 * np.arange(n) + rng.uniform(0, 0.002, n) if n >= 2 else None
    parts = array_literals("y", y)
    if t is not None:
        parts += array_literals("t", t)
    parts.append(f"n=fft(t[];y[];{apo};{resincr};{pad};no[];re[];im[];sc[])")
    parts.append("out=string(n)")
    parts.append(result_text(["re", "im", "no", "sc"], "n/2"))
    parts.append("out")
    values = run_cli(cli, ",\n".join(parts)).split()
    length = int(float(values[0]))
    if n < 2:
        return (0.0, 0.0) if length == 0 else (math.inf, math.inf)
    ref_length, re, im, norm, scale = reference_fft(y, t, apo, resincr, pad)
    if length != ref_length or len(values) != 1 + 4 * (length // 2):
        return math.inf, math.inf
    got = np.array([float(v) for v in values[1:]]).reshape(-1, 4)
    largest = norm.max() / (0.75 if apo == 2 else 1.0)
    deviation = max(np.abs(got[:, 0] - re).max(), np.abs(got[:, 1] - im).max(),
                    np.abs(got[:, 2] - norm).max()) / largest
    scale_deviation = np.abs(got[:, 3] - scale).max() / scale.max()
    return deviation, scale_deviation


def fft_cases(quick):
    lengths = list(range(1, 21)) + [31, 100, 127, 1000, 4097]
    lengths += [1 << k for k in range(5, 17)] + [(1 << k) - 1 for k in (6, 10, 16)] + [(1 << k) + 1 for k in (7, 12, 15)]
    rng = np.random.default_rng(2024)
    lengths += [int(v) for v in rng.integers(21, 65537, 8)]
    if quick:
        lengths = [v for v in lengths if v <= 5000]
    cases = []
    for index, n in enumerate(sorted(lengths)):
        apo, pad = index % 4, (index // 4) % 3
        resincr = index % 3
        while ((1 << max(n - 1, 0).bit_length()) << resincr) > (1 << 18):  # keep the texts small
            resincr -= 1
        cases.append((n, apo, resincr, pad))
    # every option on two lengths, the largest resolution increase on the shorter one
    cases += [(100, apo, resincr, pad) for apo in range(4) for resincr in (0, 3, 10) for pad in range(3)]
    cases += [(1000, apo, resincr, pad) for apo in range(4) for resincr in (1, 2) for pad in range(3)]
    return cases


def invfft_cases(cli, rng, quick):
    """(label, deviation) pairs: invfft(fft(y)) = y, and invfft against numpy's irfft."""
    results = []
    top = 13 if quick else 17
    for k in range(2, top):  # fft of 2 samples gives spectra of length 1, too short for invfft
        n = 1 << k
        y = rng.normal(1.0, 2.0, n)
        script = ",\n".join(array_literals("y", y) + [
            "fft(0;y[];0;0;0;0;re[];im[];0)", "m=invfft(re[];im[];o[])", "out=string(m)",
            result_text(["o"], "m"), "out"])
        values = [float(v) for v in run_cli(cli, script).split()]
        ok = int(values[0]) == n and len(values) == n + 1
        results.append((f"invfft(fft(y)), n = {n}",
                        np.abs(np.array(values[1:]) - y).max() / np.abs(y).max() if ok else math.inf))
    for k in range(1, top - 1):
        m = 1 << k
        re, im = rng.normal(0, 1, m), rng.normal(0, 1, m)
        script = ",\n".join(array_literals("re", re) + array_literals("im", im) + [
            "m=invfft(re[];im[];o[])", "out=string(m)", result_text(["o"], "m"), "out"])
        values = [float(v) for v in run_cli(cli, script).split()]
        spectrum = np.concatenate(([re[0]], re[1:] - 1j * im[1:], [im[0]]))  # conjugate: sign +
        expected = np.fft.irfft(spectrum, 2 * m)
        ok = int(values[0]) == 2 * m and len(values) == 2 * m + 1
        results.append((f"invfft vs irfft, m = {m}",
                        np.abs(np.array(values[1:]) - expected).max() / np.abs(expected).max() if ok else math.inf))
    return results


# ---- fit -------------------------------------------------------------------------------

# (name, calculator model in x and p[], numpy model, true parameters, start values, x range, points, noise)
MODELS = [
    ("line", "p[0]*x+p[1]",
     lambda x, a, b: a * x + b,
     (2.5, -1.3), (1.0, 1.0), (0, 10), 50, 0.3),
    ("exponential decay", "p[0]*exp(0-p[1]*x)+p[2]",
     lambda x, a, k, c: a * np.exp(-k * x) + c,
     (5.0, 0.8, 0.5), (3.0, 0.5, 0.1), (0, 8), 80, 0.05),
    ("Gaussian peak on background", "p[0]*exp(0-0.5*((x-p[1])/p[2])^2)+p[3]+p[4]*x",
     lambda x, a, c, w, b0, b1: a * np.exp(-0.5 * ((x - c) / w) ** 2) + b0 + b1 * x,
     (4.0, 5.0, 0.7, 1.0, 0.1), (3.0, 4.6, 1.0, 0.5, 0.05), (0, 10), 200, 0.1),
    ("damped sine", "p[0]*exp(0-x/p[1])*sin(p[2]*x+p[3])",
     lambda x, a, tau, w, phi: a * np.exp(-x / tau) * np.sin(w * x + phi),
     (2.0, 3.0, 4.0, 0.5), (1.5, 2.0, 3.9, 0.3), (0, 10), 300, 0.05),
    ("Lorentzian on background", "p[0]/(1+((x-p[1])/p[2])^2)+p[3]",
     lambda x, a, c, g, b: a / (1 + ((x - c) / g) ** 2) + b,
     (3.0, 2.0, 0.5, 0.2), (2.0, 2.3, 0.8, 0.1), (-5, 9), 150, 0.05),
]


def fit_case(cli, rng, model, start):
    """Fits noisy data of the model from `start` with fit and fiterr, and with curve_fit.

    Returns fit's result, fiterr's result, chi-square, the reference chi-square, the
    parameters, curve_fit's, fiterr's standard errors and curve_fit's sqrt(diag(pcov))."""
    name, expression, function, truth, _, (x0, x1), points, noise = model
    x = np.linspace(x0, x1, points)
    y = function(x, *truth) + rng.normal(0, noise, points)
    popt, pcov = curve_fit(function, x, y, p0=start, maxfev=100000, ftol=1e-14, xtol=1e-14, gtol=0)
    chi_ref = float(np.sum((y - function(x, *popt)) ** 2))
    n = len(start)
    parts = array_literals("xd", x) + array_literals("yd", y) + array_literals("p", start)
    parts.append(f"r=fit(xd[];yd[];p[];x;{expression};0;0;chi)")
    parts.append(f"e=fiterr(xd[];yd[];p[];x;{expression};perr[])")
    parts.append("string(r)+' '+string(e)+' '+string(chi)" +
                 "".join(f"+' '+string(p[{i}])" for i in range(n)) +
                 "".join(f"+' '+string(perr[{i}])" for i in range(n)))
    values = [float(v) for v in run_cli(cli, ",\n".join(parts)).split()]
    result, error_result, chi = values[0], values[1], values[2]
    params, errors = np.array(values[3:3 + n]), np.array(values[3 + n:3 + 2 * n])
    return result, error_result, chi, chi_ref, params, popt, errors, np.sqrt(np.diag(pcov))


def relative_deviation(ours, reference):
    """The largest deviation, each relative to its reference value (at least 1e-12)."""
    return float(np.max(np.abs(ours - reference) / np.maximum(np.abs(reference), 1e-12)))


# ---- main ------------------------------------------------------------------------------

def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--cli", default=os.path.join(here, "..", "..", "build", "cli", "varnexcalc-cli"))
    parser.add_argument("--quick", action="store_true", help="lengths up to 5000 only")
    args = parser.parse_args()
    cli = os.path.abspath(args.cli)
    if not os.access(cli, os.X_OK):
        sys.exit(f"no runner at {cli}; build first (make build)")
    print(f"numpy {np.__version__}, scipy {__import__('scipy').__version__}, runner {cli}")
    failures = 0

    rng = np.random.default_rng(7)
    worst = (0.0, None)
    worst_scale = (0.0, None)
    cases = fft_cases(args.quick)
    for n, apo, resincr, pad in cases:
        deviation, scale_deviation = fft_case(cli, rng, n, apo, resincr, pad)
        label = f"n={n} apo={apo} resincr={resincr} pad={pad}"
        if deviation > worst[0]:
            worst = (deviation, label)
        if scale_deviation > worst_scale[0]:
            worst_scale = (scale_deviation, label)
        if not deviation <= FFT_TOLERANCE or not scale_deviation <= FFT_TOLERANCE:
            failures += 1
            print(f"FAIL fft {label}: deviation {deviation:.3g}, frequency scale {scale_deviation:.3g}")
    print(f"fft: {len(cases)} cases; worst deviation {worst[0]:.3g} of the largest amplitude ({worst[1]}); "
          f"worst frequency scale deviation {worst_scale[0]:.3g} ({worst_scale[1]})")

    inverse = invfft_cases(cli, rng, args.quick)
    for label, deviation in inverse:
        if not deviation <= FFT_TOLERANCE:
            failures += 1
            print(f"FAIL {label}: deviation {deviation:.3g}")
    label, deviation = max(inverse, key=lambda r: r[1])
    print(f"invfft: {len(inverse)} cases; worst deviation {deviation:.3g} of the largest sample ({label})")

    rng = np.random.default_rng(11)
    worst_fit = worst_parameters = worst_errors = 0.0
    for model in MODELS:
        start = model[4]
        # Each model from its start values, twice, then with its last parameter started at 0.
        for label, first in (("#1", start), ("#2", start), ("from 0", start[:-1] + (0.0,))):
            result, error_result, chi, chi_ref, params, popt, errors, errors_ref = fit_case(cli, rng, model, first)
            relative = abs(chi - chi_ref) / chi_ref
            parameters = relative_deviation(params, popt)
            error_deviation = relative_deviation(errors, errors_ref)
            worst_fit = max(worst_fit, relative)
            worst_parameters = max(worst_parameters, parameters)
            worst_errors = max(worst_errors, error_deviation)
            ok = (result == -1 and error_result == -1 and relative <= FIT_TOLERANCE and
                  parameters <= FIT_PARAMETER_TOLERANCE and error_deviation <= FIT_PARAMETER_TOLERANCE)
            if not ok:
                failures += 1
            print(f"{'ok  ' if ok else 'FAIL'} fit {model[0]} {label}: result {result:g}/{error_result:g}, "
                  f"chi-square {chi:.10g} (curve_fit {chi_ref:.10g}, relative {relative:.2g}), parameters "
                  f"{parameters:.2g} and standard errors {error_deviation:.2g} relative from curve_fit's")
    print(f"fit: worst relative deviations from curve_fit: chi-square {worst_fit:.3g}, parameters "
          f"{worst_parameters:.3g}, standard errors {worst_errors:.3g}")

    print("all checks passed" if failures == 0 else f"{failures} checks FAILED")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
