"""Drives a desktop program as a person does: controls are found through the accessibility interface
(AT-SPI) by role and caption, as a screen reader finds them, and worked with the X server's mouse
and keyboard (xdotool). Every wait polls until a limit and says what it waited for. Also serves
RSS feeds in the service's format on 127.0.0.1 for the program to fetch.
Used with the system's /usr/bin/python3 (pyatspi) by tests/desktop/whole_program.py and
scripts/package_open_message.py."""

import http.server
import os
import re
import signal
import subprocess
import threading
import time

import pyatspi
from gi.repository import GLib

WAIT_S = 30
FRAME, DIALOG, ALERT = pyatspi.ROLE_FRAME, pyatspi.ROLE_DIALOG, pyatspi.ROLE_ALERT
CELL, TEXT, LABEL = pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_TEXT, pyatspi.ROLE_LABEL
BUTTON, MENU_ITEM, POPUP = pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_POPUP_MENU
MENU = pyatspi.ROLE_MENU
TREE, WEB = pyatspi.ROLE_TREE, pyatspi.ROLE_DOCUMENT_WEB
SHOWING, ENABLED, SELECTED = pyatspi.STATE_SHOWING, pyatspi.STATE_ENABLED, pyatspi.STATE_SELECTED
FOCUSED, EXPANDED = pyatspi.STATE_FOCUSED, pyatspi.STATE_EXPANDED
ITEM = ('<item><title>{0}</title><guid isPermaLink="false">{1}</guid><pubDate>{3}</pubDate>'
        '<description><![CDATA[<!-- header start:\nfrom: &quot;Front Desk&quot; &lt;desk@vellorin'
        '.net&gt;<br />\nsubject: {0}<br />\ndate: {3}<br />\nreply-to: &quot;Front Desk&quot; '
        '&lt;desk@vellorin.net&gt;<br />\nheader end --><p>{2}</p>]]></description></item>')


class Failure(Exception):
    pass


def expect(condition, message, *args):
    if not condition:
        raise Failure(message % args if args else message)


def expect_equal(what, got, expected):
    expect(got == expected, "%s: %r, expected %r", what, got, expected)


def rss(title, items):
    """A feed of (guid, title, body, hour of 7 Dec 2026) items, as the service writes it."""
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<rss version="2.0"><channel><title>%s</title>'
            "<link>https://www.vellorin.net/</link><description>Notices</description>%s"
            "</channel></rss>\n" % (title, "".join(ITEM.format(
                t, guid, body, "Mon, 07 Dec 2026 %02d:00:00 +0000" % h)
                for guid, t, body, h in items))).encode("utf-8")


def serve(feeds):
    """Serves {path: function giving the feed's bytes} on 127.0.0.1; gives the running server."""
    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            if self.path not in feeds:
                return self.send_error(404)
            body = feeds[self.path]()
            self.send_response(200)
            self.send_header("Content-Type", "application/rss+xml; charset=utf-8")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def end_process(process):
    if process is not None and process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()


# --- The X server: windows by caption, their places, the keyboard focus, the mouse.

def xdo(*args):
    return subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True,
                          text=True).stdout


def x_windows(caption):
    """The shown X windows whose caption is exactly `caption`."""
    return [int(w) for w in xdo("search", "--onlyvisible", "--name", "^%s$" % re.escape(caption))
            .split()]


