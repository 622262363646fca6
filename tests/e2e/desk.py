"""The operator's desk for the end-to-end tests: a private virtual X server, the tracker
simulator and the console, driven with xdotool as an operator drives them.

Python standard library only. The tools it calls: Xvfb, xdotool, xclip and ImageMagick's
`import`. Closing a window with its close box is a WM_DELETE_WINDOW request sent straight to
the window (there is no window manager to send it), through libX11 with ctypes.

Every wait is bounded; a failure raises `Failure`, and the desk leaves a screenshot and the
logs in its work folder.
"""

import ctypes
import ctypes.util
import os
import re
import select
import shutil
import signal
import subprocess
import time

MAIN_TITLE = "TAVO Studio V1.70 MERLAN_V2"
MAIN_CLIENT = (1024, 600)
DEFAULT_WAIT = 10.0

# The items of the main window's menus, in order.
MENUS = {
    "Menu": ["Motors", "Mavlink", "Vehicle", "GPS", "Ethernet Config", "Communications", "Audio",
             "Device", "Tracking"],
    "About": ["About"],
}
# Where each menu title sits in the menu bar (x of its middle, client pixels at scale 1).
MENU_TITLE_X = {"Menu": 22, "About": 70}

GREY_WINDOW = (128, 128, 128)
GREY_FIELD = (192, 192, 192)
EDITING = (221, 219, 8)  # a field group the operator holds
LINK_OPEN = (0, 180, 0)
LINK_FAILED = (180, 0, 0)


class Failure(Exception):
    pass


def wait_until(condition, what, timeout=DEFAULT_WAIT, step=0.05):
    """Polls `condition` until it returns a true value, which is returned."""
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= end:
            raise Failure(f"waited {timeout:g} s for {what}")
        time.sleep(step)


def missing_tools():
    return [t for t in ("Xvfb", "xdotool", "xclip", "import") if shutil.which(t) is None]


