#!/usr/bin/python3
"""Opens a message in the installed desktop client and tells which message view showed it.

Run by package.sh inside dbus-run-session, on an X display without a tray host (so the client
shows its main window at start):
    package_open_message.py WORK engine|builtin SCREENSHOT
WORK holds the home folder the client runs with (WORK/home). On the first run the inbox gets its
message: a feed served on 127.0.0.1 is subscribed and checked with the installed vellorinctl.
Then /usr/bin/vellorin starts, the message is opened with a double-click in the tree (found
through the accessibility interface), and the process's memory map must hold the web engine's
library exactly when `engine` is asked for. The screen with the message open goes to SCREENSHOT
(a PNG file).
"""

import http.server
import os
import signal
import subprocess
import sys
import threading
import time

import pyatspi
from gi.repository import GLib

SOURCE, TITLE = "Front desk", "Your sign-in code"
BODY = "Your sign-in code is {7731}. It expires in 10 minutes."
FEED = ('<?xml version="1.0" encoding="UTF-8"?>\n<rss version="2.0"><channel><title>Desk</title>'
        '<link>https://www.vellorin.net/</link><description>Desk</description><item><title>'
        + TITLE + '</title><guid isPermaLink="false">code-1</guid><pubDate>Mon, 07 Dec 2026 '
        '08:00:00 +0000</pubDate><description><![CDATA[<!-- header start:\nfrom: &quot;Front '
        'Desk&quot; &lt;desk@vellorin.net&gt;<br />\nsubject: ' + TITLE + '<br />\ndate: Mon, 07 '
        'Dec 2026<br />\nreply-to: &quot;Front Desk&quot; &lt;desk@vellorin.net&gt;<br />\n'
        'header end --><p>' + BODY + '</p>]]></description></item></channel></rss>\n')
ENGINE_LIBRARY = "libQt6WebEngine"
WAIT_S = 90


def fail(text):
    print("package: " + text, file=sys.stderr, flush=True)
    sys.exit(1)


def wait_for(what, condition, timeout=WAIT_S):
    deadline, context = time.monotonic() + timeout, GLib.MainContext.default()
    while True:
        while context.iteration(False):
            pass
        try:
            value = condition()
        except Exception:
            value = None
        if value:
            return value
        if time.monotonic() > deadline:
            fail("waited %d s for %s" % (timeout, what))
        time.sleep(0.2)


def children(acc):
    return [c for c in (acc.getChildAtIndex(i) for i in range(acc.childCount)) if c is not None]


def find(root, role, name=None):
    """The first showing descendant of `root` with the role (and caption)."""
    if pyatspi.STATE_SHOWING not in root.getState().getStates():
        return None
    if root.getRole() == role and name in (None, root.name.strip()):
        return root
    return next((hit for hit in (find(c, role, name) for c in children(root)) if hit), None)


def click(acc, times=1):
    x, y, w, h = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click",
                    "--repeat", str(times), "--delay", "80", "1"], check=True)


def engine_mapped(pid):
    with open("/proc/%d/maps" % pid) as maps:
        return ENGINE_LIBRARY in maps.read()


def pss_kib(pid):
    """The proportional set size of the process and all its descendants, in KiB."""
    parents = {}
    for entry in os.listdir("/proc"):
        try:
            with open("/proc/%s/stat" % entry) as stat:
                parents[int(entry)] = int(stat.read().rsplit(")", 1)[1].split()[1])
        except (OSError, ValueError, IndexError):
            pass
    tree, total = {pid}, 0
    while True:
        more = {p for p, parent in parents.items() if parent in tree} - tree
        if not more:
            break
        tree |= more
    for member in tree:
        try:
            with open("/proc/%d/smaps_rollup" % member) as rollup:
                total += sum(int(line.split()[1]) for line in rollup if line.startswith("Pss:"))
        except OSError:
            pass
    return total


def subscribe_once(env):
    """The message in the inbox: the feed subscribed and checked, the first time only."""
    sources = subprocess.run(["/usr/bin/vellorinctl", "sources"], env=env, check=True,
                             capture_output=True, text=True).stdout
    if SOURCE in sources:
        return

    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            body = FEED.encode("utf-8")
            self.send_response(200)
            self.send_header("Content-Type", "application/rss+xml; charset=utf-8")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    link = "http://127.0.0.1:%d/www.vellorin.net/feeds/desk.xml" % server.server_address[1]
    subprocess.run(["/usr/bin/vellorinctl", "subscribe", SOURCE, link], env=env, check=True)
    subprocess.run(["/usr/bin/vellorinctl", "check", "--online"], env=env, check=True)
    server.shutdown()


def main():
    work, view, screenshot = sys.argv[1], sys.argv[2], sys.argv[3]
    env = dict(os.environ, HOME=os.path.join(work, "home"), XDG_CONFIG_HOME="", XDG_DATA_HOME="",
               QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", VELLORIN_ONLINE="0",
               VELLORIN_NONINTERACTIVE="1", no_proxy="127.0.0.1")
    if os.getuid() == 0:
        env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
    subscribe_once(env)

    with open(os.path.join(work, "client-%s.log" % view), "w") as log:
        client = subprocess.Popen(["/usr/bin/vellorin", "-s"], env=env, stdout=log,
                                  stderr=subprocess.STDOUT)
    try:
        app = wait_for("the client on the accessibility bus", lambda: next(
            a for a in children(pyatspi.Registry.getDesktop(0))
            if a.get_process_id() == client.pid))
        frame = wait_for("the main window", lambda: find(app, pyatspi.ROLE_FRAME))
        tree = wait_for("the message tree", lambda: find(frame, pyatspi.ROLE_TREE))
        if engine_mapped(client.pid):
            fail("the web engine is mapped before any message was opened")
        source = wait_for("the source in the tree", lambda: find(tree, pyatspi.ROLE_TABLE_CELL,
                                                                  SOURCE))
        click(source)
        subprocess.run(["xdotool", "key", "Right"], check=True)  # opens the source's branch
        message = wait_for("the message in the tree", lambda: find(
            tree, pyatspi.ROLE_TABLE_CELL, TITLE))
        click(message, times=2)
        wait_for("the message window", lambda: find(frame, pyatspi.ROLE_FRAME, TITLE))
        if view == "engine":
            wait_for("the web engine in the client's memory map",
                     lambda: engine_mapped(client.pid))
        else:
            time.sleep(3)  # time enough for a library that should not come
            if engine_mapped(client.pid):
                fail("the built-in view mapped the web engine")
        time.sleep(1)  # the page drawn
        subprocess.run(["import", "-window", "root", screenshot], check=False)
        print("package: a message opened with the %s view; %s %s mapped; PSS of the client's "
              "processes %.1f MB" % (view, ENGINE_LIBRARY, "is" if view == "engine" else "is not",
                                     pss_kib(client.pid) / 1024), flush=True)
    finally:
        if client.poll() is None:
            client.send_signal(signal.SIGTERM)
            try:
                client.wait(timeout=10)
            except subprocess.TimeoutExpired:
                client.kill()


if __name__ == "__main__":
    main()
