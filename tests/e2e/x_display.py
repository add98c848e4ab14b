"""The private X display the installer runs on: finding its windows, pressing
keys, typing, clicking and taking screenshots, all through xdotool and ImageMagick.

No window manager runs there, and the prefix lets Wine draw each window's frame
itself (tools/wine-env.sh), so the X window of a Wine top-level window is the
whole window, caption included. Positions inside a window are given within its
client area, below the caption and inside the border.
"""

import re
import subprocess
import threading
import time

# Wine's frame of a dialog or message box at 96 dots per inch: a border of 3
# pixels on every side and a caption of 18 pixels below the top border.
FRAME_BORDER = 3
CAPTION_HEIGHT = 18


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


def geometry(wid):
    """(x, y, width, height) of a window on the screen."""
    code, out = _xdotool("getwindowgeometry", "--shell", str(wid))
    if code != 0:
        raise XError(f"window {wid} has no geometry")
    values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
    return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))


def client_area(wid):
    """(left, top, width, height) of the window's client area, from its top left corner."""
    _, _, width, height = geometry(wid)
    return (FRAME_BORDER, FRAME_BORDER + CAPTION_HEIGHT, width - 2 * FRAME_BORDER,
            height - 2 * FRAME_BORDER - CAPTION_HEIGHT)


def screen_size():
    code, out = _xdotool("getdisplaygeometry")
    if code != 0:
        raise XError("no display geometry")
    width, height = out.split()
    return int(width), int(height)


def focus(wid):
    """Gives the window the X keyboard focus (without a window manager nobody else does)."""
    _xdotool("windowfocus", str(wid))


def raise_window(wid):
    """Puts the window above the others (without a window manager nobody else does),
    so that clicks meant for it reach it."""
    _xdotool("windowraise", str(wid))


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
    """Clicks at a point given as fractions of the client area's width and height."""
    left, top, width, height = client_area(wid)
    click_at(wid, left + int(width * fx), top + int(height * fy))


def click_at(wid, x, y):
    """Clicks at a point of the window, in pixels from its top left corner."""
    code, _ = _xdotool("mousemove", "--window", str(wid), str(x), str(y), "click", "1")
    if code != 0:
        raise XError(f"cannot click window {wid} at {x},{y}")


def screenshot(path, wid=None):
    """Saves the window (frame and caption included), or the whole screen without one."""
    window = "root" if wid is None else str(wid)
    subprocess.run(["import", "-window", window, str(path)], check=True, timeout=60,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class MapWatch:
    """Records every top-level window that is mapped while it runs, by id and name.

    The X server reports each map to xev, which listens on the root window, so
    even a window that shows for an instant is seen (Wine names a window before
    it maps it). The display runs no window manager: Wine's top-level windows
    are children of the root window.
    """

    _MAPPED = re.compile(r"\bwindow (0x[0-9a-f]+), override")

    def __init__(self):
        self._mapped = []
        self._lock = threading.Lock()
        self._process = None
        self._thread = None

    def __enter__(self):
        self._process = subprocess.Popen(
            ["stdbuf", "-oL", "xev", "-root", "-event", "substructure"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self._thread = threading.Thread(target=self._read, daemon=True)
        self._thread.start()
        # xev listens within moments; a Windows program takes far longer to start.
        time.sleep(0.5)
        return self

    def __exit__(self, *exc):
        self._process.kill()
        self._process.wait()
        self._thread.join()

    def _read(self):
        map_event = False
        for line in self._process.stdout:
            if line.startswith("MapNotify event"):
                map_event = True
                continue
            match = self._MAPPED.search(line) if map_event else None
            map_event = False
            if match:
                wid = int(match.group(1), 16)
                with self._lock:
                    self._mapped.append((wid, window_name(wid)))

    def mark(self):
        """A point in the record, for names_since."""
        with self._lock:
            return len(self._mapped)

    def names_since(self, mark=0):
        """Names of the windows mapped since mark, in order (None: gone before it was named)."""
        with self._lock:
            return [name for _, name in self._mapped[mark:]]
