"""The removal end to end: one installation with /S, a removal answered No, and
the removal started as the uninstall entry's QuietUninstallString gives it. Three
starts of Tarnwhistle.exe and two of Wine's own regsvr32.exe with a real COM DLL,
whose unregistration removes the marker its registration left: the marker gone
and Driver\\ removed show that the DLL was unregistered while it was still there.
"""

import hashlib
import os
import random
import shlex
import shutil
import struct
import subprocess
import time

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
COPY = "C:\\Program Files (x86)\\Tarnwhistle\\Tarnwhistle.exe"


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


def forget_installations(prefix):
    """No uninstall entry and no store: the machine as before any installation."""
    reg(prefix, "delete", ENTRY_KEY, "/f")
    wine.remove_tree(store_folder(prefix))


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
    forget_installations(prefix)

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
    removal starts no tool, keeps and names what was changed, names the DLL that
    is gone and ends with 0."""
    prefix = suite.prefix
    forget_installations(prefix)
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
    checks.equal(code, ui.EXIT_INSTALLED, "exit status of the removal")
    checks.equal(pkg.read_tool_log(suite.tool_log(name + "-quiet")), [],
                 "tools started by the removal")
    checks.equal((app_dir / "regsvr32.exe").read_bytes(), swapped, "the swapped tool")
    checks.equal((app_dir / "Driver" / "alpha.dll").read_bytes(), b"the other user's DLL",
                 "the swapped DLL")
    checks.equal(suite.record_path().read_bytes(), record, "the record with bytes after it")
    checks.equal(entry_values(prefix), None, "the entry after the removal")
    checks.equal(listed(prefix), None, "the list after the removal")
    lines, problems = pkg.read_install_log(removal_log)
    checks.extend(problems)
    checks.true(f"not unregistered: {app_text}Driver\\beta.dll (the file was gone: its "
                "registration stays)" in lines, f"beta.dll not named as not unregistered: {lines}")
    for changed in ("regsvr32.exe", "Driver\\alpha.dll"):
        checks.true(f"kept, changed since it was installed: {app_text}{changed}" in lines,
                    f"the swapped {changed} is not named")
    checks.true(any(line.startswith("record kept: ") for line in lines), "the record not kept")
    checks.equal(lines[-1:], ["exit code: 0"], "the removal log's last line")
    forget_installations(prefix)


def scenario_registered_dll_gone(suite, name, checks):
    """A registered DLL deleted by hand before the quiet removal: the other DLL is
    unregistered, everything else removed with the entry and the list, the gone
    DLL named in the log, exit code 0."""
    prefix = suite.prefix
    forget_installations(prefix)
    app_dir = suite.folder(name, "app")
    app_text = suite.drive.dos(app_dir) + "\\"
    source = suite.folder(name, "package")
    pkg.Package({"regsvr32.exe": suite.stand_in_tool(), "support.txt": pkg.content("support.txt")},
                {"alpha.dll": pkg.content("alpha.dll"), "beta.dll": pkg.content("beta.dll")}
                ).lay_out(source)
    result = suite.run_installer(name + "-install", source, args=["/S", "/D=" + app_text[:-1]],
                                 silent=True, timeout=ui.install_timeout(2))
    checks.equal(result.exit_code, ui.EXIT_INSTALLED, "exit status of the installation")
    checks.equal(len(result.tool_starts), 2, "registrations of the installation")
    if checks.problems:
        raise Failure("the installation left no removal to test")
    (app_dir / "Driver" / "alpha.dll").unlink()

    removal_log = suite.folder("logs") / f"{name}-removal.log"
    copy = "C:\\Program Files (x86)\\Tarnwhistle\\Tarnwhistle.exe"
    code, texts = start_without_dialog(suite, name + "-quiet", unix_path(prefix, copy), source,
                                       ["/U", "/S", "/LOG=" + suite.drive.dos(removal_log)])
    checks.equal(code, ui.EXIT_INSTALLED, "exit status of the removal")
    checks.equal(texts, [], "message boxes of the quiet removal")
    checks.equal([args for args, _ in pkg.read_tool_log(suite.tool_log(name + "-quiet"))],
                 [f"/u /s {app_text}Driver\\beta.dll"], "tools started by the removal")
    checks.extend(pkg.tree_differences(pkg.tree(app_dir), {}, "after the removal"))
    checks.true(not suite.record_path().exists(), "the record stays")
    checks.equal(entry_values(prefix), None, "the entry after the removal")
    checks.equal(listed(prefix), None, "the list after the removal")
    lines, problems = pkg.read_install_log(removal_log)
    checks.extend(problems)
    checks.true(f"not unregistered: {app_text}Driver\\alpha.dll (the file was gone: its "
                "registration stays)" in lines, f"alpha.dll not named in the log: {lines}")
    checks.true(any(line.startswith("result: ") and line.endswith(f"\n{app_text}Driver\\alpha.dll")
                    for line in lines), f"alpha.dll not named in the final message: {lines}")
    checks.equal(lines[-1:], ["exit code: 0"], "the removal log's last line")


def scenario_record_locked(suite, name, checks):
    """A record that everyone may change (mode 666: Wine keeps a file's access
    list as its mode), longer than 276 bytes: after an installation others may
    no longer change it, and its bytes after the 276th are as they were."""
    prefix = suite.prefix
    forget_installations(prefix)
    app_dir = suite.folder(name, "app")
    app_text = suite.drive.dos(app_dir) + "\\"
    source = suite.folder(name, "package")
    pkg.Package({"support.txt": pkg.content("support.txt")}, {"gamma.sys": pkg.content("gamma.sys")}
                ).lay_out(source)
    record = suite.record_path()
    tail = b"someone's data after the record\r\n" * 8
    record.write_bytes(b"x" * 276 + tail)
    record.chmod(0o666)
    result = suite.run_installer(name + "-install", source, args=["/S", "/D=" + app_text[:-1]],
                                 silent=True, timeout=ui.install_timeout(0))
    checks.equal(result.exit_code, ui.EXIT_INSTALLED, "exit status of the installation")
    data = record.read_bytes()
    checks.extend(pkg.record_problems(data[:276], app_text[:-1]))
    checks.equal(data[276:], tail, "the record's bytes after the 276th")
    # Wine gives the group's bits to Administrators and the others' to Everyone.
    mode = record.stat().st_mode & 0o777
    checks.true(mode & 0o002 == 0, f"others may still change the record: mode {mode:o}")
    forget_installations(prefix)


def scenario_store_locked(suite, name, checks):
    """A store under Program Files that everyone may change (mode 777) before an
    installation is locked before it is used (Wine gives the others' bits to
    Everyone)."""
    prefix = suite.prefix
    reg(prefix, "delete", ENTRY_KEY, "/f")
    store = store_folder(prefix)
    wine.remove_tree(store)
    store.mkdir(parents=True)
    store.chmod(0o777)
    app_dir = suite.folder(name, "app")
    app_text = suite.drive.dos(app_dir) + "\\"
    source = suite.folder(name, "package")
    pkg.Package({"support.txt": pkg.content("support.txt")}, {"gamma.sys": pkg.content("gamma.sys")}
                ).lay_out(source)
    result = suite.run_installer(name + "-install", source, args=["/S", "/D=" + app_text[:-1]],
                                 silent=True, timeout=ui.install_timeout(0))
    checks.equal(result.exit_code, ui.EXIT_INSTALLED, "exit status of the installation")
    # Wine keeps every folder readable by others and gives new files the umask's
    # mode: what it shows is that others may no longer change the store.
    mode = store.stat().st_mode & 0o777
    checks.true(mode & 0o002 == 0, f"others may still change the store: mode {mode:o}")
    checks.true((store / "installed-files.lst").exists(), "no list in the store")
    reg(prefix, "delete", ENTRY_KEY, "/f")
    wine.remove_tree(store)


def list_lines(prefix):
    """The list's lines after its header; None without a list."""
    path = store_folder(prefix) / "installed-files.lst"
    if not path.exists():
        return None
    return path.read_bytes().decode("cp936").split("\r\n")[1:-1]


