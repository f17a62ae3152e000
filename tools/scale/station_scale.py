#!/usr/bin/python3
"""The station's cost as it grows: runs a simulated station of 1, 2 and 4
units with 4, 8, 16 and 24 modules each (tools/scale/scale_layout.py), and
measures, once every source is online, the controller's sampling pass (the
"pass" of its "Sample" log lines: reading every unit's samples), how late
each sample starts against its 1 s grid, the samples missed, the stored
average lines, the controller's and the units' processor shares (the units'
as their mean) and, at the end, the modules' power as a share of their
maximum (the simulated ground truth).

Prints a table, writes it as CSV and, with python3-matplotlib, plots pass
time and lateness against the station's module count (PNG).

  tools/scale/station_scale.py [--units 1,2,4] [--modules 4,8,16,24]
                               [--remotes COM1,COM2,CAN] [--seconds 60]
                               [--build build/release]
                               [--csv F] [--png F] [--replot F,...]"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "faults"))
import station as station_module  # noqa: E402
from station import free_port  # noqa: E402
from station_files import average_times, day_files  # noqa: E402
from scale_layout import SOURCE, lay_out  # noqa: E402

SAMPLE = re.compile(r"^Sample .*, (-?\d+) ms late, pass (\d+) ms$", re.M)
ONLINE_TIMEOUT = 120
# The console's hidden menu, then "Enable Message Log": the "Sample" lines.
ENABLE_MESSAGE_LOG = b"729\n3\n"
INVALID = "-9.999000e+03"


def wait_for_whole_line(station, since):
    """Whether an average line with every channel valid (every unit online and
    read) was stored within the time-out."""
    deadline = time.monotonic() + ONLINE_TIMEOUT
    while time.monotonic() < deadline:
        for name in day_files(station):
            with open(name, errors="replace") as f:
                lines = f.read().split("\n")[3:-1]
            if any(INVALID not in line for line in lines[-1:]) and average_times(name)[-1].timestamp() > since:
                return True
        time.sleep(1)
    return False


def processor_seconds(pid):
    return station_module.processor_seconds(pid) or 0.0


def local_unit_pid(station):
    try:
        with open(os.path.join(station, "shell_journal.log"), errors="replace") as f:
            pids = re.findall(r"started pid (\d+)", f.read())
    except OSError:
        return -1
    return int(pids[-1]) if pids else -1


def tracking_share(folders):
    """The modules' power as a share of their maximum (each unit's truth file), in %."""
    power = pmax = 0.0
    for folder in folders:
        try:
            root = ElementTree.parse(os.path.join(folder, "sim_truth.xml")).getroot()
        except (OSError, ElementTree.ParseError):
            return float("nan")
        for module in root.iter("Module"):
            power += float(module.get("power", 0))
            pmax += float(module.get("pmax", 0))
    return 100 * power / pmax if pmax > 0 else float("nan")


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))] if ordered else float("nan")


def run(remotes, modules, seconds, build):
    units = 1 + len(remotes)
    root = tempfile.mkdtemp(prefix="scale-", dir=os.path.join(SOURCE, "run"))
    ports = [free_port() for _ in range(units)] + [free_port(), free_port()]
    station, remote_folders = lay_out(root, remotes, modules, build, ports)
    log_path = os.path.join(station, "controller.log")
    children = []
    try:
        for folder in remote_folders:
            children.append(subprocess.Popen(["./vn_firmware"], cwd=folder, stdin=subprocess.DEVNULL,
                                             stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT))
        with open(log_path, "wb") as log:
            controller = subprocess.Popen(["./vn_controller"], cwd=station, stdin=subprocess.PIPE,
                                          stdout=log, stderr=subprocess.STDOUT)
        children.append(controller)
        controller.stdin.write(ENABLE_MESSAGE_LOG)
        controller.stdin.flush()
        if not wait_for_whole_line(station, time.time()):
            return {"units": units, "modules": modules, "error": "no average line with every channel valid"}
        # Warm-up: the trackers settle and the first averages pass.
        time.sleep(10)
        with open(log_path, errors="replace") as f:
            start_offset = len(f.read())
        pids = [controller.pid, local_unit_pid(station)] + [c.pid for c in children[:-1]]
        cpu_start = [processor_seconds(p) for p in pids]
        wall_start = time.monotonic()
        day_start = time.time()
        time.sleep(seconds)
        wall = time.monotonic() - wall_start
        cpu = [(processor_seconds(p) - c) / wall * 100 for p, c in zip(pids, cpu_start)]
        tracking = tracking_share([station] + remote_folders)
        with open(log_path, errors="replace") as f:
            text = f.read()[start_offset:]
        samples = [(int(late), int(pass_ms)) for late, pass_ms in SAMPLE.findall(text)]
        stored = sum(1 for name in day_files(station) for t in average_times(name) if t.timestamp() >= day_start)
        late = [s[0] for s in samples]
        passes = [s[1] for s in samples]
        return {
            "units": units, "links": "+".join(["local"] + list(remotes)), "modules": modules,
            "total": units * modules, "samples": len(samples),
            "due": int(wall), "pass_median": percentile(passes, 0.5), "pass_p95": percentile(passes, 0.95),
            "pass_max": max(passes, default=float("nan")), "late_median": percentile(late, 0.5),
            "late_p95": percentile(late, 0.95), "late_max": max(late, default=float("nan")),
            "stored": stored, "stored_due": int(wall) // 10, "controller_cpu": cpu[0],
            "unit_cpu": sum(cpu[1:]) / max(1, len(cpu) - 1), "tracking": tracking,
        }
    finally:
        if children and children[-1].stdin:
            children[-1].stdin.close()
        for child in reversed(children):
            if child.poll() is None:
                child.send_signal(signal.SIGTERM)
                try:
                    child.wait(20)
                except subprocess.TimeoutExpired:
                    child.kill()
        pid = local_unit_pid(station)
        if pid > 0:
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass
        if not os.environ.get("VN_SCALE_KEEP"):
            shutil.rmtree(root, ignore_errors=True)


COLUMNS = ("units", "links", "modules", "total", "samples", "due", "pass_median", "pass_p95", "pass_max",
           "late_median", "late_p95", "late_max", "stored", "stored_due", "controller_cpu", "unit_cpu", "tracking")


def read_tables(names):
    rows = []
    for name in names:
        with open(name) as f:
            header = f.readline().strip().split(",")
            for line in f:
                row = dict(zip(header, line.strip().split(",")))
                rows.append({k: v if k == "links" else float(v) for k, v in row.items()})
    return rows


def plot(rows, png):
    try:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        print("python3-matplotlib is not installed: no plot", file=sys.stderr)
        return
    figure, (passes, lateness) = plt.subplots(1, 2, figsize=(11, 4.2))
    for links in sorted({r["links"] for r in rows if "error" not in r}, key=len):
        mine = sorted((r for r in rows if r.get("links") == links), key=lambda r: r["total"])
        label = links
        line, = passes.plot([r["total"] for r in mine], [r["pass_median"] for r in mine], "o-", label=label + " (median)")
        passes.plot([r["total"] for r in mine], [r["pass_max"] for r in mine], "x--", color=line.get_color(),
                    label=label + " (max)")
        lateness.plot([r["total"] for r in mine], [r["late_max"] for r in mine], "o-", color=line.get_color(), label=label)
    passes.axhline(1000, color="grey", linestyle=":", label="sample period")
    passes.set(xlabel="modules in the station", ylabel="sampling pass (ms)", title="Controller's sampling pass")
    lateness.set(xlabel="modules in the station", ylabel="latest sample start (ms)",
                 title="Sample start after its due time (max)")
    passes.legend(fontsize=7)
    lateness.legend(fontsize=7)
    figure.tight_layout()
    figure.savefig(png, dpi=90)
    print(f"plot: {png}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--units", default="1,2,4")
    parser.add_argument("--modules", default="4,8,16,24")
    parser.add_argument("--remotes", default="COM1,COM2,CAN",
                        help="the remote units in the order they are added (n units: the local one and the first n-1)")
    parser.add_argument("--seconds", type=int, default=60)
    parser.add_argument("--build", default=os.path.join(SOURCE, "build", "release"))
    parser.add_argument("--csv", default=os.path.join(SOURCE, "run", "station_scale.csv"))
    parser.add_argument("--png", default=os.path.join(SOURCE, "run", "station_scale.png"))
    parser.add_argument("--replot", metavar="CSV", help="only plot tables written before (comma-separated files)")
    arguments = parser.parse_args()
    if arguments.replot:
        plot(read_tables(arguments.replot.split(",")), arguments.png)
        return
    os.makedirs(os.path.join(SOURCE, "run"), exist_ok=True)
    rows = []
    print(" ".join(f"{c:>10}" for c in COLUMNS), flush=True)
    for units in (int(u) for u in arguments.units.split(",")):
        for modules in (int(m) for m in arguments.modules.split(",")):
            row = run(arguments.remotes.split(",")[:units - 1], modules, arguments.seconds, arguments.build)
            rows.append(row)
            if "error" in row:
                print(f"{units} units x {modules} modules: {row['error']}", flush=True)
                continue
            print(" ".join(f"{row[c]:>10.1f}" if isinstance(row[c], float) else f"{row[c]:>10}"
                           for c in COLUMNS), flush=True)
    with open(arguments.csv, "w") as f:
        f.write(",".join(COLUMNS) + "\n")
        for row in rows:
            if "error" not in row:
                f.write(",".join(f"{row[c]:.1f}" if isinstance(row[c], float) else str(row[c])
                                 for c in COLUMNS) + "\n")
    print(f"table: {arguments.csv}")
    plot(rows, arguments.png)


if __name__ == "__main__":
    main()
