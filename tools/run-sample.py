#!/usr/bin/env python3
"""`make run`: lays out a sample driver package under build/sample-run and runs
Tarnwhistle.exe from it under Wine.

The package holds Wine's own regsvr32.exe in driversupport\\ and our sample COM
DLL twsample.dll in Driver\\. The package folder is the current directory on a
drive letter of the prefix mapped to build/sample-run, so the record
"\\ZAVIDAR.CFG" lands in build/sample-run.

With a DISPLAY the real dialog appears for you to use. Without one the run goes
on a private virtual display: the proposed directory is accepted and each window
is saved as a screenshot. Either way the installed files, the record's bytes and
the registered DLLs are printed at the end.
"""

import argparse
import os
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


def report(folder, prefix, drive, program):
    print("\n== messages shown", flush=True)
    for text in program.message_texts():
        print(f"   {text}")
    record = folder / pkg.RECORD_NAME
    print(f"\n== record {drive.root}{pkg.RECORD_NAME} ({record})", flush=True)
    if not record.exists():
        print("   not written (cancelled?)")
        return None, False
    subprocess.run(["xxd", str(record)], check=True)
    data = record.read_bytes()
    field = data[len(pkg.RECORD_HEADER):len(pkg.RECORD_HEADER) + pkg.DIRECTORY_FIELD]
    app_text = field.split(b"\0", 1)[0].decode("cp936")
    app_dir = unix_path(prefix, app_text)
    print(f"\n== installed in {app_text} ({app_dir})", flush=True)
    dlls = sorted(p for p in app_dir.glob("Driver/*") if p.suffix.lower() == ".dll")
    deadline = time.monotonic() + REGISTRATION_TIMEOUT
    while (any(not Path(f"{d}.registered").exists() for d in dlls)
           and time.monotonic() < deadline):
        time.sleep(1)
    for path, data in sorted(pkg.tree(app_dir).items()):
        print(f"   {path}" + ("" if data is None else f"  ({len(data)} bytes)"))
    print("\n== registered DLLs (DllRegisterServer left its marker)", flush=True)
    registered = True
    for dll in dlls:
        done = Path(f"{dll}.registered").exists()
        registered = registered and done
        print(f"   {dll.name}: {'registered' if done else 'NOT registered'}")
    return app_dir, registered


def run_once(args, prefix, folder, shots):
    """Lays out the package, runs the installer on it and reports what it did."""
    source = lay_out(folder, args.exe, args.tools, prefix)
    with wine.MappedDrive(prefix, folder) as drive:
        print(f"package: {source} = {drive.dos(source)}", flush=True)
        try:
            with ui.InstallerRun(lambda: wine.WindowsProgram(
                    source / "Tarnwhistle.exe", source, folder / "wine.log",
                    {"TW_E2E_RUN": str(folder)}), "window", shots) as run:
                if args.auto:
                    run_unattended(run)
                else:
                    run_for_user(run)
            return report(folder, prefix, drive, run.program)
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
    app_dir, registered = None, False
    with wine.ProposedDirectory(prefix) as proposed:
        created = not proposed.exists()
        proposed.mkdir(exist_ok=True)
        try:
            app_dir, registered = run_once(args, prefix, folder, shots)
        finally:
            if created and proposed.exists():
                # Leave the prefix as it was: the tests expect no C:\Varnelquist there.
                kept = folder / "Varnelquist"
                shutil.move(str(proposed), str(kept))
                print(f"\n(C:\\Varnelquist was moved to {kept})")
    if args.auto:
        print(f"screenshots in {shots}: {', '.join(sorted(p.name for p in shots.iterdir()))}")
        # Unattended, the run must have installed and registered the sample.
        return 0 if app_dir is not None and registered else 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
