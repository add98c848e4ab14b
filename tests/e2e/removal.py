"""The removal end to end: one installation with /S, a removal answered No, and
the removal started as the uninstall entry's QuietUninstallString gives it. Three
starts of Tarnwhistle.exe and two of Wine's own regsvr32.exe with a real COM DLL,
whose unregistration removes the marker its registration left: the marker gone
and Driver\\ removed show that the DLL was unregistered while it was still there.
"""

import hashlib
import os
import shlex
import subprocess

import installer_run as ui
import package as pkg
import suite as suites
import wine_session as wine
import x_display as x
from suite import Failure

ENTRY_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarnwhistle"
TEXT_QUESTION = "确定要卸载Varnelquist驱动程序吗?"
TEXT_REMOVED = "驱动程序已卸载!"
MARKER = "twsample.dll.registered"


def reg(prefix, *args):
    """Wine's reg.exe on the 32-bit view of the registry (it runs natively, in
    moments); returns (exit status, output)."""
    env = {**os.environ, "WINEPREFIX": str(prefix), "DISPLAY": ""}
    out = subprocess.run(
        ["bash", "-c", f'source "{wine.TOOLS}/wine-env.sh" && "$TW_WINE" reg "$@" /reg:32',
         "reg", *args], env=env, capture_output=True, timeout=300)
    # reg writes in the console's code page when its output is not a console.
    try:
        return out.returncode, out.stdout.decode("utf-8")
    except UnicodeDecodeError:
        return out.returncode, out.stdout.decode("gbk", "replace")


def entry_values(prefix):
    """The uninstall entry's values by name, or None when there is no entry."""
    status, output = reg(prefix, "query", ENTRY_KEY)
    if status != 0:
        return None
    values = {}
    for line in output.splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) == 3 and parts[1].startswith("REG_"):
            values[parts[0]] = parts[2]
    return values


def store_folder(prefix):
    """Where a 32-bit program's Program Files folder lies in the 64-bit prefix."""
    return wine.Path(prefix) / "drive_c" / "Program Files (x86)" / "Tarnwhistle"


def unix_path(prefix, windows_path):
    """A C: path of the prefix as a path of this machine."""
    drive, _, rest = windows_path.partition(":\\")
    if drive.upper() != "C":
        raise Failure(f"not a path on C: {windows_path!r}")
    return wine.Path(prefix) / "drive_c" / rest.replace("\\", "/")


def start_without_dialog(suite, name, exe, cwd, args, answer=None):
    """Starts exe; answer, when given, is the key pressed in the question box.
    Returns (exit status, message texts)."""
    with suite.start(name, exe, cwd, args) as run:
        if answer:
            box, caption = run.message_box(ui.START_TIMEOUT)
            if caption != ui.INFO_CAPTION:
                raise Failure(f"the question came with the caption {caption!r}")
            x.press(box, answer)
        code = run.exit_code(ui.START_TIMEOUT + 2 * ui.install_timeout(1))
        if code is None:
            raise Failure("the program did not end")
        texts = run.message_texts()
    if not wine.wait_marked_processes_end(suites.RUN_MARKER, str(suite.root), "regsvr32",
                                          suites.TOOL_END_TIMEOUT):
        raise Failure("registration tools still running after the end")
    return code, texts


