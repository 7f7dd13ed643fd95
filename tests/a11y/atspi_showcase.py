#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The showcase as a screen reader sees it over AT-SPI.

Starts its own display (Xvfb), session bus (dbus-run-session) and accessibility bus (the at-spi
bus launcher), opens the showcase with `stolvane run frmShowcase --events`, and as a real AT-SPI
client (pyatspi) reads the tree against a table, presses a button through its action and sees the
application's Click, toggles a check box and sees its checked state and the state-changed and
focus events, follows the progress bar's value as it moves, and opens the about box through its
button's action and finds it as a dialog. Every file goes to a folder the test makes.

Usage: atspi_showcase.py STOLVANE_COMMAND
"""
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

DEADLINE = 30  # seconds for anything the application has to do

# Depth below the application, role, name, states that must hold: the showcase in tab order.
TABLE = [
    (1, "frame", "STolvane showcase", ["active", "showing", "visible"]),
    (2, "title bar", "STolvane showcase - classic controls at work", ["showing"]),
    (2, "panel", "pnlBody", ["showing"]),
    (3, "label", "Buttons in four styles", ["showing"]),
    (3, "push button", "Win 95", ["focusable", "sensitive", "enabled", "showing"]),
    (3, "push button", "Tolvane", ["focusable", "sensitive"]),
    (3, "push button", "Win 98", ["focusable", "sensitive"]),
    (3, "push button", "Win 3.1", ["focusable", "sensitive"]),
    (3, "label", "Labels", []),
    (3, "link", "Visit the STolvane home page", ["sensitive"]),
    (3, "label", "Point at this line: it lights up", []),
    (3, "label", "Check boxes", []),
    (3, "check box", "Status bar grip", ["focusable", "checkable", "checked"]),
    (3, "check box", "Cross style", ["focusable", "checkable"]),
    (3, "label", "About badges", []),
    (3, "push button", "TolvaneAbout_11", ["sensitive"]),
    (3, "push button", "TolvaneAbout_21", ["sensitive"]),
    (3, "label", "Panels", []),
    (3, "panel", "Gradient", []),
    (3, "panel", "Picture", []),
    (3, None, None, []),  # the progress bar: its name and role follow the timer
    (3, "panel", "Mouse sensitive: point at me", []),
    (3, "label", "The library's own forms", []),
    (3, "label", "Every control opens the about box from its About member; the about box opens the samples viewer.", []),
    (3, "push button", "About...", ["focusable"]),
    (3, "push button", "Known problems...", ["focusable"]),
    (2, "status bar", "Ready. Drag the grip in the corner to make the window larger.", ["showing"]),
]


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def start_display(folder):
    """Xvfb on a display it picks itself (-displayfd); -noreset keeps it up between clients."""
    read_end, write_end = os.pipe()
    log = open(os.path.join(folder, "xvfb.log"), "wb")
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"],
        pass_fds=(write_end,), stdout=log, stderr=log)
    os.close(write_end)
    number = b""
    end = time.monotonic() + DEADLINE
    while not number.endswith(b"\n"):
        left = end - time.monotonic()
        ready, _, _ = select.select([read_end], [], [], max(0, left))
        if not ready:
            break
        chunk = os.read(read_end, 32)
        if not chunk:
            break
        number += chunk
    os.close(read_end)
    check(number.endswith(b"\n"), "Xvfb did not start")
    return server, ":" + number.decode().strip()


def outer(stolvane):
    folder = tempfile.mkdtemp(prefix="stolvane_atspi_")
    server = None
    try:
        server, display = start_display(folder)
        env = dict(os.environ)
        # Everything the buses and the libraries write stays in the test's folder.
        for name in ("HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"):
            path = os.path.join(folder, name.lower())
            os.makedirs(path, mode=0o700, exist_ok=True)
            env[name] = path
        env["DISPLAY"] = display
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        env.pop("AT_SPI_BUS_ADDRESS", None)
        env.pop("STOLVANE_ACCESSIBILITY", None)
        result = subprocess.run(["dbus-run-session", "--", sys.executable, __file__, "--inside", stolvane, folder],
                                env=env)
        return result.returncode
    finally:
        if server:
            server.terminate()
            server.wait()
        shutil.rmtree(folder, ignore_errors=True)


def inside(stolvane, folder):
    launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                stdout=open(os.path.join(folder, "launcher.log"), "wb"), stderr=subprocess.STDOUT)
    app = None
    try:
        import pyatspi
        from gi.repository import GLib

        app = subprocess.Popen([stolvane, "run", "frmShowcase", "--events"], stdout=subprocess.PIPE,
                               stderr=open(os.path.join(folder, "stolvane.err"), "wb"), cwd=folder)
        os.set_blocking(app.stdout.fileno(), False)
        printed = []

        def read_events():
            while True:
                try:
                    chunk = app.stdout.read()
                except BlockingIOError:
                    chunk = None
                if not chunk:
                    break
                printed.extend(chunk.decode().splitlines())

        def pump(until, seconds=DEADLINE):
            """Runs the client's main loop until `until()` holds or the time is up."""
            context = GLib.MainContext.default()
            end = time.monotonic() + seconds
            while time.monotonic() < end:
                read_events()
                if until():
                    return True
                timer = GLib.timeout_add(100, lambda: False)
                context.iteration(True)
                GLib.Source.remove(timer) if context.find_source_by_id(timer) else None
            read_events()
            return until()

        desktop = pyatspi.Registry.getDesktop(0)

        def application():
            for i in range(desktop.childCount):
                a = desktop.getChildAtIndex(i)
                if a is not None and a.name == "STolvane" and a.childCount > 0:
                    return a
            return None

        check(pump(lambda: application() is not None), "the showcase never appeared on the accessibility bus")
        stolvane_app = application()
        check(stolvane_app.getRoleName() == "application", "the application's role")

        # ---- The tree against the table.
        rows = []

        def walk(node, depth):
            rows.append((depth, node))
            for i in range(node.childCount):
                walk(node.getChildAtIndex(i), depth + 1)

        frame = stolvane_app.getChildAtIndex(0)
        walk(frame, 1)
        check(len(rows) == len(TABLE), "the tree has %d objects, the table %d: %s" %
              (len(rows), len(TABLE), [(d, n.getRoleName(), n.name) for d, n in rows]))
        by_name = {}
        for (depth, node), (want_depth, role, name, states) in zip(rows, TABLE):
            by_name[node.name] = node
            check(depth == want_depth, "%s at depth %d, not %d" % (node.name, depth, want_depth))
            if role is None:
                progress = node
                check(node.getRoleName() in ("progress bar", "panel"), "the progress bar's role")
                continue
            check(node.getRoleName() == role, "%s is a %s, not a %s" % (name, node.getRoleName(), role))
            check(node.name == name, "%r named %r" % (name, node.name))
            held = node.getState()
            for state in states:
                check(held.contains(getattr(pyatspi, "STATE_" + state.upper().replace("-", "_"))),
                      "%s is not %s" % (name, state))
        win95 = by_name["Win 95"]
        check(win95.queryAction().getKeyBinding(0) == "<Alt>9", "the access key of Win 95")
        extents = win95.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        check(extents.width == 65 and extents.height == 33, "Win 95 is %dx%d pixels" % (extents.width, extents.height))

        # ---- Events: the client listens before anything moves.
        events = []

        def heard(event):
            events.append((event.type, event.source.name if event.source else None, event.detail1))

        pyatspi.Registry.registerEventListener(heard, "object:state-changed:checked", "object:state-changed:focused",
                                               "focus:", "object:property-change:accessible-value",
                                               "object:value-changed", "window:create", "window:activate")
        frame.name  # a round trip: the application has learnt of the listeners by now

        # ---- A button pressed through its action raises the application's Click.
        style = by_name["Tolvane"]
        action = style.queryAction()
        check(action.nActions == 1 and action.getName(0) == "click", "the button's action")
        check(action.doAction(0), "the button's action was refused")
        check(pump(lambda: any('"Click"' in line and "btnStyle" in line for line in printed)),
              "no Click from the button; the application printed %s" % printed)

        # ---- A check box toggled through its action: checked, with the events.
        cross = by_name["Cross style"]
        check(not cross.getState().contains(pyatspi.STATE_CHECKED), "Cross style starts unticked")
        check(cross.queryAction().getName(0) == "toggle", "the check box's action")
        cross.queryAction().doAction(0)
        check(pump(lambda: ("object:state-changed:checked", "Cross style", 1) in events),
              "no checked event for Cross style: %s" % events)
        check(cross.getState().contains(pyatspi.STATE_CHECKED), "Cross style is not checked after its toggle")
        check(any('"ValueChange"' in line and "tikCross" in line for line in printed) or
              pump(lambda: any('"ValueChange"' in line and "tikCross" in line for line in printed)),
              "no ValueChange from the check box")
        # The toggle gave it the focus, as a click does: the focus events say so.
        check(pump(lambda: ("object:state-changed:focused", "Cross style", 1) in events),
              "no focus event for Cross style: %s" % events)
        check(cross.getState().contains(pyatspi.STATE_FOCUSED), "Cross style is not focused")

        # ---- The progress bar's value moves with its timer.
        def value():
            try:
                return progress.queryValue().currentValue
            except NotImplementedError:
                return None
        first = value()
        check(pump(lambda: value() is not None and value() != first), "the progress value never moved from %s" % first)
        check(0 <= value() <= 100, "the progress value %s" % value())

        # ---- The about box, opened through its button, is a dialog.
        by_name["About..."].queryAction().doAction(0)

        def dialog():
            for i in range(stolvane_app.childCount):
                child = stolvane_app.getChildAtIndex(i)
                if child is not None and child.getRoleName() == "dialog":
                    return child
            return None
        check(pump(lambda: dialog() is not None), "the about box did not appear as a dialog")
        about = dialog()
        check(about.name == "About the ActiveX controls...", "the about box is named %r" % about.name)
        check(about.getState().contains(pyatspi.STATE_MODAL), "the about box is not modal")
        ok = [about.getChildAtIndex(i) for i in range(about.childCount)]
        ok = [c for c in ok if c is not None and c.name == "OK"]
        check(len(ok) == 1 and ok[0].getRoleName() == "push button", "the about box's OK button")
        ok[0].queryAction().doAction(0)
        check(pump(lambda: dialog() is None), "the about box did not close through its OK button")
        print("atspi_showcase: all checks passed")
        return 0
    except Failure as f:
        print("atspi_showcase: FAILED: %s" % f, file=sys.stderr)
        for name in ("stolvane.err", "launcher.log"):
            path = os.path.join(folder, name)
            if os.path.exists(path):
                print("---- %s\n%s" % (name, open(path, errors="replace").read()[-3000:]), file=sys.stderr)
        return 1
    finally:
        if app:
            app.send_signal(signal.SIGTERM)
            app.wait()
        launcher.terminate()
        launcher.wait()


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "--inside":
        sys.exit(inside(sys.argv[2], sys.argv[3]))
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(outer(os.path.abspath(sys.argv[1])))