class Picture:
    """An RGB picture read from a binary PPM."""

    def __init__(self, ppm):
        # Header: P6, width, height, maxval, separated by white space.
        fields, pos = [], 0
        while len(fields) < 4:
            while ppm[pos:pos + 1].isspace():
                pos += 1
            end = pos
            while not ppm[end:end + 1].isspace():
                end += 1
            fields.append(ppm[pos:end])
            pos = end
        if fields[0] != b"P6" or fields[3] != b"255":
            raise Failure("unexpected picture format")
        self.width, self.height = int(fields[1]), int(fields[2])
        self.data = ppm[pos + 1:pos + 1 + 3 * self.width * self.height]

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("l", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):  # the client message within XEvent's 24 longs
    _fields_ = [("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


class _X11:
    """Just enough of libX11 to send WM_DELETE_WINDOW, the request a close box makes."""

    def __init__(self):
        lib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        lib.XOpenDisplay.restype = ctypes.c_void_p
        lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        lib.XInternAtom.restype = ctypes.c_ulong
        lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        lib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                   ctypes.c_void_p]
        lib.XFlush.argtypes = [ctypes.c_void_p]
        lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.lib = lib

    def close_request(self, display, window):
        lib = self.lib
        d = lib.XOpenDisplay(display.encode())
        if not d:
            raise Failure(f"cannot open X display {display}")
        try:
            e = _XEvent()
            e.xclient.type = 33  # ClientMessage
            e.xclient.window = window
            e.xclient.message_type = lib.XInternAtom(d, b"WM_PROTOCOLS", 0)
            e.xclient.format = 32
            e.xclient.l[0] = lib.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
            e.xclient.l[1] = 0  # CurrentTime
            if not lib.XSendEvent(d, window, 0, 0, ctypes.byref(e)):
                raise Failure(f"close request to window {window} not sent")
            lib.XFlush(d)
        finally:
            lib.XCloseDisplay(d)


class Window:
    """A top-level window of the console; positions are client pixels at scale 1."""

    client_height = None  # set where a menu bar sits above the client area

    def __init__(self, desk, wid, title):
        self.desk, self.id, self.title = desk, wid, title

    def geometry(self):
        out = self.desk.xdo("getwindowgeometry", "--shell", str(self.id))
        g = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        return int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])

    def client_origin(self):
        """Screen position of the client area: below the menu bar when the window has one."""
        x, y, _, h = self.geometry()
        if self.client_height is not None:
            y += h - round(self.client_height * self.desk.scale)
        return x, y

    def screen_point(self, x, y):
        ox, oy = self.client_origin()
        s = self.desk.scale
        return ox + round(x * s), oy + round(y * s)

    # What an operator does.
    def click(self, x, y, repeat=1):
        sx, sy = self.screen_point(x, y)
        args = ["mousemove", str(sx), str(sy), "click"]
        if repeat > 1:
            args += ["--repeat", str(repeat), "--delay", "80"]
        self.desk.xdo(*args, "1")

    def click_rect(self, rect, repeat=1):
        x, y, w, h = rect
        self.click(x + w / 2, y + h / 2, repeat)

    def click_into(self, rect, repeat=1):
        """Clicks into a control and waits until the keyboard follows: keys pressed before the
        console has taken in the click would reach the window that had the focus before."""
        self.click_rect(rect, repeat)
        wait_until(lambda: self.desk.focused() == self.id, f"{self.title!r} to take the keys")

    def type_into(self, rect, text, commit=True):
        """Clicks into a field, replaces its text by `text` and, with `commit`, presses Return."""
        self.click_into(rect)
        self.desk.key("ctrl+a")
        self.desk.type(text)
        if commit:
            self.desk.key("Return")

    def field_text(self, rect, settle=1.0):
        """The text of a field, read as an operator copies it: select all, copy, paste."""
        sentinel = f"<nothing copied {time.monotonic()}>"
        self.desk.set_clipboard(sentinel)
        self.click_into(rect, repeat=3)
        self.desk.key("ctrl+a", "ctrl+c")
        try:
            return wait_until(lambda: (lambda t: t if t != sentinel else None)(self.desk.clipboard()),
                              "the copied text", timeout=settle)
        except Failure:
            return ""  # an empty field copies nothing

    def picture(self, rect=None, at_scale_1=False):
        """The client area (or a rectangle of it); `at_scale_1` shrinks a scaled window's
        pixels back to one per client pixel."""
        x, y, w, h = rect if rect else (0, 0, *self._client_size())
        sx, sy = self.screen_point(x, y)
        s = self.desk.scale
        return self.desk.screen_picture(sx, sy, round(w * s), round(h * s),
                                        shrink=s if at_scale_1 else 1)

    def steady_picture(self, rect=None, at_scale_1=False):
        """The picture once two in a row agree: a window just shown or moved may still be
        painting the parts that came into view."""
        last = [None]

        def same():
            p, last[0] = last[0], self.picture(rect, at_scale_1)
            return last[0] if p is not None and p.data == last[0].data else None
        return wait_until(same, f"{self.title!r} to be painted", step=0.1)

    def pixel(self, x, y):
        sx, sy = self.screen_point(x, y)
        return self.desk.screen_picture(sx, sy, 1, 1).pixel(0, 0)

    def _client_size(self):
        _, _, w, h = self.geometry()
        s = self.desk.scale
        if self.client_height is not None:
            return round(w / s), self.client_height
        return round(w / s), round(h / s)

    def close(self):
        """The close box: the window is asked to close, as a window manager asks."""
        self.desk.x11.close_request(self.desk.display, self.id)

    def exists(self):
        return self.desk.xdo_ok("getwindowname", str(self.id))

    def wait_gone(self, timeout=DEFAULT_WAIT):
        wait_until(lambda: not self.exists(), f"window {self.title!r} to close", timeout)


