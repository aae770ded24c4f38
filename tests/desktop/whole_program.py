#!/usr/bin/python3
"""The desktop client as a person uses it, tray to Exit; screenshots go to OUT_DIR (argv 2)."""

import configparser, json, os, re, select, shutil, socket, struct, subprocess, sys  # noqa: E401
import tempfile, threading, time, traceback  # noqa: E401
from xml.etree import ElementTree

import lz4.block

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from atspi_drive import (  # noqa: E402
    ALERT, BUTTON, CELL, DIALOG, ENABLED, EXPANDED, FOCUSED, FRAME, LABEL, POPUP, SELECTED, TEXT,
    TREE, WEB, Driver, Failure, center, children, click, drag, end_process, expect, expect_equal,
    expect_focus, extents, find, find_all, has, labels, rss, serve, text_of, x_geometry,
    x_property, x_windows, xdo)

FIRST_PAGE_WAIT_S = 90  # the first message starts the web engine: slow on a loaded machine
SOURCE, CANTEEN, CARPOOL, CARPOOL_RENAMED = "Desk news", "Canteen menu", "Car pool", "Car sharing"
BUDGET, PARKING, QUARTERLY = "Budget meeting moved", "New parking rules", "Quarterly figures"
SOUP, LIFT, NOTES = "Soup of the day", "Lift maintenance tonight", "Notes from the command line"
SITE_PAGE, OTHER_PAGE = "https://www.vellorin.net/inbox", "https://www.example.com/news"
POPUP_CAPTION, STAND_IN = "Vellorin Browser Plug-In", "Browser stand-in"
# Away from the main window (top left), the tray (top right) and the popups (bottom right).
STAND_IN_PLACE, DROP_BOX_PLACE, TWIPS_PER_PIXEL = (20, 700), (1100, 300), 15
CLOSE_QUESTION, DELETE_QUESTION = "Close Vellorin Application Now?", "Delete selected Item?"
SUBSCRIBE, MANAGER = "Subscribe to New Message Source", "Subscription List Manager"


class Feed:  # served to the client; the test adds items while it runs
    def __init__(self, name, title, *items):
        self.path, self.title = "/www.vellorin.net/feeds/%s.xml" % name, title
        self.items, self.requests = list(items), 0

    def xml(self):
        self.requests += 1
        return rss(self.title, list(self.items))


def read_ini(path):  # section -> {key (lower case): value}; {} without the file
    ini = configparser.ConfigParser(delimiters=("=",), interpolation=None, strict=False)
    if os.path.isfile(path):
        ini.read_string(open(path, encoding="utf-8", errors="replace").read())
    return {name: dict(ini[name]) for name in ini.sections()}


def subscriptions(data_folder):  # [(id, title, link)] in file order
    sources = ElementTree.parse(os.path.join(data_folder, "subscriptions.dat")).getroot()
    return [(c.get("id"), c.get("title"), c.text or "") for c in sources]


