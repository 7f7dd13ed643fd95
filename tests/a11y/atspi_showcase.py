#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The showcase as a screen reader sees it over AT-SPI.

Starts its own display (Xvfb), session bus (dbus-run-session) and accessibility bus (the at-spi
bus launcher), opens the showcase with `stolvane run frmShowcase --events`, and as a real AT-SPI
client (pyatspi) checks what only the bus can show: that it serves the tree `stolvane a11y`
prints (what that tree holds is the accessible model's own tests' business), that actions
through it reach the application, that focus, checked, name and text changes are told as
events, and that the window menu, the about box and a text box with its label and tooltip work
through it. Every file goes to a folder the test makes.

Usage: atspi_showcase.py STOLVANE_COMMAND
"""
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

DEADLINE = 30  # seconds for anything the application has to do


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


# A form of the test's own, for what the showcase does not have: a text box named by the label
# before it (whose access key reaches it), with a tip, and a locked box.
ENTRY_FORM = """{
  "name": "frmEntry", "caption": "Entry", "left": 3000, "top": 9000, "width": 6000, "height": 2400,
  "controls": [
    {"name": "lblName", "class": "Label", "left": 240, "top": 300, "width": 1200, "height": 255,
     "caption": "&Name:"},
    {"name": "txtName", "class": "TextBox", "left": 1500, "top": 240, "width": 3600, "height": 315,
     "toolTipText": "As it should be printed", "text": "Ada"},
    {"name": "txtFixed", "class": "TextBox", "left": 1500, "top": 840, "width": 3600, "height": 315,
     "locked": true, "text": "Fixed"}
  ]
}
"""


# One line of `stolvane a11y`: indent, role, name, key, value, text, states, actions.
MODEL_LINE = re.compile(r'( *)(.+?) "((?:[^"\\]|\\.)*)"(?: key (\S+))?(?: value \S+)?(?: text ".*?")? '
                        r'\[([^\]]*)\](?: actions ([^"]*?))?(?: labelled by| description| at )')


def model_tree(stolvane, folder):
    """(depth below the application, role, name, key, states, actions) of each object of the
    showcase as the accessible model describes it, in tab order."""
    out = subprocess.run([stolvane, "a11y", "frmShowcase"], cwd=folder, capture_output=True, text=True,
                         timeout=DEADLINE).stdout
    rows = []
    for line in out.splitlines():
        m = MODEL_LINE.match(line)
        check(m, "`stolvane a11y frmShowcase` printed %r" % line)
        indent, role, name, key, states, actions = m.groups()
        rows.append((len(indent) // 2 + 1, role, name, key, states.split(), (actions or "").split()))
    check(rows, "`stolvane a11y frmShowcase` printed no tree")
    return rows


class App:
    """A running `stolvane run FORM --events`: what it printed, read without blocking."""

    def __init__(self, stolvane, form, folder, name):
        self.process = subprocess.Popen([stolvane, "run", form, "--events"], stdout=subprocess.PIPE,
                                        stderr=open(os.path.join(folder, name + ".err"), "wb"), cwd=folder)
        os.set_blocking(self.process.stdout.fileno(), False)
        self.printed = []

    def read(self):
        while True:
            try:
                chunk = self.process.stdout.read()
            except BlockingIOError:
                chunk = None
            if not chunk:
                break
            self.printed.extend(chunk.decode().splitlines())

    def said(self, event, control):
        return any('"event":"%s"' % event in line and '"%s"' % control in line for line in self.printed)

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
        self.process.wait()


def xdotool(*args):
    result = subprocess.run(["xdotool"] + list(args), capture_output=True, text=True, timeout=DEADLINE)
    check(result.returncode == 0, "xdotool %s: %s" % (" ".join(args), result.stderr))
    return result.stdout


def inside(stolvane, folder):
    launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                stdout=open(os.path.join(folder, "launcher.log"), "wb"), stderr=subprocess.STDOUT)
    apps = []
    try:
        import pyatspi
        from gi.repository import GLib

        showcase = App(stolvane, "frmShowcase", folder, "showcase")
        apps.append(showcase)

        def pump(until, seconds=DEADLINE):
            """Runs the client's main loop until `until()` holds or the time is up."""
            context = GLib.MainContext.default()
            end = time.monotonic() + seconds
            while time.monotonic() < end:
                for app in apps:
                    app.read()
                if until():
                    return True
                timer = GLib.timeout_add(100, lambda: False)
                context.iteration(True)
                GLib.Source.remove(timer) if context.find_source_by_id(timer) else None
            for app in apps:
                app.read()
            return until()

        desktop = pyatspi.Registry.getDesktop(0)

        def application(frame_name):
            """The STolvane application whose first window has that name."""
            for i in range(desktop.childCount):
                a = desktop.getChildAtIndex(i)
                if a is not None and a.name == "STolvane" and a.childCount > 0:
                    first = a.getChildAtIndex(0)
                    if first is not None and first.name == frame_name:
                        return a
            return None

        def child_with_role(parent, role):
            for i in range(parent.childCount):
                child = parent.getChildAtIndex(i)
                if child is not None and child.getRoleName() == role:
                    return child
            return None

        def named(parent, name):
            children = [parent.getChildAtIndex(i) for i in range(parent.childCount)]
            found = [c for c in children if c is not None and c.name == name]
            check(len(found) == 1, "%r holds %d objects named %r" % (parent.name, len(found), name))
            return found[0]

        check(pump(lambda: application("STolvane showcase") is not None),
              "the showcase never appeared on the accessibility bus")
        stolvane_app = application("STolvane showcase")
        check(stolvane_app.getRoleName() == "application", "the application's role")

        # ---- The tree the bus serves is the model's: each object's depth, role, name, states,
        # actions and access key. The focus is looked at once the window has it (below).
        model = model_tree(stolvane, folder)
        rows = []

        def walk(node, depth):
            rows.append((depth, node))
            for i in range(node.childCount):
                walk(node.getChildAtIndex(i), depth + 1)

        # The window's objects come onto the bus as the showcase builds them: the tree is read
        # again until it is complete (an object dropped while it is being read ends that read).
        def whole_tree():
            rows.clear()
            try:
                walk(stolvane_app.getChildAtIndex(0), 1)
            except GLib.GError:
                return False
            return len(rows) == len(model)

        def described(row):
            try:
                return (row[0], row[1].getRoleName(), row[1].name)
            except GLib.GError:
                return (row[0], "gone")

        complete = pump(whole_tree)
        check(complete, "the bus has %d objects, the model %d: %s" %
              (len(rows), len(model), [described(r) for r in rows]))
        frame = rows[0][1]
        by_name = {}
        for (depth, node), (want_depth, role, name, key, states, actions) in zip(rows, model):
            check(depth == want_depth, "%s at depth %d, not %d" % (name, depth, want_depth))
            if role == "progress bar":
                # Made anew each time its timer passes 0 %: the object just read may already be
                # defunct, so it is not asked anything.
                continue
            by_name[node.name] = node
            check((node.getRoleName(), node.name) == (role, name), "%s %r is a %s %r" %
                  (role, name, node.getRoleName(), node.name))
            held = node.getState()
            for state in set(states) - {"focused"}:
                check(held.contains(getattr(pyatspi, "STATE_" + state.upper().replace("-", "_"))),
                      "%s is not %s" % (name, state))
            if actions:
                action = node.queryAction()
                check([action.getName(i) for i in range(action.nActions)] == actions, "the actions of %s" % name)
                check(action.getKeyBinding(0) == (key or "").replace("Alt+", "<Alt>"), "the access key of %s" % name)
        win95 = by_name["Win 95"]
        extents = win95.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        check(extents.width == 65 and extents.height == 33, "Win 95 is %dx%d pixels" % (extents.width, extents.height))

        # ---- Events: the client listens before anything moves.
        events = []

        def heard(event):
            data = event.any_data if isinstance(event.any_data, str) else None
            try:
                name = event.source.name if event.source else None
            except GLib.GError:
                name = None  # an object gone by the time its event is read (a closed menu's item)
            events.append((event.type, name, event.detail1, event.detail2, data))

        pyatspi.Registry.registerEventListener(
            heard, "object:state-changed:checked", "object:state-changed:focused", "focus:",
            "object:property-change:accessible-name", "object:text-changed:insert", "object:text-changed:delete",
            "object:text-caret-moved", "object:children-changed", "window:create", "window:activate")
        frame.name  # a round trip: the application has learnt of the listeners by now

        def heard_since(mark, kind, name, detail1=None):
            return any(e[0] == kind and e[1] == name and (detail1 is None or e[2] == detail1) for e in events[mark:])

        # ---- A Tab round: the focus goes through every tab stop in tab order and comes back,
        # each step told by a focus event. The keys go to the window as a user's would.
        window = xdotool("search", "--sync", "--name", "^STolvane showcase$").split()[0]
        xdotool("windowfocus", "--sync", window)
        check(win95.getState().contains(pyatspi.STATE_FOCUSED), "Win 95 does not start with the focus")
        stops = [row[2] for row in model if "focusable" in row[4]] + ["Win 95"]
        for name in stops[1:]:
            mark = len(events)
            xdotool("key", "Tab")
            check(pump(lambda: heard_since(mark, "object:state-changed:focused", name, 1)),
                  "Tab did not bring the focus to %s: %s" % (name, events[mark:]))

        # ---- The title bar's buttons do what a click does: maximise, and the same button,
        # now named Restore, restores.
        maximize = by_name["Maximize"]
        maximize.queryAction().doAction(0)
        check(pump(lambda: showcase.said("MaximizeClick", "capShowcase")), "no MaximizeClick: %s" % showcase.printed)
        check(pump(lambda: maximize.name == "Restore"), "the maximise button is named %r when maximised" % maximize.name)
        maximize.queryAction().doAction(0)
        check(pump(lambda: showcase.said("RestoreClick", "capShowcase")), "no RestoreClick: %s" % showcase.printed)

        # ---- The window menu, opened through the icon's button, is a menu of items while it
        # is up: the arrow key moves the focus to an item, an item's action chooses it.
        by_name["System Menu"].queryAction().doAction(0)
        check(pump(lambda: child_with_role(stolvane_app, "menu") is not None), "no menu appeared")
        menu = child_with_role(stolvane_app, "menu")
        items = [menu.getChildAtIndex(i) for i in range(menu.childCount)]
        check([i.name for i in items] == ["Restore", "Move", "Size", "Minimize", "Maximize", "Close"],
              "the menu's items: %s" % [i.name for i in items])
        mark = len(events)
        xdotool("key", "Down")
        check(pump(lambda: heard_since(mark, "object:state-changed:focused", "Move", 1)),
              "Down did not bring the focus to Move: %s" % events[mark:])
        items[1].queryAction().doAction(0)
        check(pump(lambda: showcase.said("MenuClick", "capShowcase")), "no MenuClick: %s" % showcase.printed)
        check(pump(lambda: child_with_role(stolvane_app, "menu") is None), "the menu stayed after its choice")

        # ---- A check box toggled through its action: told as checked, and focused as a click does.
        mark = len(events)
        by_name["Cross style"].queryAction().doAction(0)
        check(pump(lambda: heard_since(mark, "object:state-changed:checked", "Cross style", 1)),
              "no checked event for Cross style: %s" % events[mark:])
        check(pump(lambda: heard_since(mark, "object:state-changed:focused", "Cross style", 1)),
              "no focus event for Cross style: %s" % events[mark:])

        # ---- The about box, opened through its button, is a dialog.
        by_name["About..."].queryAction().doAction(0)
        check(pump(lambda: child_with_role(stolvane_app, "dialog") is not None),
              "the about box did not appear as a dialog")
        about = child_with_role(stolvane_app, "dialog")
        check(about.name == "About the ActiveX controls...", "the about box is named %r" % about.name)
        check(about.getState().contains(pyatspi.STATE_MODAL), "the about box is not modal")
        named(about, "OK").queryAction().doAction(0)
        check(pump(lambda: child_with_role(stolvane_app, "dialog") is None),
              "the about box did not close through its OK button")

        entry_checks(stolvane, folder, apps, pump, application, events, heard_since, named, child_with_role, pyatspi)

        # ---- The title bar's close button closes the showcase, as a click on it does.
        by_name["Close"].queryAction().doAction(0)
        check(pump(lambda: showcase.process.poll() is not None), "the showcase stayed open after its Close button")
        check(showcase.said("HaltClick", "capShowcase"), "no HaltClick: %s" % showcase.printed)
        print("atspi_showcase: all checks passed")
        return 0
    except Failure as f:
        print("atspi_showcase: FAILED: %s" % f, file=sys.stderr)
        for name in ("showcase.err", "entry.err", "launcher.log"):
            path = os.path.join(folder, name)
            if os.path.exists(path):
                print("---- %s\n%s" % (name, open(path, errors="replace").read()[-3000:]), file=sys.stderr)
        return 1
    finally:
        for app in apps:
            app.stop()
        launcher.terminate()
        launcher.wait()


