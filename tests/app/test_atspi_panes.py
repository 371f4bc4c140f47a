#!/usr/bin/python3
"""What a screen reader reads of Tallyfold's window, through the AT-SPI bus.

Starts a virtual display, a session bus and the AT-SPI bus, runs the program with accessibility on and the
two sample folders pointed at folders made here, and reads it as a client: both panes are tables; after
"Load Sample/Example Data" and "2. Start Creating List" their rows are the folders and the files on disk;
the "Done." box says so; Space on a results row ticks it and the copy then holds that row; the results
pane's menu, opened with Shift+F10, reads its items as they take the focus, and "Tick All" pressed ticks every row.
Usage: test_atspi_panes.py PROGRAM
"""
import os
import subprocess
import sys
import tempfile

program = os.path.abspath(sys.argv[1])
work = tempfile.mkdtemp(prefix="tallyfold-atspi-")
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from display_driver import children, fail, start, start_display  # noqa: E402
from display_driver import wait_for as wait_every


def wait_for(what, probe, seconds=20):
    # The accessibility tree is asked once every 0.1 s: a walk of it asked more often meets objects that
    # are just going (a box that closes).
    return wait_every(what, probe, seconds, every=0.1)


def folders_on_disk():
    """Two sample folders: files with awkward names, a subfolder that is not listed, an empty folder."""
    first, second = os.path.join(work, "first"), os.path.join(work, "second")
    for folder, names in ((first, ["notes.txt", "Größe 日本.txt", "a b c", "report.pdf"]), (second, ["tool"])):
        os.makedirs(folder)
        for name in names:
            open(os.path.join(folder, name), "w").close()
    os.makedirs(os.path.join(first, "subfolder"))
    open(os.path.join(first, "subfolder", "deeper.txt"), "w").close()
    return [first, second]


