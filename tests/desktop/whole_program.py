#!/usr/bin/python3
"""The desktop client as a person uses it, from the tray to File > Exit.

Run by whole_program.sh inside a private X display with a tray host (trayer) and a private D-Bus
session, where Qt's widgets are read through the accessibility interface (AT-SPI). Controls are
found by their role and caption, as a screen reader finds them; they are worked with the X
server's mouse and keyboard (xdotool) at the places AT-SPI reports, as a person works them. Only
the tray icon itself, which AT-SPI does not list, is found through the X server.

The client runs from a copy of the application folder, on a temporary data folder subscribed (with
vellorinctl) to a feed this script serves on 127.0.0.1, with the online override set and the
browser plug-in for Firefox switched on. At the end the inbox file must show what was done through
the windows.

Beside the client runs a browser's stand-in (desktop_drag_source, built with the tests): a window
that keeps the keyboard focus while the client's popups open, and the source of a link dragged
onto the drop box. What the browser shows comes from a Firefox session file the script writes into
the temporary home folder. Two more sources are subscribed to while the client runs, one through
the subscribe dialog and one by a drop on the drop box; the subscription manager renames one and
unsubscribes the other, and the list file and the data folder must show it.

Every wait polls its condition until a generous time limit; a step that fails names what it
waited for, leaves a screenshot and the client's accessible tree in the output folder and ends
the run with status 1. Screenshots of each step are kept there as NN-step.png.
"""

import argparse
import http.server
import json
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time
import traceback
from xml.etree import ElementTree

import lz4.block
import pyatspi
from gi.repository import GLib

WAIT_S = 30
# The first message starts the web engine; under a loaded machine that takes a while.
FIRST_PAGE_WAIT_S = 90

FEED_PATH = "/www.vellorin.net/feeds/desk.xml"
SOURCE_TITLE = "Desk news"
# Two more sources of the service, subscribed through the windows while the client runs.
CANTEEN_PATH = "/www.vellorin.net/feeds/canteen.xml"
CANTEEN_TITLE = "Canteen menu"
CARPOOL_PATH = "/www.vellorin.net/feeds/carpool.xml"
CARPOOL_TITLE = "Car pool"
CARPOOL_RENAMED = "Car sharing"

# A page of the service's site (its host is on urls.lst) and one elsewhere, as a browser shows
# them.
SITE_PAGE = "https://www.vellorin.net/inbox"
OTHER_PAGE = "https://www.example.com/news"
POPUP_CAPTION = "Vellorin Browser Plug-In"
# How long the snoozed reminder is watched for. The hold-back lasts 600 s, longer than a test can
# wait: the core's tests cover its end with a clock of their own; here the addresses change back
# and forth long enough for many polls of the running client's monitor (every 500 ms).
SNOOZE_WATCH_S = 20

# Where the browser's stand-in and the drop box are placed: away from the main window (top left),
# the tray (top right) and the popups (bottom right).
STAND_IN_PLACE = (20, 700)
DROP_BOX_PLACE = (1100, 300)
TWIPS_PER_PIXEL = 15

TRAY_MENU = [
    "Show Inbox", "Subscribe to New Source", "Check for New Messages", "Vellorin Dropbox",
    "Plug-In Configuration", "Settings", "Help File", "Contact Us", "Visit our Website", "Exit",
]
CONTEXT_MENU = ["Show", "Delete", "Mark as Read", "Mark as Unread", "Export to File"]
DROP_BOX_MENU = ["Window Size", "Transperancy", "Close"]


class Failure(Exception):
    pass


# --- The feed the source is subscribed to.

class Feed:
    """An RSS feed in the service's format whose items the test changes while it runs."""

    def __init__(self, path, title):
        self.path = path
        self.title = title
        self.items = []  # (guid, title, body, hour), newest last
        self.requests = 0
        self.lock = threading.Lock()

    def add(self, guid, title, body, hour):
        with self.lock:
            self.items.append((guid, title, body, hour))

    def xml(self):
        with self.lock:
            items = list(self.items)
        out = ['<?xml version="1.0" encoding="UTF-8"?>\n<rss version="2.0"><channel>',
               "<title>%s</title><link>https://www.vellorin.net/</link>" % self.title,
               "<description>Notices of the front desk</description>"]
        for guid, title, body, hour in items:
            date = "Mon, 07 Dec 2026 %02d:00:00 +0000" % hour
            description = (
                "<!-- header start:\nfrom: &quot;Front Desk&quot; &lt;desk@vellorin.net&gt;<br />\n"
                "subject: %s<br />\ndate: %s<br />\n"
                "reply-to: &quot;Front Desk&quot; &lt;desk@vellorin.net&gt;<br />\nheader end -->"
                "<p>%s</p>" % (title, date, body))
            out.append('<item><title>%s</title><guid isPermaLink="false">%s</guid>'
                       "<pubDate>%s</pubDate><description><![CDATA[%s]]></description></item>"
                       % (title, guid, date, description))
        out.append("</channel></rss>\n")
        return "".join(out).encode("utf-8")


def serve(*feeds):
    by_path = {feed.path: feed for feed in feeds}

    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            feed = by_path.get(self.path)
            if feed is None:
                self.send_error(404)
                return
            body = feed.xml()
            with feed.lock:
                feed.requests += 1
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


# --- The files of the data folder, as the client stores them.

def read_inbox(data_folder, source_id):
    """guid -> {key: value} of every message in the source's inbox.dat ({} without one)."""
    messages = {}
    path = os.path.join(data_folder, source_id, "inbox.dat")
    if not os.path.isfile(path):
        return messages
    current = None
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            line = line.rstrip("\r\n")
            m = re.fullmatch(r"\[(.*)\]", line)
            if m:
                current = messages.setdefault(m.group(1), {}) if m.group(1) else None
            elif current is not None and "=" in line:
                key, value = line.split("=", 1)
                current[key] = value
    return messages


