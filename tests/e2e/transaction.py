"""A reinstall is one transaction: a run that fails before every file is in place
changes nothing (the installed files, the record, the uninstall entry, the list),
and the DLLs are registered only once every file is in place, so that two DLLs
that need each other's new versions both load."""

import os
import subprocess
import time

import installer_run as ui
import package as pkg
import removal
import suite as suites
import wine_session as wine
from suite import Failure

# Each DLL of the pair is padded to this size (the loader never reads past its
# sections), so that copying the second one takes long: a tool started straight
# after the first one's copy would load it while the second is still old.
PAIR_SIZE = 48 * 1024 * 1024
UNDONE_LINE = "installation undone: nothing changed"


def padded(data, size):
    return data + removal.big_content("padding", size - len(data))


def pair_package(suite, version):
    """The package with pair_alpha.dll and pair_beta.dll of version ("old" or
    "new"), Wine's own regsvr32.exe and files whose bytes are the version's own."""
    dlls = suite.tools_dir / "pair" / version
    return pkg.Package(
        {"regsvr32.exe": wine.wine_regsvr32(suite.prefix).read_bytes(),
         "support.txt": pkg.content(version + " support.txt")},
        {name: padded((dlls / name).read_bytes(), PAIR_SIZE)
         for name in ("pair_alpha.dll", "pair_beta.dll")}
        | {"gamma.sys": pkg.content(version + " gamma.sys")})


def with_markers(layout, *versions):
    """layout with the marker each pair DLL's registrations leave: one line for
    each registration, naming the version registered."""
    lines = b"".join(b"version %d\r\n" % v for v in versions)
    return layout | {f"Driver/{name}.registered": lines
                     for name in ("pair_alpha.dll", "pair_beta.dll")}


class HeldFile:
    """tests/winetools/held_file.exe holding a file open, shared with no one, while
    the block runs; started under the run's marker, so that a scenario that stops
    ends it too."""

    def __init__(self, suite, path):
        self.suite, self.path = suite, path

    def __enter__(self):
        env = {**os.environ, suites.RUN_MARKER: str(self.suite.root)}
        self.process = subprocess.Popen(
            [str(wine.TOOLS / "wine-run.sh"), str(self.suite.tools_dir / "held_file.exe"),
             self.suite.drive.dos(self.path)],
            env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE, start_new_session=True)
        said = self.process.stdout.readline().strip()
        if said != b"held":
            self.__exit__()
            raise Failure(f"held_file.exe did not hold {self.path}: {said!r}")
        return self

    def __exit__(self, *exc):
        self.process.stdin.close()
        try:
            self.process.wait(ui.STEP_TIMEOUT)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.process.stdout.close()


def silent(suite, name, source, app_dir, registrations=0):
    """A silent run into app_dir with its own log; returns (result, log lines)."""
    log = suite.install_log(name)
    result = suite.run_installer(name, source,
                                 args=["/S", "/LOG=" + suite.drive.dos(log),
                                       "/D=" + suite.drive.dos(app_dir)],
                                 silent=True, timeout=ui.install_timeout(registrations))
    lines, problems = pkg.read_install_log(log)
    if problems:
        raise Failure(f"{name}: {problems}")
    return result, lines


def expect_undone_log(checks, lines, failed, what):
    """The log of an undone run: the file that could not be installed named, no
    tool started, nothing changed, 1603."""
    checks.true(f"not installed: {failed}" in lines, f"{failed} not named in the log {what}")
    checks.equal([line for line in lines if line.startswith("registration: ")], [],
                 f"registrations logged {what}")
    checks.true(UNDONE_LINE in lines, f"no '{UNDONE_LINE}' in the log {what}")
    checks.equal(lines[-1:], ["exit code: 1603"], f"the log's last line {what}")


def scenario_reinstall(suite, name, checks):
    """An installation of the old pair, then reinstalls of the new one: while one
    of its files cannot be read (another program holds it, sharing it with no
    one), into A and into an empty folder B, each ends with 1603 and changes
    nothing; once it can, into A, it ends with 0 and both DLLs are registered
    with their new versions."""
    prefix = suite.prefix
    removal.forget_installations(prefix)
    app_dir, other_dir = suite.folder(name, "A"), suite.folder(name, "B")
    old_source, new_source = suite.folder(name, "old"), suite.folder(name, "new")
    old, new = pair_package(suite, "old"), pair_package(suite, "new")
    old.lay_out(old_source)
    new.lay_out(new_source)

    # 1: the old version installed and registered.
    result, _ = silent(suite, name + "-old", old_source, app_dir, registrations=2)
    checks.equal(result.exit_code, ui.EXIT_INSTALLED, "exit status of the old installation")
    checks.extend(pkg.tree_differences(pkg.tree(app_dir), with_markers(old.installed_layout(), 1),
                                       "A after the old installation"))
    before, entry, listed = pkg.tree(app_dir), removal.entry_values(prefix), \
        removal.list_lines(prefix)
    checks.true(entry is not None and listed, "no uninstall entry or list after the old one")
    if checks.problems:
        raise Failure("the old installation left nothing to reinstall over")
    record = suite.record_path().read_bytes()

    # 2: the new version with Driver\gamma.sys held by another program, into A and
    # then into B: nothing changes anywhere.
    with HeldFile(suite, new_source / "Driver" / "gamma.sys"):
        for target, run in ((app_dir, "-held-a"), (other_dir, "-held-b")):
            what = f"after the run into {target.name} with a file held"
            result, lines = silent(suite, name + run, new_source, target, registrations=2)
            checks.equal(result.exit_code, ui.wine_exit_status(ui.EXIT_FAILED),
                         f"exit status of the run into {target.name}")
            expect_undone_log(checks, lines, "Driver\\gamma.sys", what)
            checks.extend(pkg.tree_differences(pkg.tree(app_dir), before, "A " + what))
            checks.extend(pkg.tree_differences(pkg.tree(other_dir), {}, "B " + what))
            checks.equal(result.record, record, "the record " + what)
            checks.equal(removal.entry_values(prefix), entry, "the entry " + what)
            checks.equal(removal.list_lines(prefix), listed, "the list " + what)

    # 3: the new version once every file can be read: each DLL loads only beside
    # the other's new version, and both are registered.
    result, lines = silent(suite, name + "-new", new_source, app_dir, registrations=2)
    checks.equal(result.exit_code, ui.EXIT_INSTALLED, "exit status of the new installation")
    checks.extend(pkg.tree_differences(pkg.tree(app_dir),
                                       with_markers(new.installed_layout(), 1, 2),
                                       "A after the new installation"))
    checks.equal(sorted(pkg.codes_as_n(line).rsplit(": ", 1)[1] for line in lines
                        if line.startswith("registration: ")), ["exit code 0"] * 2,
                 "the new installation's registrations")
    removal.forget_installations(prefix)


