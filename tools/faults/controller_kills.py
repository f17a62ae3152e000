#!/usr/bin/env python3
"""Kills the controller of a running simulated station with SIGKILL at random
moments while it writes (average lines every 2 s, curve files, curve settings
saved from the web, the channel configuration learnt on the console, web
account changes) and starts it again. After each restart, once it stored its
next average line: every XML file parses, every day file line is whole, the
lines stored before the kill are still there (only the one being written may
be gone), the administrator account still exists, and every module is tracked.

    tools/faults/controller_kills.py [--kills 50] [--build build/release]

Prints intact/N; exit status 0 when every restart was intact."""

import os
import random
import re
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(__file__))
import station as station_module  # noqa: E402
import station_files  # noqa: E402

ADMIN = ("faults_admin", "faults-password")
SETTINGS = {r'sample_period="\d+"': 'sample_period="1"', r'average_period="\d+"': 'average_period="2"',
            r'<Curves interval="\d+"': '<Curves interval="20"'}


class Writer:
    """Keeps the controller writing: one change after another on the web or
    the console, until stopped."""

    def __init__(self, station):
        self.station = station
        self.stop = threading.Event()
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        actions = [self.curve_settings, self.curve, self.account, self.learn]
        while not self.stop.is_set():
            try:
                random.choice(actions)()
            except (OSError, ValueError):
                pass  # the controller went down meanwhile
            self.stop.wait(random.uniform(0, 0.5))

    def admin(self, uri, body=None, timeout=30):
        return self.station.web(uri, body, timeout, ADMIN)

    def curve_settings(self):
        status, settings = self.admin("/admin/curve_settings.xml")
        if status == 200:
            interval = random.choice(["20", "25"])
            self.admin("/admin/set_curve_settings", re.sub(r'interval="\d+"', f'interval="{interval}"', settings, 1))

    def curve(self):
        self.admin("/admin/take_curves", f'<Curves points="no"><Id id="{random.randint(1, 4)}"/></Curves>', 60)

    def account(self):
        name = f"user{random.randint(1, 3)}"
        password = random.choice(["", "secret1", "secret2"])
        self.admin("/admin/save_username", f'<Users><Username type="web_user" current_username="{name}" '
                                           f'new_username="{name}" password="{password}"/></Users>')

    def learn(self):
        console = self.station.controller.stdin
        console.write(b"2\ny\n\n")
        console.flush()


def whole_text(name):
    """The day file up to its last line break."""
    with open(name, "rb") as f:
        text = f.read()
    return text[:text.rfind(b"\n") + 1]


def line_count(station):
    return sum(whole_text(name).count(b"\n") for name in station_files.day_files(station.path))


def main():
    arguments = station_module.parse_arguments(__doc__, kills=50)

    station = station_module.Station(arguments.build, settings=SETTINGS)
    print("Station in", station.path, flush=True)
    station.start_controller(console=True)
    ready = station_module.wait_until(lambda: station.web("/user/status.xml")[0] == 200, 60)
    if not ready or station.web("/admin/save_username", '<Users><Username type="web_admin" current_username='
                                f'"unknown" new_username="{ADMIN[0]}" password="{ADMIN[1]}"/></Users>')[0] != 200:
        print("the station never answered on the web")
        station.stop()
        return 1
    intact = 0
    try:
        for kill in range(1, arguments.kills + 1):
            writer = Writer(station)
            station_module.random_pause(0.5, 6)
            before = {name: whole_text(name) for name in station_files.day_files(station.path)}
            station.kill_controller()
            writer.stop.set()
            writer.thread.join()
            started = line_count(station)
            station.start_controller(console=True)
            problems = []
            if not station_module.wait_until(lambda: line_count(station) > started, 60):
                problems.append("no average line stored after the restart")
            # Scheduled curves every 20 s sweep one module after another, so
            # each module is looked for at its maximum power point on its own.
            tracked = set()

            def every_module_tracked():
                modules = station.truth() or {}
                tracked.update(m for m, (power, pmax) in modules.items() if power >= 0.97 * pmax)
                return len(tracked) == 4
            if not station_module.wait_until(every_module_tracked, 60):
                problems.append(f"modules {sorted(set(range(1, 5)) - tracked)} not tracked after the restart")
            problems += [f"{name}: not well-formed" for name in station_files.broken_xml(station.path)]
            for name in station_files.day_files(station.path):
                problems += [f"{os.path.basename(name)}: {p}" for p in station_files.broken_lines(name)]
                if not whole_text(name).startswith(before.get(name, b"")):
                    problems.append(f"{os.path.basename(name)}: lines stored before the kill are gone")
            try:
                with open(station.file("adminpasswds"), errors="replace") as f:
                    admin_kept = f.read().startswith(ADMIN[0] + ":")
            except OSError:
                admin_kept = False
            if not admin_kept:
                problems.append("the administrator account is gone")
            if not problems:
                intact += 1
            print(f"kill {kill}: {'intact' if not problems else '; '.join(problems)}", flush=True)
    finally:
        station.stop()
    print(f"intact {intact}/{arguments.kills}")
    return 0 if intact == arguments.kills else 1


if __name__ == "__main__":
    sys.exit(main())
