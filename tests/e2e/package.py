"""Driver packages for the end-to-end runs and what the installer must make of them:
the installed layout, the 276-byte record and the registration tool's log.
"""

import hashlib
import os
import re
from pathlib import Path

RECORD_NAME = "ZAVIDAR.CFG"
RECORD_SIZE = 276
RECORD_HEADER = b"Varnelquist V4.00" + b"\0\0\0"
DIRECTORY_FIELD = 256


def content(name, size=0):
    """Bytes that differ from file to file, so that a mixed-up copy shows."""
    seed = hashlib.sha256(name.encode("utf-8")).digest()
    body = f"{name}\r\n".encode("utf-8")
    while len(body) < size:
        seed = hashlib.sha256(seed).digest()
        body += seed
    return body if size == 0 else body[:size]


class Package:
    """A driver package: files of driversupport\\ and of Driver\\ by name."""

    def __init__(self, support=None, driver=None, driver_subfolders=()):
        self.support = dict(support or {})
        self.driver = dict(driver or {})
        self.driver_subfolders = tuple(driver_subfolders)

    def lay_out(self, root):
        root = Path(root)
        for folder, files in (("driversupport", self.support), ("Driver", self.driver)):
            if not files and not (folder == "Driver" and self.driver_subfolders):
                continue
            (root / folder).mkdir(parents=True, exist_ok=True)
            for name, data in files.items():
                (root / folder / name).write_bytes(data)
        for sub in self.driver_subfolders:
            # Never entered by the installer: nothing below it may be copied.
            (root / "Driver" / sub).mkdir(parents=True, exist_ok=True)
            (root / "Driver" / sub / "inner.dll").write_bytes(content(sub + "/inner.dll"))

    def installed_layout(self):
        """Relative path -> bytes of every file the installer must leave in the
        application directory, plus "Driver/" for the folder it creates."""
        layout = {"Driver/": None}
        for name, data in self.support.items():
            layout[name] = data
            layout["Driver/" + name] = data
        for name, data in self.driver.items():
            layout["Driver/" + name] = data
        return layout

    def registered_names(self):
        return sorted(n for n in self.driver if n.lower().endswith(".dll"))


def tree(root):
    """Relative path -> bytes of every file below root, "sub/" -> None for folders."""
    root = Path(root)
    found = {}
    for dirpath, dirnames, filenames in os.walk(root):
        rel = Path(dirpath).relative_to(root)
        for name in dirnames:
            found[(rel / name).as_posix() + "/"] = None
        for name in filenames:
            found[(rel / name).as_posix()] = (Path(dirpath) / name).read_bytes()
    return found


def tree_differences(actual, expected, where):
    problems = []
    for path in sorted(set(expected) - set(actual)):
        problems.append(f"{where}: {path} missing")
    for path in sorted(set(actual) - set(expected)):
        problems.append(f"{where}: {path} not expected")
    for path in sorted(set(actual) & set(expected)):
        if actual[path] != expected[path]:
            problems.append(f"{where}: {path} holds other bytes than expected")
    return problems


def record_problems(data, directory_text):
    """Checks the record's bytes (None: not written) against the directory text
    the installer must store."""
    if data is None:
        return [f"no {RECORD_NAME} written"]
    stored = directory_text.encode("cp936")
    problems = []
    if len(data) != RECORD_SIZE:
        problems.append(f"record is {len(data)} bytes, not {RECORD_SIZE}")
    if data[:len(RECORD_HEADER)] != RECORD_HEADER:
        problems.append(f"record header is {data[:20]!r}")
    field = data[len(RECORD_HEADER):len(RECORD_HEADER) + DIRECTORY_FIELD]
    expected = stored + (b"\0" if len(stored) < DIRECTORY_FIELD else b"")
    if field[:len(expected)] != expected:
        problems.append(f"record directory field starts {field[:len(expected)]!r}, "
                        f"expected {expected!r}")
    return problems