def read_subscriptions(data_folder):
    """[(id, title, link)] of subscriptions.dat in file order. The list is the first element
    "sources"; each child is a source whose first attribute is its identifier, the second its
    title, and whose text is its link."""
    root = ElementTree.parse(os.path.join(data_folder, "subscriptions.dat")).getroot()
    sources = root if root.tag == "sources" else root.find(".//sources")
    out = []
    for child in sources:
        values = list(child.attrib.values()) + ["", ""]
        out.append((values[0], values[1], child.text or ""))
    return out


def read_ini(path):
    """section -> {key: value} of an INI file (names in lower case)."""
    sections = {}
    current = None
    if not os.path.isfile(path):
        return sections
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            line = line.strip()
            m = re.fullmatch(r"\[(.*)\]", line)
            if m:
                current = sections.setdefault(m.group(1).lower(), {})
            elif current is not None and "=" in line:
                key, value = line.split("=", 1)
                current[key.strip().lower()] = value.strip()
    return sections


def source_id(data_folder, title):
    """The identifier of the subscribed source with the title, or None."""
    return next((i for i, t, _ in read_subscriptions(data_folder) if t == title), None)


# --- The browser's session file, as Firefox keeps it for crash recovery.

class FirefoxProfile:
    """A default profile under <home>/.mozilla/firefox whose session file the test rewrites as
    Firefox does while the user browses."""

    def __init__(self, home):
        root = os.path.join(home, ".mozilla", "firefox")
        os.makedirs(os.path.join(root, "t.default", "sessionstore-backups"))
        with open(os.path.join(root, "profiles.ini"), "w") as f:
            f.write("[Install4F96D1932A9F858E]\nDefault=t.default\nLocked=1\n\n"
                    "[Profile0]\nName=default-release\nIsRelative=1\nPath=t.default\n"
                    "Default=1\n\n[General]\nStartWithLastProfile=1\nVersion=2\n")
        self.path = os.path.join(root, "t.default", "sessionstore-backups", "recovery.jsonlz4")
        self.stamp_ns = time.time_ns()

    def show(self, url, title="Page"):
        """The browser now shows `url` in the selected tab of its selected window. The file is
        replaced as Firefox replaces it, and each rewrite gets a later modification time than the
        one before, however quickly they follow each other."""
        session = {
            "version": ["sessionrestore", 1], "selectedWindow": 1, "_closedWindows": [],
            "windows": [{"selected": 1, "tabs": [
                {"index": 1, "entries": [{"url": url, "title": title}]}]}],
        }
        data = json.dumps(session).encode("utf-8")
        # "mozLz40\0", the decompressed size (4 bytes, little-endian), one LZ4 block.
        content = b"mozLz40\0" + struct.pack("<I", len(data)) + \
            lz4.block.compress(data, store_size=False)
        temporary = self.path + ".tmp"
        with open(temporary, "wb") as f:
            f.write(content)
        self.stamp_ns += 1_000_000_000
        os.utime(temporary, ns=(self.stamp_ns, self.stamp_ns))
        os.replace(temporary, self.path)


# --- The run: X tools, AT-SPI and waiting.

