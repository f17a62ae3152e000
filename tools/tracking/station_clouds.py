#!/usr/bin/python3
"""Both power trackers side by side on the running simulated station under
passing clouds: a clear sky with its noon now (the machine's clock is the
station's), the cloud model over it, two of the four module channels on the
plain tracker (drift_guard="0") and two on the guarded one, then the other
way round, so that module differences cancel. Integrates each module's
tracked power and its true maximum from sim_truth.xml and prints energy
tracked / energy available per module and per tracker.

Run A (modules 3, 4 plain) and run B (1, 2 plain) run at the same time by
default: the clouds follow the clock and the description alone, so both
stations see the same sky. --one-at-a-time runs them one after the other.

  tools/tracking/station_clouds.py [--minutes 10] [--repeats 1] [--seed 7]
        [--fraction 0.5] [--period 20] [--edge 5] [--min-transmission 0.2]
        [--max-transmission 0.6] [--latitude 45] [--warmup 60]
        [--no-curves] [--one-at-a-time] [--build build/release]

The station folders stay under run/ (clouds-A-*, clouds-B-*), each with
clouds_trace.csv: every booked truth sample. --analyse FOLDER... reads those
traces again and splits each tracker's loss by where in a cloud period it
fell: during a cloud edge, in the 5 s after one, or in steady light."""

import argparse
import math
import os
import signal
import sys
import time
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "faults"))
from station import SOURCE, Station, patch, wait_until  # noqa: E402

MODULES = (1, 2, 3, 4)
RUNS = (("A", (3, 4)), ("B", (1, 2)))
SAMPLE_PERIOD = 0.2
UNIT_START_TIMEOUT = 120
TRACKING = 0.97


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--minutes", type=float, default=10)
    parser.add_argument("--repeats", type=int, default=1)
    parser.add_argument("--warmup", type=float, default=60, help="longest wait for tracking, s")
    parser.add_argument("--fraction", type=float, default=0.5)
    parser.add_argument("--period", type=float, default=20)
    parser.add_argument("--edge", type=float, default=5)
    parser.add_argument("--min-transmission", type=float, default=0.2)
    parser.add_argument("--max-transmission", type=float, default=0.6)
    parser.add_argument("--seed", type=int, default=7)
    parser.add_argument("--latitude", type=float, default=45)
    parser.add_argument("--no-curves", action="store_true", help="no I-V curves (they leave the maximum)")
    parser.add_argument("--one-at-a-time", action="store_true")
    parser.add_argument("--build", default=os.path.join(SOURCE, "build", "release"))
    parser.add_argument("--analyse", nargs="+", metavar="FOLDER", help="split the losses of finished runs")
    return parser.parse_args()


def noon_longitude(utc_seconds):
    """The longitude whose solar noon is at utc_seconds, by the environment
    model's own equation of time (vn_sim/physics/solar_position.cpp)."""
    day = time.gmtime(utc_seconds)
    year = day.tm_year
    leap = (year % 4 == 0 and year % 100 != 0) or year % 400 == 0
    hour = (utc_seconds % 86400) / 3600
    gamma = 2 * math.pi / (366 if leap else 365) * (day.tm_yday - 1 + (hour - 12) / 24)
    equation_of_time = 229.18 * (0.000075 + 0.001868 * math.cos(gamma) - 0.032077 * math.sin(gamma)
                                 - 0.014615 * math.cos(2 * gamma) - 0.040849 * math.sin(2 * gamma))
    longitude = (720 - hour * 60 - equation_of_time) / 4
    return (longitude + 180) % 360 - 180


