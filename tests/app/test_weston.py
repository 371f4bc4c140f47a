#!/usr/bin/python3
"""Tallyfold's window under Wayland: a headless Weston of its own, and the session program on it.

Starts Weston's headless backend on a private runtime folder, then runs the session program with Qt's wayland
platform (no X display to fall back to), a configuration folder of its own whose filter is "*", and a temporary
folder with a few files as the first sample folder. The session must pass, and neither it nor Qt may report a
Wayland protocol error or a broken connection. Exits with 77 (skipped) where Weston or Qt's wayland platform
plugin is missing.
Usage: test_weston.py SESSION QT_PLATFORM_PLUGINS_FOLDER
"""
import ctypes
import glob
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

session, plugins = (os.path.abspath(path) for path in sys.argv[1:3])
work = tempfile.mkdtemp(prefix="tallyfold-wayland-")
weston = None

# What libwayland and Qt's wayland plugin print when the connection fails.
WAYLAND_TROUBLE = re.compile(r"protocol error|connection broke|Wayland connection|wl_\w+@\d+: error|"
                             r"failed to create display|Could not load the Qt platform plugin", re.IGNORECASE)


def fail(message):
    print("FAIL:", message, file=sys.stderr)
    sys.exit(1)


def skip(reason):
    print("SKIP:", reason)
    sys.exit(77)


def sample_folder():
    """A temporary folder with plain files, awkward names, a link to a file and a subfolder."""
    temp = os.path.join(work, "temp")
    os.makedirs(os.path.join(temp, "sub"))
    for name in ("plain.txt", "with space.log", ".hidden", "README", "Ünïcödé.TxT", "sub/deep.txt"):
        with open(os.path.join(temp, name), "w") as file:
            file.write(name)
    os.symlink("plain.txt", os.path.join(temp, "link.txt"))
    return temp


def listening(path):
    """Whether the compositor takes connections on the socket: it is there from the bind, before the listen."""
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as probe:
        try:
            probe.connect(path)
            return True
        except OSError:
            return False


def run():
    if not shutil.which("weston"):
        skip("weston is not installed (Debian package weston)")
    if not glob.glob(os.path.join(plugins, "libqwayland-*.so")):
        skip("Qt's wayland platform plugin is not in %s (Debian package qt6-wayland)" % plugins)

    runtime = os.path.join(work, "runtime")
    os.mkdir(runtime, 0o700)
    display = "tallyfold-%d" % os.getpid()
    base = {key: value for key, value in os.environ.items()
            if key not in ("DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "ProgramFiles")}
    base["XDG_RUNTIME_DIR"] = runtime
    weston_log = os.path.join(work, "weston.log")
    global weston
    weston = subprocess.Popen(["weston", "--backend=headless-backend.so", "--socket=" + display, "--idle-time=0",
                               "--no-config", "--width=1024", "--height=768", "--use-pixman", "--log=" + weston_log],
                              env=base, stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT,
                              start_new_session=True)
    deadline = time.monotonic() + 20
    while not listening(os.path.join(runtime, display)):
        if weston.poll() is not None or time.monotonic() > deadline:
            with open(weston_log, errors="replace") as log:
                fail("Weston did not come up:\n" + log.read())
        time.sleep(0.02)

    config = os.path.join(work, "config")
    os.mkdir(config)
    with open(os.path.join(config, "Quillmark.ini"), "w") as ini:
        ini.write("[Tallyfold]\nText1=*\n")
    # Shared-memory buffers only, as the window is drawn by the raster engine anyway. Qt 6.4 loads EGL, and with it
    # Mesa's driver, only to ask whether it may draw window decorations; the driver leaks at its unloading, where
    # LeakSanitizer can no longer name it. The session checks that no GL driver was loaded.
    environment = dict(base, WAYLAND_DISPLAY=display, QT_QPA_PLATFORM="wayland", XDG_CONFIG_HOME=config,
                       TEMP=sample_folder(), TMPDIR=work, QT_WAYLAND_DISABLE_WINDOWDECORATION="1")
    if "ASAN_OPTIONS" in environment:  # Qt's wayland plugin leaves a few of libwayland's proxies at its exit
        suppressions = os.path.join(work, "lsan.supp")
        with open(suppressions, "w") as file:
            file.write("leak:libwayland-client.so\n")
        environment["LSAN_OPTIONS"] = ":".join(filter(None, [environment.get("LSAN_OPTIONS"),
                                                             "suppressions=" + suppressions]))
    started = time.monotonic()
    try:
        result = subprocess.run([session], env=environment, capture_output=True, text=True, errors="replace",
                                timeout=90)
    except subprocess.TimeoutExpired:
        fail("the session did not end within 90 s")
    taken = time.monotonic() - started
    output = result.stdout + result.stderr
    print(output.rstrip())
    if result.returncode != 0:
        fail("the session ended with %d" % result.returncode)
    trouble = [line for line in output.splitlines() if WAYLAND_TROUBLE.search(line)]
    if trouble:
        fail("Wayland trouble reported:\n" + "\n".join(trouble))
    if weston.poll() is not None:
        fail("Weston ended during the session with %d" % weston.returncode)
    print("session on Weston: %.1f s" % taken)


# A test runner that gives up on the test still gets Weston stopped and the folders removed.
signal.signal(signal.SIGTERM, lambda number, frame: sys.exit(1))
PR_SET_CHILD_SUBREAPER = 36
ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)
try:
    run()
finally:
    # Weston does not wait for the helper clients it launched (its shell, its keyboard): they end with it, in its
    # process group, and come to this process (a subreaper) to be reaped.
    if weston is not None:
        weston.terminate()
        try:
            weston.wait(10)
        except subprocess.TimeoutExpired:
            pass
        try:
            os.killpg(weston.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        try:
            while True:
                os.waitpid(-1, 0)
        except ChildProcessError:
            pass
    shutil.rmtree(work, ignore_errors=True)
