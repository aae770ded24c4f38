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

import os
import subprocess
import sys
import time

from atspi_drive import CELL, FRAME, TREE, Driver, Failure, click, end_process, expect, find, \
    rss, serve, xdo

SOURCE, TITLE = "Front desk", "Your sign-in code"
BODY = "Your sign-in code is {7731}. It expires in 10 minutes."
ENGINE_LIBRARY = "libQt6WebEngine"


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
    feed = rss("Desk", [("code-1", TITLE, BODY, 8)])
    server = serve({"/www.vellorin.net/feeds/desk.xml": lambda: feed})
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
    run = Driver(wait_s=90)
    run.client = client
    try:
        frame = run.wait_for("the main window", lambda: find(run.application(), FRAME))
        tree = run.get(frame, TREE)
        expect(not engine_mapped(client.pid), "the web engine is mapped before a message opened")
        click(run.get(tree, CELL, SOURCE))
        xdo("key", "Right")  # opens the source's branch
        click(run.get(tree, CELL, TITLE), double=True)
        run.get(frame, FRAME, TITLE)
        if view == "engine":
            run.wait_for("the web engine in the client's memory map",
                         lambda: engine_mapped(client.pid))
        else:
            time.sleep(3)  # time enough for a library that should not come
            expect(not engine_mapped(client.pid), "the built-in view mapped the web engine")
        time.sleep(1)  # the page drawn
        subprocess.run(["import", "-window", "root", screenshot], check=False)
        print("package: a message opened with the %s view; %s %s mapped; PSS of the client's "
              "processes %.1f MB" % (view, ENGINE_LIBRARY, "is" if view == "engine" else "is not",
                                     pss_kib(client.pid) / 1024), flush=True)
    except Failure as e:
        print("package: %s" % e, file=sys.stderr, flush=True)
        sys.exit(1)
    finally:
        end_process(client)


if __name__ == "__main__":
    main()
