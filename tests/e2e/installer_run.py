"""One start of Tarnwhistle.exe under Wine, driven like a user would: wait for the
dialog, type, click, press keys, wait for the final message, take screenshots;
and what a run leaves behind.
"""

import subprocess
import time
from dataclasses import dataclass, field
from pathlib import Path

import wine_session as wine
import x_display as x

DIALOG_CAPTION = "设置应用程序目录"
INFO_CAPTION = "提示信息"
ERROR_CAPTION = "错误信息"
FRAME_TITLE = "Tarnwhistle"
PROGRESS_CAPTION = "正在安装驱动程序"
# Wine's own title of the shell's folder window, in Chinese.
FOLDER_WINDOW_CAPTION = "选择文件夹"

TEXT_DONE = "祝贺驱动程序安装完毕!"
TEXT_NOTHING_FOUND = "没有找到需要安装的驱动程序文件!"
TEXT_INCOMPLETE = "驱动程序安装未完成，有 {} 个文件未能安装!"
TEXT_UNDONE = "驱动程序安装失败，有 {} 个文件未能安装，没有做任何更改!"
TEXT_APPDIR_MISSING = "应用程序目录不存在!"
TEXT_APPDIR_IS_PACKAGE = "应用程序目录不能是驱动程序文件所在的文件夹!"
TEXT_MORE_FILES = "……"
TEXT_LOG_NOT_OPENED = "无法打开日志文件 {}"
NAMED_FAILURES = 10

# Exit codes: all installed, the dialog cancelled, anything else.
EXIT_INSTALLED = 0
EXIT_CANCELLED = 1602
EXIT_FAILED = 1603
EXIT_LOG_NOT_OPENED = 1622

# Centres of the dialog's buttons as fractions of its client area (template 214:
# 201 by 57 dialog units; OK at 93,40 and Cancel at 147,40, each 50 by 14).
OK_BUTTON = ((93 + 25) / 201, (40 + 7) / 57)
CANCEL_BUTTON = ((147 + 25) / 201, (40 + 7) / 57)
EDIT_BOX = ((9 + 183 / 2) / 201, (17 + 6) / 57)
BROWSE_BUTTON = ((39 + 25) / 201, (40 + 7) / 57)
# A point of the folder window's tree below its items at the start (the desktop
# and its four children), as a fraction of the window's client area.
FOLDER_TREE_BLANK = (0.5, 0.72)
# The one button of a message box sits centred, its middle this many pixels above
# the bottom of the client area (Wine's message box at 96 dots per inch).
MESSAGE_BUTTON_FROM_BOTTOM = 23

# A start of a 32-bit program costs about a minute here (qemu runs Wine's 32-bit
# loader), more when the machine is busy.
START_TIMEOUT = 420
STEP_TIMEOUT = 180


def install_timeout(registrations):
    """How long the installation may take before its final message: under Wine,
    starting each registration tool returns only once the tool has initialised."""
    return STEP_TIMEOUT + START_TIMEOUT * registrations


def incomplete_text(failed, words=TEXT_INCOMPLETE):
    """The incomplete message for the files not installed (paths under the package
    folder, in the order the run met them): the count, an empty line, at most ten
    names, then "……" when there are more."""
    lines = [words.format(len(failed)), "", *failed[:NAMED_FAILURES]]
    if len(failed) > NAMED_FAILURES:
        lines.append(TEXT_MORE_FILES)
    return "\n".join(lines)


def undone_text(failed):
    """The message of a run undone before every file was in place."""
    return incomplete_text(failed, TEXT_UNDONE)


def wine_exit_status(windows_code):
    """The exit status Wine ends with for a Windows exit code: its low byte."""
    return windows_code & 0xFF


@dataclass
class RunResult:
    """What one run left: its exit status as Wine returns it, the texts of its
    message boxes in order (Wine's msgbox trace) and the caption of the last one
    dismissed, the record's bytes (None: not written), the registration tool's
    starts as (arguments, working directory), sorted, the names of the windows
    mapped while it ran, and crash reports from its Wine log."""

    exit_code: int
    messages: list
    caption: str = None
    record: bytes = None
    tool_starts: list = field(default_factory=list)
    windows: list = field(default_factory=list)
    crashes: list = field(default_factory=list)