class Desk(Driver):  # the client's folders and feeds, Firefox's session file, the stand-in
    stand_in_process = server = None

    def start(self, bin_dir, work):
        self.bin_dir, self.home, self.app_folder = bin_dir, work + "/home", work + "/app"
        self.data_folder, self.settings = work + "/data/Vellorin Data", work + "/app/settings.cfg"
        for folder in ("/app", "/data", "/home", "/run"):
            os.makedirs(work + folder, mode=0o700)
        for name in os.listdir(bin_dir):  # the client, its view plugin, urls.lst
            if name in ("vellorin", "libvellorin_webview.so") or not os.access(
                    os.path.join(bin_dir, name), os.X_OK):
                shutil.copy2(os.path.join(bin_dir, name), self.app_folder)
        with open(self.settings, "w", newline="") as f:  # Firefox's plug-in, the drop box's place
            f.write("[plugin]\r\nff=1\r\nie=0\r\n[dropbox]\r\nleft=%d\r\ntop=%d\r\n"
                    % tuple(v * TWIPS_PER_PIXEL for v in DROP_BOX_PLACE))
        firefox = self.home + "/.mozilla/firefox"
        os.makedirs(firefox + "/t.default/sessionstore-backups")
        with open(firefox + "/profiles.ini", "w") as f:
            f.write("[Profile0]\nName=default-release\nIsRelative=1\nPath=t.default\nDefault=1\n")
        self.session, self.stamp_ns = firefox + "/t.default/sessionstore-backups/recovery.jsonlz4", 0
        self.browse(OTHER_PAGE)
        self.desk = Feed("desk", SOURCE)  # empty until the first scheduled check has been
        self.canteen = Feed("canteen", CANTEEN, ("canteen-1", SOUP, "Pumpkin soup today.", 7))
        self.carpool = Feed("carpool", CARPOOL, ("carpool-1", "Seats free", "Two on Friday.", 6))
        self.server = serve({f.path: f.xml for f in (self.desk, self.canteen, self.carpool)})
        self.env = dict(os.environ, HOME=self.home, XDG_DATA_HOME=work + "/data",
                        XDG_RUNTIME_DIR=work + "/run", XDG_CONFIG_HOME=self.home + "/.config",
                        QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                        VELLORIN_ONLINE="1", no_proxy="127.0.0.1,localhost",
                        **({"QTWEBENGINE_DISABLE_SANDBOX": "1"} if os.getuid() == 0 else {}))
        self.env.pop("VELLORIN_NONINTERACTIVE", None)
        self.ctl("subscribe", SOURCE, self.link(self.desk))
        self.stand_in_said, self.stand_in_process = [], subprocess.Popen(
            [bin_dir + "/desktop_drag_source", self.link(self.carpool), STAND_IN] +
            [str(v) for v in STAND_IN_PLACE], env=self.env, stdout=subprocess.PIPE, text=True)
        threading.Thread(target=lambda: self.stand_in_said.extend(
            line.strip() for line in self.stand_in_process.stdout), daemon=True).start()
        with open(os.path.join(self.out_dir, "client.log"), "w") as log:
            self.client = subprocess.Popen([self.app_folder + "/vellorin", "-s"], env=self.env,
                                           stdout=log, stderr=subprocess.STDOUT)

    def link(self, feed):
        return "http://127.0.0.1:%d%s" % (self.server.server_address[1], feed.path)

    def ctl(self, *args):
        subprocess.run([self.bin_dir + "/vellorinctl", "--app-dir", self.app_folder] +
                       list(args), env=self.env, check=True, stdout=subprocess.DEVNULL)

    def browse(self, url):  # Firefox shows `url`: the session file replaced, a later mtime
        data = json.dumps({"selectedWindow": 1, "windows": [{"selected": 1, "tabs": [
            {"index": 1, "entries": [{"url": url, "title": "Page"}]}]}]}).encode("utf-8")
        with open(self.session + ".tmp", "wb") as f:  # the magic, the size, one LZ4 block
            f.write(b"mozLz40\0" + struct.pack("<I", len(data)) +
                    lz4.block.compress(data, store_size=False))
        self.stamp_ns = max(self.stamp_ns, time.time_ns()) + 1_000_000_000
        os.utime(self.session + ".tmp", ns=(self.stamp_ns, self.stamp_ns))
        os.replace(self.session + ".tmp", self.session)

    def source_id(self, title):
        return next((i for i, t, _ in subscriptions(self.data_folder) if t == title), None)

    def inbox(self, title=SOURCE):  # guid -> {key: value}
        return read_ini(os.path.join(self.data_folder, self.source_id(title), "inbox.dat"))

    def read_flag(self, guid, title=SOURCE):
        return self.inbox(title).get(guid, {}).get("read")

    def show_main(self):
        self.frame = self.wait_for("the main window", self.main_window)
        self.tree = self.get(self.frame, TREE)

    def cell(self, title):  # found anew each time: a row's accessible lasts as long as the row
        return self.get(self.tree, CELL, title)

    def rows(self):
        return [c.name for c in find_all(self.tree, CELL)]

    def tray_icon(self):  # (x, y) of the middle of the client's icon in the tray host, or None
        panel = xdo("search", "--classname", "^panel$").split()
        px, py, pw, ph = x_geometry(panel[0]) if panel else (0, 0, 0, 0)
        for window in xdo("search", "--classname", "^vellorin$").split():
            x, y, w, h = x_geometry(window)
            if w <= 64 and h <= 64 and px <= x < px + pw and py <= y < py + ph:
                return x + w // 2, y + h // 2

    def tray_menu(self):
        x, y = self.wait_for("the tray icon in the tray host", self.tray_icon)
        return self.new_popup("the tray menu", lambda: xdo("mousemove", x, y, "click", 3))

    def stand_in_focus(self):  # a click into its address field; gives the focused window
        click(self.get(self.top(None, STAND_IN, self.stand_in_process.pid), TEXT, "Address"))
        return self.focus_in(STAND_IN)


