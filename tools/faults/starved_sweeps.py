#!/usr/bin/env python3
"""Times I-V sweeps asked for on the web while the simulated unit program is
starved of processor time, to find the share below which a sweep outlasts
the controller's curve time-out (5 s) and the controller restarts the unit.

    tools/faults/starved_sweeps.py [--curves 4] [--busy 3] [--build build/release]

Runs a copy of the simulated station and, at each of the unit's nice values
0, 5, 10 and 19 (raised in that order: a process may raise its own nice value
but not lower it), with --busy shell loops at nice 0 beside it from nice 5 on,
asks for --curves single-module curves one after another. Prints per curve the
time the web request took, the unit's processor time in it and its share of a
core, and whether the controller took the unit offline."""

import argparse
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import station as station_module  # noqa: E402

CURVE_REQUEST = '<Curves points="no"><Id id="{}"/></Curves>'
NICE_LEVELS = (0, 5, 10, 19)


def offline_lines(station):
    with open(station.file("faults_controller.log"), errors="replace") as f:
        return f.read().count("Offline error")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--curves", type=int, default=4)
    parser.add_argument("--busy", type=int, default=3)
    parser.add_argument("--build", default=os.path.join(station_module.SOURCE, "build", "release"))
    arguments = parser.parse_args()

    station = station_module.Station(arguments.build, prefix="starved-")
    print("Station in", station.path, flush=True)
    station.start_controller()
    busy = []
    try:
        if not station_module.wait_until(station.all_tracking, 90):
            print("the station never tracked every module")
            return 1
        for nice in NICE_LEVELS:
            if nice > 0 and not busy:
                busy = [subprocess.Popen(["sh", "-c", "while :; do :; done"]) for _ in range(arguments.busy)]
            for curve in range(arguments.curves):
                pid = station.unit_pid()
                try:
                    os.setpriority(os.PRIO_PROCESS, pid, nice)
                except OSError:
                    pass
                before_offline, before_cpu = offline_lines(station), station_module.processor_seconds(pid)
                started = time.monotonic()
                status, _ = station.web("/admin/take_curves", CURVE_REQUEST.format(curve % 4 + 1), 60)
                took = time.monotonic() - started
                after_cpu = station_module.processor_seconds(pid)
                restarted = offline_lines(station) > before_offline
                used = None if before_cpu is None or after_cpu is None else after_cpu - before_cpu
                share = "" if used is None else f", unit used {used:.2f} s of processor ({100 * used / took:.0f} %)"
                print(f"nice {nice:2}, busy loops {len(busy)}: curve of module {curve % 4 + 1} "
                      f"status {status} in {took:.1f} s{share}{', unit taken offline' if restarted else ''}",
                      flush=True)
                if restarted:
                    station_module.wait_until(station.all_tracking, 60)
    finally:
        for loop in busy:
            loop.kill()
            loop.wait()
        station.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