class MainWindow(Window):
    client_height = MAIN_CLIENT[1]

    def menu(self, title, item):
        """Clicks the menu title in the menu bar, then the item in the menu that drops down."""
        items = MENUS[title]
        _, y = self.client_origin()
        mx, my, _, _ = self.geometry()
        bar = y - my
        s = self.desk.scale
        before = self.desk.visible_windows()
        self.desk.xdo("mousemove", str(mx + round(MENU_TITLE_X[title] * s)),
                      str(my + bar // 2), "click", "1")
        # The menu is the window that appears (menus carry no title of their own).
        popup = Window(self.desk, wait_until(
            lambda: next(iter(self.desk.visible_windows() - before), None),
            f"the {title!r} menu to drop down"), title)
        px, py, _, ph = popup.geometry()
        item_height = ph / len(items)
        index = items.index(item)
        self.desk.xdo("mousemove", str(px + round(20 * s)),
                      str(py + round(item_height * index + item_height / 2)), "click", "1")
        wait_until(lambda: popup.id not in self.desk.visible_windows(), "the menu to close")


class Desk:
    """Xvfb, the simulator and the console, each a process of its own, in `work`."""

    def __init__(self, app, sim, work, scale=1, screen=(1600, 1000), com="7", udp_local=None,
                 tcp_local=None, sim_args=()):
        self.app_path, self.sim_path, self.work = app, sim, work
        self.scale = scale
        self.screen = screen
        self.com = com
        self.udp_local = udp_local
        self.tcp_local = tcp_local
        self.sim_args = tuple(sim_args)
        self.procs = {}
        self.display = None
        self.x11 = _X11()
        self.resources = os.path.join(work, "resources")

    # Processes.
    def __enter__(self):
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.resources)
        try:
            self._start_x()
            self._start_sim()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, kind, value, tb):
        if kind is not None:
            self.keep_evidence(value)
        self.stop()
        return False

    def _log(self, name):
        return open(os.path.join(self.work, name), "wb")

    def _start_x(self):
        read_end, write_end = os.pipe()
        w, h = self.screen
        self.procs["xvfb"] = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{w}x{h}x24", "-nolisten",
             "tcp", "-noreset"], pass_fds=[write_end], stdout=self._log("xvfb.log"),
            stderr=subprocess.STDOUT)
        os.close(write_end)
        number = b""
        end = time.monotonic() + DEFAULT_WAIT
        while not number.endswith(b"\n") and time.monotonic() < end:
            ready, _, _ = select.select([read_end], [], [], 0.2)
            if ready:
                chunk = os.read(read_end, 16)
                if not chunk:
                    break
                number += chunk
        os.close(read_end)
        if not number.strip():
            raise Failure("Xvfb did not start (see xvfb.log)")
        self.display = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("WAYLAND_DISPLAY", None)

    def _start_sim(self):
        self.sim_log = os.path.join(self.work, "sim.log")
        self.procs["sim"] = subprocess.Popen(
            [self.sim_path, "--udp-port", "0", "--tcp-port", "0", "--log", "--pty-link",
             os.path.join(self.resources, f"COM{self.com}"), *self.sim_args],
            stdout=open(self.sim_log, "wb"), stderr=subprocess.STDOUT)
        wait_until(lambda: "ready" in self.sim_lines(), "the simulator to be ready")
        lines = self.sim_lines()
        self.udp_port = int(next(l for l in lines if l.startswith("udp 127.0.0.1:")).split(":")[1])
        self.tcp_port = int(next(l for l in lines if l.startswith("tcp 127.0.0.1:")).split(":")[1])
        self.sim_ready_lines = len(lines)

    def start_console(self, extra_env=None, settings=True, args=()):
        """Starts the console against the simulator; returns its main window."""
        if settings:
            lines = ["0", self.com, "@PC>25", "127.0.0.1", str(self.udp_local or free_port("udp")),
                     str(self.udp_port), "127.0.0.1", str(self.tcp_local or free_port("tcp")),
                     str(self.tcp_port)]
            with open(os.path.join(self.resources, "SETUP_TAVO_MERLAN.txt"), "wb") as f:
                f.write("".join(l + "\r\n" for l in lines).encode())
        runtime = os.path.join(self.work, "xdg-runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env = dict(self.env, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime)
        for k in ("QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR"):
            env.pop(k, None)
        if self.scale != 1:
            env["QT_SCALE_FACTOR"] = str(self.scale)
        env.update(extra_env or {})
        self.procs["app"] = subprocess.Popen(
            [self.app_path, "--resource-dir", self.resources, *args], env=env,
            stdout=self._log("app.log"), stderr=subprocess.STDOUT)
        main = MainWindow(self, self.wait_window(MAIN_TITLE), MAIN_TITLE)
        return main

    def start_review(self, record):
        """Starts the console on a flight record alone (--review); returns its Tracking window."""
        runtime = os.path.join(self.work, "xdg-runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env = dict(self.env, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime)
        self.procs["app"] = subprocess.Popen(
            [self.app_path, "--resource-dir", self.resources, "--review", record], env=env,
            stdout=self._log("review.log"), stderr=subprocess.STDOUT)
        return self.window("Tracking")

    def app_exit_code(self, timeout=DEFAULT_WAIT):
        proc = self.procs["app"]
        try:
            return proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"the console did not exit within {timeout:g} s")

    def stop(self):
        for name in ("app", "sim", "xvfb"):
            p = self.procs.get(name)
            if p and p.poll() is None:
                p.send_signal(signal.SIGTERM)
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()

    def keep_evidence(self, error):
        try:
            if self.display and self.procs["xvfb"].poll() is None:
                subprocess.run(["import", "-display", self.display, "-window", "root", "-depth",
                                "8", os.path.join(self.work, "failure.png")], env=self.env,
                               timeout=10, check=False)
        except Exception:
            pass
        print(f"FAILED: {error}\n  evidence in {self.work} (failure.png, app.log, sim.log)")

    # X tools.
    def xdo(self, *args):
        try:
            r = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                               timeout=DEFAULT_WAIT)
        except subprocess.TimeoutExpired:
            raise Failure(f"xdotool {' '.join(args)} did not finish")
        if r.returncode != 0:
            raise Failure(f"xdotool {' '.join(args)}: {r.stderr.strip()}")
        return r.stdout

    def xdo_ok(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True,
                              timeout=DEFAULT_WAIT).returncode == 0

    def windows(self, title):
        r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title], env=self.env,
                           capture_output=True, text=True, timeout=DEFAULT_WAIT)
        return [int(w) for w in r.stdout.split()]

    def wait_window(self, title, timeout=DEFAULT_WAIT):
        """The visible window titled exactly `title`."""
        pattern = "^" + re.escape(title) + "$"
        found = wait_until(lambda: self.windows(pattern), f"a window titled {title!r}", timeout)
        return found[-1]

    def window(self, title, timeout=DEFAULT_WAIT):
        return Window(self, self.wait_window(title, timeout), title)

    def move(self, window, x, y):
        """Puts a window at a screen place (the operator drags it there)."""
        self.xdo("windowmove", str(window.id), str(x), str(y))
        wait_until(lambda: window.geometry()[:2] == (x, y), f"{window.title!r} to move")

    def visible_windows(self):
        return set(self.windows(""))

    def focused(self):
        """The window that has the keyboard focus."""
        out = self.xdo("getwindowfocus", "-f").strip()
        return int(out) if out.isdigit() else None

    def key(self, *keys):
        self.xdo("key", "--delay", "40", *keys)

    def type(self, text):
        self.xdo("type", "--delay", "30", "--", text)

    def answer_box(self, title, answer="Return", text_shown=None):
        """Finds the message box titled `title` and answers it: "Return" takes its default
        button, "y" and "n" its Yes and No buttons."""
        box = self.window(title)
        wait_until(lambda: self.focused() == box.id, f"the {title!r} box to take the keys")
        x, y, w, h = box.geometry()
        self.xdo("mousemove", str(x + w // 2), str(y + h // 2))
        self.key(answer)
        box.wait_gone()

    def screen_picture(self, x, y, w, h, shrink=1):
        """The screen's pixels in a rectangle; `shrink` averages blocks of that many pixels."""
        scaling = ["-filter", "box", "-resize", f"{100 / shrink:g}%"] if shrink != 1 else []
        r = subprocess.run(["import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", *scaling,
                            "-depth", "8", "ppm:-"], env=self.env, capture_output=True,
                           timeout=DEFAULT_WAIT)
        if r.returncode != 0:
            raise Failure(f"screenshot failed: {r.stderr.decode(errors='replace').strip()}")
        return Picture(r.stdout)

    def save_screenshot(self, name, window=None):
        path = os.path.join(self.work, name)
        subprocess.run(["import", "-window", str(window.id) if window else "root", "-depth", "8",
                        path], env=self.env, check=True, timeout=DEFAULT_WAIT)
        return path

    def set_clipboard(self, text):
        p = subprocess.Popen(["xclip", "-selection", "clipboard", "-i"], env=self.env,
                             stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        p.communicate(text.encode(), timeout=DEFAULT_WAIT)

    def clipboard(self):
        r = subprocess.run(["xclip", "-selection", "clipboard", "-o"], env=self.env,
                           capture_output=True, timeout=DEFAULT_WAIT)
        return r.stdout.decode("utf-8", errors="replace") if r.returncode == 0 else None

    # The simulator's log: "<link> <length> <bytes as received, escaped>".
    def sim_lines(self):
        with open(self.sim_log, "rb") as f:
            return f.read().decode("latin-1").splitlines()

    def received(self, link=None, since=0):
        """What the simulator received after the first `since` lines: (link, text) pairs."""
        out = []
        for line in self.sim_lines()[max(since, self.sim_ready_lines):]:
            parts = line.split(" ", 2)
            if len(parts) == 3 and parts[0] in ("udp", "tcp", "pty") and (link in (None, parts[0])):
                out.append((parts[0], parts[2]))
        return out

    def mark(self):
        return len(self.sim_lines())

    def wait_quiet(self, unwanted, period, what, link=None, timeout=DEFAULT_WAIT):
        """Waits until `period` seconds pass in which the simulator receives nothing (over
        `link`) for which `unwanted(text)` holds. What was on its way before may still land
        first; what keeps coming never lets the wait end."""
        def quiet():
            mark = self.mark()
            time.sleep(period)
            return not [t for _, t in self.received(link, since=mark) if unwanted(t)]
        wait_until(quiet, what, timeout, step=0)

    def wait_received(self, text, link=None, since=0, timeout=DEFAULT_WAIT):
        """Waits for a command received exactly as `text` (or matching a compiled pattern)."""
        def seen():
            for _, t in self.received(link, since):
                if (text.fullmatch(t) if isinstance(text, re.Pattern) else t == text):
                    return True
            return False
        wait_until(seen, f"the simulator to receive {text!r} over {link or 'any link'}", timeout)


def free_port(kind):
    """A loopback port nothing is bound to right now, for the console's local end."""
    import socket
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM if kind == "udp" else socket.SOCK_STREAM)
    try:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]
    finally:
        s.close()


def differs(a, b, threshold=0):
    """How many bytes of two pictures' data differ by more than `threshold`."""
    return sum(1 for p, q in zip(a.data, b.data) if abs(p - q) > threshold)


def worst_block(a, b, block=16):
    """Compares two pictures of one size block by block: the largest mean difference of a
    block (per colour channel, 0 to 255) and where that block is."""
    worst = (0.0, 0, 0)
    for by in range(0, a.height - block + 1, block):
        rows = range(by, by + block)
        for bx in range(0, a.width - block + 1, block):
            total = 0
            for y in rows:
                i = 3 * (y * a.width + bx)
                total += sum(abs(p - q) for p, q in zip(a.data[i:i + 3 * block],
                                                          b.data[i:i + 3 * block]))
            mean = total / (block * block * 3)
            if mean > worst[0]:
                worst = (mean, bx, by)
    return worst


def close_to(rgb, expected, tolerance=8):
    return all(abs(a - b) <= tolerance for a, b in zip(rgb, expected))
