#!/usr/bin/python3
"""Real drags between X11 clients: a folder dragged from another program onto Tallyfold's folder pane, and the
results dragged out of Tallyfold into another program, with the pointer moved by xdotool on a virtual display.

The folder's files, listed by "2. Start Creating List" and all ticked, must arrive at the target as file: URIs
of exactly the files `find` gives, and as the copy text (one path per line). The target takes the drop as a
move; a second drag must carry the same, as a drag never changes the pane.
Usage: test_x11_drag.py PROGRAM DRAGPEER
"""
import itertools
import os
import shutil
import subprocess
import sys
import tempfile
import urllib.parse

program, dragpeer = (os.path.abspath(path) for path in sys.argv[1:3])
work = tempfile.mkdtemp(prefix="tallyfold-drag-")
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from display_driver import children, fail, printed, start, start_display, wait_for  # noqa: E402


def xdotool(*arguments):
    return subprocess.run(["xdotool", *map(str, arguments)], check=True, capture_output=True, text=True).stdout


def windows(title):
    """The visible windows with this title."""
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                          capture_output=True, text=True).stdout.split()


def window_at(title):
    """The top-left corner of the visible window with this title, once it shows."""
    def corner():
        found = windows(title)
        if not found:
            return None
        shell = dict(line.split("=") for line in xdotool("getwindowgeometry", "--shell", found[0]).split())
        return int(shell["X"]), int(shell["Y"])
    return wait_for("the window " + title, corner)


def drag(start_at, end_at, taken):
    """Presses at one point, moves in small steps to the other, and lets go there once the other end has taken the
    drag: before its answer the source would cancel the drop. X delivers the press and the moves in order, but a
    source sends no position while it waits for the answer to the one before, and none later: the pointer moves a
    pixel to and fro at the end, as a hand does, until the answer there has come."""
    steps, moves = 20, []
    for step in range(1, steps + 1):
        moves += ["mousemove", start_at[0] + (end_at[0] - start_at[0]) * step // steps,
                  start_at[1] + (end_at[1] - start_at[1]) * step // steps]
    xdotool("mousemove", *start_at, "mousedown", 1, *moves)
    shifts = itertools.cycle((1, -1))

    def answered():
        if taken():
            return True
        xdotool("mousemove_relative", "--", next(shifts), 0)
        return False
    wait_for("the other end to take the drag", answered, every=0.05)
    xdotool("mouseup", 1)


def drag_out(results_row, number):
    """The ticked results dragged into a new target; what it received."""
    out = os.path.join(work, "received-%d" % number)
    target = start([dragpeer, "target", "40", "600", out], stdout=subprocess.PIPE, text=True)
    said = printed(target)
    at = window_at("drag target")
    drag(results_row, (at[0] + 60, at[1] + 60), lambda: "over\n" in said)
    try:
        target.wait(10)
    except subprocess.TimeoutExpired:
        fail("nothing was dropped on the target")
    with open(out, "rb") as received:
        uris, text = received.read().split(b"--\n")
    return uris, text


def run():
    if not shutil.which("xdotool") or not shutil.which("Xvfb"):
        print("SKIP: needs xdotool and Xvfb")
        sys.exit(0)
    top = os.path.join(work, "Dragged folder")
    for relative in ("a b.txt", "x/\u00e9t\u00e9.txt", "y/z/last.txt"):
        os.makedirs(os.path.dirname(os.path.join(top, relative)), exist_ok=True)
        open(os.path.join(top, relative), "w").close()
    files = subprocess.run(["find", top, "-type", "f"], check=True, capture_output=True, text=True).stdout.split("\n")
    files = sorted(line for line in files if line)
    config = os.path.join(work, "config")
    os.makedirs(config)
    with open(os.path.join(config, "Quillmark.ini"), "w") as ini:
        ini.write("[Tallyfold]\nText1=*\n")
    uri_list = os.path.join(work, "uri-list")
    with open(uri_list, "wb") as listing:
        listing.write(b"file://" + urllib.parse.quote(top).encode() + b"\r\n")

    start_display("1280x1024")
    os.environ.update(QT_QPA_PLATFORM="xcb", XDG_CONFIG_HOME=config)

    tallyfold = start([program])
    x, y = window_at("Tallyfold")
    source = start([dragpeer, "source", "40", "40", uri_list], stdout=subprocess.PIPE, text=True)
    said = printed(source)
    at = window_at("drag source")

    def taken():  # the pane's latest answer takes the drag
        answers = [line for line in said if line.startswith("accepted ")]
        return answers and answers[-1] != "accepted 0\n"
    drag((at[0] + 60, at[1] + 60), (x + 260, y + 70), taken)  # onto the folder pane
    # The source hears of the drop once the pane has taken it, walk included.
    dropped = wait_for("the end of the drop", lambda: [line for line in said if line.startswith("dropped as ")])
    if source.wait(15) != 0 or dropped != ["dropped as 1\n"]:  # Qt::CopyAction
        fail("the folder pane did not take the folder as a copy")
    if "SHOTS" in os.environ:  # once two grabs in a row are alike, the drop has been painted
        grab, shots = ["import", "-window", "root", "-define", "png:exclude-chunks=date,time", "png:-"], [b""]

        def settled():
            shots.append(subprocess.run(grab, capture_output=True).stdout)
            return shots[-1] == shots[-2]
        wait_for("the screen to settle", settled)
        with open(os.path.join(os.environ["SHOTS"], "dropped.png"), "wb") as png:
            png.write(shots[-1])
    main = windows("Tallyfold")
    xdotool("mousemove", x + 268, y + 312, "click", 1)  # 2. Start Creating List
    box = wait_for("the box \"Done.\"", lambda: [found for found in windows("Tallyfold") if found not in main])[0]
    wait_for("the box to take the keyboard", lambda: xdotool("getwindowfocus", "-f").strip() == box)
    xdotool("key", "Return")
    wait_for("the box to go", lambda: box not in windows("Tallyfold"))
    ticks = []  # one click on every result's box, 16 px apart: never a double click
    for row in range(len(files)):
        ticks += ["mousemove", x + 20, y + 358 + 16 * row, "click", 1]
    xdotool(*ticks)

    expected_uris = sorted(b"file://" + urllib.parse.quote(path).encode() for path in files)
    first = drag_out((x + 200, y + 358), 1)
    uris = first[0].split(b"\r\n")
    if uris[-1] != b"" or sorted(uris[:-1]) != expected_uris:
        fail("dragged URIs %r, expected those of %r" % (first[0], files))
    text = first[1].decode().split("\r\n")
    if text[-1] != "" or text[:-1] != [urllib.parse.unquote(uri[7:].decode()) for uri in uris[:-1]]:
        fail("dragged text %r does not name the dragged files in their order" % first[1])
    second = drag_out((x + 200, y + 358), 2)
    if second != first:
        fail("the second drag carried %r after the first carried %r" % (second, first))
    tallyfold.terminate()
    print("dragged in: %s; dragged out twice: %d files" % (top, len(files)))


try:
    run()
finally:
    for child in reversed(children):
        if child.poll() is None:
            child.kill()
            child.wait()
    shutil.rmtree(work, ignore_errors=True)
