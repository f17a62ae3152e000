"""Checks of what a station stored: every XML file parses, every day file
line is whole, and the gaps between average lines."""

import datetime
import glob
import os
import subprocess


def xml_files(station):
    names = glob.glob(os.path.join(station, "*.xml")) + glob.glob(os.path.join(station, "data", "curves", "*.xml"))
    return sorted(n for n in names if os.path.basename(n) != "sim_truth.xml")


def broken_xml(station):
    """The XML files xmllint refuses (the truth file, rewritten all the time by the unit, aside)."""
    return [name for name in xml_files(station)
            if subprocess.run(["xmllint", "--noout", name], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode != 0]


def day_files(station):
    return sorted(glob.glob(os.path.join(station, "data", "vnd", "*.vnd")))


def broken_lines(name):
    """Descriptions of the lines of a day file that are not whole: a header
    missing, a line without its line break, or a field count other than the header's."""
    with open(name, "rb") as f:
        text = f.read().decode(errors="replace")
    if not text:
        return []
    problems = []
    if not text.endswith("\n"):
        problems.append("last line cut short: " + text.rsplit("\n", 1)[-1][:60])
    lines = text.split("\n")[:-1]
    if len(lines) < 3 or not lines[0].startswith("Date,Time"):
        return problems + ["no header"]
    columns = lines[0].count(",")
    for number, line in enumerate(lines[3:], start=4):
        if line.count(",") != columns:
            problems.append(f"line {number}: {line.count(',') + 1} fields, not {columns + 1}: {line[:60]}")
    return problems


def average_times(name):
    times = []
    with open(name, errors="replace") as f:
        for line in list(f)[3:]:
            fields = line.split(",")
            try:
                times.append(datetime.datetime.strptime(fields[0] + " " + fields[1], "%m/%d/%Y %H:%M:%S"))
            except (ValueError, IndexError):
                pass
    return times


def gaps(name, period, since=None):
    """(start, seconds) of every gap between average lines longer than a period and a half."""
    times = [t for t in average_times(name) if since is None or t >= since]
    return [(a, (b - a).total_seconds()) for a, b in zip(times, times[1:]) if (b - a).total_seconds() > 1.5 * period]