def check(d, command, feeds):  # with the desk's source selected: the feeds asked, the focus kept
    click(d.cell(SOURCE))
    d.wait_for("the source selected", lambda: has(d.cell(SOURCE), SELECTED))
    focus, asked = d.focus_in(d.frame.name), [feed.requests for feed in feeds]
    d.menu_bar("Message Sources", command)
    d.wait_for("the feeds asked for", lambda: all(f.requests > n for f, n in zip(feeds, asked)))
    d.wait_for("the tree enabled again", lambda: has(d.tree, ENABLED))
    expect_focus(focus, "the check run")
    click(d.cell(SOURCE))
    if not has(d.cell(SOURCE), EXPANDED):
        xdo("key", "Right")
    d.wait_for("the source expanded", lambda: has(d.cell(SOURCE), EXPANDED))


def tray_and_checks(d):  # -s: only the tray icon; its menu shows the inbox; scheduled, menu check
    d.wait_for("the client on the accessibility bus", d.application)
    menu = d.tray_menu()
    expect(not d.main_window(), "the main window shows at a start with -s")
    d.choose(menu, "Show Inbox")
    d.show_main()
    d.wait_for("the first scheduled check (status panel)", lambda: any(label.name.startswith(
        "Status: Idle (Last Check: ") for label in find_all(d.frame, LABEL)), 60)
    expect(d.desk.requests > 0, "the status says the schedule checked, but no feed was asked for")
    d.desk.items += [("desk-1", BUDGET, "The budget meeting moves to Friday at ten.", 8),
                     ("desk-2", PARKING, "From Monday the east car park is for visitors.", 9),
                     ("desk-3", QUARTERLY, "The figures of the third quarter are out.", 10)]
    check(d, "Check for New Messages", [d.desk])
    d.wait_for("newest first in the tree", lambda: d.rows() == [SOURCE, QUARTERLY, PARKING, BUDGET])


def popup(d):  # the unread-messages popup (the plug-in's, with "Snooze!"), or None
    return next((t for t in children(d.application())
                 if t.name == POPUP_CAPTION and find(t, BUTTON, "Snooze!")), None)


def open_popup(d):  # open and done sliding up
    window = d.wait_for("the unread-messages popup", lambda: popup(d))
    d.settled("the popup open in full", window, lambda extents: extents[3] > 0)
    return window


def browser_reminder(d):  # the service's site: the popup on top, the focus kept; Hide, Snooze!
    shows = lambda s: d.within(lambda: popup(d) or x_windows(POPUP_CAPTION), s)  # noqa: E731
    focus = d.stand_in_focus()
    d.browse(SITE_PAGE)
    window = open_popup(d)
    d.shot("popup")
    expect_focus(focus, "the popup")
    order = [int(x, 16) for x in re.findall(r"0x[0-9a-f]+", x_property(
        None, "_NET_CLIENT_LIST_STACKING"))]  # bottom to top
    below = x_windows(STAND_IN) + x_windows(d.frame.name)
    expect(all(order.index(p) > order.index(b) for p in x_windows(POPUP_CAPTION) for b in below),
           "the popup is not above the browser and the main window (stacking %s)", order)
    for button in ("Hide", "Snooze!"):
        click(d.get(window, BUTTON, button))
        d.wait_for("the popup closed", lambda: not popup(d))
        expect_focus(focus, "pressing " + button)
        if button == "Hide":  # away and back, each address seen by the poll (every 500 ms)
            d.wait_for("the popup again after leaving the site and coming back", lambda: (
                d.browse(OTHER_PAGE), time.sleep(1.0), d.browse(SITE_PAGE), shows(3))[-1])
            window = open_popup(d)
    for visit in range(20):  # address changes after Snooze! (its 600 s are the core tests')
        d.browse(OTHER_PAGE if visit % 2 == 0 else SITE_PAGE)
        if shows(1.0):
            raise Failure("the popup opened %d address changes after Snooze!" % (visit + 1))


