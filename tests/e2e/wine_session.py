"""Wine for the end-to-end runs: the project's prefix, a drive letter mapped to a
temporary folder, and Windows programs started from a folder on that drive.

Only the letters this harness owns are ever mapped, each one held with the lock
of tools/wine-drive.sh while a run uses it, so that two runs never share a drive.
"""

import fcntl
import os
import re
import signal
import subprocess
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
TOOLS = ROOT / "tools"
OWN_DRIVE_LETTERS = "tuv"


def wine_prefix():
    """The prefix that tools/wine-run.sh uses, created when it is missing."""
    out = subprocess.run(
        ["bash", "-c", f'source "{TOOLS}/wine-env.sh" && tw_wine_prefix && echo "$WINEPREFIX"'],
        capture_output=True, text=True, check=True)
    return Path(out.stdout.strip())


class MappedDrive:
    """A drive letter of the prefix mapped to a folder for as long as it is held.

    tools/wine-drive.sh maps and locks the letter: it runs, for as long as this
    object is held, a command that reports the letter and then waits for its
    input to close. The letter is unmapped and released when it does, even when
    this process dies.
    """

    def __init__(self, prefix, folder, letters=OWN_DRIVE_LETTERS):
        self.prefix = Path(prefix)
        self.folder = Path(folder).resolve()
        self.letters = letters
        self.letter = None
        self._holder = None

    def __enter__(self):
        self._holder = subprocess.Popen(
            ["bash", str(TOOLS / "wine-drive.sh"), self.letters, str(self.folder),
             "bash", "-c", 'echo "$TW_DRIVE" && exec cat >/dev/null'],
            env={**os.environ, "WINEPREFIX": str(self.prefix)},
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        drive = self._holder.stdout.readline().strip()
        if not re.fullmatch(r"[A-Z]:", drive):
            self._release()
            raise RuntimeError(f"no drive among {self.letters.upper()} for {self.folder}")
        self.letter = drive[0].lower()
        return self

    def __exit__(self, *exc):
        self._release()

    def _release(self):
        self._holder.stdin.close()
        self._holder.wait()
        self._holder.stdout.close()

    @property
    def root(self):
        return f"{self.letter.upper()}:\\"

    def dos(self, path):
        """The Windows path of a path inside the mapped folder."""
        relative = Path(path).resolve().relative_to(self.folder)
        return self.root + "\\".join(relative.parts)


class ProposedDirectory:
    """C:\\Varnelquist inside the prefix, for one run at a time: the scenario that
    accepts the proposed directory and `make run` both create and remove it."""

    def __init__(self, prefix, timeout=1200):
        self.prefix = Path(prefix)
        self.path = self.prefix / "drive_c" / "Varnelquist"
        self._timeout = timeout
        self._lock_file = None

    def __enter__(self):
        self._lock_file = open(f"{self.prefix}.varnelquist.lock", "w")
        deadline = time.monotonic() + self._timeout
        while True:
            try:
                fcntl.flock(self._lock_file, fcntl.LOCK_EX | fcntl.LOCK_NB)
                return self.path
            except BlockingIOError:
                if time.monotonic() > deadline:
                    self._lock_file.close()
                    raise RuntimeError(f"{self.path} stayed in use for {self._timeout} s")
                time.sleep(1)

    def __exit__(self, *exc):
        self._lock_file.close()


class RegistryValue:
    """A value of the prefix's registry set for as long as it is held and then put
    back as it was (removed when it was not there), through Wine's reg.exe."""

    def __init__(self, prefix, key, name, kind, data):
        self.prefix = Path(prefix)
        self.key, self.name, self.kind, self.data = key, name, kind, data
        self._before = None

    def _reg(self, *args, check=True):
        # reg.exe answers in the console's code page: only its ASCII parts are read.
        return subprocess.run([str(TOOLS / "wine-run.sh"), "reg", *args],
                              env={**os.environ, "WINEPREFIX": str(self.prefix)},
                              stdin=subprocess.DEVNULL, capture_output=True, text=True,
                              errors="replace", check=check,
                              timeout=300)

    def __enter__(self):
        query = self._reg("query", self.key, "/v", self.name, check=False)
        found = re.search(rf"{re.escape(self.name)}\s+(REG_\w+)\s+(\S+)", query.stdout)
        self._before = found.groups() if query.returncode == 0 and found else None
        self._reg("add", self.key, "/v", self.name, "/t", self.kind, "/d", str(self.data), "/f")
        return self

    def __exit__(self, *exc):
        if self._before is None:
            self._reg("delete", self.key, "/v", self.name, "/f", check=False)
        else:
            kind, data = self._before
            if kind == "REG_DWORD":
                data = str(int(data, 16))
            self._reg("add", self.key, "/v", self.name, "/t", kind, "/d", data, "/f")


def wine_regsvr32(prefix):
    """Wine's own registration tool of the prefix: the 32-bit one, which loads a
    32-bit DLL itself."""
    for folder in ("syswow64", "system32"):
        tool = Path(prefix) / "drive_c" / "windows" / folder / "regsvr32.exe"
        if tool.is_file():
            return tool
    raise FileNotFoundError(f"no regsvr32.exe in {prefix}")


def remove_tree(path):
    """Removes a folder even when read-only entries are inside it."""
    path = Path(path)
    if not path.exists():
        return
    for dirpath, dirnames, filenames in os.walk(path):
        os.chmod(dirpath, 0o755)
        for name in filenames:
            full = os.path.join(dirpath, name)
            if not os.path.islink(full):
                os.chmod(full, 0o644)
    subprocess.run(["rm", "-rf", "--", str(path)], check=True)


def marked_processes(variable, value, name=None):
    """Ids of the processes whose environment holds variable=value: the programs a
    run started and whatever they started in turn (Wine gives each Windows
    process a session of its own, so no process group holds them all). With
    name, only those whose process name or command line holds it (any case)."""
    marker = f"{variable}={value}".encode()
    found = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            environment = (entry / "environ").read_bytes().split(b"\0")
            if marker not in environment:
                continue
            if name is not None:
                names = (entry / "comm").read_bytes() + (entry / "cmdline").read_bytes()
                if name.lower().encode() not in names.lower():
                    continue
        except OSError:
            continue
        found.append(int(entry.name))
    return found


def end_marked_processes(variable, value):
    """Ends the processes that marked_processes finds."""
    for pid in marked_processes(variable, value):
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass


def wait_marked_processes_end(variable, value, name, timeout):
    """Waits until no marked process of that name runs; False when one still does."""
    deadline = time.monotonic() + timeout
    while marked_processes(variable, value, name):
        if time.monotonic() > deadline:
            return False
        time.sleep(0.5)
    return True


_DEBUGSTR = re.compile(r"\\([0-9a-fA-F]{4}|.)")


def decode_debugstr(text):
    """Decodes the body of a Wine trace string L"...": \\XXXX is a UTF-16 unit,
    \\n, \\r, \\t, \\" and \\\\ stand for themselves."""

    def unit(match):
        token = match.group(1)
        if len(token) == 4:
            return chr(int(token, 16))
        return {"n": "\n", "r": "\r", "t": "\t"}.get(token, token)

    return _DEBUGSTR.sub(unit, text)


_MSGBOX_TRACE = re.compile(r'trace:msgbox:MSGBOX_OnInit L"(.*)"(\.\.\.)?\s*$')
# Wine cuts a long trace string short and ends it with "..."; such a text gets
# this mark, which no message holds, so that it never passes for the whole text.
TRUNCATED = "\0(cut short by the trace)"


def traced_as(traced, text):
    """True when a message text read from the trace is text, or text cut short."""
    if traced.endswith(TRUNCATED):
        return text.startswith(traced[:-len(TRUNCATED)])
    return traced == text


WINE_START_FAILURE = b"failed to map the shared user data"


class WindowsProgram:
    """One Windows program started under Wine, with its own Wine log.

    Wine traces the text of every message box it opens (channel msgbox); the
    log gives the texts in order, whatever the display shows.
    """

    def __init__(self, exe, cwd, log_path, env=None, args=()):
        self.log_path = Path(log_path)
        environment = dict(os.environ)
        environment.update(env or {})
        environment["WINEDEBUG"] = "fixme-all,+msgbox"
        self._log = open(self.log_path, "wb")
        self.started = time.monotonic()
        self._command = ([str(TOOLS / "wine-run.sh"), str(exe), *args], str(cwd), environment)
        self._restarts = 0
        self._start()

    def _start(self):
        command, cwd, environment = self._command
        self._log.flush()
        self._start_offset = self._log.tell()  # where this start's output begins
        # A session of its own, so that the program and whatever it starts can be
        # ended together by this group's id.
        self.process = subprocess.Popen(
            command, cwd=cwd, env=environment, stdin=subprocess.DEVNULL, stdout=self._log,
            stderr=subprocess.STDOUT, start_new_session=True)

    def _started_again(self):
        """Under qemu, Wine's loader now and then finds the address of its shared user
        data page taken and ends before the program's first instruction: such a start,
        which did nothing, is made again (twice at most). True when it was."""
        if self._restarts >= 2 or self.process.poll() is None:
            return False
        if WINE_START_FAILURE not in self.log_path.read_bytes()[self._start_offset:]:
            return False
        self._restarts += 1
        print(f"    (Wine did not start the program: {WINE_START_FAILURE.decode()}; started again)")
        self._log.seek(0, os.SEEK_END)
        self._log.write(b"--- started again\n")
        self._start()
        return True

    def alive(self):
        return self.process.poll() is None or self._started_again()

    def cpu_ticks(self):
        try:
            fields = Path(f"/proc/{self.process.pid}/stat").read_text().rsplit(")", 1)[1].split()
        except OSError:
            return None
        return int(fields[11]) + int(fields[12])  # utime and stime

    def wait_idle(self, quiet=1.0, timeout=60):
        """Waits until the program uses no processor time for `quiet` seconds: it
        then waits for input, and Wine has finished activating its new window
        (keys sent earlier can be lost)."""
        deadline = time.monotonic() + timeout
        last, still_since = self.cpu_ticks(), time.monotonic()
        while self.alive() and time.monotonic() < deadline:
            time.sleep(0.1)
            ticks = self.cpu_ticks()
            if ticks != last:
                last, still_since = ticks, time.monotonic()
            elif time.monotonic() - still_since >= quiet:
                return True
        return False

    def wait(self, timeout):
        """The exit status as Wine returns it (the low byte of the Windows exit code:
        1603 ends as 67), or None when the program is still running after timeout."""
        deadline = time.monotonic() + timeout
        try:
            code = self.process.wait(timeout=timeout)
            while self._started_again():
                code = self.process.wait(timeout=max(0, deadline - time.monotonic()))
            return code
        except subprocess.TimeoutExpired:
            return None

    def end_group(self):
        """Ends the program and anything it started that is still running."""
        try:
            os.killpg(self.process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.process.wait()
        self._log.close()

    def log_text(self):
        return self.log_path.read_bytes().decode("utf-8", "replace")

    def message_texts(self):
        texts = []
        for line in self.log_text().splitlines():
            match = _MSGBOX_TRACE.search(line)
            if match:
                cut = TRUNCATED if match.group(2) else ""
                texts.append(decode_debugstr(match.group(1)) + cut)
        return texts

    def crash_lines(self):
        return [line for line in self.log_text().splitlines()
                if "Unhandled exception" in line or "Unhandled page fault" in line
                or "err:seh" in line]
