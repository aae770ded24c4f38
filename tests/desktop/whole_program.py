#!/usr/bin/python3
"""The desktop client as a person uses it, from the tray to the close box and File > Exit.

Run by whole_program.sh (BIN_DIR OUT_DIR) on a private X display with a window manager (openbox),
a tray host (trayer) and a private D-Bus session. Controls are found through the accessibility
interface (AT-SPI) by role and caption, as a screen reader finds them, and worked with the X
server's mouse and keyboard (xdotool); only the tray icon and the title bar, which AT-SPI does not
list, are found through the X server. Beside the client runs a browser's stand-in
(desktop_drag_source) that keeps the keyboard focus and offers a link to drag; what the browser
shows comes from a Firefox session file. Every wait polls until a generous limit; a failing step
says what it waited for and leaves a screenshot and the accessible tree in OUT_DIR, beside the
screenshots of every step (NN-step.png).
"""

import http.server
import json
import os
import re
import shutil
import signal
import socketserver
import struct
import subprocess
import sys
import tempfile
import threading
import time
import traceback
from types import SimpleNamespace
from xml.etree import ElementTree

import lz4.block
import pyatspi
from gi.repository import GLib

WAIT_S = 30
# The first message starts the web engine; under a loaded machine that takes a while.
FIRST_PAGE_WAIT_S = 90

# The feeds of the service: one subscribed with vellorinctl, two through the windows.
FEED_PATH, SOURCE_TITLE = "/www.vellorin.net/feeds/desk.xml", "Desk news"
CANTEEN_PATH, CANTEEN_TITLE = "/www.vellorin.net/feeds/canteen.xml", "Canteen menu"
CARPOOL_PATH, CARPOOL_TITLE = "/www.vellorin.net/feeds/carpool.xml", "Car pool"
CARPOOL_RENAMED = "Car sharing"
ITEM = ('<item><title>{title}</title><guid isPermaLink="false">{guid}</guid><pubDate>{date}'
        '</pubDate><description><![CDATA[<!-- header start:\nfrom: &quot;Front Desk&quot; '
        '&lt;desk@vellorin.net&gt;<br />\nsubject: {title}<br />\ndate: {date}<br />\nreply-to: '
        '&quot;Front Desk&quot; &lt;desk@vellorin.net&gt;<br />\nheader end --><p>{body}</p>]]>'
        '</description></item>')

# A page of the service's site (its host is on urls.lst) and one elsewhere.
SITE_PAGE = "https://www.vellorin.net/inbox"
OTHER_PAGE = "https://www.example.com/news"
POPUP_CAPTION = "Vellorin Browser Plug-In"
# How long the snoozed reminder is watched for: its 600 s are the core tests' business; here the
# addresses change often enough for many polls of the client's monitor (every 500 ms).
SNOOZE_WATCH_S = 20

# Away from the main window (top left), the tray (top right) and the popups (bottom right).
STAND_IN_PLACE = (20, 700)
DROP_BOX_PLACE = (1100, 300)
TWIPS_PER_PIXEL = 15

CLOSE_QUESTION = "Close Vellorin Application Now?"
SUBSCRIBE_CAPTION = "Subscribe to New Message Source"
MANAGER_CAPTION = "Subscription List Manager"
SAVE_CAPTION = "Save Article Description as ..."
FLOATING_PANE_CAPTION = "Messages Sources"
TRAY_MENU = [
    "Show Inbox", "Subscribe to New Source", "Check for New Messages", "Vellorin Dropbox",
    "Plug-In Configuration", "Settings", "Help File", "Contact Us", "Visit our Website", "Exit",
]
CONTEXT_MENU = ["Show", "Delete", "Mark as Read", "Mark as Unread", "Export to File"]
DROP_BOX_MENU = ["Window Size", "Transperancy", "Close"]

ALERT, DIALOG, FRAME = pyatspi.ROLE_ALERT, pyatspi.ROLE_DIALOG, pyatspi.ROLE_FRAME
CELL, TEXT, LABEL = pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_TEXT, pyatspi.ROLE_LABEL
BUTTON, MENU_ITEM = pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_MENU_ITEM
SHOWING, ENABLED, SELECTED = pyatspi.STATE_SHOWING, pyatspi.STATE_ENABLED, pyatspi.STATE_SELECTED
FOCUSED = pyatspi.STATE_FOCUSED


class Failure(Exception):
    pass


def expect(condition, message, *args):
    if not condition:
        raise Failure(message % args if args else message)


def expect_equal(what, got, expected):
    expect(got == expected, "%s: %r, expected %r", what, got, expected)


def step(text):
    print(text, flush=True)


def end_process(process):
    if process is not None and process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()


# --- The feeds, served on 127.0.0.1, and the files the client stores.

class Feed:
    """An RSS feed in the service's format whose items the test changes while it runs."""

    def __init__(self, path, title, *items):
        self.path, self.title, self.items = path, title, list(items)
        self.requests = 0
        self.lock = threading.Lock()

    def add(self, guid, title, body, hour):
        with self.lock:
            self.items.append((guid, title, body, hour))

    def xml(self):
        with self.lock:
            self.requests += 1
            items = list(self.items)
        return ('<?xml version="1.0" encoding="UTF-8"?>\n<rss version="2.0"><channel><title>%s'
                "</title><link>https://www.vellorin.net/</link><description>Notices of the front "
                "desk</description>%s</channel></rss>\n" % (self.title, "".join(ITEM.format(
                    guid=guid, title=title, body=body, date="Mon, 07 Dec 2026 %02d:00:00 +0000" % h)
                    for guid, title, body, h in items))).encode("utf-8")


def serve(*feeds):
    by_path = {feed.path: feed for feed in feeds}

    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            if self.path not in by_path:
                return self.send_error(404)
            body = by_path[self.path].xml()
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


def read_ini(path):
    """section -> {key: value} of an INI file ({} without one); keys in lower case."""
    sections, current = {}, None
    if os.path.isfile(path):
        with open(path, encoding="utf-8", errors="replace") as f:
            for line in f:
                line = line.strip()
                m = re.fullmatch(r"\[(.*)\]", line)
                if m:
                    current = sections.setdefault(m.group(1), {}) if m.group(1) else None
                elif current is not None and "=" in line:
                    key, value = line.split("=", 1)
                    current[key.strip().lower()] = value.strip()
    return sections


def read_inbox(data_folder, source_id):  # guid -> {key: value}
    return read_ini(os.path.join(data_folder, source_id, "inbox.dat"))


def read_subscriptions(data_folder):
    """[(id, title, link)] of subscriptions.dat in file order: the children of the first element
    "sources", each with its identifier and title as first attributes and its link as text."""
    root = ElementTree.parse(os.path.join(data_folder, "subscriptions.dat")).getroot()
    sources = root if root.tag == "sources" else root.find(".//sources")
    return [tuple((list(c.attrib.values()) + ["", ""])[:2]) + (c.text or "",) for c in sources]