def open_message(d, title):  # by a double-click; gives its view (built-in, or web engine's)
    click(d.cell(title), double=True)
    window = d.get(d.frame, FRAME, title, FIRST_PAGE_WAIT_S)
    return d.wait_for("the message's view", lambda: find(window, WEB) or next(
        (a for a in find_all(window, None, title) if a.getRole() != FRAME), None),
        FIRST_PAGE_WAIT_S)


def read_mark_delete_export(d):  # opened: read; the tree's menu marks, deletes, exports
    open_message(d, BUDGET)
    d.wait_for("the message marked read in the inbox file", lambda: d.read_flag("desk-1") == "1")
    x, y, width, height = extents(d.frame)  # the main window alone, for the README
    subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (width, height, x, y),
                    "+repage", os.path.join(d.out_dir, "screenshot-main.png")], check=True)
    d.choose(d.context_menu(d.cell(BUDGET)), "Mark as Unread")
    d.wait_for("Mark as Unread in the inbox file", lambda: d.read_flag("desk-1") == "0")
    d.choose(d.context_menu(d.cell(PARKING)), "Delete")
    d.answer(ALERT, DELETE_QUESTION, "Yes", says=PARKING)
    d.wait_for("the message gone from the tree and the inbox file",
               lambda: not find(d.tree, CELL, PARKING) and "desk-2" not in d.inbox())
    exported, caption = d.home + "/quarterly.html", "Save Article Description as ..."
    d.choose(d.get(d.choose(d.context_menu(d.cell(QUARTERLY)), "Export to File"), POPUP),
             "HTML File (*.html)")
    d.type_into(d.fields(d.top(DIALOG, caption))[0], exported)
    xdo("key", "Return")
    d.gone(DIALOG, caption)
    d.wait_for("the exported file", lambda: "the third quarter are out" in open(exported).read())


def subscribe_in_dialog(d, title, link=None):  # the link unless dropped in
    dialog = d.top(DIALOG, SUBSCRIBE)
    txt_title, txt_link = d.fields(dialog, 2)
    if link is not None:
        d.type_into(txt_link, link)
    d.type_into(txt_title, title)
    click(d.get(dialog, BUTTON, "Subscribe Now!"))
    d.answer(ALERT, "Done!", "OK", says="successfully Added")
    d.gone(DIALOG, SUBSCRIBE)
    d.cell(title)


def drop_box(d):  # a link dropped fills the subscribe dialog; moved, clicked, closed, stored
    d.menu_bar("Tools", "Vellorin DropBox")
    box = d.top(None, "Vellorin DropBox")
    expect_equal("the drop box's place (settings.cfg's)", extents(box)[:2], DROP_BOX_PLACE)
    stand_in = d.top(None, STAND_IN, d.stand_in_process.pid)
    drag(center(d.get(stand_in, LABEL, "Drag this link")), center(box))
    d.wait_for("the drop accepted (the stand-in says)", lambda: "drop: accepted" in d.stand_in_said)
    txt_title, txt_link = d.fields(d.top(DIALOG, SUBSCRIBE), 2)
    d.wait_for("the link, and no title, in the dialog after the drop", lambda: (
        text_of(txt_title), text_of(txt_link)) == ("", d.link(d.carpool)))
    subscribe_in_dialog(d, CARPOOL)
    x, y = center(box)
    drag((x, y), (x - 100, y + 60))  # the box may lag the drag distance behind the pointer
    left, top = DROP_BOX_PLACE
    moved = d.settled("the drop box moved", box, lambda e: e[0] < left - 40 and e[1] > top + 20)
    focus = d.stand_in_focus()
    menu = d.context_menu(box, "the drop box's menu")  # shows once the left click was handled
    expect_focus(focus, "clicking the drop box")
    d.choose(menu, "Close")
    d.gone(None, "Vellorin DropBox")
    stored = read_ini(d.settings)["dropbox"]
    expect_equal("the drop box's place stored, in twips", [stored.get("left"), stored.get("top")],
                 [str(v * TWIPS_PER_PIXEL) for v in moved[:2]])