def make_station(arguments, label, plain, noon):
    settings = {r'curve_mode="1"': 'curve_mode="0"'} if arguments.no_curves else None
    station = Station(arguments.build, settings=settings, prefix=f"clouds-{label}-")
    environment = (
        f'<Environment mode="clear_sky" latitude="{arguments.latitude}" '
        f'longitude="{noon_longitude(noon):.4f}" supply_rise="10">\n'
        f'        <Clouds fraction="{arguments.fraction}" seed="{arguments.seed}" period="{arguments.period}" '
        f'edge="{arguments.edge}" min_transmission="{arguments.min_transmission}" '
        f'max_transmission="{arguments.max_transmission}" />\n    </Environment>')
    patch(station.file("sim_station.xml"), r'<Environment mode="fixed"[^>]*/>', environment)
    for module in plain:
        patch(station.file("hw_config.xml"), rf'<Channel id="{module}" ', f'<Channel id="{module}" drift_guard="0" ')
    station.plain = plain
    return station


def read_truth(station):
    """(time, irradiance, {module: (power, pmax, dac)}), or None while the file
    is missing, half written or incomplete."""
    try:
        root = ElementTree.parse(station.file("sim_truth.xml")).getroot()
        modules = {int(m.get("id")): (float(m.get("power")), float(m.get("pmax")), int(m.get("dac")))
                   for m in root.iter("Module")}
        irradiance = float(root.find("Environment").get("irradiance"))
        when = float(root.get("time"))
    except (OSError, ElementTree.ParseError, AttributeError, TypeError, ValueError):
        return None
    return (when, irradiance, modules) if set(modules) == set(MODULES) else None


class Ledger:
    """One station's energies, integrated by the trapezoid rule between
    successive rewrites of the truth (their own time stamps)."""

    def __init__(self, station):
        self.station = station
        self.tracked = dict.fromkeys(MODULES, 0.0)
        self.available = dict.fromkeys(MODULES, 0.0)
        self.moves = dict.fromkeys(MODULES, 0)
        self.irradiance_energy = 0.0
        self.irradiance_range = [math.inf, -math.inf]
        self.seconds = 0.0
        self.samples = 0
        self.skipped = 0
        self.last = None
        # Every booked sample, for looking into where the energy went.
        self.trace = open(station.file("clouds_trace.csv"), "w")
        self.trace.write("time,irradiance," + ",".join(f"p{m},pmax{m},dac{m}" for m in MODULES) + "\n")

    def sample(self):
        truth = read_truth(self.station)
        if truth is None:
            self.skipped += 1
            return
        when, irradiance, modules = truth
        if self.last is not None and when <= self.last[0]:
            return
        self.samples += 1
        self.trace.write(f"{when:.3f},{irradiance:.2f}," +
                         ",".join(f"{modules[m][0]:.4f},{modules[m][1]:.4f},{modules[m][2]}" for m in MODULES) + "\n")
        self.irradiance_range = [min(self.irradiance_range[0], irradiance), max(self.irradiance_range[1], irradiance)]
        if self.last is not None:
            before, irradiance_before, modules_before = self.last
            dt = when - before
            self.seconds += dt
            self.irradiance_energy += 0.5 * (irradiance + irradiance_before) * dt
            for m in MODULES:
                self.tracked[m] += 0.5 * (modules[m][0] + modules_before[m][0]) * dt
                self.available[m] += 0.5 * (modules[m][1] + modules_before[m][1]) * dt
                self.moves[m] += modules[m][2] != modules_before[m][2]
        self.last = truth


def tracking(station):
    truth = read_truth(station)
    return truth is not None and all(p >= TRACKING * pmax for p, pmax, _ in truth[2].values())


def measure(stations, arguments):
    """Starts the stations, waits for the warm-up, books --minutes; the ledgers."""
    for station in stations:
        station.start_controller()
    for station in stations:
        if not wait_until(lambda: read_truth(station) is not None, UNIT_START_TIMEOUT, 0.5):
            raise RuntimeError(f"{station.path}: no ground truth within {UNIT_START_TIMEOUT} s")
    start = time.monotonic()
    wait_until(lambda: all(tracking(s) for s in stations), arguments.warmup, SAMPLE_PERIOD)
    print(f"  warm-up {time.monotonic() - start:.0f} s, all tracking: {all(tracking(s) for s in stations)}",
          flush=True)
    ledgers = [Ledger(s) for s in stations]
    end = time.monotonic() + arguments.minutes * 60
    while time.monotonic() < end:
        for ledger in ledgers:
            ledger.sample()
        time.sleep(SAMPLE_PERIOD)
    return ledgers