def run():
    folders = folders_on_disk()
    start_display("1280x1024")

    runtime = os.path.join(work, "runtime")
    os.makedirs(runtime, mode=0o700)
    os.environ["XDG_RUNTIME_DIR"] = runtime
    bus = start(["dbus-daemon", "--session", "--nofork", "--print-address=1"], stdout=subprocess.PIPE, text=True)
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
    start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
    start(["/usr/libexec/at-spi2-registryd"], stderr=subprocess.DEVNULL)

    config = os.path.join(work, "config")
    os.makedirs(config)
    with open(os.path.join(config, "Quillmark.ini"), "w") as settings:
        settings.write("[Tallyfold]\nText1=*\n")
    environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
                       XDG_CONFIG_HOME=config, TEMP=folders[0], ProgramFiles=folders[1])

    # The program looks for the AT-SPI bus once, at start: both buses and the registry must be up first.
    def a11y_bus_owned():
        answer = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/",
                                 "org.freedesktop.DBus.NameHasOwner", "string:org.a11y.Bus"],
                                capture_output=True, text=True)
        return answer.returncode == 0 and "true" in answer.stdout

    wait_for("the AT-SPI bus", a11y_bus_owned)

    import pyatspi  # only now: it finds the AT-SPI bus through the session bus set above

    def registry_up():
        try:
            return pyatspi.Registry.getDesktop(0) is not None
        except Exception:
            return False

    wait_for("the AT-SPI registry", registry_up)
    start([program], env=environment)

    def application():
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            if app is not None and app.name and "tallyfold" in app.name.lower():
                return app
        return None

    app = wait_for("the program on the AT-SPI bus", application)

    def find_all(role, name=None):
        found = []

        def walk(node, depth):
            if node is None or depth > 12:
                return
            if node.getRole() == role and (name is None or node.name == name):
                found.append(node)
            for index in range(node.childCount):
                if node.getRole() != pyatspi.ROLE_TABLE:  # a table's children are its cells
                    walk(node.getChildAtIndex(index), depth + 1)

        walk(app, 0)
        return found

    tables = wait_for("the two panes", lambda: (lambda t: t if len(t) == 2 else None)(find_all(pyatspi.ROLE_TABLE)))
    folder_pane, result_pane = sorted(tables, key=lambda t: t.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).y)

    def rows(pane):
        table = pane.queryTable()
        return [table.getAccessibleAt(row, 0).name for row in range(table.nRows)]

    def press(caption):
        buttons = find_all(pyatspi.ROLE_PUSH_BUTTON, caption)
        if not buttons:
            fail("no button " + caption)
        buttons[0].queryAction().doAction(0)

    # The captions shown twice: each button says which list it acts on.
    for caption in ("Clear List", "Remove Filenames Containing X", "Remove Filenames Not Cont. X"):
        buttons = sorted(find_all(pyatspi.ROLE_PUSH_BUTTON, caption),
                         key=lambda b: b.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).y)
        descriptions = [button.description for button in buttons]
        if len(buttons) != 2 or "folder list" not in descriptions[0] or "results list" not in descriptions[1]:
            fail("the buttons %r are described as %r" % (caption, descriptions))

    press("Load Sample/Example Data")
    wait_for("the sample folders", lambda: folder_pane.queryTable().nRows == 2)
    if rows(folder_pane) != folders:
        fail("folder pane rows %r, expected %r" % (rows(folder_pane), folders))

    press("2. Start Creating List")
    done = wait_for("the Done. box", lambda: find_all(pyatspi.ROLE_LABEL, "Done."))
    expected = [os.path.join(folder, name) for folder in folders
                for name in os.listdir(folder) if os.path.isfile(os.path.join(folder, name))]
    if sorted(rows(result_pane)) != sorted(expected):
        fail("result pane rows %r, expected %r" % (rows(result_pane), expected))
    if done[0].name != "Done.":
        fail("the box reads %r" % done[0].name)
    press("OK")
    wait_for("the Done. box to close", lambda: not find_all(pyatspi.ROLE_LABEL, "Done."))

    # Space on the third results row: focus to that row, the key from the keyboard.
    window = subprocess.run(["xdotool", "search", "--name", "^Tallyfold$"], capture_output=True, text=True)
    subprocess.run(["xdotool", "windowfocus", "--sync", window.stdout.split()[0]], check=True)
    row = 2
    cell = result_pane.queryTable().getAccessibleAt(row, 0)
    if cell.getState().contains(pyatspi.STATE_CHECKED):
        fail("a results row is ticked before Space")
    action = cell.queryAction()
    names = [action.getName(index) for index in range(action.nActions)]
    if "Toggle" not in names:
        fail("the results cell offers no toggle, only %r" % names)
    action.doAction(names.index("SetFocus"))
    wait_for("the row to take the focus", lambda: cell.getState().contains(pyatspi.STATE_FOCUSED))
    subprocess.run(["xdotool", "key", "space"], check=True)
    wait_for("Space to tick the row", lambda: cell.getState().contains(pyatspi.STATE_CHECKED))
    ticked = cell.name
    others = [r for r in range(result_pane.queryTable().nRows) if r != row and
              result_pane.queryTable().getAccessibleAt(r, 0).getState().contains(pyatspi.STATE_CHECKED)]
    if others:
        fail("Space ticked other rows too: %r" % others)

    press("3. Copy Results To Clipboard")
    wait_for("the copy's message", lambda: find_all(pyatspi.ROLE_PUSH_BUTTON, "OK"))
    copied = subprocess.run(["xclip", "-o", "-selection", "clipboard"], capture_output=True, timeout=10).stdout
    if copied.decode("utf-8") != ticked + "\r\n":
        fail("the clipboard holds %r, expected the ticked row %r" % (copied, ticked + "\r\n"))
    press("OK")
    wait_for("the copy's message to close", lambda: not find_all(pyatspi.ROLE_PUSH_BUTTON, "OK"))

    # The results pane's menu from the keyboard. A menu is no child of the application on the bus: a screen
    # reader meets its items as each takes the focus.
    from gi.repository import GLib
    events = []
    pyatspi.Registry.registerEventListener(events.append, "object:state-changed")

    def heard(role, name=None, state=pyatspi.STATE_FOCUSED):
        while GLib.MainContext.default().iteration(False):
            pass
        hits = [e.source for e in events if e.source is not None and e.source.getRole() == role and
                (name is None or e.source.name == name) and e.source.getState().contains(state)]
        return hits[-1] if hits else None

    subprocess.run(["xdotool", "key", "shift+F10"], check=True)
    wait_for("the menu", lambda: heard(pyatspi.ROLE_POPUP_MENU, state=pyatspi.STATE_SHOWING))
    subprocess.run(["xdotool", "key", "Down", "Down", "Down", "Down"], check=True)
    item = wait_for('"Tick All" taking the focus', lambda: heard(pyatspi.ROLE_MENU_ITEM, "Tick All"))
    action = item.queryAction()
    names = [action.getName(index) for index in range(action.nActions)]
    if "Press" not in names:
        fail('"Tick All" offers no press, only %r' % names)
    action.doAction(names.index("Press"))
    table = result_pane.queryTable()
    wait_for("every result ticked", lambda: all(table.getAccessibleAt(r, 0).getState().contains(
        pyatspi.STATE_CHECKED) for r in range(table.nRows)))
    print("ok: both panes are tables; rows match the folders and files on disk; the box reads Done.;")
    print('ok: Space ticked %r and the copy holds it; the menu\'s "Tick All" ticked every row' % ticked)


try:
    run()
finally:
    for child in reversed(children):
        child.terminate()
    for child in children:
        try:
            child.wait(timeout=5)
        except subprocess.TimeoutExpired:
            child.kill()
    subprocess.run(["rm", "-rf", work])
