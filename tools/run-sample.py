#!/usr/bin/env python3
"""`make run`: lays out a sample driver package under build/sample-run and runs
Tarnwhistle.exe from it under Wine.

The package holds Wine's own regsvr32.exe in driversupport\\ and our sample COM
DLL twsample.dll in Driver\\. The package folder is the current directory on a
drive letter of the prefix mapped to build/sample-run, so the record
"\\ZAVIDAR.CFG" lands in build/sample-run.

With a DISPLAY the real dialog appears for you to use. Without one the run goes
on a private virtual display: the proposed directory is accepted and each window
is saved as a screenshot. Either way a short report ends the run: the result, the
installer's exit code, the messages it showed, the record's bytes, the installed
files summarised (counts and bytes per folder; by name only those that are not
the generated data), and where the screenshots are. The run fails unless the exit
code is 0 and every DLL of the sample was installed and registered.

The installer is started by a batch file through cmd's `start /wait`, which puts
its whole exit code in %ERRORLEVEL%: the exit status that Wine hands to a Unix
parent keeps only the low 8 bits (1603 arrives as 67).
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
# Nothing is written into the source tree, byte-code included.
sys.dont_write_bytecode = True
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

import installer_run as ui  # noqa: E402
import package as pkg  # noqa: E402
import wine_session as wine  # noqa: E402
import x_display as x  # noqa: E402

REGISTRATION_TIMEOUT = 120
SAMPLE_DATA_FILES = 600
GENERATED_DATA = re.compile(r"twdata\d{4}\.bin")
STARTER = "run-installer.cmd"
EXIT_CODE_FILE = "exit-code.txt"
# Written by cmd line by line, so %ERRORLEVEL% is read after the installer ended.
# The redirection comes first: "1603>file" would redirect handle 3.
STARTER_LINES = [
    "@echo off",
    'start "" /wait Tarnwhistle.exe',
    f'>"%~dp0{EXIT_CODE_FILE}" echo %ERRORLEVEL%',
]


def parse_arguments():
    parser = argparse.ArgumentParser(description="Run Tarnwhistle.exe on a sample package.")
    parser.add_argument("--exe", type=Path, default=ROOT / "build/win32/Tarnwhistle.exe")
    parser.add_argument("--tools", type=Path, default=ROOT / "build/win32/tests/winetools")
    parser.add_argument("--folder", type=Path, default=ROOT / "build/sample-run")
    parser.add_argument("--auto", action="store_true",
                        help="accept the proposed directory without a user (set when no DISPLAY)")
    return parser.parse_args()


def lay_out(folder, exe, tools, prefix):
    source = folder / "package"
    support = source / "driversupport"
    driver = source / "Driver"
    support.mkdir(parents=True)
    driver.mkdir()
    shutil.copyfile(wine.wine_regsvr32(prefix), support / "regsvr32.exe")
    (support / "readme.txt").write_bytes(b"Varnelquist driver support files\r\n")
    (support / "说明.txt").write_bytes("驱动程序支持文件\r\n".encode("cp936"))
    shutil.copyfile(tools / "twsample.dll", driver / "twsample.dll")
    (driver / "twsample.inf").write_bytes(b"[Version]\r\nSignature=\"$Windows NT$\"\r\n")
    # Enough files for the installation to take more than a second: its progress
    # window shows.
    for i in range(SAMPLE_DATA_FILES):
        (driver / f"twdata{i:04d}.bin").write_bytes(pkg.content(f"twdata{i:04d}.bin", 8192))
    shutil.copyfile(exe, source / "Tarnwhistle.exe")
    (folder / STARTER).write_bytes("\r\n".join(STARTER_LINES + [""]).encode("ascii"))
    return source


def unix_path(prefix, windows_path):
    """The folder a Windows path of the prefix names (drive letters of dosdevices)."""
    drive, _, rest = windows_path.partition(":")
    base = (prefix / "dosdevices" / f"{drive.lower()}:").resolve()
    return base.joinpath(*[p for p in rest.split("\\") if p])


def run_for_user(run):
    print("The installer's dialog is open on your display; the run goes on when it ends.",
          flush=True)
    run.program.process.wait()


def run_unattended(run):
    """Accepts the proposed directory and dismisses the final message."""
    ui.confirm(run, run.dialog())
    try:
        run.progress_window(ui.START_TIMEOUT)
    except x.XError as error:
        print(f"run: no progress window seen ({error})", flush=True)
    caption = run.finish_with_message(ui.install_timeout(1))
    if run.exit_code() is None:
        raise SystemExit("run: the installer did not end after its final message")
    print(f"final message: {caption}", flush=True)


def installer_exit_code(folder):
    """The installer's whole exit code as cmd read it, or None when cmd wrote none."""
    try:
        return int((folder / EXIT_CODE_FILE).read_text(errors="replace").strip())
    except (OSError, ValueError):
        return None


