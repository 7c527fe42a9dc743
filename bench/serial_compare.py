#!/usr/bin/env python3
"""Times query/response round trips on a serial port and on TCP against Python's serial module.

    /usr/bin/python3 bench/serial_compare.py --cli build-release/cli/varnexcalc-cli \
        --sim build-release/instruments/sim/varnex-instrument-sim [--count N] [--runs R]

Both talk to the same simulated instrument (varnex-instrument-sim on a pseudo-terminal,
bench/serial_roundtrip.instrument): N times a write of "MEAS?\\n" and a read of the answer
line. Ours is a commwrite + commreadln loop, timed by the runner's own run time (-t);
Python's the same loop with serial.Serial.write and readline, timed around the loop. Runs
alternate, medians are reported. Target: ours at most half of Python's. Then the soak:
1,000 and 10,000 cycles of commopen, commwrite, commreadln and commclose in one run each;
the peak memory of the two runs must not differ by more than 1 MiB. Exit status 2 when a
side did not get every answer or the soak grew, else 0.

Then the same over TCP loopback: the simulator serves the file with --tcp, ours opens
tcp://127.0.0.1:PORT and Python serial.serial_for_url('socket://127.0.0.1:PORT'); N
round trips of "*IDN?\n" each, runs alternating, medians reported, same target.
"""

import argparse
import os
import re
import statistics
import subprocess
import sys
import time

import serial

ANSWER = b"+1.234567E+00\n"
IDN_ANSWER = b"VARNEX,BENCH,0,1.0\n"
HERE = os.path.dirname(os.path.abspath(__file__))


def ours(cli, device, count, query="MEAS?", answer=ANSWER):
    script = (f"commopen(0;'baud=115200 parity=N data=8 stop=1';1000), commlineterm(0;chr(10)), n = 0, "
              f"for(i = 0; i < {count}; i += 1; commwrite(0;'{query}'+chr(10)), n += length(commreadln(0))), n")
    run = subprocess.run([cli, "-t", "-e", script], env=dict(os.environ, VARNEX_COM1=device),
                         capture_output=True, text=True)
    got = run.stdout.strip().splitlines()[-1] if run.stdout.strip() else run.stderr
    if run.returncode != 0 or got != str(count * (len(answer) - 1)):
        sys.exit(f"varnexcalc-cli: unexpected result {got!r}")
    ms = re.search(r"run ([0-9.]+) ms", run.stderr)
    return float(ms.group(1)) / 1000


def soak_peak_kib(cli, device, cycles):
    """The runner's peak memory (KiB) over `cycles` open/write/read/close cycles."""
    script = (f"n = 0, for(i = 0; i < {cycles}; i += 1; commopen(0;'115200,n,8,1';1000), commlineterm(0;chr(10)), "
              f"commwrite(0;'MEAS?'+chr(10)), n += length(commreadln(0)), commclose(0)), n")
    child = subprocess.Popen([cli, "-e", script], env=dict(os.environ, VARNEX_COM1=device),
                             stdout=subprocess.PIPE, text=True)
    out = child.stdout.read().strip()
    _, status, usage = os.wait4(child.pid, 0)
    if status != 0 or out != str(cycles * (len(ANSWER) - 1)):
        sys.exit(f"soak: unexpected result {out!r}")
    return usage.ru_maxrss


def python(device, count):
    port = serial.Serial(device, 115200, timeout=1)
    start = time.perf_counter()
    for _ in range(count):
        port.write(b"MEAS?\n")
        if port.readline() != ANSWER:
            sys.exit("python serial: unexpected answer")
    seconds = time.perf_counter() - start
    port.close()
    return seconds


def python_tcp(url, count):
    port = serial.serial_for_url(url.replace("tcp://", "socket://"), timeout=1)
    start = time.perf_counter()
    for _ in range(count):
        port.write(b"*IDN?\n")
        if port.readline() != IDN_ANSWER:
            sys.exit("python serial_for_url: unexpected answer")
    seconds = time.perf_counter() - start
    port.close()
    return seconds


def tcp_round_trips(args):
    """Medians of ours and Python's round trips over TCP loopback, the simulator with --tcp."""
    sim = subprocess.Popen([args.sim, "--tcp", "127.0.0.1:0", os.path.join(HERE, "serial_roundtrip.instrument")],
                           stdout=subprocess.PIPE, text=True)
    try:
        url = sim.stdout.readline().strip()
        our_times, python_times = [], []
        for _ in range(args.runs):
            our_times.append(ours(args.cli, url, args.count, "*IDN?", IDN_ANSWER))
            python_times.append(python_tcp(url, args.count))
    finally:
        sim.terminate()
        sim.wait()
    return statistics.median(our_times), statistics.median(python_times)


def report(title, count, runs, our, py, ours_label, python_label):
    print(f"{count} {title} (median of {runs} runs)")
    print(f"  {ours_label:33s}{our:8.3f} s  {our / count * 1e6:7.1f} us each")
    print(f"  {python_label:33s}{py:8.3f} s  {py / count * 1e6:7.1f} us each")
    verdict = "met" if our <= py / 2 else "missed"
    print(f"  ours / python = {our / py:.2f} (target <= 0.50: {verdict})")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--count", type=int, default=10_000)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()

    sim = subprocess.Popen([args.sim, os.path.join(HERE, "serial_roundtrip.instrument")],
                           stdout=subprocess.PIPE, text=True)
    try:
        device = sim.stdout.readline().strip()
        our_times, python_times = [], []
        for _ in range(args.runs):
            our_times.append(ours(args.cli, device, args.count))
            python_times.append(python(device, args.count))
        small = soak_peak_kib(args.cli, device, 1_000)
        large = soak_peak_kib(args.cli, device, 10_000)
    finally:
        sim.terminate()
        sim.wait()

    report("query/response round trips on a pseudo-terminal", args.count, args.runs,
           statistics.median(our_times), statistics.median(python_times),
           "varnexcalc commwrite+commreadln", "python3-serial write+readline")
    tcp_our, tcp_py = tcp_round_trips(args)
    report("*IDN? round trips over TCP loopback", args.count, args.runs, tcp_our, tcp_py,
           "varnexcalc tcp:// commopen", "python3-serial socket:// url")
    grown = large - small
    print(f"soak: peak memory {small} KiB after 1,000 open/write/read/close cycles, {large} KiB after 10,000")
    if grown > 1024:
        print(f"  grew by {grown} KiB: a leak")
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
