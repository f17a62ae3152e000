"""A simulated station laid out as scripts/run_station.sh lays it (the
sim_station folder with the built programs beside it), on free loopback ports
so that several stations can run on one machine, and what the fault scripts
need from it: the controller as a child, the unit's pid, the truth, the web."""

import argparse
import os
import random
import re
import shutil
import signal
import socket
import subprocess
import tempfile
import time
import urllib.error
import urllib.request
import xml.etree.ElementTree as ElementTree

SOURCE = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", ".."))
PROGRAMS = ("vn_controller", "vn_firmware")


def parse_arguments(description, kills):
    """The fault scripts' common options, with the seed already applied."""
    parser = argparse.ArgumentParser(description=description.split("\n\n")[0])
    parser.add_argument("--kills", type=int, default=kills)
    parser.add_argument("--build", default=os.path.join(SOURCE, "build", "release"))
    parser.add_argument("--seed", type=int, default=None)
    arguments = parser.parse_args()
    random.seed(arguments.seed)
    return arguments


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def patch(path, pattern, replacement):
    with open(path) as f:
        text = f.read()
    text, count = re.subn(pattern, replacement, text, count=1)
    if count != 1:
        raise RuntimeError(f"{path}: no {pattern}")
    with open(path, "w") as f:
        f.write(text)


class Station:
    def __init__(self, build, parent=None, settings=None, prefix="faults-"):
        os.makedirs(parent or os.path.join(SOURCE, "run"), exist_ok=True)
        self.path = tempfile.mkdtemp(prefix=prefix, dir=parent or os.path.join(SOURCE, "run"))
        shutil.copytree(os.path.join(SOURCE, "sim_station"), self.path, dirs_exist_ok=True)
        for program in PROGRAMS:
            shutil.copy2(os.path.join(build, program), self.path)
        self.unit_port, self.http_port, self.modbus_port = free_port(), free_port(), free_port()
        xml = self.file("sim_station.xml")
        patch(xml, r'unit_port="\d+"', f'unit_port="{self.unit_port}"')
        patch(xml, r'http_port="\d+"', f'http_port="{self.http_port}"')
        patch(xml, r'modbus_port="\d+"', f'modbus_port="{self.modbus_port}"')
        patch(self.file("hw_config.xml"), r'<Socket port="\d+"', f'<Socket port="{self.unit_port}"')
        for pattern, replacement in (settings or {}).items():
            patch(self.file("settings.xml"), pattern, replacement)
        self.controller = None
        self.log = open(self.file("faults_controller.log"), "ab")

    def file(self, name):
        return os.path.join(self.path, name)

    def start_controller(self, console=False):
        """With console, the console menu reads self.controller.stdin; otherwise
        it ends at once and the program runs on."""
        self.controller = subprocess.Popen(["./vn_controller"], cwd=self.path,
                                           stdin=subprocess.PIPE if console else subprocess.DEVNULL,
                                           stdout=self.log, stderr=subprocess.STDOUT)

    def kill_controller(self):
        self.controller.send_signal(signal.SIGKILL)
        self.controller.wait()

    def controller_alive(self):
        return self.controller is not None and self.controller.poll() is None

    def stop(self):
        if self.controller_alive():
            self.controller.terminate()
            try:
                self.controller.wait(20)
            except subprocess.TimeoutExpired:
                self.kill_controller()
        # The simulated unit ends with its controller; one killed with it may linger a moment.
        pid = self.unit_pid()
        if pid > 0 and alive(pid):
            os.kill(pid, signal.SIGKILL)
        self.log.close()

    def unit_pid(self):
        try:
            with open(self.file("shell_journal.log"), errors="replace") as f:
                pids = re.findall(r"started pid (\d+)", f.read())
        except OSError:
            return -1
        return int(pids[-1]) if pids else -1

    def truth(self):
        """{module id: (power, pmax)}, or None while the file is missing or half written."""
        try:
            root = ElementTree.parse(self.file("sim_truth.xml")).getroot()
        except (OSError, ElementTree.ParseError):
            return None
        modules = {}
        for m in root.iter("Module"):
            modules[int(m.get("id"))] = (float(m.get("power", 0)), float(m.get("pmax", 0)))
        return modules or None

    def all_tracking(self):
        modules = self.truth()
        return bool(modules) and len(modules) == 4 and all(p >= 0.97 * pmax for p, pmax in modules.values())

    def web(self, uri, body=None, timeout=30, account=None):
        """(status, body) of a request, 0 when no answer came; account: (name, password)."""
        handlers = []
        if account is not None:
            passwords = urllib.request.HTTPPasswordMgrWithDefaultRealm()
            passwords.add_password(None, f"http://127.0.0.1:{self.http_port}/", *account)
            handlers.append(urllib.request.HTTPDigestAuthHandler(passwords))
        request = urllib.request.Request(f"http://127.0.0.1:{self.http_port}{uri}",
                                         data=None if body is None else body.encode())
        try:
            with urllib.request.build_opener(*handlers).open(request, timeout=timeout) as reply:
                return reply.status, reply.read().decode(errors="replace")
        except urllib.error.HTTPError as error:
            return error.code, ""
        except (OSError, ValueError):
            return 0, ""

def processor_seconds(pid):
    """utime + stime of a process in seconds, or None once it is gone."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    except (OSError, IndexError, ValueError):
        return None


def alive(pid):
    try:
        os.kill(pid, 0)
    except OSError:
        return False
    # A zombie is dead for our purposes.
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().split(")")[-1].split()[0] != "Z"
    except OSError:
        return False


def wait_until(condition, timeout, step=0.1):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(step)
    return condition()


def random_pause(low, high):
    time.sleep(random.uniform(low, high))