class InstallerRun:
    """Tarnwhistle.exe started from cwd; screenshots go to artefacts/<name>-NN-<what>.png,
    artefacts being the folder of the scenario that starts it."""

    def __init__(self, program_factory, name, artefacts):
        self.name = name
        self.artefacts = Path(artefacts)
        self.program = program_factory()
        self.shots = 0
        self.dialog_geometry = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.program.alive():
            self.shot("left-running")
        self.program.end_group()

    def shot(self, what, wid=None):
        """Saves the window wid, or the whole screen without one."""
        self.shots += 1
        path = self.artefacts / f"{self.name}-{self.shots:02d}-{what}.png"
        try:
            x.screenshot(path, wid)
        except Exception as error:  # a missing screenshot must not hide the real outcome
            print(f"    (no screenshot {path.name}: {error})")

    def dialog(self):
        """Waits for the application-directory dialog and returns its window."""
        wid = x.wait_window(f"^{DIALOG_CAPTION}$", START_TIMEOUT, self.program.alive)
        self.settle(wid)
        self.dialog_geometry = x.geometry(wid)
        self.shot("dialog", wid)
        return wid

    def settle(self, wid):
        """Lets Wine finish showing and activating a new window, then gives it the
        keyboard focus and lets Wine handle that too: keys sent earlier are lost."""
        self.program.wait_idle()
        x.focus(wid)
        self.program.wait_idle(quiet=0.5)

    def progress_window(self, timeout=STEP_TIMEOUT):
        """Waits for the progress window and takes its screenshot; returns its id."""
        wid = x.wait_window(f"^{PROGRESS_CAPTION}$", timeout, self.program.alive)
        self.shot("progress", wid)
        return wid

    def message_box(self, timeout=STEP_TIMEOUT):
        """Waits for a message box of the installer; returns (window, caption)."""
        wid = x.wait_window(f"^({INFO_CAPTION}|{ERROR_CAPTION})$", timeout, self.program.alive)
        self.settle(wid)
        caption = x.window_name(wid)
        self.shot("message", wid)
        return wid, caption

    def dismiss(self, wid):
        """Clicks the message box's button until the box has gone, pressing Enter
        in between. A box without owner that shows after the dialog has closed
        may not be the active window, and then it never sees a key; a click
        activates it."""
        deadline = time.monotonic() + STEP_TIMEOUT
        while True:
            left, top, width, height = x.client_area(wid)
            x.click_at(wid, left + width // 2, top + height - MESSAGE_BUTTON_FROM_BOTTOM)
            if x.gone_within(wid, 10, self.program.alive):
                return
            x.press(wid, "Return")
            if x.gone_within(wid, 10, self.program.alive):
                return
            if time.monotonic() > deadline:
                raise x.XError(f"the message box stays after {STEP_TIMEOUT} s of clicks")

    def exit_code(self, timeout=STEP_TIMEOUT):
        return self.program.wait(timeout)

    def finish_with_message(self, timeout=STEP_TIMEOUT, on_show=None):
        """Waits for the final message, calls on_show(self) while it shows, and
        dismisses it; returns its caption. The trace line is written before the
        box is drawn, so its text is there too."""
        wid, caption = self.message_box(timeout)
        if on_show:
            on_show(self)
        self.dismiss(wid)
        return caption

    def message_texts(self):
        return self.program.message_texts()


# Steps in the dialog: each is called with the run and the dialog's window once
# the dialog is up, and leaves it closed or answering with a message box.


def confirm(run, dialog):
    """Takes the directory shown with Enter."""
    x.press(dialog, "Return")


def click_ok(run, dialog):
    x.click(dialog, *OK_BUTTON)


def type_directory(run, dialog, text):
    """Clicks into the edit box (which activates the dialog) and types over its text."""
    x.click(dialog, *EDIT_BOX)
    x.replace_edit_text(dialog, text)
    run.shot("typed", dialog)


def typed(text, then=confirm):
    """Types text over the proposed directory, then takes it (or does `then`)."""

    def steps(run, dialog):
        type_directory(run, dialog, text)
        then(run, dialog)

    return steps


def browse_to(run, dialog, folder):
    """Clicks 浏览..., and in the shell's folder window walks the tree to folder (a
    Unix path) as a user would with the keyboard: from the file system's root "/"
    under the desktop, each name typed ahead and its item opened with Right, then
    Enter takes the folder selected. Returns when the folder window has closed."""
    x.click(dialog, *BROWSE_BUTTON)
    window = x.wait_window(f"^{FOLDER_WINDOW_CAPTION}$", STEP_TIMEOUT, run.program.alive)
    run.settle(window)
    run.shot("folder-window", window)
    # The window gives its OK button the focus: a click into the tree takes it there.
    x.click(window, *FOLDER_TREE_BLANK)
    run.program.wait_idle(quiet=0.5)
    x.press(window, "Home")
    for step, name in enumerate(["/", *Path(folder).resolve().parts[1:]]):
        if step:
            x.press(window, "Right")
            run.program.wait_idle(quiet=0.5)
        x.type_text(window, name)
        run.program.wait_idle(quiet=0.5)
    run.shot("folder-chosen", window)
    x.press(window, "Return")
    x.wait_gone(window, STEP_TIMEOUT, run.program.alive)
    run.settle(dialog)


def edit_box(probe):
    """What the dialog's edit box shows, as tests/winetools/edit_box_probe.exe reads
    it from the installer's window: {"text", "selection", "length", "focus"};
    empty when no dialog is shown."""
    out = subprocess.run([str(wine.TOOLS / "wine-run.sh"), str(probe)], capture_output=True,
                         stdin=subprocess.DEVNULL, timeout=START_TIMEOUT)
    fields = {}
    for line in out.stdout.decode("utf-8", "replace").splitlines():
        key, _, value = line.partition("\t")
        fields[key] = value
    return fields if out.returncode == 0 else {}