def check_all_and_read(d):  # Check All: the new sources' first messages; one read over AT-SPI
    far = socket.create_server(("127.0.0.1", 0))  # its pictures' host, never to be asked
    title, text, port = "Reading room open", "The reading room opens at nine.", far.getsockname()[1]
    d.desk.items += [("desk-4", LIFT, "The lift stops from eight to ten.", 11), (
        "desk-5", title, '%s <img src="http://127.0.0.1:%d/plan.png" alt="Floor plan"><link '
        'rel="stylesheet" href="http://127.0.0.1:%d/look.css">' % (text, port, port), 12)]
    check(d, "Check All Sources for New Messages", [d.desk, d.canteen, d.carpool])
    d.wait_for("the new messages in the inbox files", lambda: d.read_flag("desk-4") == "0" and
               "canteen-1" in d.inbox(CANTEEN) and "carpool-1" in d.inbox(CARPOOL))
    view = open_message(d, title)
    if view.getRole() != WEB:  # the web engine gives no text
        body = d.wait_for("the body over AT-SPI", lambda: text in text_of(view) and text_of(view))
        expect(all(s in body for s in ("[Floor plan]", "Subject:", title)), "not read: %r", body)
    d.shot("message-read-aloud")
    expect(not select.select([far], [], [], 1)[0], "the message's page reached another address")
    d.focus_in(d.frame.name)
    xdo("key", "ctrl+w")
    d.wait_for("the message window closed by Ctrl+W", lambda: not find(d.frame, FRAME, title))


def search_and_mark_read(d):  # Ctrl+K, a word: only its messages; Esc; Mark All (Sources) Read
    click(d.cell(SOURCE))
    d.focus_in(d.frame.name)
    xdo("key", "ctrl+k")
    field = d.get(d.frame, TEXT, "Search messages")
    d.wait_for("the keyboard focus in the search field", lambda: has(field, FOCUSED))
    xdo("type", "--delay", 20, "SOUP")
    d.wait_for("only the matching message, under its source", lambda: d.rows() == [CANTEEN, SOUP])
    d.get(d.frame, LABEL, "1 message matches")
    xdo("key", "Escape")
    d.wait_for("every source back, the canteen's message hidden again", lambda: {
        SOURCE, CANTEEN, CARPOOL} <= set(d.rows()) and SOUP not in d.rows())
    expect_equal("the canteen's message before", d.read_flag("canteen-1", CANTEEN), "0")
    d.choose(d.new_popup("the source's menu", lambda: click(d.cell(CANTEEN), button=3)),
             "Mark All as Read")
    d.wait_for("the canteen's message read", lambda: d.read_flag("canteen-1", CANTEEN) == "1")
    d.menu_bar("Message Sources", "Mark All Sources as Read")
    d.wait_for("every message read in the inbox files", lambda: all(
        m["read"] == "1" for t in (SOURCE, CANTEEN, CARPOOL) for m in d.inbox(t).values()))