def source_id(data_folder, title):
    return next((i for i, t, _ in read_subscriptions(data_folder) if t == title), None)


class FirefoxProfile:
    """A default profile under <home>/.mozilla/firefox whose session file (kept for crash
    recovery) the test rewrites as Firefox does while the user browses."""

    def __init__(self, home):
        root = os.path.join(home, ".mozilla", "firefox")
        os.makedirs(os.path.join(root, "t.default", "sessionstore-backups"))
        with open(os.path.join(root, "profiles.ini"), "w") as f:
            f.write("[Install4F96D1932A9F858E]\nDefault=t.default\nLocked=1\n\n[Profile0]\n"
                    "Name=default-release\nIsRelative=1\nPath=t.default\nDefault=1\n\n"
                    "[General]\nStartWithLastProfile=1\nVersion=2\n")
        self.path = os.path.join(root, "t.default", "sessionstore-backups", "recovery.jsonlz4")
        self.stamp_ns = time.time_ns()

    def show(self, url, title="Page"):
        """The selected tab now shows `url`. The file is replaced as Firefox replaces it, each
        time with a later modification time, however quickly the rewrites follow each other."""
        data = json.dumps({"version": ["sessionrestore", 1], "selectedWindow": 1, "windows": [
            {"selected": 1, "tabs": [{"index": 1, "entries": [{"url": url, "title": title}]}]}],
            "_closedWindows": []}).encode("utf-8")
        temporary = self.path + ".tmp"
        with open(temporary, "wb") as f:
            # "mozLz40\0", the decompressed size (4 bytes, little-endian), one LZ4 block.
            f.write(b"mozLz40\0" + struct.pack("<I", len(data)) +
                    lz4.block.compress(data, store_size=False))
        self.stamp_ns += 1_000_000_000
        os.utime(temporary, ns=(self.stamp_ns, self.stamp_ns))
        os.replace(temporary, self.path)


# --- The X server: the tray icon, the window manager's frames and stacking, the keyboard focus.

def x_out(*args):
    return subprocess.run([str(a) for a in args], capture_output=True, text=True).stdout


def xdo(*args):
    return x_out("xdotool", *args)


def x_windows(caption):
    """The shown X windows whose name (caption) is exactly `caption`."""
    pattern = "^%s$" % re.sub(r"([][()\\.*+?^$|{}])", r"\\\1", caption)
    return [int(w) for w in xdo("search", "--onlyvisible", "--name", pattern).split()]