# A small file system for A: what the old installation needs and this much more,
# less than the new installation stages beside it.
SPARE_SPACE = 512 * 1024
PAGE = 4096
ERROR_DISK_FULL = 112


class SmallDisk:
    """A file system of its own at folder (tmpfs, mounted by root) that holds size
    bytes, for as long as the block runs."""

    def __init__(self, folder, size):
        self.folder, self.size = folder, size

    def __enter__(self):
        out = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={self.size},mode=0755",
                              "tmpfs", str(self.folder)], capture_output=True, text=True)
        if out.returncode != 0:
            raise Failure(f"cannot mount a small file system at {self.folder} "
                          f"(this test needs root): {out.stderr.strip()}")
        return self

    def __exit__(self, *exc):
        # A program killed while it ran may still hold a file there for a moment.
        for _ in range(20):
            if subprocess.run(["umount", str(self.folder)], capture_output=True).returncode == 0:
                return
            time.sleep(0.5)
        subprocess.run(["umount", "-l", str(self.folder)], capture_output=True)


def lay_out_installed(folder, layout):
    """Writes an installed layout (pkg.Package.installed_layout) into folder."""
    for relative in sorted(layout):
        path = folder / relative
        if relative.endswith("/"):
            path.mkdir(mode=0o755, exist_ok=True)
        else:
            path.write_bytes(layout[relative])


def space_taken(layout):
    return sum(-(-len(data) // PAGE) * PAGE for data in layout.values() if data is not None)


def record_naming(text):
    """A 276-byte record that names the directory text."""
    stored = text.encode("cp936")
    return pkg.RECORD_HEADER + stored + b"\0" * (pkg.DIRECTORY_FIELD - len(stored))


def scenario_disk_full(suite, name, checks):
    """A reinstall onto a disk that fills up while the new files are staged beside
    the old ones: 1603, every file in A as before, no tool started, the record as
    before; the log names the full disk and says nothing changed."""
    # Wine shows a mount point as a reparse point, which no installation goes
    # into: A is a folder inside it.
    disk = suite.folder(name, "disk")
    app_dir = disk / "A"
    source = suite.folder(name, "package")

    def package(words):
        return pkg.Package({"regsvr32.exe": suite.stand_in_tool(),
                            "support.txt": pkg.content(words + " support.txt")},
                           {"alpha.dll": pkg.content(words + " alpha.dll", 4096),
                            "big.sys": removal.big_content(words + " big.sys", 1024 * 1024)})

    old, new = package("old"), package("new")
    new.lay_out(source)
    record = record_naming(suite.drive.dos(app_dir))
    suite.record_path().write_bytes(record)
    with SmallDisk(disk, space_taken(old.installed_layout()) + SPARE_SPACE):
        app_dir.mkdir(mode=0o755)
        lay_out_installed(app_dir, old.installed_layout())
        before = pkg.tree(app_dir)
        result, lines = silent(suite, name, source, app_dir, registrations=1)
        checks.equal(result.exit_code, ui.wine_exit_status(ui.EXIT_FAILED), "exit status")
        checks.extend(pkg.tree_differences(pkg.tree(app_dir), before, "A"))
    checks.equal(result.tool_starts, [], "registration tool starts")
    checks.equal(result.record, record, "the record")
    checks.true(any(line.startswith("copy: ")
                    and line.endswith(f"failed (system error {ERROR_DISK_FULL})")
                    for line in lines), "no copy failed for the full disk")
    checks.equal([line for line in lines if line.startswith("registration: ")], [],
                 "registrations logged")
    checks.true(UNDONE_LINE in lines, f"no '{UNDONE_LINE}' in the log")
    checks.equal(lines[-1:], ["exit code: 1603"], "the log's last line")


SCENARIOS = [
    ("reinstall-held-file-then-pair",
     "a reinstall with a file held undone into A and into B; then both DLLs of a pair "
     "registered with their new versions", scenario_reinstall),
    ("disk-fills-up", "a reinstall onto a disk that fills up changes nothing", scenario_disk_full),
]