def scenario_remove(suite, name, checks):
    prefix = suite.prefix
    # Earlier runs in this prefix leave an installation of their own: start clean.
    reg(prefix, "delete", ENTRY_KEY, "/f")
    wine.remove_tree(store_folder(prefix))

    app_dir = suite.folder(name, "Program Files", "Varnel quist")
    app_text = suite.drive.dos(app_dir) + "\\"
    source = suite.folder(name, "package")
    package = pkg.Package(
        {"regsvr32.exe": wine.wine_regsvr32(prefix).read_bytes(),
         "support.txt": pkg.content("support.txt")},
        {"twsample.dll": (suite.tools_dir / "twsample.dll").read_bytes(),
         "gamma.sys": pkg.content("gamma.sys")})
    package.lay_out(source)
    install_log = suite.install_log(name)

    # 1: installed silently; the entry points at the copy under Program Files.
    result = suite.run_installer(
        name + "-install", source,
        args=["/S", "/LOG=" + suite.drive.dos(install_log), "/D=" + app_text[:-1]],
        silent=True, timeout=ui.install_timeout(1))
    checks.equal(result.exit_code, ui.EXIT_INSTALLED, "exit status of the installation")
    checks.true((app_dir / "Driver" / MARKER).exists(), "twsample.dll was not registered")
    values = entry_values(prefix) or {}
    copy = "C:\\Program Files (x86)\\Tarnwhistle\\Tarnwhistle.exe"
    expected = {"DisplayName": "Varnelquist驱动程序", "DisplayVersion": "6.1.0.0",
                "Publisher": "Ostrakelle", "DisplayIcon": copy + ",0",
                "InstallLocation": app_text, "NoModify": "0x1", "NoRepair": "0x1",
                "UninstallString": f'"{copy}" /U',
                "QuietUninstallString": f'"{copy}" /U /S'}
    for value, text in expected.items():
        checks.equal(values.get(value), text, f"entry value {value}")
    checks.true(values.get("EstimatedSize", "0x0") != "0x0", "EstimatedSize missing or 0")
    checks.true(unix_path(prefix, copy).read_bytes() == suite.exe.read_bytes(),
                "the copy of the installer is not the installer")
    if checks.problems:
        raise Failure("the installation left no removal to test")

    # The user adds a file to A and changes an installed one.
    (app_dir / "user.txt").write_bytes(b"the user's own\r\n")
    (app_dir / "support.txt").write_bytes(b"changed by the user\r\n")
    record = suite.record_path().read_bytes()
    before = pkg.tree(suite.root / name)

    # 2: the entry's UninstallString, answered No: nothing changes.
    code, texts = start_without_dialog(suite, name + "-no", unix_path(prefix, copy), source,
                                       ["/U"], answer="n")
    checks.equal(code, ui.wine_exit_status(ui.EXIT_CANCELLED), "exit status after No")
    checks.equal(texts, [TEXT_QUESTION], "message boxes of the run answered No")
    checks.extend(pkg.tree_differences(pkg.tree(suite.root / name), before, "after No"))
    checks.equal(suite.record_path().read_bytes() if suite.record_path().exists() else None,
                 record, "record after No")
    checks.true(entry_values(prefix) is not None, "entry gone after No")

    # 3: QuietUninstallString as the registry gives it, with a log added.
    quiet = (entry_values(prefix) or {}).get("QuietUninstallString", "")
    words = shlex.split(quiet.replace("\\", "/"))
    if len(words) < 2:
        raise Failure(f"QuietUninstallString {quiet!r}")
    removal_log = suite.folder("logs") / f"{name}-removal.log"
    args = [w.replace("/", "\\") if ":" in w else w for w in words[1:]]
    code, texts = start_without_dialog(
        suite, name + "-quiet", unix_path(prefix, words[0].replace("/", "\\")), source,
        args + ["/LOG=" + suite.drive.dos(removal_log)])
    checks.equal(code, ui.EXIT_INSTALLED, "exit status of the quiet removal")
    checks.equal(texts, [], "message boxes of the quiet removal")
    # Only what the user added or changed is left; Driver\ emptied and removed,
    # the marker gone with the DLL's unregistration.
    checks.extend(pkg.tree_differences(
        pkg.tree(app_dir), {"user.txt": b"the user's own\r\n",
                            "support.txt": b"changed by the user\r\n"}, "after the removal"))
    checks.true(not suite.record_path().exists(), "the record stays")
    checks.equal(entry_values(prefix), None, "the entry after the removal")
    checks.true(not (store_folder(prefix) / "installed-files.lst").exists(), "the list stays")
    lines, problems = pkg.read_install_log(removal_log)
    checks.extend(problems)
    dll = app_text + "Driver\\twsample.dll"
    checks.true(f'unregistration: "{app_text}regsvr32.exe" /u /s "{dll}": exit code 0' in lines,
                f"no unregistration of {dll} in the log: {lines}")
    checks.true(f"kept, changed since it was installed: {app_text}support.txt" in lines,
                "the changed file is not named in the log")
    checks.true(any(line.startswith("copy of the installer: ") and "next restart" in line
                    for line in lines), "the copy's removal at the next restart not logged")
    checks.equal(lines[-1:], ["exit code: 0"], "the removal log's last line")


def sha256_hex(data):
    return hashlib.sha256(data).hexdigest()


def listed(prefix):
    """The list's file lines as {path: (role, digest)}; None without a list."""
    path = store_folder(prefix) / "installed-files.lst"
    if not path.exists():
        return None
    files = {}
    for line in path.read_bytes().decode("cp936").split("\r\n")[1:]:
        fields = line.split("\t")
        if len(fields) == 4:
            files[fields[3]] = (fields[0], fields[1])
    return files