def short_path(prefix, windows_path):
    """The 8.3 spelling Wine gives windows_path, by winepath."""
    env = {**os.environ, "WINEPREFIX": str(prefix), "DISPLAY": ""}
    out = subprocess.run(
        ["bash", "-c", f'source "{wine.TOOLS}/wine-env.sh" && "$TW_WINE" winepath -s "$1"',
         "winepath", windows_path], env=env, capture_output=True, timeout=600)
    return out.stdout.decode("utf-8", "replace").strip()


def install_for_removal(suite, name, source, app_text):
    """A silent installation of a package with the stand-in tool and one DLL into
    app_text (ending in "\\"); raises Failure when it did not install."""
    pkg.Package({"regsvr32.exe": suite.stand_in_tool(), "support.txt": pkg.content("support.txt")},
                {"alpha.dll": pkg.content("alpha.dll")}).lay_out(source)
    result = suite.run_installer(name + "-install", source, args=["/S", "/D=" + app_text[:-1]],
                                 silent=True, timeout=ui.install_timeout(1))
    if result.exit_code != ui.EXIT_INSTALLED or len(result.tool_starts) != 1:
        raise Failure(f"the installation ended with {result.exit_code}, "
                      f"{len(result.tool_starts)} registrations")


def scenario_lookalike(suite, name, checks):
    """After an installation a user renames a folder above A and puts at A's path
    a folder of theirs holding the same files (copied with their extended
    attributes, where Wine keeps the access list): the quiet removal starts no
    tool there, removes nothing, ends with 1603 and keeps the entry and the list;
    the real installation is untouched."""
    prefix = suite.prefix
    forget_installations(prefix)
    above = suite.folder(name, "above")
    app_dir = suite.folder(name, "above", "A")
    app_text = suite.drive.dos(app_dir) + "\\"
    source = suite.folder(name, "package")
    install_for_removal(suite, name, source, app_text)
    listed_before = list_lines(prefix)
    moved = above.with_name("moved")
    above.rename(moved)
    shutil.copytree(moved, above, symlinks=True)
    real, lookalike = pkg.tree(moved), pkg.tree(above)

    removal_log = suite.folder("logs") / f"{name}-removal.log"
    code, texts = start_without_dialog(suite, name + "-quiet", unix_path(prefix, COPY), source,
                                       ["/U", "/S", "/LOG=" + suite.drive.dos(removal_log)])
    checks.equal(code, ui.wine_exit_status(1603), "exit status of the removal")
    checks.equal(pkg.read_tool_log(suite.tool_log(name + "-quiet")), [],
                 "tools started by the removal")
    checks.extend(pkg.tree_differences(pkg.tree(above), lookalike, "in the lookalike"))
    checks.extend(pkg.tree_differences(pkg.tree(moved), real, "in the real installation"))
    checks.true(entry_values(prefix) is not None, "the entry is gone")
    checks.equal(list_lines(prefix), listed_before, "the list after the removal")
    lines, problems = pkg.read_install_log(removal_log)
    checks.extend(problems)
    checks.true(f"not the folder installed: {app_text} (nothing in it was started or removed)"
                in lines, f"A is not named as another folder: {lines}")
    checks.equal(lines[-1:], ["exit code: 1603"], "the removal log's last line")
    forget_installations(prefix)