def x_geometry(window):
    """(x, y, width, height) of a window on the screen, without the window manager's frame."""
    out = x_out("xwininfo", "-id", window)
    return tuple(int(re.search(r"%s:\s*(-?\d+)" % key, out).group(1)) for key in (
        "Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))


def x_property(window, name):
    return x_out("xprop", *(["-id", window] if window else ["-root"]), name)


def focused_window():
    return int(xdo("getwindowfocus").strip())


def text_of(acc):
    return acc.queryText().getText(0, -1)


# --- The run: AT-SPI, the mouse and waiting.

class Run:
    def __init__(self, out_dir):
        self.out_dir, self.step = out_dir, 0
        self.client = self.stand_in = None
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
            expect(time.monotonic() < deadline, "waited %d s for %s", timeout, what)
            time.sleep(0.1)

    def shot(self, name):
        self.step += 1
        path = os.path.join(self.out_dir, "%02d-%s.png" % (self.step, name))
        subprocess.run(["import", "-window", "root", path], check=True)
        print("  screenshot", path, flush=True)

    def focus_in(self, caption):
        """Waits for the keyboard focus in the window with the caption; gives its X window."""
        return self.wait_for("the keyboard focus in " + caption, lambda: (
            focused_window() in x_windows(caption) and focused_window()))

    @staticmethod
    def expect_focus(window, when):
        expect(focused_window() == window, "%s moved the keyboard focus to window %d (was %d)",
               when, focused_window(), window)

    # --- Accessible objects.

    def application(self, pid=None):
        pid = self.client.pid if pid is None else pid
        return next((a for a in self.children(pyatspi.Registry.getDesktop(0))
                     if a.get_process_id() == pid), None)

    @staticmethod
    def children(acc):
        if acc is None:
            return []
        return [c for c in (acc.getChildAtIndex(i) for i in range(acc.childCount)) if c is not None]

    @staticmethod
    def has(acc, state):
        try:
            return acc is not None and state in acc.getState().getStates()
        except Exception:
            return False

    def find_all(self, root, role=None, name=None):
        """Showing descendants of `root` (itself included) with the role and the caption (spaces
        around it ignored)."""
        found = []

        def visit(acc):
            try:
                if not self.has(acc, SHOWING):
                    return
                if role in (None, acc.getRole()) and name in (None, acc.name.strip()):
                    found.append(acc)
                children = self.children(acc)
            except Exception:
                return
            for child in children:
                visit(child)
        if root is not None:
            visit(root)
        return found

    def find(self, root, role=None, name=None):
        return next(iter(self.find_all(root, role, name)), None)

    def get(self, root, role, name=None, timeout=WAIT_S):
        """Waits for a control of `root` with the role and caption."""
        return self.wait_for("%s %r in %r" % (str(role)[5:].lower(), name, root.name),
                             lambda: self.find(root, role, name), timeout)

    def window(self, role, name, pid=None):
        """A showing top-level window of the client (or of the process) with the role (any with
        None) and caption: the frame, dialogs, message boxes, the drop box, popups."""
        app = self.application(pid)
        return next((w for w in self.children(app) if self.has(w, SHOWING) and
                     role in (None, w.getRole()) and name in (None, w.name)), None)

    def top(self, role, name, pid=None):
        return self.wait_for("the window %r" % name, lambda: self.window(role, name, pid))

    def gone(self, role, name):
        self.wait_for("the window %r gone" % name, lambda: not self.window(role, name))

    def main_window(self):
        return self.window(FRAME, None)

    def fields(self, window, count=None):
        """The window's editable text fields in order (`count` of them)."""
        def editable():
            found = [t for t in self.find_all(window, TEXT)
                     if self.has(t, pyatspi.STATE_EDITABLE)]
            return found if count in (None, len(found)) else None
        return self.wait_for("the text fields of " + window.name, editable)

    @staticmethod
    def extents(acc):
        return tuple(acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS))

    def settled(self, what, acc, condition):
        """Waits until the control's extents stay put between two polls and meet `condition`."""
        last = [None]

        def still():
            previous, last[0] = last[0], self.extents(acc)
            return last[0] == previous and condition(previous) and previous
        return self.wait_for(what, still)

    def center(self, acc):
        x, y, w, h = self.extents(acc)
        expect(w > 0 and h > 0, "%r has no place on the screen", acc.name)
        return x + w // 2, y + h // 2

    def click(self, acc, button=1, double=False):
        repeat = ["--repeat", 2, "--delay", 80] if double else []
        xdo("mousemove", *self.center(acc), "click", *repeat, button)

    def type_into(self, field, text):
        self.click(field)
        xdo("key", "ctrl+a")
        xdo("type", "--delay", 20, text)
        self.wait_for("%r typed" % text, lambda: text_of(field) == text)

    # --- Menus and boxes.

    def new_popup(self, what, open_it):
        self.popups.clear()
        open_it()
        return self.wait_for(what, lambda: next(
            (p for p in reversed(self.popups) if self.has(p, SHOWING)), None))

    def context_menu(self, acc, what="the tree's menu"):
        """Selects `acc` with a click and opens its context menu with a right click."""
        self.click(acc)
        return self.new_popup(what, lambda: self.click(acc, button=3))

    def captions(self, menu, roles=(MENU_ITEM,)):
        return [i.name for i in self.children(menu) if i.getRole() in roles]

    def choose(self, menu, caption):
        item = self.get(menu, MENU_ITEM, caption)
        self.wait_for('"%s" enabled' % caption, lambda: self.has(item, ENABLED))
        self.click(item)
        return item

    def menu_bar(self, menu_caption, item_caption):
        """Chooses an item of the main window's menu bar with the mouse."""
        title = self.get(self.wait_for("the main window", self.main_window), MENU_ITEM,
                         menu_caption)
        self.click(title)
        self.choose(self.get(title, pyatspi.ROLE_POPUP_MENU), item_caption)

    def answer(self, role, caption, button):
        """Presses `button` in the box or dialog with the caption; gives the window's text."""
        box = self.top(role, caption)
        text = " ".join(a.name for a in self.find_all(box, LABEL))
        self.shot(re.sub(r"[^a-z]+", "-", caption.lower()).strip("-"))
        self.click(self.get(box, BUTTON, button))
        self.gone(role, caption)
        return text

    # --- The tray icon: an X window inside the tray host, which AT-SPI does not list.

    def tray_icon(self):
        """(x, y) of the middle of the client's icon in the tray host, or None."""
        panel = xdo("search", "--classname", "^panel$").split()
        px, py, pw, ph = x_geometry(panel[0]) if panel else (0, 0, 0, 0)
        for window in xdo("search", "--classname", "^vellorin$").split():
            x, y, w, h = x_geometry(window)
            # Inside the host's panel and the size of an icon: the tray icon, not a window.
            if w <= 64 and h <= 64 and px <= x < px + pw and py <= y < py + ph:
                return x + w // 2, y + h // 2
        return None

    def tray_menu(self):
        x, y = self.wait_for("the tray icon in the tray host", self.tray_icon)
        return self.new_popup("the tray menu", lambda: xdo("mousemove", x, y, "click", 3))

    def dump(self, path):
        with open(path, "w") as f:
            def visit(acc, depth):
                try:
                    f.write("%s[%s] %r %s\n" % ("  " * depth, acc.getRoleName(), acc.name, ",".join(
                        pyatspi.stateToString(s) for s in acc.getState().getStates())))
                    for child in self.children(acc):
                        visit(child, depth + 1)
                except Exception as e:
                    f.write("%s(gone: %s)\n" % ("  " * depth, e))
            visit(self.application(), 0)


class BrowserStandIn:
    """The browser's stand-in: a program of the test's own with an address field that takes the
    keyboard focus and a link to drag, which prints the drop's outcome ("drop: accepted")."""
    CAPTION = "Browser stand-in"

    def __init__(self, run, program, link, env):
        self.run, self.lines = run, []
        self.process = subprocess.Popen(
            [program, link, self.CAPTION] + [str(v) for v in STAND_IN_PLACE], env=env,
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.append(line.strip())

    def get(self, role, name):
        return self.run.get(self.run.top(None, self.CAPTION, self.process.pid), role, name)

    def take_focus(self):
        """Clicks into the address field, as a user does; gives the focused X window."""
        self.run.click(self.get(TEXT, "Address"))
        return self.run.focus_in(self.CAPTION)


# --- The steps.

def start(run, bin_dir, work):
    """The application folder, the data folder subscribed to the desk's feed, the feeds, Firefox,
    the browser's stand-in and the client started with -s."""
    w = SimpleNamespace(app_folder=os.path.join(work, "app"), home=os.path.join(work, "home"))
    data_home, runtime = os.path.join(work, "data-home"), os.path.join(work, "runtime")
    w.data_folder = os.path.join(data_home, "Vellorin Data")
    for d in (w.app_folder, data_home, w.home, runtime):
        os.makedirs(d, mode=0o700)
    # The application folder as the build leaves it: the client, its message view plugin and its
    # files (urls.lst among them).
    for name in os.listdir(bin_dir):
        src = os.path.join(bin_dir, name)
        if name in ("vellorin", "libvellorin_webview.so") or (
                os.path.isfile(src) and not os.access(src, os.X_OK)):
            shutil.copy2(src, w.app_folder)
    # The plug-in for Firefox switched on (the browsers are read at start), and the drop box's
    # place, in twips.
    w.settings_path = os.path.join(w.app_folder, "settings.cfg")
    with open(w.settings_path, "w", newline="") as f:
        f.write("[plugin]\r\nff=1\r\nie=0\r\n[dropbox]\r\nleft=%d\r\ntop=%d\r\n"
                % tuple(v * TWIPS_PER_PIXEL for v in DROP_BOX_PLACE))
    w.firefox = FirefoxProfile(w.home)
    w.firefox.show(OTHER_PAGE, "News")

    # The desk's feed stays empty until the first scheduled check has been, so that its messages
    # come with the check the test asks for.
    w.desk = Feed(FEED_PATH, SOURCE_TITLE)
    w.canteen = Feed(CANTEEN_PATH, CANTEEN_TITLE, (
        "canteen-1", "Soup of the day", "Today the canteen serves pumpkin soup.", 7))
    w.carpool = Feed(CARPOOL_PATH, CARPOOL_TITLE, (
        "carpool-1", "Seats to the airport", "Two seats free on Friday morning.", 6))
    w.server = serve(w.desk, w.canteen, w.carpool)
    w.link = lambda feed: "http://127.0.0.1:%d%s" % (w.server.server_address[1], feed.path)

    env = dict(os.environ, HOME=w.home, XDG_DATA_HOME=data_home, XDG_RUNTIME_DIR=runtime,
               XDG_CONFIG_HOME=os.path.join(w.home, ".config"), QT_QPA_PLATFORM="xcb",
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", VELLORIN_ONLINE="1",
               no_proxy="127.0.0.1,localhost")
    env.pop("VELLORIN_NONINTERACTIVE", None)
    if os.getuid() == 0:
        env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
    step("subscribing with vellorinctl: " + w.link(w.desk))
    subprocess.run([os.path.join(bin_dir, "vellorinctl"), "--app-dir", w.app_folder,
                    "subscribe", SOURCE_TITLE, w.link(w.desk)], env=env, check=True)
    w.inbox = lambda: read_inbox(w.data_folder, source_id(w.data_folder, SOURCE_TITLE))
    w.read_flag = lambda guid: w.inbox().get(guid, {}).get("read")
    run.stand_in = w.stand_in = BrowserStandIn(
        run, os.path.join(bin_dir, "desktop_drag_source"), w.link(w.carpool), env)
    step("starting vellorin -s")
    with open(os.path.join(run.out_dir, "client.log"), "w") as log:
        run.client = subprocess.Popen([os.path.join(w.app_folder, "vellorin"), "-s"], env=env,
                                      stdout=log, stderr=subprocess.STDOUT)
    return w


def show_inbox(run, w):
    """In the tray, no window shown; the tray menu's "Show Inbox" shows the main window."""
    run.wait_for("the client on the accessibility bus", run.application)
    run.wait_for("the tray icon in the tray host", run.tray_icon)
    expect(not run.main_window(), "the main window shows at a start with -s")
    run.shot("tray")
    step("tray menu > Show Inbox")
    menu = run.tray_menu()
    expect_equal("the tray menu", run.captions(menu), TRAY_MENU)
    run.shot("tray-menu")
    run.choose(menu, "Show Inbox")
    w.frame = run.wait_for("the main window", run.main_window)
    expect(w.frame.name.startswith("Vellorin"), "main window caption %r", w.frame.name)
    w.tree = run.get(w.frame, pyatspi.ROLE_TREE)
    # A row's accessible object lasts as long as the row: each step finds its row anew.
    w.cell = lambda title: run.get(w.tree, CELL, title)
    w.cell(SOURCE_TITLE)
    run.shot("inbox")


def check(run, w, command, feeds):
    """Runs a check command of the menu bar with the source selected: the feeds are asked for,
    and the busy window and the run's alert leave the keyboard focus in the main window. The run
    disables the tree and rebuilds the source's rows, keeping it expanded when it was; the
    keyboard opens it otherwise."""
    run.click(w.cell(SOURCE_TITLE))
    run.wait_for("the source selected", lambda: run.has(w.cell(SOURCE_TITLE), SELECTED))
    focus, asked = run.focus_in(w.frame.name), [feed.requests for feed in feeds]
    run.menu_bar("Message Sources", command)
    run.wait_for("the feeds asked for", lambda: all(
        feed.requests > n for feed, n in zip(feeds, asked)))
    run.wait_for("the tree enabled again", lambda: run.has(w.tree, ENABLED))
    run.expect_focus(focus, "the check run")
    run.click(w.cell(SOURCE_TITLE))
    if not run.has(w.cell(SOURCE_TITLE), pyatspi.STATE_EXPANDED):
        xdo("key", "Right")
    run.wait_for("the source expanded",
                 lambda: run.has(w.cell(SOURCE_TITLE), pyatspi.STATE_EXPANDED))


def check_source(run, w):
    """The schedule's first check (20 s after start), then the menu's check of the selected
    source, which brings three messages."""
    step("waiting for the first scheduled check")
    run.wait_for("the first scheduled check (status panel)", lambda: any(
        label.name.startswith("Status: Idle (Last Check: ")
        for label in run.find_all(w.frame, LABEL)), timeout=60)
    expect(w.desk.requests > 0, "the status says the schedule checked, but no feed was asked for")
    w.desk.add("desk-1", "Budget meeting moved", "The budget meeting moves to Friday at ten.", 8)
    w.desk.add("desk-2", "New parking rules", "From Monday the east car park is for visitors.", 9)
    w.desk.add("desk-3", "Quarterly figures", "The figures of the third quarter are out.", 10)
    step("Message Sources > Check for New Messages")
    check(run, w, "Check for New Messages", [w.desk])
    run.wait_for("three messages in the inbox file", lambda: len(w.inbox()) == 3)
    expected = ["Quarterly figures", "New parking rules", "Budget meeting moved"]
    run.wait_for("the three messages in the tree, newest first", lambda: [
        c.name for c in run.find_all(w.tree, CELL) if c.name != SOURCE_TITLE] == expected)
    run.shot("messages")


def popup(run):  # the unread-messages popup (the plug-in's popup with "Snooze!"), or None
    tops = run.children(run.application())
    return next((t for t in tops if t.name == POPUP_CAPTION and run.find(t, BUTTON, "Snooze!")),
                None)


def popup_within(run, seconds):  # whether it shows (to AT-SPI or the X server)
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        run.pump()
        if popup(run) or x_windows(POPUP_CAPTION):
            return True
        time.sleep(0.1)
    return False


def wait_popup_open(run):
    """Waits for the popup to open and finish sliding up."""
    window = run.wait_for("the unread-messages popup", lambda: popup(run))
    run.settled("the popup open in full", window, lambda extents: extents[3] > 0)
    return window


def browser_reminder(run, w):
    """The browser shows the service's site while the inbox holds unread messages: the popup
    opens above the other windows without taking the focus from the browser; "Snooze!" holds it
    back."""
    focus = w.stand_in.take_focus()
    step("the browser shows the site: the popup, on top, the focus kept")
    w.firefox.show(SITE_PAGE, "Vellorin inbox")
    window = wait_popup_open(run)
    run.shot("popup")
    run.expect_focus(focus, "the popup")
    order = [int(x, 16) for x in re.findall(r"0x[0-9a-f]+", x_property(
        None, "_NET_CLIENT_LIST_STACKING"))]  # bottom to top
    below = x_windows(BrowserStandIn.CAPTION) + x_windows(w.frame.name)
    expect(all(order.index(p) > order.index(b) for p in x_windows(POPUP_CAPTION) for b in below),
           "the popup is not above the browser and the main window (stacking %s)", order)
    run.click(run.get(window, BUTTON, "Hide"))
    run.wait_for("the popup closed", lambda: not popup(run))

    # Away and back: a new visit reminds again. Each address must be seen by the monitor's poll
    # before the next one replaces it; the pair is repeated until the reminder comes.
    def visit_again():
        w.firefox.show(OTHER_PAGE, "News")
        time.sleep(1.0)
        w.firefox.show(SITE_PAGE, "Vellorin inbox")
        return popup_within(run, 3)
    run.wait_for("the popup again after leaving the site and coming back", visit_again)
    step("Snooze!")
    run.click(run.get(wait_popup_open(run), BUTTON, "Snooze!"))
    run.wait_for("the popup closed", lambda: not popup(run))
    run.expect_focus(focus, "pressing Snooze!")
    step("away and back for %d s: no popup" % SNOOZE_WATCH_S)
    for visit in range(SNOOZE_WATCH_S):
        w.firefox.show(OTHER_PAGE if visit % 2 == 0 else SITE_PAGE)
        if popup_within(run, 1.0):
            run.shot("popup-while-snoozed")
            raise Failure("the popup opened %d address changes after Snooze!" % (visit + 1))
    run.expect_focus(focus, "the snoozed reminder")


def read_mark_delete_export(run, w):
    """A message opened by a double-click is read; the tree's context menu marks, deletes and
    exports."""
    step("double-click on a message")
    run.click(w.cell("Budget meeting moved"), double=True)
    # The message window: a sub-window of the tabbed area (whose tab bar AT-SPI does not list)
    # holding the message's view, named after the message: the built-in one unless the web engine
    # (a web document inside) was chosen.
    window = run.get(w.frame, FRAME, "Budget meeting moved", FIRST_PAGE_WAIT_S)
    run.wait_for("the message's view", lambda: run.find(window, pyatspi.ROLE_DOCUMENT_WEB) or next(
        (a for a in run.find_all(window, None, window.name) if a.getRole() != FRAME), None),
        timeout=FIRST_PAGE_WAIT_S)
    run.wait_for("the message marked read in the inbox file", lambda: w.read_flag("desk-1") == "1")
    run.shot("message-open")
    x, y, width, height = run.extents(w.frame)  # the main window alone, for the README
    subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (width, height, x, y),
                    "+repage", os.path.join(run.out_dir, "screenshot-main.png")], check=True)

    step("context menu: Mark as Unread, Mark as Read")
    menu = run.context_menu(w.cell("Budget meeting moved"))
    expect_equal("the tree's menu", run.captions(menu), CONTEXT_MENU)
    run.shot("context-menu")
    run.choose(menu, "Mark as Unread")
    run.wait_for("the message unread in the inbox file", lambda: w.read_flag("desk-1") == "0")
    run.choose(run.context_menu(w.cell("Budget meeting moved")), "Mark as Read")
    run.wait_for("the message read again in the inbox file", lambda: w.read_flag("desk-1") == "1")

    step("context menu: Delete, answered Yes")
    run.choose(run.context_menu(w.cell("New parking rules")), "Delete")
    text = run.answer(ALERT, "Delete selected Item?", "Yes")
    expect("New parking rules" in text, "the delete question does not name the message: %r", text)
    run.wait_for("the message gone from the tree",
                 lambda: not run.find(w.tree, CELL, "New parking rules"))
    run.wait_for("the message gone from the inbox file", lambda: "desk-2" not in w.inbox())

    step("context menu: Export to File > HTML")
    exported = os.path.join(w.home, "quarterly.html")
    export = run.choose(run.context_menu(w.cell("Quarterly figures")), "Export to File")
    run.choose(run.get(export, pyatspi.ROLE_POPUP_MENU), "HTML File (*.html)")
    run.type_into(run.fields(run.top(DIALOG, SAVE_CAPTION))[0], exported)
    run.shot("save-dialog")
    xdo("key", "Return")
    run.gone(DIALOG, SAVE_CAPTION)
    run.wait_for("the exported file", lambda: os.path.isfile(exported) and
                 "The figures of the third quarter are out." in open(exported).read())