class Run:
    def __init__(self, out_dir):
        self.out_dir = out_dir
        self.step = 0
        self.client = None
        self.stand_in = None
        self.popups = []
        self.context = GLib.MainContext.default()
        pyatspi.Registry.registerEventListener(self._on_showing, "object:state-changed:showing")

    # Menus that open by themselves (the tray's, the tree's) are top-level popups that the
    # application's accessible does not list; they are caught when they show.
    def _on_showing(self, event):
        try:
            if event.detail1 == 1 and event.source.getRole() == pyatspi.ROLE_POPUP_MENU:
                self.popups.append(event.source)
        except Exception:
            pass

    def pump(self):
        while self.context.iteration(False):
            pass

    def wait_for(self, what, condition, timeout=WAIT_S):
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
            if time.monotonic() > deadline:
                raise Failure("waited %d s for %s" % (timeout, what))
            time.sleep(0.1)

    def shot(self, name):
        self.step += 1
        path = os.path.join(self.out_dir, "%02d-%s.png" % (self.step, name))
        subprocess.run(["import", "-window", "root", path], check=True)
        print("  screenshot", path, flush=True)
        return path

    @staticmethod
    def xdotool(*args):
        subprocess.run(["xdotool"] + [str(a) for a in args], check=True)

    def key(self, *keys):
        self.xdotool("key", *keys)

    @staticmethod
    def focused_window():
        """The X window that has the keyboard focus (there is no window manager to ask)."""
        return int(subprocess.run(["xdotool", "getwindowfocus"], capture_output=True, text=True,
                                  check=True).stdout.strip())

    @staticmethod
    def x_windows(name):
        """The shown X windows whose name (caption) is exactly `name`."""
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % name],
                               capture_output=True, text=True).stdout.split()
        return [int(w) for w in found]

    # --- Accessible objects.

    def application(self, pid=None):
        """The accessible application of the process (the client's by default), or None."""
        pid = self.client.pid if pid is None else pid
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.get_process_id() == pid:
                return app
        return None

    @staticmethod
    def states(acc):
        return set(acc.getState().getStates())

    def showing(self, acc):
        try:
            return acc is not None and pyatspi.STATE_SHOWING in self.states(acc)
        except Exception:
            return False

    def find_all(self, root, role=None, name=None, only_showing=True):
        """Descendants of `root` (itself included) with the role and caption asked for."""
        found = []

        def visit(acc):
            try:
                if only_showing and not self.showing(acc):
                    return
                if (role is None or acc.getRole() == role) and (name is None or acc.name == name):
                    found.append(acc)
                children = [acc.getChildAtIndex(i) for i in range(acc.childCount)]
            except Exception:
                return
            for child in children:
                if child is not None:
                    visit(child)

        if root is not None:
            visit(root)
        return found

    def find(self, root, role=None, name=None):
        found = self.find_all(root, role, name)
        return found[0] if found else None

    def windows(self, role, name, pid=None):
        """The showing top-level windows of the client (or of the process) with the role (any
        with None) and caption: the frame, dialogs, message boxes, the drop box, popups."""
        app = self.application(pid)
        if app is None:
            return []
        found = []
        for i in range(app.childCount):
            w = app.getChildAtIndex(i)
            if w is not None and (role is None or w.getRole() == role) and \
                    (name is None or w.name == name) and self.showing(w):
                found.append(w)
        return found

    def window(self, role, name, pid=None):
        found = self.windows(role, name, pid)
        return found[0] if found else None

    def center(self, acc):
        x, y, w, h = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        if w <= 0 or h <= 0:
            raise Failure("%r has no place on the screen" % acc.name)
        return x + w // 2, y + h // 2

    def click(self, acc, button=1, double=False):
        x, y = self.center(acc)
        args = ["mousemove", x, y, "click"]
        if double:
            args += ["--repeat", 2, "--delay", 80]
        self.xdotool(*(args + [button]))

    def main_window(self):
        return self.window(pyatspi.ROLE_FRAME, None)

    # --- Menus.

    def new_popup(self, what, open_it):
        """Does `open_it` and gives the popup menu it showed."""
        self.popups.clear()
        open_it()
        return self.wait_for(what, lambda: next(
            (p for p in reversed(self.popups) if self.showing(p)), None))

    def item(self, menu, caption):
        for i in range(menu.childCount):
            child = menu.getChildAtIndex(i)
            if child.getRole() == pyatspi.ROLE_MENU_ITEM and child.name == caption:
                return child
        return None

    def captions(self, menu):
        return [menu.getChildAtIndex(i).name for i in range(menu.childCount)
                if menu.getChildAtIndex(i).getRole() == pyatspi.ROLE_MENU_ITEM]

    def choose(self, menu, caption):
        item = self.wait_for('"%s" in the menu (it has %s)' % (caption, self.captions(menu)),
                             lambda: self.item(menu, caption))
        self.wait_for('"%s" enabled' % caption,
                      lambda: pyatspi.STATE_ENABLED in self.states(item))
        self.click(item)

    def menu_bar(self, menu_caption, item_caption):
        """Chooses an item of the main window's menu bar with the mouse."""
        frame = self.wait_for("the main window", self.main_window)
        title = self.wait_for('menu "%s"' % menu_caption,
                              lambda: self.find(frame, pyatspi.ROLE_MENU_ITEM, menu_caption))
        self.click(title)
        menu = self.wait_for('menu "%s" open' % menu_caption,
                             lambda: self.find(title, pyatspi.ROLE_POPUP_MENU))
        self.choose(menu, item_caption)

    def answer(self, role, caption, button):
        """Presses `button` in the box or dialog with the caption; gives the window's text."""
        box = self.wait_for('the box "%s"' % caption, lambda: self.window(role, caption))
        text = " ".join(a.name for a in self.find_all(box, pyatspi.ROLE_LABEL))
        self.shot(re.sub(r"[^a-z]+", "-", caption.lower()).strip("-"))
        self.click(self.wait_for('"%s" in "%s"' % (button, caption),
                                 lambda: self.find(box, pyatspi.ROLE_PUSH_BUTTON, button)))
        self.wait_for('the box "%s" gone' % caption, lambda: not self.window(role, caption))
        return text

    # --- The tray icon (an X window inside the tray host; AT-SPI does not list it).

    def tray_icon(self):
        """(x, y) of the middle of the client's icon in the tray host, or None."""
        found = subprocess.run(["xdotool", "search", "--classname", "^vellorin$"],
                               capture_output=True, text=True).stdout.split()
        panel = subprocess.run(["xdotool", "search", "--classname", "^panel$"],
                               capture_output=True, text=True).stdout.split()
        if not panel:
            return None
        px, py, pw, ph = self.geometry(panel[0])
        for window in found:
            x, y, w, h = self.geometry(window)
            # Inside the host's panel and the size of an icon: the tray icon, not a window.
            if w <= 64 and h <= 64 and px <= x < px + pw and py <= y < py + ph:
                return x + w // 2, y + h // 2
        return None

    @staticmethod
    def geometry(window):
        out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                             capture_output=True, text=True).stdout
        v = dict(line.split("=", 1) for line in out.split() if "=" in line)
        try:
            return int(v["X"]), int(v["Y"]), int(v["WIDTH"]), int(v["HEIGHT"])
        except (KeyError, ValueError):
            return 0, 0, 0, 0

    def tray_menu(self):
        icon = self.wait_for("the tray icon in the tray host", self.tray_icon)
        return self.new_popup("the tray menu",
                              lambda: self.xdotool("mousemove", icon[0], icon[1], "click", 3))

    # --- Diagnosis.

    def dump(self, path):
        with open(path, "w") as f:
            def visit(acc, depth):
                try:
                    f.write("%s[%s] %r %s\n" % ("  " * depth, acc.getRoleName(), acc.name,
                                                 ",".join(pyatspi.stateToString(s)
                                                          for s in acc.getState().getStates())))
                    children = [acc.getChildAtIndex(i) for i in range(acc.childCount)]
                except Exception as e:
                    f.write("%s(gone: %s)\n" % ("  " * depth, e))
                    return
                for child in children:
                    if child is not None:
                        visit(child, depth + 1)
            app = self.application() if self.client is not None else None
            if app is not None:
                visit(app, 0)


# --- The browser's stand-in: a program of the test's own, with a link to drag and a window that
# keeps the keyboard focus.

class BrowserStandIn:
    CAPTION = "Browser stand-in"

    def __init__(self, run, program, link, env):
        self.run = run
        self.lines = []
        x, y = STAND_IN_PLACE
        self.process = subprocess.Popen([program, link, self.CAPTION, str(x), str(y)], env=env,
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                        text=True)
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.append(line.strip())

    def accessible(self, role, name):
        return self.run.find(self.run.window(None, self.CAPTION, self.process.pid),
                             role, name)

    def x_windows(self):
        return self.run.x_windows(self.CAPTION)

    def take_focus(self):
        """Clicks into the address field, as the user does before browsing."""
        address = self.run.wait_for("the stand-in's address field", lambda: self.accessible(
            pyatspi.ROLE_TEXT, "Address"))
        self.run.click(address)

        def focused_here():
            window = self.run.focused_window()
            return window if window in self.x_windows() else None
        return self.run.wait_for("the keyboard focus in the stand-in", focused_here)

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()