def entry_checks(stolvane, folder, apps, pump, application, events, heard_since, named, child_with_role, pyatspi):
    """A text box read and edited over the bus, its label's relation and key, and its tooltip."""
    form = os.path.join(folder, "entry.json")
    with open(form, "w") as f:
        f.write(ENTRY_FORM)
    entry = App(stolvane, form, folder, "entry")
    apps.append(entry)
    check(pump(lambda: application("Entry") is not None), "the entry form never appeared on the accessibility bus")
    frame = application("Entry").getChildAtIndex(0)

    # The label names the box after it and hands it its access key.
    children = [frame.getChildAtIndex(i) for i in range(frame.childCount)]
    labels = [c for c in children if c.getRoleName() == "label" and c.name == "Name:"]
    boxes = [c for c in children if c.getRoleName() == "text" and c.name == "Name:"]
    check(len(labels) == 1 and len(boxes) == 1, "the label and the box it names: %s" %
          [(c.getRoleName(), c.name) for c in children])
    label, box = labels[0], boxes[0]

    def related(node, kind):
        return [r.getTarget(0) for r in node.getRelationSet() if r.getRelationType() == kind]
    check([t.getRoleName() for t in related(label, pyatspi.RELATION_LABEL_FOR)] == ["text"], "the label's relation")
    check([t.name for t in related(box, pyatspi.RELATION_LABELLED_BY)] == ["Name:"], "the box's relation")
    check(box.description == "As it should be printed", "the box's description %r" % box.description)

    text = box.queryText()
    # Edited: each edit raises the application's Change and is told as what it inserted or
    # removed, at character offsets.
    edit = box.queryEditableText()

    def edited(do, kind, at, length, data, now):
        mark = len(entry.printed), len(events)
        do()
        check(pump(lambda: any('"Change"' in line and "txtName" in line for line in entry.printed[mark[0]:])),
              "no Change after an edit to %r" % now)
        check(pump(lambda: any(e[0] == kind and e[2] == at and e[3] == length and e[4] == data
                               for e in events[mark[1]:])),
              "no %s (%d, %d, %r): %s" % (kind, at, length, data, events[mark[1]:]))
        check(text.getText(0, -1) == now, "the box reads %r, not %r" % (text.getText(0, -1), now))

    edited(lambda: edit.insertText(3, " Lovelace", 9), "object:text-changed:insert", 3, 9, " Lovelace", "Ada Lovelace")
    edited(lambda: edit.deleteText(0, 4), "object:text-changed:delete", 0, 4, "Ada ", "Lovelace")
    edited(lambda: edit.setTextContents("Gr\u00e2ce Hopper"), "object:text-changed:insert", 0, 12,
           "Gr\u00e2ce Hopper", "Gr\u00e2ce Hopper")
    edited(lambda: edit.insertText(5, "!", 1), "object:text-changed:insert", 5, 1, "!", "Gr\u00e2ce! Hopper")
    # Selection and caret, set by the client and read back, with the caret's event.
    check(text.setSelection(0, 7, 13), "the selection was refused")
    check(text.getNSelections() == 1 and tuple(text.getSelection(0)) == (7, 13), "the selection %s" %
          (text.getSelection(0),))
    mark = len(events)
    check(text.setCaretOffset(2), "the caret's move was refused")
    check(text.caretOffset == 2, "the caret is at %d" % text.caretOffset)
    check(pump(lambda: heard_since(mark, "object:text-caret-moved", "Name:", 2)), "no caret event: %s" % events[mark:])

    # A locked box is read but refuses edits.
    fixed = named(frame, "txtFixed")
    fixed.queryEditableText().setTextContents("Changed")
    check(fixed.queryText().getText(0, -1) == "Fixed", "the locked box took an edit")

    # A client gives the focus to a box.
    mark = len(events)
    check(fixed.queryComponent().grabFocus(), "the locked box refused the focus")
    check(pump(lambda: heard_since(mark, "object:state-changed:focused", "txtFixed", 1)),
          "the locked box did not take the focus")

    # The pointer resting on the box shows its tip: a tool tip while it is up.
    app = application("Entry")
    extents = box.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    xdotool("mousemove", str(extents.x + extents.width // 2), str(extents.y + extents.height // 2))
    tip = lambda: child_with_role(app, "tool tip")
    check(pump(lambda: tip() is not None), "no tool tip appeared")
    check(tip().name == "As it should be printed", "the tool tip reads %r" % tip().name)
    xdotool("mousemove", "0", "0")
    check(pump(lambda: tip() is None), "the tool tip stayed")
    entry.stop()


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "--inside":
        sys.exit(inside(sys.argv[2], sys.argv[3]))
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(outer(os.path.abspath(sys.argv[1])))
