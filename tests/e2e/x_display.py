"""The private X display the installer runs on: finding its windows, pressing
keys, typing, clicking and taking screenshots, all through xdotool and ImageMagick.

Without a window manager the X window of a Wine top-level window is its client
area, so positions inside a dialog are given as fractions of that area.
"""

import subprocess
import threading
import time


class XError(Exception):
    pass


def _xdotool(*args, timeout=20):
    result = subprocess.run(["xdotool", *args], capture_output=True, text=True, timeout=timeout)
    return result.returncode, result.stdout


def wait_window(name_regex, timeout, alive=lambda: True):
    """Waits for a visible window whose name matches name_regex and returns its id.

    `xdotool search --sync` does the waiting; alive() is asked twice a second so
    that a program that ended without showing the window is noticed at once. A
    search that ends without a window (xdotool stops on the X error of a window
    that vanished while it looked) is started again.
    """
    deadline = time.monotonic() + timeout
    while True:
        search = subprocess.Popen(
            ["xdotool", "search", "--sync", "--onlyvisible", "--name", name_regex],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        try:
            while search.poll() is None:
                try:
                    out, _ = search.communicate(timeout=0.5)
                    ids = out.split()
                    if ids:
                        return int(ids[0])
                except subprocess.TimeoutExpired:
                    pass
                if not alive():
                    raise XError(f"the program ended without showing a window named /{name_regex}/")
                if time.monotonic() > deadline:
                    raise XError(f"no window named /{name_regex}/ within {timeout} s")
        finally:
            if search.poll() is None:
                search.kill()
            search.wait()
        time.sleep(0.2)


def wait_gone(wid, timeout, alive=lambda: True):
    """Waits until a window is no longer visible (closed, or its program ended)."""
    deadline = time.monotonic() + timeout
    while alive() and is_viewable(wid):
        if time.monotonic() > deadline:
            raise XError(f"window {wid} still visible after {timeout} s")
        time.sleep(0.2)


def is_viewable(wid):
    """Whether the window exists and is mapped (xwininfo fails once it is destroyed)."""
    result = subprocess.run(["xwininfo", "-id", str(wid)], capture_output=True, text=True,
                            timeout=20)
    return result.returncode == 0 and "Map State: IsViewable" in result.stdout


def gone_within(wid, timeout, alive=lambda: True):
    try:
        wait_gone(wid, timeout, alive)
        return True
    except XError:
        return False


def window_name(wid):
    code, out = _xdotool("getwindowname", str(wid))
    return out.rstrip("\n") if code == 0 else None


def visible_window_names():
    code, out = _xdotool("search", "--onlyvisible", "--name", ".", "getwindowname", "%@")
    return out.splitlines() if code == 0 else []


def geometry(wid):
    """(x, y, width, height) of a window on the screen."""
    code, out = _xdotool("getwindowgeometry", "--shell", str(wid))
    if code != 0:
        raise XError(f"window {wid} has no geometry")
    values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
    return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))


def screen_size():
    code, out = _xdotool("getdisplaygeometry")
    if code != 0:
        raise XError("no display geometry")
    width, height = out.split()
    return int(width), int(height)


def focus(wid):
    """Gives the window the X keyboard focus (without a window manager nobody else does)."""
    _xdotool("windowfocus", str(wid))


def press(wid, *keys):
    """Gives the window the keyboard focus and presses the keys (xdotool names)."""
    focus(wid)
    code, _ = _xdotool("key", "--clearmodifiers", "--delay", "60", *keys)
    if code != 0:
        raise XError(f"cannot press {keys} in window {wid}")


def type_text(wid, text):
    focus(wid)
    code, _ = _xdotool("type", "--clearmodifiers", "--delay", "40", text, timeout=120)
    if code != 0:
        raise XError(f"cannot type into window {wid}")


def replace_edit_text(wid, text):
    """Selects the whole text of the focused one-line edit box and types over it."""
    press(wid, "Home", "shift+End")
    type_text(wid, text)


def click(wid, fx, fy):
    """Clicks at a point given as fractions of the window's width and height."""
    _, _, width, height = geometry(wid)
    click_at(wid, int(width * fx), int(height * fy))


def click_at(wid, x, y):
    """Clicks at a point of the window, in pixels from its top left corner."""
    code, _ = _xdotool("mousemove", "--window", str(wid), str(x), str(y), "click", "1")
    if code != 0:
        raise XError(f"cannot click window {wid} at {x},{y}")


def screenshot(path):
    subprocess.run(["import", "-window", "root", str(path)], check=True, timeout=60,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class VisibleWindowWatch:
    """Records the name of every window that becomes visible while it runs."""

    def __init__(self, interval=0.2):
        self._interval = interval
        self._seen = set()
        self._lock = threading.Lock()
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, daemon=True)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._thread.join()

    def _run(self):
        while not self._stop.is_set():
            names = visible_window_names()
            with self._lock:
                self._seen.update(names)
            self._stop.wait(self._interval)

    def seen(self):
        with self._lock:
            return set(self._seen)
