#!/usr/bin/env python3
"""Kills the unit program of a running simulated station with SIGKILL, now
and then during an I-V sweep or a calibration step asked for on the web, and
checks that the controller starts it again and tracks every module again
within the offline retry interval plus 10 s, that it never dies, and that the
day file lost no average line (the gap shows as invalid values) and holds
only whole lines.

    tools/faults/unit_kills.py [--kills 20] [--build build/release]

Prints recovered/N and the worst recovery time; exit status 0 when every
kill was recovered from and the files are whole."""

import datetime
import os
import random
import signal
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(__file__))
import station as station_module  # noqa: E402
import station_files  # noqa: E402

RETRY_INTERVAL = 5  # system_config.xml's OffLineReset
AVERAGE_PERIOD = 10  # settings.xml's average_period
CURVE_REQUEST = '<Curves points="no"><Id id="{}"/></Curves>'
CALIBRATION_STEP = '<Cal type="module_voltage" id="1" actual="30" adjust="0"/>'


def sweep_started(station):
    """Asks for a curve of a random module on the web and returns once the
    unit holds it off its maximum power point (its sweep is running)."""
    module = random.randint(1, 4)
    threading.Thread(target=station.web, args=("/admin/take_curves", CURVE_REQUEST.format(module), 60),
                     daemon=True).start()

    def swept():
        truth = station.truth()
        return truth is not None and module in truth and truth[module][0] < 0.9 * truth[module][1]
    return station_module.wait_until(swept, 20, 0.02)


def calibration_running(station):
    """Starts a check step of module 1's voltage on the web; True while it
    has not been answered a moment later (the unit is reading for it)."""
    done = threading.Event()

    def step():
        station.web("/admin/calibrate", CALIBRATION_STEP, 60)
        done.set()
    threading.Thread(target=step, daemon=True).start()
    return not done.wait(random.uniform(0.05, 0.3))


def main():
    arguments = station_module.parse_arguments(__doc__, kills=20)

    station = station_module.Station(arguments.build)
    print("Station in", station.path, flush=True)
    station.start_controller()
    recovered, worst, during_sweep, during_step = 0, 0.0, 0, 0
    limit = RETRY_INTERVAL + 10
    try:
        if not station_module.wait_until(station.all_tracking, 90):
            print("the station never tracked every module")
            return 1
        started = datetime.datetime.now().replace(microsecond=0)
        for kill in range(1, arguments.kills + 1):
            pid = station.unit_pid()
            # Every third kill falls into a sweep, every third into a
            # calibration step, the others at a random moment.
            in_sweep = kill % 3 == 1 and sweep_started(station)
            in_step = kill % 3 == 2 and calibration_running(station)
            if not in_sweep and not in_step:
                station_module.random_pause(0, 8)
            os.kill(pid, signal.SIGKILL)
            killed = time.monotonic()
            # The new unit writes the truth afresh; the old file still shows the dead one.
            if os.path.exists(station.file("sim_truth.xml")):
                os.remove(station.file("sim_truth.xml"))
            # Back when a new unit tracks every module again.
            back = station_module.wait_until(
                lambda: station.unit_pid() != pid and station.all_tracking(), limit + 60)
            took = time.monotonic() - killed
            ok = back and took <= limit and station.controller_alive()
            recovered += ok
            during_sweep += in_sweep
            during_step += in_step
            worst = max(worst, took)
            moment = " (during a sweep)" if in_sweep else " (during a calibration step)" if in_step else ""
            print(f"kill {kill}{moment}: "
                  f"{'back' if back else 'NOT back'} after {took:.1f} s", flush=True)
            if not station.controller_alive():
                print("the controller died")
                break
        # The last gap is complete once the next average line is stored.
        time.sleep(AVERAGE_PERIOD + 2)
    finally:
        station.stop()

    problems = []
    for name in station_files.day_files(station.path):
        problems += [f"{os.path.basename(name)}: {p}" for p in station_files.broken_lines(name)]
        problems += [f"{os.path.basename(name)}: {seconds:.0f} s without a line after {start}"
                     for start, seconds in station_files.gaps(name, AVERAGE_PERIOD, started)]
    problems += [f"{name}: not well-formed" for name in station_files.broken_xml(station.path)]
    for problem in problems:
        print(problem)
    print(f"recovered {recovered}/{arguments.kills} ({during_sweep} during a sweep, "
          f"{during_step} during a calibration step), "
          f"worst recovery {worst:.1f} s (limit {limit} s), {len(problems)} file problems")
    return 0 if recovered == arguments.kills and not problems else 1


if __name__ == "__main__":
    sys.exit(main())