# --- Steps with a window of their own.

def tree_cell(run, tree, title):
    # Accessible objects of a tree's rows last as long as the rows: each step finds its row anew.
    return run.wait_for('"%s" in the tree' % title,
                        lambda: run.find(tree, pyatspi.ROLE_TABLE_CELL, title))


def tree_titles(run, tree):
    return [c.name for c in run.find_all(tree, pyatspi.ROLE_TABLE_CELL)]


def button(run, window, caption):
    """A push button of the window by its caption, without the spaces around it."""
    return run.wait_for('"%s" in "%s"' % (caption, window.name), lambda: next(
        (b for b in run.find_all(window, pyatspi.ROLE_PUSH_BUTTON) if b.name.strip() == caption),
        None))


def fields(run, window):
    """The editable text fields of the window, in the order of the window's controls."""
    return [t for t in run.find_all(window, pyatspi.ROLE_TEXT)
            if pyatspi.STATE_EDITABLE in run.states(t)]


def text_of(acc):
    return acc.queryText().getText(0, -1)


def type_into(run, field, text):
    run.click(field)
    run.key("ctrl+a")
    run.xdotool("type", "--delay", 20, text)
    run.wait_for("%r typed" % text, lambda: text_of(field) == text)


SUBSCRIBE_CAPTION = "Subscribe to New Message Source"


def subscribe_in_dialog(run, tree, title, link=None):
    """Fills the subscribe dialog (the link only when given: a drop has put it in), subscribes,
    answers the success box and sees the new source in the main tree."""
    dialog = run.wait_for("the subscribe dialog", lambda: run.window(pyatspi.ROLE_DIALOG,
                                                                      SUBSCRIBE_CAPTION))
    txt_title, txt_link = run.wait_for("the title and link fields", lambda: (
        len(fields(run, dialog)) == 2 and fields(run, dialog)))
    if link is not None:
        type_into(run, txt_link, link)
    type_into(run, txt_title, title)
    run.shot("subscribe-" + re.sub(r"[^a-z]+", "-", title.lower()))
    run.click(button(run, dialog, "Subscribe Now!"))
    text = run.answer(pyatspi.ROLE_ALERT, "Done!", "OK")
    if "successfully Added" not in text:
        raise Failure("the subscribe dialog's success box says %r" % text)
    run.wait_for("the subscribe dialog closed", lambda: not run.window(pyatspi.ROLE_DIALOG,
                                                                        SUBSCRIBE_CAPTION))
    tree_cell(run, tree, title)