def manage_subscriptions(d):  # renamed, unsubscribed: the main tree follows once it closes
    ids = {title: d.source_id(title) for title in (CARPOOL, CANTEEN)}
    d.menu_bar("Message Sources", "Subscription List Manager")
    manager = d.top(DIALOG, MANAGER)
    sources = d.get(manager, TREE)
    d.wait_for("the root and the sources in file order in the manager", lambda: [
        c.name for c in find_all(sources, CELL)] == ["Sources", SOURCE, CANTEEN, CARPOOL])
    click(d.get(sources, CELL, CARPOOL), double=True)
    txt_title = d.fields(manager, 2)[0]
    expect_equal("the title field after a double-click", text_of(txt_title), CARPOOL)
    d.type_into(txt_title, CARPOOL_RENAMED)
    click(d.get(manager, BUTTON, "Save Changes!"))
    d.answer(ALERT, "Done!", "OK")
    d.get(sources, CELL, CARPOOL_RENAMED)
    expect(not find(d.tree, CELL, CARPOOL_RENAMED), "the main tree renamed with the manager open")
    click(d.get(sources, CELL, CANTEEN))
    d.wait_for("the source selected", lambda: has(find(sources, CELL, CANTEEN), SELECTED))
    click(d.get(manager, BUTTON, "Delete"))
    d.answer(ALERT, "Unsubscribe %s??" % CANTEEN, "Yes", says="offline Message content")
    d.wait_for("the source gone from the manager", lambda: not find(sources, CELL, CANTEEN))
    xdo("key", "Escape")
    d.gone(DIALOG, MANAGER)
    d.wait_for("the main tree with the manager's changes", lambda: [bool(find(d.tree, CELL, t))
               for t in (CARPOOL_RENAMED, CARPOOL, CANTEEN)] == [True, False, False])
    expect("carpool-1" in d.inbox(CARPOOL_RENAMED), "the renamed source lost its messages")
    expect_equal("the renamed source's identifier", d.source_id(CARPOOL_RENAMED), ids[CARPOOL])
    expect(not os.path.exists(os.path.join(d.data_folder, ids[CANTEEN])), "the folder is left")
    link = "http://127.0.0.1:1/www.vellorin.net/feeds/notes"  # vellorinctl while the client runs
    for args, shown in ((("subscribe", NOTES, link), True), (("unsubscribe", link), False)):
        d.ctl("--data-dir", d.data_folder, "--yes", *args)
        d.wait_for("the main tree after vellorinctl " + args[0],
                   lambda: bool(find(d.tree, CELL, NOTES)) == shown)
    expect(not find(d.application(), ALERT), "a box showed while the tree followed")