def x_geometry(window):
    """(x, y, width, height) of a window on the screen, without the window manager's frame."""
    out = subprocess.run(["xwininfo", "-id", str(window)], capture_output=True, text=True).stdout
    return tuple(int(re.search(r"%s:\s*(-?\d+)" % key, out).group(1)) for key in (
        "Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))


def x_property(window, name):  # of the root window with None
    return subprocess.run(["xprop"] + (["-id", str(window)] if window else ["-root"]) + [name],
                          capture_output=True, text=True).stdout


def focused_window():
    return int(xdo("getwindowfocus").strip())


def expect_focus(window, when):
    expect(focused_window() == window, "%s moved the keyboard focus to window %d (was %d)", when,
           focused_window(), window)


def drag(start, end):
    """Drags with the left button along a hand's path, in steps a drag-and-drop follows."""
    (sx, sy), (tx, ty) = start, end
    xdo("mousemove", sx, sy, "mousedown", 1)
    for x, y in [(sx + (tx - sx) * i // 12, sy + (ty - sy) * i // 12) for i in range(1, 13)] + [
            (tx + 3, ty), (tx - 3, ty), (tx, ty)]:
        xdo("mousemove", x, y)
        time.sleep(0.05)
    xdo("mouseup", 1)


# --- Accessible objects.

def children(acc):
    if acc is None:
        return []
    return [c for c in (acc.getChildAtIndex(i) for i in range(acc.childCount)) if c is not None]


def has(acc, state):
    try:
        return acc is not None and state in acc.getState().getStates()
    except Exception:
        return False


def find_all(root, role=None, name=None):
    """Showing descendants of `root` (itself included) with the role and the caption (spaces
    around it ignored)."""
    found = []

    def visit(acc):
        try:
            if not has(acc, SHOWING):
                return
            if role in (None, acc.getRole()) and name in (None, acc.name.strip()):
                found.append(acc)
            below = children(acc)
        except Exception:
            return
        for child in below:
            visit(child)
    if root is not None:
        visit(root)
    return found


def find(root, role=None, name=None):
    return next(iter(find_all(root, role, name)), None)


def text_of(acc):
    return acc.queryText().getText(0, -1)


def labels(acc):
    return " ".join(a.name for a in find_all(acc, LABEL))


def extents(acc):
    return tuple(acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS))


def center(acc):
    x, y, w, h = extents(acc)
    expect(w > 0 and h > 0, "%r has no place on the screen", acc.name)
    return x + w // 2, y + h // 2


def click(acc, button=1, double=False):
    xdo("mousemove", *center(acc), "click", *(["--repeat", 2, "--delay", 80] if double else []),
        button)


def captions(menu, roles=(MENU_ITEM,)):
    return [i.name for i in children(menu) if i.getRole() in roles]


class Driver:
    """Waits on one program (`client`, a Popen, once started), its windows and its menus;
    screenshots of the steps go to `out_dir` (NN-name.png) when one is given."""

    def __init__(self, out_dir=None, wait_s=WAIT_S):
        self.client, self.popups, self.out_dir, self.shots = None, [], out_dir, 0
        self.wait_s = wait_s
        self.context = GLib.MainContext.default()
        # Menus that open by themselves (a tray's, a tree's) are top-level popups that the
        # application's accessible does not list; they are caught when they show.
        pyatspi.Registry.registerEventListener(self._on_showing, "object:state-changed:showing")

    def _on_showing(self, event):
        try:
            if event.detail1 == 1 and event.source.getRole() == POPUP:
                self.popups.append(event.source)
        except Exception:
            pass

    def pump(self):
        while self.context.iteration(False):
            pass

    def wait_for(self, what, condition, timeout=None):
        timeout = timeout or self.wait_s
        deadline = time.monotonic() + timeout
        while True:
            self.pump()
            try:
                value = condition()
            except Exception:
                value = None
            if value:
                return value
            if self.client is not None and self.client.poll() is not None:
                raise Failure("the client ended (status %s) while waiting for %s"
                              % (self.client.returncode, what))
            expect(time.monotonic() < deadline, "waited %d s for %s", timeout, what)
            time.sleep(0.1)

    def shot(self, name):
        if self.out_dir:
            self.shots += 1
            path = os.path.join(self.out_dir, "%02d-%s.png" % (self.shots, name))
            subprocess.run(["import", "-window", "root", path], check=True)
            print("  screenshot", path, flush=True)

    def within(self, condition, seconds):
        """Whether `condition` comes true within the seconds (a wait that may end without)."""
        try:
            return bool(self.wait_for("", condition, seconds))
        except Failure:
            return False

    def application(self, pid=None):
        pid = self.client.pid if pid is None else pid
        return next((a for a in children(pyatspi.Registry.getDesktop(0))
                     if a.get_process_id() == pid), None)

    def get(self, root, role, name=None, timeout=None):
        """Waits for a showing control of `root` with the role and caption."""
        return self.wait_for("%s %r in %r" % (str(role)[5:].lower(), name, root.name),
                             lambda: find(root, role, name), timeout)

    def window(self, role, name, pid=None):
        """A showing top-level window of the program with the role (any with None) and caption."""
        return next((w for w in children(self.application(pid)) if has(w, SHOWING) and
                     role in (None, w.getRole()) and name in (None, w.name)), None)

    def top(self, role, name, pid=None):
        return self.wait_for("the window %r" % name, lambda: self.window(role, name, pid))

    def gone(self, role, name):
        self.wait_for("the window %r gone" % name, lambda: not self.window(role, name))

    def main_window(self):
        return self.window(FRAME, None)

    def focus_in(self, caption):
        """Waits for the keyboard focus in the window with the caption; gives its X window."""
        return self.wait_for("the keyboard focus in " + caption, lambda: (
            focused_window() in x_windows(caption) and focused_window()))

    def fields(self, window, count=None):
        """The window's editable text fields in order (`count` of them)."""
        def editable():
            found = [t for t in find_all(window, TEXT) if has(t, pyatspi.STATE_EDITABLE)]
            return found if count in (None, len(found)) else None
        return self.wait_for("the text fields of " + window.name, editable)

    def type_into(self, field, text):
        click(field)
        xdo("key", "ctrl+a")
        xdo("type", "--delay", 20, text)
        self.wait_for("%r typed" % text, lambda: text_of(field) == text)

    def settled(self, what, acc, condition):
        """Waits until the control's extents stay put between two polls and meet `condition`."""
        last = [None]

        def still():
            previous, last[0] = last[0], extents(acc)
            return last[0] == previous and condition(previous) and previous
        return self.wait_for(what, still)

    def new_popup(self, what, open_it):
        self.popups.clear()
        open_it()
        return self.wait_for(what, lambda: next(
            (p for p in reversed(self.popups) if has(p, SHOWING)), None))

    def context_menu(self, acc, what="the context menu"):
        """Selects `acc` with a click and opens its context menu with a right click."""
        click(acc)
        return self.new_popup(what, lambda: click(acc, button=3))

    def choose(self, menu, caption):
        item = self.get(menu, MENU_ITEM, caption)
        self.wait_for('"%s" enabled' % caption, lambda: has(item, ENABLED))
        click(item)
        return item

    def menu_bar(self, menu_caption, item_caption):
        """Chooses an item of the main window's menu bar with the mouse."""
        title = self.get(self.wait_for("the main window", self.main_window), MENU_ITEM,
                         menu_caption)
        click(title)
        self.choose(self.get(title, POPUP), item_caption)

    def answer(self, role, caption, button, says=""):
        """Presses `button` in the box or dialog with the caption, whose text must hold `says`."""
        box = self.top(role, caption)
        text = labels(box)
        expect(says in text, "the window %r says %r, not %r", caption, text, says)
        self.shot(re.sub(r"[^a-z]+", "-", caption.lower()).strip("-"))
        click(self.get(box, BUTTON, button))
        self.gone(role, caption)

    def dump(self, path):
        """Writes the program's accessible tree to `path`: roles, captions, states."""
        with open(path, "w") as f:
            def visit(acc, depth):
                try:
                    f.write("%s[%s] %r %s\n" % ("  " * depth, acc.getRoleName(), acc.name, ",".join(
                        pyatspi.stateToString(s) for s in acc.getState().getStates())))
                    for child in children(acc):
                        visit(child, depth + 1)
                except Exception as e:
                    f.write("%s(gone: %s)\n" % ("  " * depth, e))
            visit(self.application(), 0)