def subscribe_through_drop_box(run, tree, stand_in, link, settings_path):
    """Opens the drop box from the Tools menu, drags the stand-in's link onto it with the X
    server's mouse (a real drag-and-drop between two programs), subscribes to the link the drop
    put into the subscribe dialog, and closes the drop box through its own menu."""
    run.menu_bar("Tools", "Vellorin DropBox")
    box = run.wait_for("the drop box", lambda: run.window(None, "Vellorin DropBox"))
    x, y, w, h = box.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    if (x, y) != DROP_BOX_PLACE:
        raise Failure("the drop box opened at %s, settings.cfg places it at %s"
                      % ((x, y), DROP_BOX_PLACE))
    run.shot("drop-box")

    source = run.wait_for("the stand-in's link", lambda: stand_in.accessible(
        pyatspi.ROLE_LABEL, "Drag this link"))
    sx, sy = run.center(source)
    tx, ty = run.center(box)
    run.xdotool("mousemove", sx, sy, "mousedown", 1)
    # A hand's path, in steps: the drag follows the pointer and asks each window under it.
    steps = 12
    for i in range(1, steps + 1):
        run.xdotool("mousemove", sx + (tx - sx) * i // steps, sy + (ty - sy) * i // steps)
        time.sleep(0.05)
    for dx in (3, -3, 0):
        run.xdotool("mousemove", tx + dx, ty)
        time.sleep(0.05)
    run.xdotool("mouseup", 1)
    run.wait_for("the drop accepted (the stand-in's report)",
                 lambda: "drop: accepted" in stand_in.lines)

    # The drop opens the subscribe dialog, without owner and modeless, with the link put in.
    dialog = run.wait_for("the subscribe dialog after the drop", lambda: run.window(
        pyatspi.ROLE_DIALOG, SUBSCRIBE_CAPTION))
    got = run.wait_for("the link field filled", lambda: (
        len(fields(run, dialog)) == 2 and text_of(fields(run, dialog)[1])))
    if got != link or text_of(fields(run, dialog)[0]):
        raise Failure("after the drop the dialog holds title %r, link %r; expected no title and "
                      "link %r" % (text_of(fields(run, dialog)[0]), got, link))
    subscribe_in_dialog(run, tree, CARPOOL_TITLE)

    # Clicks on the drop box leave the user's window active. The menu shows after the left click
    # has been handled, so the focus is judged once the menu shows.
    focus = stand_in.take_focus()
    run.click(box)
    menu = run.new_popup("the drop box's menu", lambda: run.click(box, button=3))
    if run.focused_window() != focus:
        raise Failure("clicking the drop box moved the keyboard focus to window %d"
                      % run.focused_window())
    entries = [menu.getChildAtIndex(i).name for i in range(menu.childCount)
               if menu.getChildAtIndex(i).getRole() in (pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_MENU)]
    if entries != DROP_BOX_MENU:
        raise Failure("drop box menu %s, expected %s" % (entries, DROP_BOX_MENU))
    run.shot("drop-box-menu")
    run.choose(menu, "Close")
    run.wait_for("the drop box closed", lambda: not run.window(None, "Vellorin DropBox"))
    # Closing stores where it was (before the window goes).
    section = read_ini(settings_path).get("dropbox", {})
    stored = section.get("left"), section.get("top")
    expected = tuple(str(v * TWIPS_PER_PIXEL) for v in DROP_BOX_PLACE)
    if stored != expected:
        raise Failure("settings.cfg holds the drop box at %s twips, expected %s"
                      % (stored, expected))


MANAGER_CAPTION = "Subscription List Manager"


def manage_subscriptions(run, tree, data_folder):
    """Renames the dropped source and unsubscribes the one subscribed through the menu in the
    subscription manager; the main tree shows both changes when the manager closes."""
    carpool_id = source_id(data_folder, CARPOOL_TITLE)
    canteen_id = source_id(data_folder, CANTEEN_TITLE)
    for title, folder in ((CARPOOL_TITLE, carpool_id), (CANTEEN_TITLE, canteen_id)):
        if not folder or not os.path.isfile(os.path.join(data_folder, folder, "inbox.dat")):
            raise Failure("%s has no inbox folder before the manager opens" % title)

    run.menu_bar("Message Sources", "Subscription List Manager")
    manager = run.wait_for("the manager", lambda: run.window(pyatspi.ROLE_DIALOG,
                                                              MANAGER_CAPTION))
    sources = run.wait_for("the manager's tree", lambda: run.find(manager, pyatspi.ROLE_TREE))
    listed = run.wait_for("the three sources in the manager", lambda: (
        len(tree_titles(run, sources)) == 4 and tree_titles(run, sources)))
    if listed != ["Sources", SOURCE_TITLE, CANTEEN_TITLE, CARPOOL_TITLE]:
        raise Failure("the manager lists %s, expected the root and the sources in file order"
                      % listed)
    run.shot("manager")

    print("manager: rename", CARPOOL_TITLE, flush=True)
    run.click(tree_cell(run, sources, CARPOOL_TITLE), double=True)
    save = button(run, manager, "Save Changes!")
    txt_title = fields(run, manager)[0]
    if text_of(txt_title) != CARPOOL_TITLE:
        raise Failure("a double-click put %r into the title field" % text_of(txt_title))
    type_into(run, txt_title, CARPOOL_RENAMED)
    run.click(save)
    run.answer(pyatspi.ROLE_ALERT, "Done!", "OK")
    tree_cell(run, sources, CARPOOL_RENAMED)
    # The main tree shows the manager's changes only when the manager closes.
    if run.find(tree, pyatspi.ROLE_TABLE_CELL, CARPOOL_RENAMED):
        raise Failure("the main tree shows the new name while the manager is open")

    print("manager: unsubscribe", CANTEEN_TITLE, flush=True)
    run.click(tree_cell(run, sources, CANTEEN_TITLE))
    run.wait_for("the source selected", lambda: pyatspi.STATE_SELECTED in run.states(
        tree_cell(run, sources, CANTEEN_TITLE)))
    run.click(button(run, manager, "Delete"))
    text = run.answer(pyatspi.ROLE_ALERT, "Unsubscribe %s??" % CANTEEN_TITLE, "Yes")
    if "offline Message content" not in text:
        raise Failure("the unsubscribe question says %r" % text)
    run.wait_for("the source gone from the manager", lambda: not run.find(
        sources, pyatspi.ROLE_TABLE_CELL, CANTEEN_TITLE))
    run.shot("manager-changed")

    run.key("Escape")
    run.wait_for("the manager closed", lambda: not run.window(pyatspi.ROLE_DIALOG,
                                                               MANAGER_CAPTION))
    run.wait_for("the main tree with the manager's changes", lambda: (
        run.find(tree, pyatspi.ROLE_TABLE_CELL, CARPOOL_RENAMED) and
        not run.find(tree, pyatspi.ROLE_TABLE_CELL, CARPOOL_TITLE) and
        not run.find(tree, pyatspi.ROLE_TABLE_CELL, CANTEEN_TITLE)))
    run.shot("manager-closed")

    # On disk: the renamed source keeps its identifier, link and inbox; the unsubscribed one is
    # gone from the list, and its folder with it.
    titles = [(t, os.path.basename(l)) for _, t, l in read_subscriptions(data_folder)]
    if titles != [(SOURCE_TITLE, "desk.xml"), (CARPOOL_RENAMED, "carpool.xml")]:
        raise Failure("subscriptions.dat lists %s" % titles)
    if source_id(data_folder, CARPOOL_RENAMED) != carpool_id:
        raise Failure("the renamed source has a new identifier")
    if os.path.exists(os.path.join(data_folder, canteen_id)):
        raise Failure("the unsubscribed source's folder is still there")
    if "carpool-1" not in read_inbox(data_folder, carpool_id):
        raise Failure("the renamed source lost its messages")


def popup(run):
    """The unread-messages popup when it shows (the plug-in's popup with "Snooze!")."""
    for window in run.windows(None, POPUP_CAPTION):
        if any(b.name.strip() == "Snooze!"
               for b in run.find_all(window, pyatspi.ROLE_PUSH_BUTTON)):
            return window
    return None


def wait_popup_open(run):
    """Waits for the popup to open and finish sliding up (its place unchanged between polls)."""
    window = run.wait_for("the unread-messages popup", lambda: popup(run))
    last = [None]

    def settled():
        extents = tuple(window.queryComponent().getExtents(pyatspi.DESKTOP_COORDS))
        done = extents == last[0] and extents[3] > 0
        last[0] = extents
        return done
    run.wait_for("the popup open in full", settled)
    return window


def browser_reminder(run, firefox, stand_in):
    """The browser shows the service's site while the inbox holds unread messages: the popup
    opens without taking the focus from the browser; "Snooze!" holds it back."""
    focus = stand_in.take_focus()

    print("the browser shows the site: the popup, the focus kept", flush=True)
    firefox.show(SITE_PAGE, "Vellorin inbox")
    window = wait_popup_open(run)
    run.shot("popup")
    if run.focused_window() != focus:
        raise Failure("the popup took the keyboard focus (now on window %d, was %d)"
                      % (run.focused_window(), focus))
    run.click(button(run, window, "Hide"))
    run.wait_for("the popup closed", lambda: not popup(run))

    # Away and back: a new visit reminds again. Each address must be seen by the monitor's poll
    # before the next one replaces it; the pair is repeated until the reminder comes.
    def visit_again():
        firefox.show(OTHER_PAGE, "News")
        time.sleep(1.0)
        firefox.show(SITE_PAGE, "Vellorin inbox")
        deadline = time.monotonic() + 3
        while time.monotonic() < deadline:
            run.pump()
            if popup(run):
                return True
            time.sleep(0.1)
        return False
    run.wait_for("the popup again after leaving the site and coming back", visit_again)
    window = wait_popup_open(run)
    print("Snooze!", flush=True)
    run.click(button(run, window, "Snooze!"))
    run.wait_for("the popup closed", lambda: not popup(run))
    if run.focused_window() != focus:
        raise Failure("pressing Snooze! moved the keyboard focus to window %d"
                      % run.focused_window())

    print("away and back for %d s: no popup" % SNOOZE_WATCH_S, flush=True)
    end = time.monotonic() + SNOOZE_WATCH_S
    visits = 0
    while time.monotonic() < end:
        visits += 1
        firefox.show(SITE_PAGE if visits % 2 == 0 else OTHER_PAGE)
        until = time.monotonic() + 1.0
        while time.monotonic() < until:
            run.pump()
            if popup(run) or run.x_windows(POPUP_CAPTION):
                run.shot("popup-while-snoozed")
                raise Failure("the popup opened %d address changes after Snooze!" % visits)
            time.sleep(0.1)
    if run.focused_window() != focus:
        raise Failure("the keyboard focus left the browser while it was snoozed")


# --- The scenario.

def scenario(run, args, work):
    app_folder = os.path.join(work, "app")
    data_home = os.path.join(work, "data-home")
    data_folder = os.path.join(data_home, "Vellorin Data")
    home = os.path.join(work, "home")
    runtime = os.path.join(work, "runtime")
    for d in (app_folder, data_home, home, runtime):
        os.makedirs(d, mode=0o700)

    # The application folder as the build leaves it: the client, its message view plugin and its
    # files (urls.lst among them).
    for name in os.listdir(args.bin_dir):
        src = os.path.join(args.bin_dir, name)
        if name in ("vellorin", "libvellorin_webview.so") or (
                os.path.isfile(src) and not os.access(src, os.X_OK)):
            shutil.copy2(src, app_folder)
    # The plug-in for Firefox switched on (the browsers are read at start), and the drop box's
    # place, in twips.
    settings_path = os.path.join(app_folder, "settings.cfg")
    with open(settings_path, "w", newline="") as f:
        f.write("[plugin]\r\nff=1\r\nie=0\r\n[dropbox]\r\nleft=%d\r\ntop=%d\r\n"
                % tuple(v * TWIPS_PER_PIXEL for v in DROP_BOX_PLACE))
    # Firefox, showing a page elsewhere.
    firefox = FirefoxProfile(home)
    firefox.show(OTHER_PAGE, "News")

    # Empty until the client's first scheduled check has been, so that the messages come with
    # the check the test asks for.
    feed = Feed(FEED_PATH, SOURCE_TITLE)
    canteen = Feed(CANTEEN_PATH, CANTEEN_TITLE)
    canteen.add("canteen-1", "Soup of the day", "Today the canteen serves pumpkin soup.", 7)
    carpool = Feed(CARPOOL_PATH, CARPOOL_TITLE)
    carpool.add("carpool-1", "Seats to the airport", "Two seats free on Friday morning.", 6)
    server = serve(feed, canteen, carpool)

    def link_of(path):
        return "http://127.0.0.1:%d%s" % (server.server_address[1], path)
    link = link_of(FEED_PATH)

    env = dict(os.environ)
    env.update({
        "HOME": home, "XDG_DATA_HOME": data_home, "XDG_CONFIG_HOME": os.path.join(home, ".config"),
        "XDG_RUNTIME_DIR": runtime, "QT_QPA_PLATFORM": "xcb",
        "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "VELLORIN_ONLINE": "1",
        "no_proxy": "127.0.0.1,localhost",
    })
    env.pop("VELLORIN_NONINTERACTIVE", None)
    if os.getuid() == 0:
        env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"

    print("subscribing with vellorinctl:", link, flush=True)
    subprocess.run([os.path.join(args.bin_dir, "vellorinctl"), "--app-dir", app_folder,
                    "subscribe", SOURCE_TITLE, link], env=env, check=True)
    desk_id = source_id(data_folder, SOURCE_TITLE)

    stand_in = BrowserStandIn(run, os.path.join(args.bin_dir, "desktop_drag_source"),
                              link_of(CARPOOL_PATH), env)
    run.stand_in = stand_in

    print("starting vellorin -s", flush=True)
    log = open(os.path.join(run.out_dir, "client.log"), "w")
    run.client = subprocess.Popen([os.path.join(app_folder, "vellorin"), "-s"], env=env,
                                  stdout=log, stderr=subprocess.STDOUT)

    # In the tray, no window shown.
    run.wait_for("the client on the accessibility bus", run.application)
    run.wait_for("the tray icon in the tray host", run.tray_icon)
    if run.main_window():
        raise Failure("the main window shows at a start with -s")
    run.shot("tray")

    print("tray menu > Show Inbox", flush=True)
    menu = run.tray_menu()
    if run.captions(menu) != TRAY_MENU:
        raise Failure("tray menu items %s, expected %s" % (run.captions(menu), TRAY_MENU))
    run.shot("tray-menu")
    run.choose(menu, "Show Inbox")
    frame = run.wait_for("the main window", run.main_window)
    if not frame.name.startswith("Vellorin"):
        raise Failure("main window caption %r" % frame.name)
    tree = run.wait_for("the message tree", lambda: run.find(frame, pyatspi.ROLE_TREE))

    def cell(title):
        return tree_cell(run, tree, title)

    # A check rebuilds the source's rows and leaves it collapsed; the keyboard opens it again.
    def expand_source():
        run.click(cell(SOURCE_TITLE))
        run.key("Right")
        run.wait_for("the source expanded",
                     lambda: pyatspi.STATE_EXPANDED in run.states(cell(SOURCE_TITLE)))

    cell(SOURCE_TITLE)
    run.shot("inbox")

    # The schedule checks every source 20 s after start. That check rebuilds the source's
    # rows, collapsing it; it is waited for before the tree is worked with.
    print("waiting for the first scheduled check", flush=True)
    run.wait_for("the first scheduled check (status panel)", lambda: run.find_all(
        frame, pyatspi.ROLE_LABEL) and any(
        label.name.startswith("Status: Idle (Last Check: ")
        for label in run.find_all(frame, pyatspi.ROLE_LABEL)), timeout=60)
    if feed.requests == 0:
        raise Failure("the status says the schedule checked, but the feed was not asked for")
    feed.add("desk-1", "Budget meeting moved", "The budget meeting moves to Friday at ten.", 8)
    feed.add("desk-2", "New parking rules", "From Monday the east car park is for visitors.", 9)
    feed.add("desk-3", "Quarterly figures", "The figures of the third quarter are out.", 10)

    def desk_inbox():
        return read_inbox(data_folder, desk_id)

    print("Message Sources > Check for New Messages", flush=True)
    run.click(cell(SOURCE_TITLE))
    run.wait_for("the source selected",
                 lambda: pyatspi.STATE_SELECTED in run.states(cell(SOURCE_TITLE)))
    asked = feed.requests
    run.menu_bar("Message Sources", "Check for New Messages")
    run.wait_for("the feed asked for", lambda: feed.requests > asked)
    run.wait_for("three messages in the inbox file", lambda: len(desk_inbox()) == 3)
    # The check ran with the tree disabled; it takes the keyboard again when it is enabled.
    run.wait_for("the tree enabled again", lambda: pyatspi.STATE_ENABLED in run.states(tree))
    expand_source()

    def messages():
        return [c.name for c in run.find_all(tree, pyatspi.ROLE_TABLE_CELL)
                if c.name != SOURCE_TITLE]
    shown = run.wait_for("the three messages in the tree", lambda: len(messages()) == 3 and
                         messages())
    if shown != ["Quarterly figures", "New parking rules", "Budget meeting moved"]:
        raise Failure("messages in the tree %s, expected newest first" % shown)
    run.shot("messages")

    # Unread messages in the inbox and the browser on the service's site: the reminder.
    browser_reminder(run, firefox, stand_in)

    def read_flag(guid):
        return desk_inbox().get(guid, {}).get("read")

    print("double-click on a message", flush=True)
    run.click(cell("Budget meeting moved"), double=True)
    # The message window: a sub-window of the tabbed area (whose tab bar AT-SPI does not list)
    # holding the web view.
    window = run.wait_for("the message's window", lambda: run.find(
        frame, pyatspi.ROLE_FRAME, "Budget meeting moved"), timeout=FIRST_PAGE_WAIT_S)
    run.wait_for("the message's page", lambda: run.find(
        window, pyatspi.ROLE_DOCUMENT_WEB), timeout=FIRST_PAGE_WAIT_S)
    run.wait_for("the message marked read in the inbox file", lambda: read_flag("desk-1") == "1")
    run.shot("message-open")
    # The main window alone, for the documentation.
    x, y, w, h = frame.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage",
                    os.path.join(run.out_dir, "screenshot-main.png")], check=True)

    print("context menu: Mark as Unread, Mark as Read", flush=True)
    budget = cell("Budget meeting moved")
    run.click(budget)
    menu = run.new_popup("the tree's menu", lambda: run.click(budget, button=3))
    if run.captions(menu) != CONTEXT_MENU:
        raise Failure("tree menu items %s, expected %s" % (run.captions(menu), CONTEXT_MENU))
    run.shot("context-menu")
    run.choose(menu, "Mark as Unread")
    run.wait_for("the message unread in the inbox file", lambda: read_flag("desk-1") == "0")
    menu = run.new_popup("the tree's menu", lambda: run.click(budget, button=3))
    run.choose(menu, "Mark as Read")
    run.wait_for("the message read again in the inbox file", lambda: read_flag("desk-1") == "1")

    print("context menu: Delete, answered Yes", flush=True)
    parking = cell("New parking rules")
    run.click(parking)
    menu = run.new_popup("the tree's menu", lambda: run.click(parking, button=3))
    run.choose(menu, "Delete")
    text = run.answer(pyatspi.ROLE_ALERT, "Delete selected Item?", "Yes")
    if "New parking rules" not in text:
        raise Failure("the delete question does not name the message: %r" % text)
    run.wait_for("the message gone from the tree", lambda: not run.find(
        tree, pyatspi.ROLE_TABLE_CELL, "New parking rules"))
    run.wait_for("the message gone from the inbox file",
                 lambda: "desk-2" not in desk_inbox())

    print("context menu: Export to File > HTML", flush=True)
    exported = os.path.join(home, "quarterly.html")
    figures = cell("Quarterly figures")
    run.click(figures)
    menu = run.new_popup("the tree's menu", lambda: run.click(figures, button=3))
    export = run.wait_for('"Export to File"', lambda: run.item(menu, "Export to File"))
    run.click(export)
    formats = run.wait_for("the export formats", lambda: run.find(export, pyatspi.ROLE_POPUP_MENU))
    run.choose(formats, "HTML File (*.html)")
    dialog = run.wait_for("the save dialog", lambda: run.window(
        pyatspi.ROLE_DIALOG, "Save Article Description as ..."))
    name = run.wait_for("the file name field", lambda: next(
        (t for t in run.find_all(dialog, pyatspi.ROLE_TEXT)
         if pyatspi.STATE_EDITABLE in run.states(t)), None))
    run.click(name)
    run.key("ctrl+a")
    run.xdotool("type", "--delay", 20, exported)
    run.wait_for("the file name typed", lambda: exported in name.queryText().getText(0, -1))
    run.shot("save-dialog")
    run.key("Return")
    run.wait_for("the save dialog gone", lambda: not run.window(
        pyatspi.ROLE_DIALOG, "Save Article Description as ..."))
    run.wait_for("the exported file", lambda: os.path.isfile(exported) and
                 "The figures of the third quarter are out." in open(exported).read())

    print("Tools > Settings, No Changes!", flush=True)
    run.menu_bar("Tools", "Settings")
    run.answer(pyatspi.ROLE_DIALOG, "Preferences ...", "No Changes!")

    print("Message Sources > Subscribe to New Source", flush=True)
    run.menu_bar("Message Sources", "Subscribe to New Source")
    subscribe_in_dialog(run, tree, CANTEEN_TITLE, link_of(CANTEEN_PATH))

    print("Tools > Vellorin DropBox, a link dropped on it", flush=True)
    subscribe_through_drop_box(run, tree, stand_in, link_of(CARPOOL_PATH), settings_path)
    listed = [(t, l) for _, t, l in read_subscriptions(data_folder)]
    expected = [(SOURCE_TITLE, link), (CANTEEN_TITLE, link_of(CANTEEN_PATH)),
                (CARPOOL_TITLE, link_of(CARPOOL_PATH))]
    if listed != expected:
        raise Failure("subscriptions.dat lists %s, expected %s" % (listed, expected))
    run.shot("three-sources")

    print("a new message, Check All Sources for New Messages", flush=True)
    feed.add("desk-4", "Lift maintenance tonight", "The lift stops from eight to ten.", 11)
    asked = feed.requests, canteen.requests, carpool.requests
    run.menu_bar("Message Sources", "Check All Sources for New Messages")
    run.wait_for("every feed asked for", lambda: feed.requests > asked[0] and
                 canteen.requests > asked[1] and carpool.requests > asked[2])
    run.wait_for("the tree enabled again", lambda: pyatspi.STATE_ENABLED in run.states(tree))
    run.wait_for("the new sources' messages in their inbox files", lambda: all(
        guid in read_inbox(data_folder, source_id(data_folder, title))
        for title, guid in ((CANTEEN_TITLE, "canteen-1"), (CARPOOL_TITLE, "carpool-1"))))
    expand_source()
    cell("Lift maintenance tonight")
    run.wait_for("the new message in the inbox file",
                 lambda: desk_inbox().get("desk-4", {}).get("read") == "0")
    run.shot("new-message")

    print("Message Sources > Subscription List Manager", flush=True)
    manage_subscriptions(run, tree, data_folder)

    print("tray menu: Hide Inbox, Show Inbox", flush=True)
    menu = run.tray_menu()
    run.choose(menu, "Hide Inbox")
    run.wait_for("the main window hidden", lambda: not run.main_window())
    menu = run.tray_menu()
    run.choose(menu, "Show Inbox")
    frame = run.wait_for("the main window shown again", run.main_window)

    print("File > Exit answered No: back to the tray", flush=True)
    run.menu_bar("File", "Exit")
    run.answer(pyatspi.ROLE_ALERT, "Close Vellorin Application Now?", "No")
    run.wait_for("the main window hidden in the tray", lambda: not run.main_window())
    if run.client.poll() is not None:
        raise Failure("the client ended after the close question was answered No")

    print("File > Exit answered Yes", flush=True)
    run.choose(run.tray_menu(), "Show Inbox")
    run.wait_for("the main window", run.main_window)
    run.menu_bar("File", "Exit")
    run.answer(pyatspi.ROLE_ALERT, "Close Vellorin Application Now?", "Yes")
    status = run.client.wait(timeout=WAIT_S)
    run.client = None
    if status != 0:
        raise Failure("the client ended with status %d" % status)
    run.wait_for("the tray icon gone", lambda: not run.tray_icon())
    run.shot("ended")

    # What the windows did, on disk.
    inbox = desk_inbox()
    expected = {"desk-1": "1", "desk-3": "0", "desk-4": "0"}
    got = {guid: m.get("read") for guid, m in inbox.items()}
    if got != expected:
        raise Failure("inbox file holds %s (guid: read), expected %s" % (got, expected))
    server.shutdown()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin-dir", required=True, help="the build's bin folder")
    parser.add_argument("--out-dir", required=True, help="screenshots, logs")
    args = parser.parse_args()
    os.makedirs(args.out_dir, exist_ok=True)
    for old in os.listdir(args.out_dir):
        if old.endswith(".png") or old.endswith(".txt") or old.endswith(".log"):
            os.remove(os.path.join(args.out_dir, old))

    run = Run(args.out_dir)
    work = tempfile.mkdtemp(prefix="vellorin-desktop-")
    try:
        scenario(run, args, work)
        print("PASS: the whole program as a person uses it", flush=True)
        return 0
    except Exception as e:
        print("FAIL:", e, flush=True)
        if not isinstance(e, Failure):
            traceback.print_exc()
        try:
            run.shot("failure")
            run.dump(os.path.join(args.out_dir, "accessible-tree.txt"))
            print("  accessible tree:", os.path.join(args.out_dir, "accessible-tree.txt"))
        except Exception as dump_error:
            print("  (no diagnosis: %s)" % dump_error)
        return 1
    finally:
        if run.stand_in is not None:
            run.stand_in.stop()
        if run.client is not None and run.client.poll() is None:
            run.client.send_signal(signal.SIGTERM)
            try:
                run.client.wait(timeout=10)
            except subprocess.TimeoutExpired:
                run.client.kill()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