def patched_in_code(program):
    """program with the first byte of code at its entry point made a breakpoint:
    started, it would stop at once; read, it differs in one byte of code."""
    pe = struct.unpack_from("<I", program, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H", program, pe + 6)[0], \
        struct.unpack_from("<H", program, pe + 20)[0]
    entry = struct.unpack_from("<I", program, pe + 24 + 16)[0]
    table = pe + 24 + optional_size
    for i in range(sections):
        size, address, raw_size, raw = struct.unpack_from("<IIII", program, table + 40 * i + 8)
        if address <= entry < address + min(size, raw_size):
            patched = bytearray(program)
            patched[raw + entry - address] = 0xCC
            return bytes(patched)
    raise Failure("no section holds the program's entry point")


def wait_loading_imports(suite, timeout):
    """Waits until a 32-bit program of this run has kernel32.dll mapped: Wine has
    read the program's own image by then and loads what it imports, and the
    program has not yet run any code of its own. False when none does in time."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        for pid in wine.marked_processes(suites.RUN_MARKER, str(suite.root)):
            try:
                if "/i386-windows/kernel32.dll" in wine.Path(f"/proc/{pid}/maps").read_text():
                    return True
            except OSError:
                continue
        time.sleep(0.02)
    return False


def scenario_kept_copy_is_the_program(suite, name, checks):
    """A silent installation whose program file is renamed, and a copy of it
    patched in its code put under its name, while it starts: after Wine has read
    the image, before the program opens its own file. The copy kept for the
    removal is never the patched program: none is kept, the installation names it,
    writes no entry and ends with 1603; the package is installed all the same."""
    prefix = suite.prefix
    forget_installations(prefix)
    app_dir = suite.folder(name, "app")
    app_text = suite.drive.dos(app_dir) + "\\"
    source = suite.folder(name, "package")
    gamma = pkg.content("gamma.sys")
    pkg.Package({"support.txt": pkg.content("support.txt")}, {"gamma.sys": gamma}).lay_out(source)
    exe = suite.place_exe(source)
    patched = patched_in_code(exe.read_bytes())
    log = suite.install_log(name)
    args = ["/S", "/LOG=" + suite.drive.dos(log), "/D=" + app_text[:-1]]
    with suite.start(name, exe, source, args) as run:
        loading = wait_loading_imports(suite, ui.START_TIMEOUT)
        exe.rename(source / "started.exe")
        exe.write_bytes(patched)
        code = run.exit_code(ui.START_TIMEOUT + ui.install_timeout(0))
    checks.true(loading, "the program's imports were never seen loading")
    copy = "C:\\Program Files (x86)\\Tarnwhistle\\Tarnwhistle.exe"
    kept = unix_path(prefix, copy)
    checks.true(not kept.exists() or kept.read_bytes() != patched,
                "the copy kept for the removal is the patched program")
    checks.true(not kept.exists(), "a copy was kept")
    checks.equal(code, ui.wine_exit_status(ui.EXIT_FAILED), "exit status of the installation")
    checks.equal(entry_values(prefix), None, "the entry after the installation")
    checks.equal((app_dir / "Driver" / "gamma.sys").read_bytes() if
                 (app_dir / "Driver" / "gamma.sys").exists() else None, gamma,
                 "the driver file installed")
    lines, problems = pkg.read_install_log(log)
    checks.extend(problems)
    checks.true(f"not installed: {copy}" in lines, f"the copy not named in the log: {lines}")
    checks.equal(lines[-1:], ["exit code: 1603"], "the log's last line")
    forget_installations(prefix)


def scenario_short_name(suite, name, checks):
    """An installation given A by its 8.3 name: the list names A by its long path
    and keeps the short one as given, the record and the entry keep the short
    one, and the quiet removal takes everything away with exit code 0."""
    prefix = suite.prefix
    forget_installations(prefix)
    app_dir = suite.folder(name, "Varnelquist Program")
    long_text = suite.drive.dos(app_dir) + "\\"
    short_text = short_path(prefix, long_text[:-1])
    if not short_text or short_text.upper() == long_text[:-1].upper():
        raise Failure(f"no short name for {long_text}: {short_text!r}")
    short_text += "\\"
    source = suite.folder(name, "package")
    install_for_removal(suite, name, source, short_text)
    lines = list_lines(prefix) or []
    checks.equal([line for line in lines if line.split("\t")[0] in ("appdir", "given")],
                 ["appdir\t" + long_text, "given\t" + short_text], "the list's A")
    checks.equal(sum(line.startswith("folder\t") for line in lines), 2, "folders listed")
    checks.equal((entry_values(prefix) or {}).get("InstallLocation"), short_text,
                 "entry value InstallLocation")
    checks.extend(pkg.record_problems(suite.record_path().read_bytes()[:276], short_text[:-1]))

    removal_log = suite.folder("logs") / f"{name}-removal.log"
    code, texts = start_without_dialog(suite, name + "-quiet", unix_path(prefix, COPY), source,
                                       ["/U", "/S", "/LOG=" + suite.drive.dos(removal_log)])
    checks.equal(code, ui.EXIT_INSTALLED, "exit status of the removal")
    checks.equal([args for args, _ in pkg.read_tool_log(suite.tool_log(name + "-quiet"))],
                 [f'/u /s "{long_text}Driver\\alpha.dll"'], "tools started by the removal")
    checks.extend(pkg.tree_differences(pkg.tree(app_dir), {}, "after the removal"))
    checks.true(not suite.record_path().exists(), "the record stays")
    checks.equal(entry_values(prefix), None, "the entry after the removal")
    checks.equal(list_lines(prefix), None, "the list after the removal")
    lines, problems = pkg.read_install_log(removal_log)
    checks.extend(problems)
    checks.equal(lines[-1:], ["exit code: 0"], "the removal log's last line")


SCENARIOS = [
    ("install-then-remove",
     "install silently, a removal answered No, then QuietUninstallString", scenario_remove),
    ("removal-keeps-what-changed",
     "installer replaced while it runs, tool and DLLs swapped after it, record extended",
     scenario_what_cannot_be_undone),
    ("registered-dll-gone", "a registered DLL deleted before the quiet removal",
     scenario_registered_dll_gone),
    ("record-locked", "a record everyone may change is afterwards administrators' only",
     scenario_record_locked),
    ("store-locked", "a store everyone may change is locked before it is used",
     scenario_store_locked),
    ("lookalike-at-a", "a folder above A renamed and a lookalike put at A's path",
     scenario_lookalike),
    ("short-name", "an installation given A by its short name, removed whole",
     scenario_short_name),
    ("kept-copy-is-the-program",
     "the installer swapped for a copy patched in its code as it starts: no patched copy kept",
     scenario_kept_copy_is_the_program),
]


# --- one run at a time, a killed run, the restart -------------------------------

TEXT_RUN_BUSY = "另一个安装或卸载程序正在运行，请等它结束后再试!"
EXIT_ALREADY_RUNNING = 1618
BUSY_LINE = "another installation or removal is running"
BIG_SIZE = 96 * 1024 * 1024  # large enough that every kill below lands while it is staged
KILLS = (0.0, 0.3, 0.8)  # seconds after big.sys's first megabyte before each kill


def big_content(name, size):
    """size bytes of their own for name (pkg.content builds small files only)."""
    return random.Random(name).randbytes(size)


def wine_tool(prefix, *args):
    """A native Wine program (wineboot) run in the prefix; returns its exit status."""
    env = {**os.environ, "WINEPREFIX": str(prefix), "DISPLAY": ""}
    return subprocess.run(
        ["bash", "-c", f'source "{wine.TOOLS}/wine-env.sh" && "$TW_WINE" "$@"', "wine", *args],
        env=env, capture_output=True, timeout=600).returncode


def leftovers(app_dir):
    """Names in A and A\\Driver that no package file explains: the copy's new files."""
    found = []
    for folder in (app_dir, app_dir / "Driver"):
        try:
            found += [str(p.relative_to(app_dir)) for p in folder.iterdir()
                      if p.name.lower().endswith(".tmp")]
        except OSError:  # not made yet
            pass
    return sorted(found)


def big_copy_under_way(app_dir):
    """True once the new file of big.sys holds a megabyte: it was marked before its
    first write and is cleared only when all of it is in. (Between its creation
    and the mark, and between clearing the mark and the rename, a kill would leave
    it: a matter of microseconds, which a kill timed from here never hits.)"""
    for rel in leftovers(app_dir):
        try:
            if rel.startswith("Driver") and (app_dir / rel).stat().st_size > 1024 * 1024:
                return True
        except OSError:  # renamed into place meanwhile
            pass
    return False


def wait_for(condition, timeout, step=0.05):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(step)
    return condition()


def quiet_removal(suite, name, source, checks, what):
    quiet = (entry_values(suite.prefix) or {}).get("QuietUninstallString", "")
    words = shlex.split(quiet.replace("\\", "/"))
    if len(words) < 2:
        raise Failure(f"QuietUninstallString {quiet!r} {what}")
    program = unix_path(suite.prefix, words[0].replace("/", "\\"))
    checks.true(program.exists(), f"the entry's program {program} is missing {what}")
    log = suite.folder("logs") / f"{name}.log"
    code, texts = start_without_dialog(suite, name, program, source,
                                       words[1:] + ["/LOG=" + suite.drive.dos(log)])
    checks.equal(code, ui.EXIT_INSTALLED, f"exit status of the removal {what}")
    lines, problems = pkg.read_install_log(log)
    checks.extend(problems)
    return lines


def scenario_one_at_a_time(suite, name, checks):
    prefix = suite.prefix
    forget_installations(prefix)
    lock = store_folder(prefix) / "run.lock"
    app_dir = suite.folder(name, "A")
    app_text = suite.drive.dos(app_dir)
    old = pkg.Package({"regsvr32.exe": suite.stand_in_tool(), "support.txt": b"old support\r\n"},
                      {"alpha.dll": pkg.content("alpha.dll"),
                       "big.sys": big_content("old big.sys", BIG_SIZE)})
    new = pkg.Package({"regsvr32.exe": suite.stand_in_tool(), "support.txt": b"new support\r\n"},
                      {"alpha.dll": pkg.content("alpha.dll"),
                       "big.sys": big_content("new big.sys", BIG_SIZE)})
    source = suite.folder(name, "old")
    old.lay_out(source)
    exe = suite.place_exe(source)

    # 1: an interactive installation that holds the lock while its final message
    # shows; meanwhile a silent installation ends with 1618 and writes nothing, and
    # a second dialog's 确定 is refused with the message and stays open, until the
    # first has ended: then its 确定 installs.
    first_log, silent_log = suite.install_log(name + "-first"), suite.install_log(name + "-busy")
    with suite.start(name + "-first", exe, source, ["/LOG=" + suite.drive.dos(first_log),
                                                    "/D=" + app_text]) as first:
        ui.confirm(first, first.dialog())
        final = x.wait_window(f"^{ui.INFO_CAPTION}$", ui.install_timeout(1), first.program.alive)
        checks.true(lock.exists(), "no run.lock while an installation runs")
        before = pkg.tree(app_dir)
        record = suite.record_path().read_bytes()
        with suite.start(name + "-busy", exe, source,
                         ["/S", "/LOG=" + suite.drive.dos(silent_log), "/D=" + app_text]) as busy:
            checks.equal(busy.exit_code(ui.START_TIMEOUT),
                         ui.wine_exit_status(EXIT_ALREADY_RUNNING), "exit status while held")
        lines, problems = pkg.read_install_log(silent_log)
        checks.extend(problems)
        checks.equal(lines[-2:], [BUSY_LINE, "exit code: 1618"], "the busy run's log ends")
        checks.extend(pkg.tree_differences(pkg.tree(app_dir), before, "after the busy run"))
        checks.equal(suite.record_path().read_bytes(), record, "the record after the busy run")
        with suite.start(name + "-second", exe, source, ["/D=" + app_text]) as second:
            dialog = second.dialog()
            ui.confirm(second, dialog)
            box = x.wait_window(f"^{ui.ERROR_CAPTION}$", ui.STEP_TIMEOUT, second.program.alive)
            second.settle(box)
            second.shot("busy", box)
            second.dismiss(box)
            checks.true(x.is_viewable(dialog), "the dialog closed after the busy message")
            x.raise_window(final)  # the second dialog lies over it
            first.settle(final)
            first.dismiss(final)
            checks.equal(first.exit_code(ui.STEP_TIMEOUT), ui.EXIT_INSTALLED,
                         "exit status of the first installation")
            checks.true(wait_for(lambda: not lock.exists(), 10), "run.lock stays after a run")
            second.settle(dialog)
            ui.confirm(second, dialog)
            second.finish_with_message(ui.install_timeout(1))
            checks.equal(second.exit_code(), ui.EXIT_INSTALLED, "exit status after trying again")
            checks.equal(second.message_texts(), [TEXT_RUN_BUSY, ui.TEXT_DONE],
                         "the second dialog's messages")
    checks.extend(pkg.tree_differences(pkg.tree(app_dir), old.installed_layout(),
                                       "after the installations"))

    # 2: a silent reinstall of the new package, killed while it copies the large
    # file: every file old or new, never a new file of the copy left, the lock gone
    # with the killed run. Then two silent runs started together: one installs
    # everything (0), the other finds the lock taken (1618) and does nothing.
    source = suite.folder(name, "new")
    new.lay_out(source)
    exe = suite.place_exe(source)
    args = ["/S", "/D=" + app_text]
    for delay in KILLS:
        with suite.start(f"{name}-kill", exe, source, args) as run:
            copying = wait_for(lambda: big_copy_under_way(app_dir), ui.START_TIMEOUT, 0.02)
            time.sleep(delay)
            for pid in wine.marked_processes(suites.RUN_MARKER, str(suite.root), "tarnwhistle"):
                os.kill(pid, 9)
            checks.true(copying and run.exit_code(60) is not None,
                        f"no copy under way to kill ({delay} s)")
        checks.true(wait_for(lambda: not leftovers(app_dir), 20),
                    f"left by a run killed {delay} s into a copy: {leftovers(app_dir)}")
        checks.true(wait_for(lambda: not lock.exists(), 20), "run.lock stays after a kill")
        for rel, data in pkg.tree(app_dir).items():
            checks.true(data in (old.installed_layout().get(rel), new.installed_layout().get(rel)),
                        f"{rel} torn after a kill {delay} s into a copy")
    logs = [suite.install_log(f"{name}-together-{n}") for n in (1, 2)]
    with suite.start(name + "-together-1", exe, source,
                     args[:1] + ["/LOG=" + suite.drive.dos(logs[0])] + args[1:]) as one, \
            suite.start(name + "-together-2", exe, source,
                        args[:1] + ["/LOG=" + suite.drive.dos(logs[1])] + args[1:]) as two:
        codes = [one.exit_code(ui.install_timeout(1)), two.exit_code(ui.install_timeout(1))]
    checks.equal(sorted(codes), [ui.EXIT_INSTALLED, ui.wine_exit_status(EXIT_ALREADY_RUNNING)],
                 "exit statuses of two runs started together")
    if sorted(codes) == [0, ui.wine_exit_status(EXIT_ALREADY_RUNNING)]:
        lines, problems = pkg.read_install_log(logs[codes.index(0) ^ 1])
        checks.extend(problems)
        checks.equal(lines[-2:], [BUSY_LINE, "exit code: 1618"], "the refused run's log ends")
    if not wine.wait_marked_processes_end(suites.RUN_MARKER, str(suite.root), "regsvr32",
                                          suites.TOOL_END_TIMEOUT):
        raise Failure("registration tools still running after the end")
    checks.extend(pkg.tree_differences(pkg.tree(app_dir), new.installed_layout(),
                                       "after the runs started together"))

    # 3: removed through the entry, installed again, Windows restarted: the
    # entry's program is still there and removes the installation.
    lines = quiet_removal(suite, name + "-removal", source, checks, "through the entry")
    aside = [p.name for p in store_folder(prefix).glob("Tarnwhistle.*.del")]
    checks.true(len(aside) == 1 and not (store_folder(prefix) / "Tarnwhistle.exe").exists(),
                f"the running copy not moved aside: {sorted(os.listdir(store_folder(prefix)))}")
    checks.true(any(line.endswith(", removed at the next restart") and " moved to " in line
                    for line in lines), "the copy's removal at the restart not logged")
    result = suite.run_installer(name + "-again", source, exe=exe, args=args, silent=True,
                                 timeout=ui.install_timeout(1))
    checks.equal(result.exit_code, ui.EXIT_INSTALLED, "exit status of the installation again")
    checks.equal(wine_tool(prefix, "wineboot", "-r"), 0, "exit status of wineboot -r")
    checks.equal(sorted(p.name for p in store_folder(prefix).glob("Tarnwhistle*")),
                 ["Tarnwhistle.exe"], "the program's folder after the restart")
    quiet_removal(suite, name + "-after-restart", source, checks, "after the restart")
    checks.equal(entry_values(prefix), None, "the entry after the last removal")
    checks.equal(sorted(pkg.tree(app_dir)), [], "A after the last removal")


# --- a kill during the commit -----------------------------------------------------

COMMIT_FILES = 400  # support files, each put in place twice: a commit long enough to kill


def set_aside(app_dir):
    """The files a commit has set aside in A and A\\Driver so far."""
    found = []
    for folder in (app_dir, app_dir / "Driver"):
        try:
            found += [p for p in folder.iterdir() if p.name.lower().endswith(".old")]
        except OSError:  # not made yet
            pass
    return found


def scenario_killed_commit(suite, name, checks):
    prefix = suite.prefix
    forget_installations(prefix)
    journal = store_folder(prefix) / "commit.jnl"
    app_dir, other_dir = suite.folder(name, "A"), suite.folder(name, "B")
    names = [f"f{n:04}.dat" for n in range(COMMIT_FILES)]
    old = pkg.Package({n: b"old " + n.encode() for n in names}, {"beta.sys": b"old beta"})
    new = pkg.Package({n: b"new " + n.encode() for n in names}, {"beta.sys": b"new beta"})
    sources = suite.folder(name, "old"), suite.folder(name, "new")
    old.lay_out(sources[0])
    new.lay_out(sources[1])
    exes = [suite.place_exe(source) for source in sources]

    def install(step, source, exe, folder):
        log = suite.install_log(f"{name}-{step}")
        result = suite.run_installer(
            f"{name}-{step}", source, exe=exe, silent=True, timeout=ui.install_timeout(1),
            args=["/S", "/LOG=" + suite.drive.dos(log), "/D=" + suite.drive.dos(folder)])
        checks.equal(result.exit_code, ui.EXIT_INSTALLED, f"exit status of {step}")
        lines, problems = pkg.read_install_log(log)
        checks.extend(problems)
        return lines

    install("old", sources[0], exes[0], app_dir)
    # The reinstall is killed once its commit has set a file aside: the journal stays.
    with suite.start(f"{name}-kill", exes[1], sources[1],
                     ["/S", "/D=" + suite.drive.dos(app_dir)]) as run:
        committing = wait_for(lambda: bool(set_aside(app_dir)), ui.install_timeout(1), 0.01)
        for pid in wine.marked_processes(suites.RUN_MARKER, str(suite.root), "tarnwhistle"):
            os.kill(pid, 9)
        checks.true(committing and run.exit_code(60) is not None, "no commit under way to kill")
    checks.true(journal.exists(), "no journal left by the commit killed")
    # The next run, into another folder, first undoes the commit in A.
    lines = install("recovering", sources[1], exes[1], other_dir)
    checks.true(any(line.startswith("interrupted commit undone: ") for line in lines),
                "the recovery not logged")
    checks.extend(pkg.tree_differences(pkg.tree(app_dir), old.installed_layout(),
                                       "A after the recovery"))
    checks.true(not journal.exists(), "the journal stays after the recovery")
    install("again", sources[1], exes[1], app_dir)
    checks.extend(pkg.tree_differences(pkg.tree(app_dir), new.installed_layout(),
                                       "A after the installation again"))


SCENARIOS.append(("killed-commit",
                  "a reinstall killed during its commit, undone by the next run",
                  scenario_killed_commit))


SCENARIOS.append(("one-run-at-a-time",
                  "one run at a time, killed copies, a removal across the restart",
                  scenario_one_at_a_time))


def scenario_files_in_use(suite, name, checks):
    """A reinstall while another program has loaded twsample.dll and holds held.dat
    without delete sharing: the DLL's old version is renamed aside and the new one
    is in place and registered at once; held.dat keeps its old bytes until the
    restart puts the new ones in place; the run ends with 3010. After wineboot -r
    nothing of the run is left, and the removal ends with 0."""
    prefix = suite.prefix
    forget_installations(prefix)
    app_dir = suite.folder(name, "A")
    app_text = suite.drive.dos(app_dir)
    sample = (suite.tools_dir / "twsample.dll").read_bytes()
    tool = wine.wine_regsvr32(prefix).read_bytes()
    old = pkg.Package({"regsvr32.exe": tool},
                      {"twsample.dll": sample, "held.dat": b"old held.dat\r\n"})
    # Bytes after a DLL's image do not change what it loads as.
    new = pkg.Package({"regsvr32.exe": tool},
                      {"twsample.dll": sample + b"new version\r\n", "held.dat": b"new held.dat\r\n"})
    args = ["/S", "/D=" + app_text]
    for version, package in (("old", old), ("new", new)):
        package.lay_out(suite.folder(name, version))
    result = suite.run_installer(name + "-old", suite.folder(name, "old"), args=args, silent=True,
                                 timeout=ui.install_timeout(1))
    checks.equal(result.exit_code, ui.EXIT_INSTALLED, "exit status of the first installation")
    marker = app_dir / "Driver" / MARKER
    marker.unlink()

    ready = suite.folder(name, "holder") / "ready"
    holder = wine.WindowsProgram(
        (suite.tools_dir / "hold_in_use.exe").resolve(), suite.folder(name, "holder"),
        suite.scenario_artefacts / f"{name}-holder-wine.log",
        args=[app_text + "\\Driver\\twsample.dll", app_text + "\\Driver\\held.dat",
              suite.drive.dos(ready)])
    try:
        if not wait_for(ready.exists, ui.START_TIMEOUT, 0.1):
            raise Failure("hold_in_use.exe did not get ready")
        log = suite.install_log(name + "-new")
        result = suite.run_installer(name + "-new", suite.folder(name, "new"),
                                     args=args[:1] + ["/LOG=" + suite.drive.dos(log)] + args[1:],
                                     silent=True, timeout=ui.install_timeout(1))
        checks.equal(result.exit_code, ui.wine_exit_status(EXIT_RESTART_PENDING),
                     "exit status with files in use")
        tree = pkg.tree(app_dir / "Driver")
        checks.equal(tree.get("twsample.dll"), new.driver["twsample.dll"],
                     "the loaded DLL after the run")
        checks.true(marker.exists(), "the new twsample.dll was not registered at once")
        checks.equal(tree.get("held.dat"), old.driver["held.dat"], "the held file before the restart")
        lines, problems = pkg.read_install_log(log)
        checks.extend(problems)
        checks.true(f"replaced at the next restart: {app_text}\\Driver\\held.dat" in lines,
                    f"the held file's replacement not logged: {lines}")
        checks.true(any(line.startswith("in use: ") and line.endswith(".old deleted at the next "
                                                                      "restart") for line in lines),
                    "the loaded DLL's old version left for the restart not logged")
        checks.equal(lines[-1:], ["exit code: 3010"], "the log's last line")
    finally:
        holder.end_group()

    checks.equal(wine_tool(prefix, "wineboot", "-r"), 0, "exit status of wineboot -r")
    after = {rel: data for rel, data in pkg.tree(app_dir).items() if rel != "Driver/" + MARKER}
    checks.extend(pkg.tree_differences(after, new.installed_layout(), "after the restart"))
    lines = quiet_removal(suite, name + "-removal", suite.folder(name, "new"), checks,
                          "after the restart")
    checks.equal(lines[-1:], ["exit code: 0"], "the removal log's last line")


EXIT_RESTART_PENDING = 3010
SCENARIOS.append(("files-in-use",
                  "a loaded DLL and a held file replaced, one at once and one at the restart",
                  scenario_files_in_use))