def run_repeat(arguments, started):
    """One repeat, runs A and B: {(module, plain?): (tracked J, available J, moves, seconds)}."""
    booked = {}
    groups = [RUNS] if not arguments.one_at_a_time else [(run,) for run in RUNS]
    for group in groups:
        noon = time.time() + (arguments.warmup + arguments.minutes * 60) / 2
        stations = []
        try:
            for label, plain in group:
                stations.append(make_station(arguments, label, plain, noon))
                started.append(stations[-1])
            for station in stations:
                print(f"  {os.path.relpath(station.path, SOURCE)}: modules {station.plain} plain", flush=True)
            ledgers = measure(stations, arguments)
            for ledger in ledgers:
                ledger.trace.close()
        finally:
            for station in stations:
                station.stop()
                started.remove(station)
        for ledger in ledgers:
            for m in MODULES:
                plain = m in ledger.station.plain
                booked[(m, plain)] = (ledger.tracked[m], ledger.available[m], ledger.moves[m], ledger.seconds)
            low, high = ledger.irradiance_range
            print(f"  {os.path.basename(ledger.station.path)}: {ledger.seconds:.0f} s booked, "
                  f"{ledger.samples} truth samples, {ledger.skipped} unreadable; irradiance mean "
                  f"{ledger.irradiance_energy / max(ledger.seconds, 1e-9):.0f} W/m² ({low:.0f}–{high:.0f})",
                  flush=True)
    return booked


def efficiency(entries):
    tracked = sum(e[0] for e in entries)
    available = sum(e[1] for e in entries)
    return tracked / available if available > 0 else math.nan


def spread(values, scale=1, digits=5):
    """One value, or the mean and then min–max of several."""
    values = [scale * v for v in values]
    if len(values) == 1:
        return f"{values[0]:.{digits}f}"
    return f"{sum(values) / len(values):.{digits}f} ({min(values):.{digits}f}–{max(values):.{digits}f})"


def report(repeats):
    """Markdown table: per module and pooled, plain and guarded in %, and the
    ratio; set-point moves seen in the truth (a move between two samples
    counts once)."""
    print("\n| Module | Plain tracker, % | Drift-guarded, % | Guarded / plain | Set-point moves per s, plain / guarded |")
    print("|---|---|---|---|---|")
    rows = [(str(m), (m,)) for m in MODULES] + [("all four (pooled)", MODULES)]
    for name, modules in rows:
        plain = [efficiency([r[(m, True)] for m in modules]) for r in repeats]
        guarded = [efficiency([r[(m, False)] for m in modules]) for r in repeats]
        ratio = [g / p for g, p in zip(guarded, plain)]
        moves = [sum(r[(m, kind)][2] for r in repeats for m in modules) /
                 sum(r[(m, kind)][3] for r in repeats for m in modules) for kind in (True, False)]
        print(f"| {name} | {spread(plain, 100, 3)} | {spread(guarded, 100, 3)} | {spread(ratio)} | "
              f"{moves[0]:.2f} / {moves[1]:.2f} |")


AFTER_EDGE = 5.0
PHASES = ("edge", "after edge", "steady")


