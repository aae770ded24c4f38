#!/usr/bin/python3
"""The desktop client as a person uses it, from the tray to File > Exit.

Run by whole_program.sh inside a private X display with a tray host (trayer) and a private D-Bus
session, where Qt's widgets are read through the accessibility interface (AT-SPI). Controls are
found by their role and caption, as a screen reader finds them; they are worked with the X
server's mouse and keyboard (xdotool) at the places AT-SPI reports, as a person works them. Only
the tray icon itself, which AT-SPI does not list, is found through the X server.

The client runs from a copy of the application folder, on a temporary data folder subscribed (with
vellorinctl) to a feed this script serves on 127.0.0.1, and with the online override set. At the
end the inbox file must show what was done through the windows.

Every wait polls its condition until a generous time limit; a step that fails names what it
waited for, leaves a screenshot and the client's accessible tree in the output folder and ends
the run with status 1. Screenshots of each step are kept there as NN-step.png.
"""

import argparse
import http.server
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import traceback

import pyatspi
from gi.repository import GLib

WAIT_S = 30
# The first message starts the web engine; under a loaded machine that takes a while.
FIRST_PAGE_WAIT_S = 90

FEED_PATH = "/www.vellorin.net/feeds/desk.xml"
SOURCE_TITLE = "Desk news"

TRAY_MENU = [
    "Show Inbox", "Subscribe to New Source", "Check for New Messages", "Vellorin Dropbox",
    "Plug-In Configuration", "Settings", "Help File", "Contact Us", "Visit our Website", "Exit",
]
CONTEXT_MENU = ["Show", "Delete", "Mark as Read", "Mark as Unread", "Export to File"]


class Failure(Exception):
    pass


# --- The feed the source is subscribed to.

class Feed:
    """An RSS feed in the service's format whose items the test changes while it runs."""

    def __init__(self):
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
               "<title>%s</title><link>https://www.vellorin.net/</link>" % SOURCE_TITLE,
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


def serve(feed):
    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            if self.path != FEED_PATH:
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


# --- The inbox file, as the client stores it.

def read_inbox(data_folder):
    """guid -> {key: value} of every message in the source's inbox.dat (one source)."""
    messages = {}
    for entry in os.listdir(data_folder):
        path = os.path.join(data_folder, entry, "inbox.dat")
        if not os.path.isfile(path):
            continue
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


# --- The run: X tools, AT-SPI and waiting.

class Run:
    def __init__(self, out_dir):
        self.out_dir = out_dir
        self.step = 0
        self.client = None
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

    # --- Accessible objects.

    def application(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.get_process_id() == self.client.pid:
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

    def window(self, role, name):
        """A showing top-level window of the client: the frame, a dialog, a message box."""
        app = self.application()
        if app is None:
            return None
        for i in range(app.childCount):
            w = app.getChildAtIndex(i)
            if w is not None and w.getRole() == role and (name is None or w.name == name) and \
                    self.showing(w):
                return w
        return None

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
    # files.
    for name in os.listdir(args.bin_dir):
        src = os.path.join(args.bin_dir, name)
        if name in ("vellorin", "libvellorin_webview.so") or (
                os.path.isfile(src) and not os.access(src, os.X_OK)):
            shutil.copy2(src, app_folder)

    # Empty until the client's first scheduled check has been, so that the messages come with
    # the check the test asks for.
    feed = Feed()
    server = serve(feed)
    link = "http://127.0.0.1:%d%s" % (server.server_address[1], FEED_PATH)

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

    # Accessible objects of the tree's rows last as long as the rows: each step finds its row anew.
    def cell(title):
        return run.wait_for('"%s" in the tree' % title,
                            lambda: run.find(tree, pyatspi.ROLE_TABLE_CELL, title))

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

    print("Message Sources > Check for New Messages", flush=True)
    run.click(cell(SOURCE_TITLE))
    run.wait_for("the source selected",
                 lambda: pyatspi.STATE_SELECTED in run.states(cell(SOURCE_TITLE)))
    asked = feed.requests
    run.menu_bar("Message Sources", "Check for New Messages")
    run.wait_for("the feed asked for", lambda: feed.requests > asked)
    run.wait_for("three messages in the inbox file", lambda: len(read_inbox(data_folder)) == 3)
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

    def read_flag(guid):
        return read_inbox(data_folder).get(guid, {}).get("read")

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
                 lambda: "desk-2" not in read_inbox(data_folder))

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

    print("a new message, Check All Sources for New Messages", flush=True)
    feed.add("desk-4", "Lift maintenance tonight", "The lift stops from eight to ten.", 11)
    asked = feed.requests
    run.menu_bar("Message Sources", "Check All Sources for New Messages")
    run.wait_for("the feed asked for", lambda: feed.requests > asked)
    run.wait_for("the tree enabled again", lambda: pyatspi.STATE_ENABLED in run.states(tree))
    expand_source()
    cell("Lift maintenance tonight")
    run.wait_for("the new message in the inbox file",
                 lambda: read_inbox(data_folder).get("desk-4", {}).get("read") == "0")
    run.shot("new-message")

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
    inbox = read_inbox(data_folder)
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
        if run.client is not None and run.client.poll() is None:
            run.client.send_signal(signal.SIGTERM)
            try:
                run.client.wait(timeout=10)
            except subprocess.TimeoutExpired:
                run.client.kill()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