def hide_and_close_box(d):  # the tray menu hides and shows; the close box asks, No withdraws
    for caption, shown in (("Hide Inbox", False), ("Show Inbox", True)):
        d.choose(d.tray_menu(), caption)
        d.wait_for("the main window after " + caption, lambda: bool(d.main_window()) == shown)
    window = d.wait_for("the main window's X window", lambda: x_windows(d.main_window().name))[0]
    x, y, width, _ = x_geometry(window)
    _, right, top, _ = map(int, x_property(window, "_NET_FRAME_EXTENTS").split("=")[1].split(","))
    # Debian's openbox title bar: square buttons about the bar's height, the close box last.
    xdo("mousemove", x + width + right - top // 2 - 1, y - top // 2, "click", 1)
    d.answer(ALERT, CLOSE_QUESTION, "No", says="Do you really want to close Application?")
    d.wait_for("the main window hidden in the tray", lambda: not d.main_window())
    state = re.findall(r"window state: (\w+)", x_property(window, "WM_STATE")) or ["Withdrawn"]
    expect_equal("the main window's state after No", state, ["Withdrawn"])
    d.choose(d.tray_menu(), "Show Inbox")  # its waits fail if the client ended
    d.show_main()


def keyboard_round(d):  # the tree from the keyboard; then the tree pane floated, for the Exit
    main_x_window = d.wait_for("the main window's X window", lambda: x_windows(d.frame.name))[0]
    message_window = lambda: find(d.frame, FRAME, BUDGET)  # noqa: E731
    selected = lambda: has(find(d.tree, CELL, BUDGET), SELECTED)  # noqa: E731

    def focus_tree():
        xdo("windowactivate", "--sync", main_x_window)
        x, y, width, height = extents(d.tree)
        xdo("mousemove", x + width // 2, y + height - 10, "click", 1)
        d.wait_for("the keyboard focus in the tree", lambda: has(d.tree, FOCUSED))

    def select_by_typing():  # keys further apart than the type-ahead interval leave the row
        xdo("type", "--delay", 60, "Budget")  # current but not selected: Space selects it
        if not d.within(selected, 5):
            xdo("key", "space")
            d.wait_for("the message selected", selected)

    focus_tree()
    xdo("key", "ctrl+w")  # the message window left open by the double-click
    d.wait_for("the message window closed by Ctrl+W", lambda: not message_window())
    focus_tree()
    for keys in (("type", "--delay", 60, "Desk"), ("key", "Right")):
        xdo(*keys)
        time.sleep(1)  # a pause ends the type-ahead
    select_by_typing()
    xdo("key", "Return")
    d.wait_for("the message window opened by Enter", message_window)
    focus_tree()  # the click on the empty space takes the selection: type it again
    select_by_typing()
    d.new_popup("the tree's menu from the Menu key", lambda: xdo("key", "Menu"))
    xdo("key", *["Down"] * 4, "Return")  # "Mark as Unread", the fourth item
    d.wait_for("Mark as Unread in the inbox file", lambda: d.read_flag("desk-1") == "0")
    xdo("key", "Delete")
    expect(BUDGET in labels(d.top(ALERT, DELETE_QUESTION)), "the question does not name it")
    xdo("key", "Return")  # No, the default
    d.gone(ALERT, DELETE_QUESTION)
    expect("desk-1" in d.inbox(), "Enter on the delete question deleted the message")
    x, y, width, _ = extents(d.get(d.frame, FRAME, "Messages Sources"))
    xdo("mousemove", x + width - 9, y + 9, "click", 1)
    xdo("windowmove", d.wait_for("the tree pane floating",
                                 lambda: x_windows("Messages Sources"))[0], 900, 360)


def exit_answered_yes(d):  # File > Exit, Yes: the client ends, its icon goes, no .tmp left
    d.menu_bar("File", "Exit")
    d.answer(ALERT, CLOSE_QUESTION, "Yes")
    status, d.client = d.client.wait(timeout=d.wait_s), None
    expect_equal("the client's exit status", status, 0)
    d.wait_for("the tray icon gone", lambda: not d.tray_icon())
    expect_equal("the read marks", {g: m.get("read") for g, m in d.inbox().items()},
                 {"desk-1": "0", "desk-3": "1", "desk-4": "1", "desk-5": "1"})
    expect_equal("subscriptions.dat", [(t, os.path.basename(link)) for _, t, link in subscriptions(
        d.data_folder)], [(SOURCE, "desk.xml"), (CARPOOL_RENAMED, "carpool.xml")])
    left = [name for folder in (d.data_folder, d.app_folder) for _, _, names in os.walk(folder)
            for name in names if ".tmp" in name]
    expect(not left, "temporary files left behind: %s", left)


def main(bin_dir, out_dir):
    shutil.rmtree(out_dir, ignore_errors=True)
    os.makedirs(out_dir)
    work, d = tempfile.mkdtemp(prefix="vellorin-desktop-"), Desk(out_dir)
    try:
        d.start(bin_dir, work)
        tray_and_checks(d)
        browser_reminder(d)
        read_mark_delete_export(d)
        d.menu_bar("Tools", "Settings")
        d.answer(DIALOG, "Preferences ...", "No Changes!")
        d.menu_bar("Message Sources", "Subscribe to New Source")
        subscribe_in_dialog(d, CANTEEN, d.link(d.canteen))
        drop_box(d)
        for journey in (check_all_and_read, search_and_mark_read, manage_subscriptions,
                        hide_and_close_box, keyboard_round, exit_answered_yes):
            journey(d)
        print("PASS: the whole program as a person uses it", flush=True)
        return 0
    except Exception as e:
        print("FAIL:", e, flush=True)
        traceback.print_exc()
        try:
            d.shot("failure")
            d.dump(os.path.join(out_dir, "accessible-tree.txt"))
        except Exception as dump_error:
            print("  (no diagnosis: %s)" % dump_error)
        return 1
    finally:
        end_process(d.stand_in_process)
        end_process(d.client)
        d.server and d.server.shutdown()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:3]))