def registration_arguments(dll_path):
    """The parameters the installer must pass: quoted only when the path has a blank."""
    if " " in dll_path or "\t" in dll_path:
        return f'/s "{dll_path}"'
    return f"/s {dll_path}"


def tool_starts(recorded, dll_names):
    """The starts the logging tool records for the DLLs of Driver\\ installed into
    the directory recorded, sorted: the installer appends one separator to it."""
    app_dir = recorded if recorded.endswith("\\") else recorded + "\\"
    return sorted((registration_arguments(app_dir + "Driver\\" + name), tool_directory(app_dir))
                  for name in dll_names)


def tool_directory(app_dir):
    """The tool's current directory as Windows reports it: no separator but at a root."""
    return app_dir if len(app_dir) <= 3 else app_dir.rstrip("\\")


def read_tool_log(path):
    """(arguments, current directory) for each start the logging tool recorded."""
    path = Path(path)
    if not path.exists():
        return []
    starts = []
    for line in path.read_bytes().decode("cp936").split("\r\n"):
        if line:
            arguments, _, directory = line.partition("\t")
            starts.append((arguments, directory))
    return starts


UTF8_MARK = b"\xef\xbb\xbf"
_START_LINE = re.compile(r"start: \d{4}-\d\d-\d\d \d\d:\d\d:\d\d")
# The system's error codes and the tools' exit codes other than 0 vary with the
# system; the lines that hold them are compared with N in their place.
_NONZERO_CODE = re.compile(r"((?:system error|exit code) )[1-9][0-9]*")


def read_install_log(path):
    """The lines of the installer's log at path, and what is wrong with its form:
    it must be UTF-8 with a byte-order mark, in CR LF lines."""
    path = Path(path)
    if not path.exists():
        return [], [f"no log at {path}"]
    data = path.read_bytes()
    if (not data.startswith(UTF8_MARK) or not data.endswith(b"\r\n")
            or b"\n" in data.replace(b"\r\n", b"")):
        return [], [f"log is not UTF-8 with a byte-order mark and CR LF lines: {data[:40]!r}"]
    try:
        lines = data[len(UTF8_MARK):-2].decode("utf-8").split("\r\n")
    except UnicodeDecodeError as error:
        return [], [f"log is not UTF-8: {error}"]
    # The final message may run over several lines, each ending in CR LF like every
    # other: up to the exit code, they make one result entry, as the message has them.
    entries = []
    for line in lines:
        if entries and entries[-1].startswith("result: ") and not line.startswith("exit code: "):
            entries[-1] += "\n" + line
        else:
            entries.append(line)
    return entries, []


def codes_as_n(line):
    """line with its non-zero error or exit code read as N."""
    return _NONZERO_CODE.sub(r"\1N", line)


def install_log_problems(path, head, copies, tail):
    """Checks the installer's log at path: its form, a start line with the time,
    then exactly head, the copy lines in any order, then exactly tail. Non-zero
    error and exit codes in copy and registration lines read as N."""
    lines, problems = read_install_log(path)
    if problems:
        return problems
    lines = [codes_as_n(line) if line.startswith(("copy: ", "registration: ")) else line
             for line in lines]
    if not _START_LINE.fullmatch(lines[0]):
        problems.append(f"log's first line: {lines[0]!r}")
    body = lines[1:]
    end = len(body) - len(tail)
    if body[:len(head)] != list(head):
        problems.append(f"log begins {body[:len(head)]!r}, expected {list(head)!r}")
    copied = body[len(head):end]
    if sorted(copied) != sorted(copies):
        problems.append(f"log's copy lines: got {len(copied)}, expected {len(copies)}; "
                        f"unexpected {sorted(set(copied) - set(copies))[:5]!r}, "
                        f"missing {sorted(set(copies) - set(copied))[:5]!r}")
    if body[end:] != list(tail):
        problems.append(f"log ends {body[end:]!r}, expected {list(tail)!r}")
    return problems
