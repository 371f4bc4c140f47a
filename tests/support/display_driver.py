"""What the tests that drive the built program on a virtual display share: the processes they start (each
driver ends them itself, its own way), failing, waiting for something to show, and the display."""
import os
import subprocess
import sys
import threading
import time

children = []


def start(command, **options):
    process = subprocess.Popen(command, **options)
    children.append(process)
    return process


def fail(message):
    print("FAIL:", message, file=sys.stderr)
    sys.exit(1)


def wait_for(what, probe, seconds=20, every=0.01):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(every)
    fail("timed out waiting for " + what)


def printed(process):
    """The lines a process started with stdout=PIPE has printed so far, a list that grows as it prints, for wait_for."""
    lines = []

    def gather():
        for line in process.stdout:
            lines.append(line)
    threading.Thread(target=gather, daemon=True).start()
    return lines


def start_display(size):
    """An Xvfb display of the given size ("1280x1024"), found free by Xvfb itself, made the one of DISPLAY."""
    read_end, write_end = os.pipe()
    # Without -noreset the server resets whenever its last client leaves: a probe that comes and goes before the
    # program connects makes the program's own connection fall into a reset, and it ends with "could not connect".
    start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", size + "x24", "-nolisten", "tcp", "-noreset"],
          pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    display = os.read(read_end, 64).decode().strip()
    os.environ["DISPLAY"] = ":" + display
    if "ASAN_OPTIONS" in os.environ:  # the X libraries pass strndup buffers without a NUL, as it allows
        os.environ["ASAN_OPTIONS"] += ":strict_string_checks=0"
    return display