def subscribe_in_dialog(run, w, title, link=None):
    """Fills the subscribe dialog (the link only when given: a drop has put it in), subscribes,
    answers the success box and sees the new source in the main tree."""
    dialog = run.top(DIALOG, SUBSCRIBE_CAPTION)
    txt_title, txt_link = run.fields(dialog, 2)
    if link is not None:
        run.type_into(txt_link, link)
    run.type_into(txt_title, title)
    run.shot("subscribe-" + re.sub(r"[^a-z]+", "-", title.lower()))
    run.click(run.get(dialog, BUTTON, "Subscribe Now!"))
    text = run.answer(ALERT, "Done!", "OK")
    expect("successfully Added" in text, "the subscribe dialog's success box says %r", text)
    run.gone(DIALOG, SUBSCRIBE_CAPTION)
    w.cell(title)


def drag(start, end):
    """Drags with the left button along a hand's path, in steps the drag follows."""
    (sx, sy), (tx, ty) = start, end
    xdo("mousemove", sx, sy, "mousedown", 1)
    for x, y in [(sx + (tx - sx) * i // 12, sy + (ty - sy) * i // 12) for i in range(1, 13)] + [
            (tx + 3, ty), (tx - 3, ty), (tx, ty)]:
        xdo("mousemove", x, y)
        time.sleep(0.05)
    xdo("mouseup", 1)


def subscribe_through_drop_box(run, w):
    """Opens the drop box from the Tools menu, drags the stand-in's link onto it with the X
    server's mouse (a real drag-and-drop between two programs) and subscribes to the link the
    drop put into the subscribe dialog. A drag moves the box, clicks leave the focus in the
    user's window, and its own menu closes it, storing where it was."""
    run.menu_bar("Tools", "Vellorin DropBox")
    box = run.top(None, "Vellorin DropBox")
    expect_equal("the drop box's place (settings.cfg's)", run.extents(box)[:2], DROP_BOX_PLACE)
    run.shot("drop-box")
    drag(run.center(w.stand_in.get(LABEL, "Drag this link")), run.center(box))
    run.wait_for("the drop accepted (the stand-in's report)",
                 lambda: "drop: accepted" in w.stand_in.lines)
    # The drop opens the subscribe dialog, without owner and modeless, with the link put in.
    txt_title, txt_link = run.fields(run.top(DIALOG, SUBSCRIBE_CAPTION), 2)
    run.wait_for("the link field filled", lambda: text_of(txt_link))
    expect_equal("the dialog's title and link after the drop",
                 (text_of(txt_title), text_of(txt_link)), ("", w.link(w.carpool)))
    subscribe_in_dialog(run, w, CARPOOL_TITLE)

    # A drag moves the box. The window manager takes over once the pointer has moved the drag
    # distance, so the box may lag that much behind the pointer.
    x, y = run.center(box)
    drag((x, y), (x - 100, y + 60))
    left, top = DROP_BOX_PLACE
    moved = run.settled("the drop box moved", box, lambda extents: extents[0] < left - 40 and
                        extents[1] > top + 20)[:2]
    # The menu shows after the left click has been handled: the focus is judged then.
    focus = w.stand_in.take_focus()
    menu = run.context_menu(box, "the drop box's menu")
    run.expect_focus(focus, "clicking the drop box")
    expect_equal("the drop box's menu", run.captions(menu, (MENU_ITEM, pyatspi.ROLE_MENU)),
                 DROP_BOX_MENU)
    run.shot("drop-box-menu")
    run.choose(menu, "Close")
    run.gone(None, "Vellorin DropBox")
    section = read_ini(w.settings_path).get("dropbox", {})
    expect_equal("the drop box's place in settings.cfg, in twips", (
        section.get("left"), section.get("top")), tuple(str(v * TWIPS_PER_PIXEL) for v in moved))


def check_all(run, w):
    step("a new message, Check All Sources for New Messages")
    w.desk.add("desk-4", "Lift maintenance tonight", "The lift stops from eight to ten.", 11)
    check(run, w, "Check All Sources for New Messages", [w.desk, w.canteen, w.carpool])
    run.wait_for("the new sources' messages in their inbox files", lambda: all(
        guid in read_inbox(w.data_folder, source_id(w.data_folder, title))
        for title, guid in ((CANTEEN_TITLE, "canteen-1"), (CARPOOL_TITLE, "carpool-1"))))
    w.cell("Lift maintenance tonight")
    run.wait_for("the new message in the inbox file", lambda: w.read_flag("desk-4") == "0")
    run.shot("new-message")


def manage_subscriptions(run, w):
    """The subscription manager renames the dropped source and unsubscribes the one subscribed
    through the menu; the main tree shows both changes when the manager closes."""
    step("Message Sources > Subscription List Manager")
    ids = {title: source_id(w.data_folder, title) for title in (CARPOOL_TITLE, CANTEEN_TITLE)}
    expect(os.path.isdir(os.path.join(w.data_folder, ids[CANTEEN_TITLE])),
           "%s has no folder before the manager opens", CANTEEN_TITLE)
    run.menu_bar("Message Sources", "Subscription List Manager")
    manager = run.top(DIALOG, MANAGER_CAPTION)
    sources = run.get(manager, pyatspi.ROLE_TREE)
    expected = ["Sources", SOURCE_TITLE, CANTEEN_TITLE, CARPOOL_TITLE]
    run.wait_for("the root and the three sources in file order in the manager",
                 lambda: [c.name for c in run.find_all(sources, CELL)] == expected)
    run.shot("manager")

    step("manager: rename " + CARPOOL_TITLE)
    run.click(run.get(sources, CELL, CARPOOL_TITLE), double=True)
    save, txt_title = run.get(manager, BUTTON, "Save Changes!"), run.fields(manager, 2)[0]
    expect_equal("the title field after a double-click", text_of(txt_title), CARPOOL_TITLE)
    run.type_into(txt_title, CARPOOL_RENAMED)
    run.click(save)
    run.answer(ALERT, "Done!", "OK")
    run.get(sources, CELL, CARPOOL_RENAMED)
    expect(not run.find(w.tree, CELL, CARPOOL_RENAMED),
           "the main tree shows the new name while the manager is open")

    step("manager: unsubscribe " + CANTEEN_TITLE)
    run.click(run.get(sources, CELL, CANTEEN_TITLE))
    run.wait_for("the source selected",
                 lambda: run.has(run.find(sources, CELL, CANTEEN_TITLE), SELECTED))
    run.click(run.get(manager, BUTTON, "Delete"))
    text = run.answer(ALERT, "Unsubscribe %s??" % CANTEEN_TITLE, "Yes")
    expect("offline Message content" in text, "the unsubscribe question says %r", text)
    run.wait_for("the source gone from the manager",
                 lambda: not run.find(sources, CELL, CANTEEN_TITLE))
    run.shot("manager-changed")
    xdo("key", "Escape")
    run.gone(DIALOG, MANAGER_CAPTION)
    run.wait_for("the main tree with the manager's changes", lambda: [
        bool(run.find(w.tree, CELL, t)) for t in (CARPOOL_RENAMED, CARPOOL_TITLE, CANTEEN_TITLE)]
        == [True, False, False])
    run.shot("manager-closed")
    # On disk: the renamed source keeps its identifier and its messages; the unsubscribed one's
    # folder is gone with it.
    expect(source_id(w.data_folder, CARPOOL_RENAMED) == ids[CARPOOL_TITLE] and "carpool-1" in
           read_inbox(w.data_folder, ids[CARPOOL_TITLE]), "the renamed source lost its messages")
    expect(not os.path.exists(os.path.join(w.data_folder, ids[CANTEEN_TITLE])),
           "the unsubscribed source's folder is still there")


def close_box_answered_no(run, w):
    """The title bar's close box asks the close question; "No" hides the window to the tray
    (withdrawn, not minimised to a task bar), the client running, its tray icon there and the tray
    menu's first item "Show Inbox", which shows the window again."""
    step("the close box, answered No: hidden in the tray")
    frame = run.wait_for("the main window", run.main_window)
    window = run.wait_for("the main window's X window", lambda: x_windows(frame.name))[0]
    x, y, width, _ = x_geometry(window)
    _, right, top, _ = (int(v) for v in x_property(window, "_NET_FRAME_EXTENTS").split("=")[1]
                        .split(","))
    # Debian's openbox title bar: square buttons about the bar's height, the close box last.
    xdo("mousemove", x + width + right - top // 2 - 1, y - top // 2)
    run.shot("close-box")
    xdo("click", 1)
    text = run.answer(ALERT, CLOSE_QUESTION, "No")
    expect("Do you really want to close Application?" in text, "the close question says %r", text)
    run.wait_for("the main window hidden in the tray", lambda: not run.main_window())
    state = re.findall(r"window state: (\w+)", x_property(window, "WM_STATE")) or ["Withdrawn"]
    expect_equal("the main window's state after No", state, ["Withdrawn"])
    expect(run.client.poll() is None, "the client ended after the close question was answered No")
    menu = run.tray_menu()
    expect_equal("the tray menu's first item after No", run.captions(menu)[0], "Show Inbox")
    run.shot("hidden-tray-menu")
    run.choose(menu, "Show Inbox")
    run.wait_for("the main window shown again", run.main_window)


def exit_answered_yes(run, w):
    """File > Exit, answered Yes: the client ends, its tray icon goes, and the files it leaves
    show what the windows did, each whole (no temporary file of a rewrite left beside them)."""
    step("File > Exit, answered Yes")
    run.menu_bar("File", "Exit")
    run.answer(ALERT, CLOSE_QUESTION, "Yes")
    status, run.client = run.client.wait(timeout=WAIT_S), None
    expect_equal("the client's exit status", status, 0)
    run.wait_for("the tray icon gone", lambda: not run.tray_icon())
    run.shot("ended")
    marks = {guid: m.get("read") for guid, m in w.inbox().items()}
    # Every message was marked read by "Mark All Sources as Read" (search_and_mark_read).
    expect_equal("the read marks in the inbox file", marks,
                 {"desk-1": "1", "desk-3": "1", "desk-4": "1", "desk-5": "1"})
    listed = [(t, os.path.basename(link)) for _, t, link in read_subscriptions(w.data_folder)]
    expect_equal("subscriptions.dat", listed, [(SOURCE_TITLE, "desk.xml"),
                                               (CARPOOL_RENAMED, "carpool.xml")])
    left = [name for folder in (w.data_folder, w.app_folder) for _, _, names in os.walk(folder)
            for name in names if ".tmp" in name]
    expect(not left, "temporary files left behind: %s", left)


# --- The tree's message actions from the keyboard; Exit with the tree pane floating.

def keyboard_round_and_floating_pane(run, w):
    """One round through a message's actions from the keyboard, in the tree: typing selects a
    message, Enter opens it, Ctrl+W closes it, the menu key and Shift+F10 open its menu (Mark as
    Unread, then Mark as Read, chosen with the arrow keys), Delete asks and Enter answers No, the
    default. Only the keyboard focus is put into the tree with a click on its empty space. The
    read marks end as they began. Then the tree pane is undocked and moved aside: the Exit that
    follows must end the program with the pane floating."""
    title, guid = "Budget meeting moved", "desk-1"
    frame = run.wait_for("the main window", run.main_window)
    tree = run.get(frame, pyatspi.ROLE_TREE)
    main_x_window = run.wait_for("the main window's X window", lambda: x_windows(frame.name))[0]

    def focus_tree():
        xdo("windowactivate", "--sync", main_x_window)
        x, y, width, height = run.extents(tree)
        xdo("mousemove", x + width // 2, y + height - 10, "click", 1)
        run.wait_for("the keyboard focus in the tree", lambda: run.has(tree, FOCUSED))

    def message_window():
        return run.find(frame, FRAME, title)

    def select_by_typing():
        """Types the title's first word. On a loaded machine the keys may come further apart than
        the tree's type-ahead interval, each then starting a search of its own that leaves the
        row current but not selected: Space selects the current row, as a person would press."""
        xdo("type", "--delay", 60, "Budget")
        selected = lambda: run.has(run.find(tree, CELL, title), SELECTED)
        try:
            run.wait_for("the message selected by typing", selected, timeout=5)
        except Failure:
            xdo("key", "space")
            run.wait_for("the message selected", selected)

    step("keyboard: Ctrl+W closes the message window left open")
    focus_tree()
    if run.wait_for("the message window left open", lambda: message_window() or "none") != "none":
        xdo("key", "ctrl+w")
        run.wait_for("the message window closed by Ctrl+W", lambda: not message_window())

    step("keyboard: typing selects a message, Enter opens it, Ctrl+W closes it")
    focus_tree()
    xdo("type", "--delay", 60, "Desk")
    time.sleep(1)  # a pause ends the type-ahead
    xdo("key", "Right")
    time.sleep(1)
    select_by_typing()
    xdo("key", "Return")
    run.wait_for("the message window opened by Enter", message_window)
    run.shot("keyboard-enter")
    xdo("key", "ctrl+w")
    run.wait_for("the message window closed by Ctrl+W", lambda: not message_window())

    step("keyboard: the menu key and Shift+F10 open the message's menu")
    focus_tree()  # the click on the empty space took the selection: type it again
    select_by_typing()
    for key, caption, flag in (("Menu", "Mark as Unread", "0"), ("shift+F10", "Mark as Read", "1")):
        menu = run.new_popup("the tree's menu from " + key, lambda: xdo("key", key))
        expect_equal("the tree's menu", run.captions(menu), CONTEXT_MENU)
        run.shot("keyboard-menu")
        xdo("key", *["Down"] * (CONTEXT_MENU.index(caption) + 1))
        xdo("key", "Return")
        run.wait_for("%s in the inbox file" % caption, lambda: w.read_flag(guid) == flag)

    step("keyboard: Delete asks; Enter answers No")
    xdo("key", "Delete")
    box = run.top(ALERT, "Delete selected Item?")
    expect(title in " ".join(a.name for a in run.find_all(box, LABEL)),
           "the delete question does not name the message")
    run.shot("keyboard-delete")
    xdo("key", "Return")
    run.gone(ALERT, "Delete selected Item?")
    expect(guid in w.inbox(), "Enter on the delete question deleted the message")

    step("the tree pane undocked")
    # The float button at the right end of the pane's title bar, which AT-SPI does not list.
    x, y, width, _ = run.extents(run.get(frame, FRAME, FLOATING_PANE_CAPTION))
    xdo("mousemove", x + width - 9, y + 9, "click", 1)
    pane = run.wait_for("the tree pane floating", lambda: x_windows(FLOATING_PANE_CAPTION))[0]
    xdo("windowmove", pane, 900, 360)
    run.shot("pane-floating")


# --- Finding messages and marking whole sources read.

def search_and_mark_read(run, w):
    """Ctrl+K reaches the search field above the tree; a word shows only the messages holding it,
    under their sources; Esc brings the tree back as it was. "Mark All as Read" in a source's
    context menu, then "Mark All Sources as Read" in the menu bar, write the inbox files."""
    step("Ctrl+K, a word typed into the search field")
    run.click(w.cell(SOURCE_TITLE))
    run.focus_in(w.frame.name)
    xdo("key", "ctrl+k")
    field = run.get(w.frame, TEXT, "Search messages")
    run.wait_for("the keyboard focus in the search field",
                 lambda: run.has(field, pyatspi.STATE_FOCUSED))
    xdo("type", "--delay", 20, "SOUP")
    rows = lambda: [c.name for c in run.find_all(w.tree, CELL)]
    run.wait_for("only the matching message, under its source",
                 lambda: rows() == [CANTEEN_TITLE, "Soup of the day"])
    run.get(w.frame, LABEL, "1 message matches")
    run.shot("search")
    step("Esc: the tree as it was")
    xdo("key", "Escape")
    run.wait_for("every source back, the canteen's message hidden again", lambda: all(
        title in rows() for title in (SOURCE_TITLE, CANTEEN_TITLE, CARPOOL_TITLE)) and
        "Soup of the day" not in rows())

    step("a source's context menu: Mark All as Read")
    inbox = lambda title: read_inbox(w.data_folder, source_id(w.data_folder, title))
    expect_equal("the canteen's message before", inbox(CANTEEN_TITLE)["canteen-1"]["read"], "0")
    menu = run.new_popup("the source's menu",
                         lambda: run.click(w.cell(CANTEEN_TITLE), button=3))
    expect_equal("the source's menu", run.captions(menu), ["Mark All as Read"])
    run.shot("source-menu")
    run.choose(menu, "Mark All as Read")
    run.wait_for("the canteen's message read in its inbox file",
                 lambda: inbox(CANTEEN_TITLE)["canteen-1"]["read"] == "1")
    step("Message Sources > Mark All Sources as Read")
    run.menu_bar("Message Sources", "Mark All Sources as Read")
    run.wait_for("every message read in the inbox files", lambda: all(
        m["read"] == "1" for title in (SOURCE_TITLE, CANTEEN_TITLE, CARPOOL_TITLE)
        for m in inbox(title).values()))
    run.shot("all-read")


# --- The message's text read through the accessibility interface; no request leaves its page.

class ConnectionRecorder:
    """A TCP server on 127.0.0.1 that notes every connection made to it and answers nothing."""

    def __init__(self):
        self.connections = []
        recorder = self

        class Handler(socketserver.BaseRequestHandler):
            def handle(self):
                recorder.connections.append(self.client_address)

        self.server = socketserver.ThreadingTCPServer(("127.0.0.1", 0), Handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.port = self.server.server_address[1]


def message_text_readable(run, w):
    """A message whose page shows a picture from another address: a screen reader reads its body
    from the message window, and the picture's server is never reached."""
    recorder = ConnectionRecorder()
    title, text = "Reading room open", "The reading room opens at nine on weekdays."
    w.desk.add("desk-5", title, '%s <img src="http://127.0.0.1:%d/plan.png" alt="Floor plan">'
               '<link rel="stylesheet" href="http://127.0.0.1:%d/look.css">'
               % (text, recorder.port, recorder.port), 12)
    step("a message with a remote picture, opened and read through AT-SPI")
    check(run, w, "Check for New Messages", [w.desk])
    run.click(w.cell(title), double=True)
    window = run.get(w.frame, FRAME, title, FIRST_PAGE_WAIT_S)
    # The built-in view is named after the message (Qt gives a read-only text view the role of a
    # label); the web engine's is a web document.
    view = run.wait_for("the message view", lambda: run.find(window, pyatspi.ROLE_DOCUMENT_WEB) or next(
        (a for a in run.find_all(window, None, title) if a.getRole() != FRAME), None),
        timeout=FIRST_PAGE_WAIT_S)
    if view.getRole() != pyatspi.ROLE_DOCUMENT_WEB:
        run.wait_for("the message's body read through AT-SPI", lambda: text in text_of(view))
        body = text_of(view)
        expect("[Floor plan]" in body, "the picture's text is not in the page: %r", body)
        expect("Subject:" in body and title in body, "the header block is not read: %r", body)
    else:
        step("  the message shows in the web engine's view, which gives AT-SPI no text")
    run.shot("message-read-aloud")
    time.sleep(1)
    expect(not recorder.connections, "the page reached %s", recorder.connections)
    recorder.server.shutdown()
    run.focus_in(w.frame.name)
    xdo("key", "ctrl+w")
    run.wait_for("the message window closed", lambda: not run.find(w.frame, FRAME, title))


def scenario(run, bin_dir, work):
    w = start(run, bin_dir, work)
    show_inbox(run, w)
    check_source(run, w)
    browser_reminder(run, w)
    read_mark_delete_export(run, w)
    step("Tools > Settings, No Changes!")
    run.menu_bar("Tools", "Settings")
    run.answer(DIALOG, "Preferences ...", "No Changes!")
    step("Message Sources > Subscribe to New Source")
    run.menu_bar("Message Sources", "Subscribe to New Source")
    subscribe_in_dialog(run, w, CANTEEN_TITLE, w.link(w.canteen))
    step("Tools > Vellorin DropBox, a link dropped on it")
    subscribe_through_drop_box(run, w)
    expect_equal("subscriptions.dat", [(t, link) for _, t, link in read_subscriptions(
        w.data_folder)], [(f.title, w.link(f)) for f in (w.desk, w.canteen, w.carpool)])
    run.shot("three-sources")
    check_all(run, w)
    message_text_readable(run, w)
    search_and_mark_read(run, w)
    manage_subscriptions(run, w)
    follow_vellorinctl(run, w, bin_dir)
    step("tray menu: Hide Inbox, Show Inbox")
    run.choose(run.tray_menu(), "Hide Inbox")
    run.wait_for("the main window hidden", lambda: not run.main_window())
    run.choose(run.tray_menu(), "Show Inbox")
    run.wait_for("the main window shown again", run.main_window)
    close_box_answered_no(run, w)
    keyboard_round_and_floating_pane(run, w)
    exit_answered_yes(run, w)
    w.server.shutdown()


# --- The client follows changes that vellorinctl makes while it runs -----------------------------

LIVE_TITLE = "Notes from the command line"
LIVE_RENAMED = "Notes renamed outside"


def follow_vellorinctl(run, w, bin_dir):
    """vellorinctl subscribes, renames and unsubscribes a source while the client shows its
    tree: each change appears in the main tree by itself, without a box."""
    env = dict(os.environ, HOME=w.home, XDG_CONFIG_HOME=os.path.join(w.home, ".config"))
    link = "http://127.0.0.1:1/www.vellorin.net/feeds/notes"

    def ctl(*args):
        subprocess.run([os.path.join(bin_dir, "vellorinctl"), "--app-dir", w.app_folder,
                        "--data-dir", w.data_folder, "--yes"] + list(args), env=env, check=True,
                       stdout=subprocess.DEVNULL)
        return time.monotonic()

    for what, args, shown, gone in (
            ("subscribe", ("subscribe", LIVE_TITLE, link), LIVE_TITLE, None),
            ("rename", ("rename", link, LIVE_RENAMED), LIVE_RENAMED, LIVE_TITLE),
            ("unsubscribe", ("unsubscribe", link), None, LIVE_RENAMED)):
        step("vellorinctl %s while the client runs" % what)
        began = ctl(*args)
        run.wait_for("the main tree after vellorinctl " + what, lambda: (
            (shown is None or bool(run.find(w.tree, CELL, shown))) and
            (gone is None or not run.find(w.tree, CELL, gone))))
        print("  shown after %.2f s" % (time.monotonic() - began), flush=True)
        run.shot("vellorinctl-" + what)
    expect(not run.find(run.application(), ALERT), "a box showed while the tree followed")


def main(bin_dir, out_dir):
    """Runs the scenario with the build's bin folder; screenshots and logs go to out_dir."""
    os.makedirs(out_dir, exist_ok=True)
    for old in os.listdir(out_dir):
        if old.endswith((".png", ".txt", ".log")):
            os.remove(os.path.join(out_dir, old))
    run, work = Run(out_dir), tempfile.mkdtemp(prefix="vellorin-desktop-")
    try:
        scenario(run, bin_dir, work)
        print("PASS: the whole program as a person uses it", flush=True)
        return 0
    except Exception as e:
        print("FAIL:", e, flush=True)
        if not isinstance(e, Failure):
            traceback.print_exc()
        try:
            run.shot("failure")
            run.dump(os.path.join(out_dir, "accessible-tree.txt"))
        except Exception as dump_error:
            print("  (no diagnosis: %s)" % dump_error)
        return 1
    finally:
        end_process(run.stand_in and run.stand_in.process)
        end_process(run.client)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:3]))