class Report:
    """What the run did, gathered while the installation is in place and printed
    at the end."""

    def __init__(self, folder, drive, program):
        self.exit_code = installer_exit_code(folder)
        self.messages = program.message_texts()
        self.record_name = f"{drive.root}{pkg.RECORD_NAME}"
        self.record = folder / pkg.RECORD_NAME
        self.app_text = None  # the directory the record names
        self.folders = {}  # folder -> [files, bytes, generated files]
        self.named = []  # (path, bytes) of the files that are not generated data
        self.dlls = {}  # each DLL of the sample -> its state
        self.moved_to = None  # where C:\Varnelquist was moved afterwards

    def take_installation(self, app_dir, sample_dlls):
        for path, data in sorted(pkg.tree(app_dir).items()):
            if data is None:
                continue
            folder, _, name = path.rpartition("/")
            counts = self.folders.setdefault(folder or ".", [0, 0, 0])
            counts[0] += 1
            counts[1] += len(data)
            if GENERATED_DATA.fullmatch(name):
                counts[2] += 1
            else:
                self.named.append((path, len(data)))
        for name in sample_dlls:
            dll = app_dir / "Driver" / name
            done = dll.is_file() and Path(f"{dll}.registered").exists()
            self.dlls[name] = ("registered" if done else
                               "NOT registered" if dll.is_file() else "NOT installed")

    def registered(self):
        return bool(self.dlls) and all(state == "registered" for state in self.dlls.values())

    def succeeded(self):
        return self.exit_code == 0 and self.registered()

    def print(self, shots):
        print(f"\n== result: {'installed' if self.succeeded() else 'FAILED'}: "
              f"{'every' if self.registered() else 'not every'} DLL of the sample installed "
              "and registered")
        for name, state in self.dlls.items():
            print(f"   {name}: {state} (DllRegisterServer leaves a marker)")
        print(f"== exit code: {'none read' if self.exit_code is None else self.exit_code}")
        print("== messages shown")
        for text in self.messages or ["(none)"]:
            print("   " + text.replace("\n", "\n   "))
        print(f"== record {self.record_name} ({self.record})", flush=True)
        if not self.record.exists():
            print("   not written (cancelled?)")
        else:
            subprocess.run(["xxd", str(self.record)], check=True)
        if self.app_text is not None:
            where = f" (moved afterwards to {self.moved_to})" if self.moved_to else ""
            print(f"== installed in {self.app_text}{where}")
            print(f"   {'folder':<12}{'files':>7}{'bytes':>12}")
            for folder, (files, size, generated) in sorted(self.folders.items()):
                note = f"  ({generated} of them generated data)" if generated else ""
                print(f"   {folder:<12}{files:>7}{size:>12,}{note}")
            print("   not generated data:")
            for path, size in self.named:
                print(f"     {path} ({size:,} bytes)")
        if shots.is_dir() and any(shots.iterdir()):
            print(f"== screenshots ({len(list(shots.iterdir()))}) in {shots}")


def take_report(folder, prefix, drive, program, sample_dlls):
    """What the run did; waits for the registrations that may still be running."""
    report = Report(folder, drive, program)
    if not report.record.exists():
        return report
    data = report.record.read_bytes()
    field = data[len(pkg.RECORD_HEADER):len(pkg.RECORD_HEADER) + pkg.DIRECTORY_FIELD]
    report.app_text = field.split(b"\0", 1)[0].decode("cp936")
    app_dir = unix_path(prefix, report.app_text)
    dlls = sorted(p for p in app_dir.glob("Driver/*") if p.suffix.lower() == ".dll")
    deadline = time.monotonic() + REGISTRATION_TIMEOUT
    while (any(not Path(f"{d}.registered").exists() for d in dlls)
           and time.monotonic() < deadline):
        time.sleep(1)
    report.take_installation(app_dir, sample_dlls)
    return report


def run_once(args, prefix, folder, shots):
    """Lays out the package, runs the installer on it and reports what it did."""
    source = lay_out(folder, args.exe, args.tools, prefix)
    with wine.MappedDrive(prefix, folder) as drive:
        print(f"package: {source} = {drive.dos(source)}", flush=True)
        try:
            with ui.InstallerRun(lambda: wine.WindowsProgram(
                    "cmd", source, folder / "wine.log", {"TW_E2E_RUN": str(folder)},
                    ["/c", drive.dos(folder / STARTER)]), "window", shots) as run:
                if args.auto:
                    run_unattended(run)
                else:
                    run_for_user(run)
            sample_dlls = sorted(p.name for p in (source / "Driver").iterdir()
                                 if p.suffix.lower() == ".dll")
            return take_report(folder, prefix, drive, run.program, sample_dlls)
        finally:
            wine.end_marked_processes("TW_E2E_RUN", str(folder))


def main():
    args = parse_arguments()
    if not os.environ.get("DISPLAY") and not args.auto:
        script = ROOT / "tools" / "with-display.sh"
        os.execvp("bash", ["bash", str(script), sys.executable, __file__, "--auto",
                           "--exe", str(args.exe), "--tools", str(args.tools),
                           "--folder", str(args.folder)])
    for needed in (args.exe, args.tools / "twsample.dll"):
        if not needed.is_file():
            raise SystemExit(f"run: {needed} has not been built (make win32)")

    prefix = wine.wine_prefix()
    folder = args.folder.resolve()
    wine.remove_tree(folder)
    folder.mkdir(parents=True)
    shots = folder / "screenshots"
    shots.mkdir()
    report = None
    with wine.ProposedDirectory(prefix) as proposed:
        created = not proposed.exists()
        proposed.mkdir(exist_ok=True)
        try:
            report = run_once(args, prefix, folder, shots)
        finally:
            if created and proposed.exists():
                # Leave the prefix as it was: the tests expect no C:\Varnelquist there.
                kept = folder / "Varnelquist"
                shutil.move(str(proposed), str(kept))
                if report:
                    report.moved_to = kept
    report.print(shots)
    return 0 if report.succeeded() else 1


if __name__ == "__main__":
    sys.exit(main())