def scenario_what_cannot_be_undone(suite, name, checks):
    """One installation with the dialog, while which the installer is renamed and
    another program put under its name; the moment it ends, another user swaps
    the tool and a DLL, deletes the other DLL and appends to the record. The
    list holds the package's digests, the copy is the program that ran, and the
    removal starts no tool, keeps what it cannot undo, names it and ends 1603."""
    prefix = suite.prefix
    reg(prefix, "delete", ENTRY_KEY, "/f")
    wine.remove_tree(store_folder(prefix))
    app_dir = suite.folder(name, "app")
    app_text = suite.drive.dos(app_dir) + "\\"
    source = suite.folder(name, "package")
    tool = suite.stand_in_tool()
    alpha, beta = pkg.content("alpha.dll", 5000), pkg.content("beta.dll", 300)
    pkg.Package({"regsvr32.exe": tool}, {"alpha.dll": alpha, "beta.dll": beta}).lay_out(source)
    exe = suite.place_exe(source)
    started = exe.read_bytes()

    def rename_and_replace_then_confirm(run, dialog):
        exe.rename(source / "renamed.exe")
        exe.write_bytes(tool)  # another program under the installer's name
        ui.confirm(run, dialog)

    result = suite.run_installer(name + "-install", source, exe=exe,
                                 args=["/D=" + app_text[:-1]],
                                 steps=rename_and_replace_then_confirm,
                                 timeout=ui.install_timeout(2))
    # The moment the installation has ended: the tool and a DLL swapped, the
    # other DLL deleted, bytes after the record.
    swapped = tool + b"swapped"
    (app_dir / "regsvr32.exe").write_bytes(swapped)
    (app_dir / "Driver" / "alpha.dll").write_bytes(b"the other user's DLL")
    (app_dir / "Driver" / "beta.dll").unlink()
    record = suite.record_path().read_bytes() + b"user data"
    suite.record_path().write_bytes(record)
    checks.equal(result.exit_code, ui.EXIT_INSTALLED, "exit status of the installation")
    checks.equal(len(result.tool_starts), 2, "registrations of the installation")
    copy = "C:\\Program Files (x86)\\Tarnwhistle\\Tarnwhistle.exe"
    checks.true(unix_path(prefix, copy).read_bytes() == started,
                "the copy of the installer is not the program that was started")
    files = listed(prefix) or {}
    for path, role, data in ((app_text + "regsvr32.exe", "tool", tool),
                             (app_text + "Driver\\alpha.dll", "dll", alpha),
                             (app_text + "Driver\\beta.dll", "dll", beta)):
        checks.equal(files.get(path), (role, sha256_hex(data)), f"the list's line for {path}")
    if checks.problems:
        raise Failure("the installation left no removal to test")

    removal_log = suite.folder("logs") / f"{name}-removal.log"
    code, texts = start_without_dialog(suite, name + "-quiet", unix_path(prefix, copy), source,
                                       ["/U", "/S", "/LOG=" + suite.drive.dos(removal_log)])
    checks.equal(code, ui.wine_exit_status(1603), "exit status of the removal")
    checks.equal(pkg.read_tool_log(suite.tool_log(name + "-quiet")), [],
                 "tools started by the removal")
    checks.equal((app_dir / "regsvr32.exe").read_bytes(), swapped, "the swapped tool")
    checks.equal((app_dir / "Driver" / "alpha.dll").read_bytes(), b"the other user's DLL",
                 "the swapped DLL")
    checks.equal(suite.record_path().read_bytes(), record, "the record with bytes after it")
    checks.true(entry_values(prefix) is not None, "the entry is gone")
    left = listed(prefix) or {}
    checks.equal(sorted(left), [app_text + "Driver\\alpha.dll", app_text + "Driver\\beta.dll"],
                 "what the list holds after the removal")
    lines, problems = pkg.read_install_log(removal_log)
    checks.extend(problems)
    for dll in ("alpha.dll", "beta.dll"):
        checks.true(f"not unregistered: {app_text}Driver\\{dll} (missing or changed since it was "
                    "installed)" in lines, f"{dll} not named as not unregistered: {lines}")
    checks.true(f"kept, changed since it was installed: {app_text}regsvr32.exe" in lines,
                "the swapped tool is not named")
    checks.true(any(line.startswith("record kept: ") for line in lines), "the record not kept")
    checks.equal(lines[-1:], ["exit code: 1603"], "the removal log's last line")
    reg(prefix, "delete", ENTRY_KEY, "/f")
    wine.remove_tree(store_folder(prefix))


SCENARIOS = [
    ("r1", "install silently, a removal answered No, then QuietUninstallString",
     scenario_remove),
    ("r2", "installer replaced while it runs, tool and DLLs swapped after it, record extended",
     scenario_what_cannot_be_undone),
]