def phase_of(rows, period, edge):
    """Each row's phase. A period has an edge when its light once the edge is
    over differs by more than 2 % from the last light of the period before."""
    last_light, settled_light = {}, {}
    for when, irradiance in ((r[0], r[1]) for r in rows):
        number = math.floor(when / period)
        last_light[number] = irradiance
        if when - number * period >= edge:
            settled_light.setdefault(number, irradiance)
    phases = []
    for when in (r[0] for r in rows):
        number = math.floor(when / period)
        into = when - number * period
        before, after = last_light.get(number - 1), settled_light.get(number)
        has_edge = before is not None and after is not None and abs(after - before) > 0.02 * max(before, after)
        if has_edge and into < edge:
            phases.append("edge")
        elif has_edge and into < edge + AFTER_EDGE:
            phases.append("after edge")
        else:
            phases.append("steady")
    return phases


def analyse(folders):
    """Loss (available − tracked energy) per phase, as a share of each
    tracker's available energy, pooled over the folders; and the phases'
    share of the time."""
    loss = {(kind, phase): 0.0 for kind in (True, False) for phase in PHASES}
    available = dict.fromkeys((True, False), 0.0)
    seconds = dict.fromkeys(PHASES, 0.0)
    for folder in folders:
        clouds = ElementTree.parse(os.path.join(folder, "sim_station.xml")).getroot().find("Environment/Clouds")
        period, edge = float(clouds.get("period")), float(clouds.get("edge"))
        plain = {int(c.get("id")) for c in ElementTree.parse(os.path.join(folder, "hw_config.xml")).getroot().iter("Channel")
                 if c.get("drift_guard") == "0"}
        with open(os.path.join(folder, "clouds_trace.csv")) as f:
            rows = [[float(x) for x in line.split(",")] for line in f.read().split("\n")[1:] if line]
        phases = phase_of(rows, period, edge)
        for before, row, phase in zip(rows, rows[1:], phases[1:]):
            dt = row[0] - before[0]
            seconds[phase] += dt
            for m in MODULES:
                power, pmax = 2 + 3 * (m - 1), 3 + 3 * (m - 1)
                lost = 0.5 * ((row[pmax] - row[power]) + (before[pmax] - before[power])) * dt
                loss[(m in plain, phase)] += lost
                available[m in plain] += 0.5 * (row[pmax] + before[pmax]) * dt
    total = sum(seconds.values())
    print("| Phase | Share of the time, % | Plain tracker's loss, % of its energy | Drift-guarded's loss, % |")
    print("|---|---|---|---|")
    for phase in PHASES:
        print(f"| {phase} | {100 * seconds[phase] / total:.1f} | {100 * loss[(True, phase)] / available[True]:.3f} | "
              f"{100 * loss[(False, phase)] / available[False]:.3f} |")
    print(f"| all | 100 | {100 * sum(loss[(True, p)] for p in PHASES) / available[True]:.3f} | "
          f"{100 * sum(loss[(False, p)] for p in PHASES) / available[False]:.3f} |")


def main():
    arguments = parse_arguments()
    if arguments.analyse:
        analyse(arguments.analyse)
        return 0
    started = []

    def stop(signum, frame):
        raise KeyboardInterrupt

    # SIGINT too: started in the background its default is to be ignored.
    for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(number, stop)
    print(f"{time.strftime('%Y-%m-%d %H:%M:%S', time.gmtime())} UTC, load average "
          f"{' '.join(f'{x:.2f}' for x in os.getloadavg())}", flush=True)
    repeats = []
    try:
        for repeat in range(arguments.repeats):
            print(f"repeat {repeat + 1} of {arguments.repeats}", flush=True)
            repeats.append(run_repeat(arguments, started))
    except KeyboardInterrupt:
        print("interrupted", file=sys.stderr)
    finally:
        for station in started:
            station.stop()
    print(f"{time.strftime('%Y-%m-%d %H:%M:%S', time.gmtime())} UTC, load average "
          f"{' '.join(f'{x:.2f}' for x in os.getloadavg())}", flush=True)
    if repeats:
        report(repeats)
    return 0 if len(repeats) == arguments.repeats else 1


if __name__ == "__main__":
    sys.exit(main())
